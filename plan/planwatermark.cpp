#include "plan/planwatermark.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr double kWatermarkOpacity = 0.05;

} // namespace

void paintWatermark(QPainter &painter, const QSizeF &imageSize, const QImage &logo)
{
    if (logo.isNull() || imageSize.isEmpty())
        return;
    const float W = imageSize.width();
    const float H = imageSize.height();
    const float sx = W / logo.width();
    const float sy = H / logo.height();
    if (sx == 0 || sy == 0)
        return;
    const float s = qMin(sx, sy);
    const float tileWidth = logo.width() * s;
    const float tileHeight = logo.height() * s;
    float x0 = (W - tileWidth) / 2;
    float y0 = (H - tileHeight) / 2;

    painter.save();
    painter.setOpacity(painter.opacity() * kWatermarkOpacity);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto tile
        = [&](float x, float y) { painter.drawImage(QRectF(x, y, tileWidth, tileHeight), logo); };
    if (sx < sy) {
        // Tiles stacked vertically; an even count leaves no tile in the middle.
        if (int(sy / sx) % 2 == 0)
            y0 -= tileHeight / 2;
        for (float y = y0; y >= 0; y -= tileHeight)
            tile(x0, y);
        for (float y = y0 + tileHeight; y + tileHeight <= H; y += tileHeight)
            tile(x0, y);
    } else {
        if (int(sx / sy) % 2 == 0)
            x0 -= tileWidth / 2;
        for (float x = x0; x >= 0; x -= tileWidth)
            tile(x, y0);
        for (float x = x0 + tileWidth; x + tileWidth <= W; x += tileWidth)
            tile(x, y0);
    }
    painter.restore();
}

QPixmap watermarkedPlan(const QPixmap &image, const QImage &logo)
{
    QPixmap shown = image;
    if (image.isNull() || logo.isNull() || image.width() == 0 || image.height() == 0)
        return shown;
    QPainter painter(&shown);
    paintWatermark(painter, QSizeF(image.size()), logo);
    return shown;
}

// The logo lives in a resource file of its own so that programs without the
// window's resources can watermark a plan too.
static bool registerLogo()
{
    Q_INIT_RESOURCE(logo);
    return true;
}

const QImage &watermarkLogo()
{
    static const bool logoRegistered = registerLogo();
    Q_UNUSED(logoRegistered)
    static const QImage logo(QStringLiteral(":/icons/Resources/Logo.png"));
    return logo;
}

QPixmap watermarkedPlan(const QPixmap &image)
{
    return watermarkedPlan(image, watermarkLogo());
}
