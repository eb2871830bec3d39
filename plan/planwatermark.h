#pragma once

class QImage;
class QPixmap;

// The plan image as shown: the logo tiled faintly over it, as large as fits,
// side by side along the image's longer side and centred.
QPixmap watermarkedPlan(const QPixmap &image, const QImage &logo);
// The same with the program's logo, ":/icons/Resources/Logo.png"; without the
// resource registered (Q_INIT_RESOURCE(resources)) the image is returned as it is.
QPixmap watermarkedPlan(const QPixmap &image);
