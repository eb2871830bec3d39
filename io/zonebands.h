#pragma once

#include <QPainter>

class QGraphicsScene;
class QImage;
class QRectF;

// The hints every scene image is painted with.
constexpr QPainter::RenderHints sceneImageRenderHints
    = QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform;

// Draws `source` of the scene into the whole image as QGraphicsScene::render
// does (keeping the aspect ratio), on one thread.
void renderSceneOnePass(QGraphicsScene *scene, const QRectF &source, QImage *image);

// Draws the same pixels as renderSceneOnePass into a premultiplied ARGB image,
// with the detectors' zones painted in horizontal bands of the image on every
// core: what lies below them and what lies above are rendered on this thread
// before and after. Each item's visibility, opacity, selection and focus are
// as before on return. Returns false, having drawn nothing, when the scene
// does not split that way: no zone, an item stacked between zones, a zone
// with children, an effect, a cache, a clip or a brush of an image, a scene
// that paints a background or a foreground or is of a class of its own.
// Without a number of bands, a few a core.
bool renderSceneZonesInBands(
    QGraphicsScene *scene, const QRectF &source, QImage *image, int bands = 0);
