#pragma once

class QImage;
class QPainter;
class QPixmap;
class QSizeF;

// The plan image as shown: the logo tiled faintly over it, as large as fits,
// side by side along the image's longer side and centred.
QPixmap watermarkedPlan(const QPixmap &image, const QImage &logo);
// The same with the program's logo, ":/icons/Resources/Logo.png"; without the
// resource registered (Q_INIT_RESOURCE(resources)) the image is returned as it is.
QPixmap watermarkedPlan(const QPixmap &image);

// Paints the tiles of the watermark over an image of imageSize at the
// painter's origin, in the image's pixels, as watermarkedPlan does.
void paintWatermark(QPainter &painter, const QSizeF &imageSize, const QImage &logo);
// The program's logo (null without the resource), read once.
const QImage &watermarkLogo();
