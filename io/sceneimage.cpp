#include "io/sceneimage.h"

#include "detectors/zonegraphicsitem.h"
#include "io/memoryadvice.h"
#include "io/pngencoder.h"
#include "io/savefile.h"
#include "io/zonebands.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QImageWriter>
#include <QtMath>

#include <cmath>

namespace {

QByteArray imageFormatForPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return "png";
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return "jpeg";
    if (suffix == QLatin1String("bmp"))
        return "bmp";
    return QByteArray();
}

int roundedSide(double length)
{
    return qMax(1, int(std::lround(length)));
}

} // namespace

QSize sceneImageSize(const QRectF &rect, double pixelsPerUnit)
{
    const double width = rect.width() * pixelsPerUnit;
    const double height = rect.height() * pixelsPerUnit;
    if (!qIsFinite(width) || !qIsFinite(height) || !(width > 0) || !(height > 0))
        return QSize();

    double factor = 1.0;
    if (width * height > double(sceneImageMaxPixels)) // the product may overflow to infinity
        factor = std::sqrt(double(sceneImageMaxPixels) / width) / std::sqrt(height);
    const double longest = qMax(width, height) * factor;
    if (longest > sceneImageMaxSide)
        factor *= sceneImageMaxSide / longest;

    // Rounding up a side of a very thin rectangle to one pixel may cross the pixel cap again
    // by a hair; the floor keeps the product under it.
    QSize size(roundedSide(width * factor), roundedSide(height * factor));
    while (qint64(size.width()) * size.height() > sceneImageMaxPixels) {
        if (size.width() >= size.height())
            size.rwidth() -= 1;
        else
            size.rheight() -= 1;
    }
    return size;
}

QImage renderScenePremultiplied(QGraphicsScene *scene, const QRectF &rect, ZonePainting zones)
{
    const QSize size = sceneImageSize(rect);
    if (size.isEmpty())
        return QImage();

    // Painted premultiplied, the raster engine's own format: translucent fills
    // blend several times faster there than into plain ARGB.
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage();
    // A print-size image spans thousands of pages, each a fault on its first
    // write: asked before that, the system backs it with large pages.
    adviseLargePages(image.bits(), size_t(image.sizeInBytes()));
    // Set before painting: items of millimetre size read the device's resolution.
    image.setDotsPerMeterX(sceneImageDotsPerMeter);
    image.setDotsPerMeterY(sceneImageDotsPerMeter);
    image.fill(Qt::transparent);

    const ZoneGraphicsItem::NormalPainting normalPainting(scene);
    if (zones == ZonePainting::OnePass || !renderSceneZonesInBands(scene, rect, &image))
        renderSceneOnePass(scene, rect, &image);
    return image;
}

QImage renderSceneToImage(QGraphicsScene *scene, const QRectF &rect, ZonePainting zones)
{
    return renderScenePremultiplied(scene, rect, zones).convertToFormat(QImage::Format_ARGB32);
}

bool exportSceneImage(QGraphicsScene *scene, const QString &path, QString *error)
{
    auto failed = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QByteArray format = imageFormatForPath(path);
    if (format.isEmpty())
        return failed(QStringLiteral("unknown image type"));
    QImage image = renderScenePremultiplied(scene, scene->sceneRect());
    if (image.isNull())
        return failed(QStringLiteral("the image cannot be drawn"));

    QString why;
    if (format == "png") {
        const QByteArray encoded = encodePng(image);
        if (encoded.isEmpty())
            return failed(QStringLiteral("cannot be written: out of memory"));
        return SaveFile::write(path, encoded, &why) || failed(why);
    }
    image = std::move(image).convertToFormat(QImage::Format_ARGB32);
    // Encoded in memory first: Qt's PNG writer leaks its row buffer when the
    // device fails under it, and the encoded image is small beside the pixels.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        return failed(QStringLiteral("cannot be written: ") + writer.errorString());
    return SaveFile::write(path, encoded, &why) || failed(why);
}
