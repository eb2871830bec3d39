#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVector>

// PDF drawings made for tests with QPdfWriter, and the measurement of what was
// drawn on their rendered pages.
namespace TestDrawing {

// One page: its size in millimetres and the rectangles drawn on it (millimetres
// on paper from the page's top-left corner), outlined with a thin black line.
struct Page
{
    QSizeF paperMm { 210, 297 };
    QVector<QRectF> rectsMm;
};

// A 10 m × 5 m room drawn at 1:100 on A4: a 100 × 50 mm rectangle.
Page roomAt100();

bool writePdf(const QString &path, const QVector<Page> &pages);

// A PDF that opens only with a password.
bool writeEncryptedPdf(const QString &path);

// The rectangle through the middles of the dark lines of the one outlined
// rectangle on the image, in pixel coordinates (a pixel's centre is at +0.5).
// Each side is placed to a fraction of a pixel by weighting the darkness of the
// line across it.
QRectF outlinedRect(const QImage &image);

} // namespace TestDrawing
