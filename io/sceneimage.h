#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>

class QGraphicsScene;
class QString;

// One scene unit is one metre once the plan is calibrated; 11811 / 100 pixels per unit is a
// drawing scale of 1:100 at the images' 300 dpi (11811 dots per metre).
constexpr double sceneImagePixelsPerUnit = 118.11;
constexpr int sceneImageDotsPerMeter = 11811;
// Larger scene rectangles are drawn at a smaller scale so that the image holds at most this many
// pixels (256 MiB in 32-bit ARGB) and no side is longer than sceneImageMaxSide.
constexpr qint64 sceneImageMaxPixels = qint64(1) << 26;
constexpr int sceneImageMaxSide = 32767;

// The pixel size of the image of `rect`: each side at `pixelsPerUnit`, rounded to whole pixels
// and at least one, scaled down as a whole to stay within the limits above. An empty or
// non-finite rectangle gives an empty size.
QSize sceneImageSize(const QRectF &rect, double pixelsPerUnit = sceneImagePixelsPerUnit);

// How the detectors' zones of a scene image are painted: in bands of the image on every core
// where the scene allows it, or on one thread in one pass with the rest. Both give the same
// pixels.
enum class ZonePainting
{
    InBands,
    OnePass
};

// A transparent 32-bit ARGB image at 300 dpi with `rect` of the scene drawn into it, keeping
// its aspect ratio, antialiased. A null image when the size is empty or memory runs out.
QImage renderSceneToImage(
    QGraphicsScene *scene, const QRectF &rect, ZonePainting zones = ZonePainting::InBands);
// The same image with its pixels premultiplied as painted (Format_ARGB32_Premultiplied), for a
// writer that unpremultiplies them as it goes.
QImage renderScenePremultiplied(
    QGraphicsScene *scene, const QRectF &rect, ZonePainting zones = ZonePainting::InBands);

// Renders the scene's current scene rectangle and saves it to `path` as PNG, JPEG or BMP,
// chosen by the suffix (png, jpg, jpeg, bmp, in any case), through SaveFile: an existing file is
// replaced only by the complete new image. Returns false, with *error saying why, when nothing was
// saved.
bool exportSceneImage(QGraphicsScene *scene, const QString &path, QString *error = nullptr);
