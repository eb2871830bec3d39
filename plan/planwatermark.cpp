#include "plan/planwatermark.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr double kWatermarkOpacity = 0.05;

} // namespace

QPixmap watermarkedPlan(const QPixmap &image, const QImage &logo)
{
    QPixmap shown = image;
    if (image.isNull() || logo.isNull())
        return shown;
    const float W = image.width();
    const float H = image.height();
    const float sx = W / logo.width();
    const float sy = H / logo.height();
    if (sx == 0 || sy == 0)
        return shown;
    const float s = qMin(sx, sy);
    const float tileWidth = logo.width() * s;
    const float tileHeight = logo.height() * s;
    float x0 = (W - tileWidth) / 2;
    float y0 = (H - tileHeight) / 2;

    QPainter painter(&shown);
    painter.setOpacity(kWatermarkOpacity);
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
    return shown;
}

// The logo lives in a resource file of its own so that programs without the
// window's resources can watermark a plan too.
static bool registerLogo()
{
    Q_INIT_RESOURCE(logo);
    return true;
}

QPixmap watermarkedPlan(const QPixmap &image)
{
    static const bool logoRegistered = registerLogo();
    Q_UNUSED(logoRegistered)
    return watermarkedPlan(image, QImage(QStringLiteral(":/icons/Resources/Logo.png")));
}
