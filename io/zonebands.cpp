#include "io/zonebands.h"

#include "detectors/zonegraphicsitem.h"
#include "scene/allcores.h"

#include <QGraphicsScene>
#include <QImage>
#include <QSet>
#include <QVector>

#include <algorithm>
#include <thread>

namespace {

// Top-level items made fully transparent for a while, so that the scene's
// render passes them by with everything on them. Unlike hiding, this keeps
// their selection and focus.
class TransparentItems
{
public:
    TransparentItems() = default;
    ~TransparentItems()
    {
        for (auto held = m_held.crbegin(); held != m_held.crend(); ++held)
            held->item->setOpacity(held->opacity);
    }
    TransparentItems(const TransparentItems &) = delete;
    TransparentItems &operator=(const TransparentItems &) = delete;

    // False when the item keeps another opacity.
    bool add(QGraphicsItem *item)
    {
        m_held.append({ item, item->opacity() });
        item->setOpacity(0);
        return item->opacity() == 0;
    }

private:
    struct Held
    {
        QGraphicsItem *item;
        qreal opacity;
    };
    QVector<Held> m_held;
};

struct Layers
{
    QVector<QGraphicsItem *> below;
    QVector<ZoneGraphicsItem *> zones;
    QVector<QGraphicsItem *> above;
};

bool drawsSomething(const QGraphicsItem *item)
{
    // The render leaves out what is all but transparent.
    return item->isVisible() && item->opacity() >= 0.001;
}

// Whether a transparent item leaves its whole subtree undrawn.
bool transparentWithChildren(const QGraphicsItem *item)
{
    if (item->flags() & QGraphicsItem::ItemDoesntPropagateOpacityToChildren)
        return false;
    const QList<QGraphicsItem *> children = item->childItems();
    return std::none_of(children.cbegin(), children.cend(), [](const QGraphicsItem *child) {
        return child->flags() & QGraphicsItem::ItemIgnoresParentOpacity;
    });
}

// Whether the render draws the zone as the bands do: alone, through the
// view's transform and its own, with nothing but its paint.
bool paintsAlone(const ZoneGraphicsItem *zone)
{
    return zone->childItems().isEmpty() && !zone->graphicsEffect()
        && zone->cacheMode() == QGraphicsItem::NoCache
        && !(zone->flags()
            & (QGraphicsItem::ItemClipsToShape | QGraphicsItem::ItemIgnoresTransformations));
}

bool splitAtZones(QGraphicsScene *scene, const QRectF &source, Layers *layers)
{
    if (scene->metaObject() != &QGraphicsScene::staticMetaObject
        || scene->backgroundBrush().style() != Qt::NoBrush
        || scene->foregroundBrush().style() != Qt::NoBrush || scene->minimumRenderSize() > 0)
        return false;
    // The render's own list, top first; it paints each top-level item with
    // all on it when it meets the item's first entry from the bottom.
    const QList<QGraphicsItem *> items = scene->items(source, Qt::IntersectsItemBoundingRect);
    QVector<QGraphicsItem *> tops;
    QSet<QGraphicsItem *> met;
    for (int i = items.size() - 1; i >= 0; --i) {
        QGraphicsItem *top = items.at(i)->topLevelItem();
        if (!met.contains(top)) {
            met.insert(top);
            tops.append(top);
        }
    }
    const auto isZone = [](QGraphicsItem *item) { return dynamic_cast<ZoneGraphicsItem *>(item); };
    const auto first = std::find_if(tops.begin(), tops.end(), isZone);
    if (first == tops.end())
        return false;
    const auto last = std::find_if(tops.rbegin(), tops.rend(), isZone).base();
    for (auto item = first; item != last; ++item) {
        auto *zone = dynamic_cast<ZoneGraphicsItem *>(*item);
        if (!zone) {
            if (drawsSomething(*item))
                return false;
        } else if (drawsSomething(zone)) {
            if (!paintsAlone(zone))
                return false;
            layers->zones.append(zone);
        }
    }
    if (layers->zones.isEmpty())
        return false;
    for (auto item = tops.begin(); item != first; ++item) {
        if (drawsSomething(*item))
            layers->below.append(*item);
    }
    for (auto item = last; item != tops.end(); ++item) {
        if (drawsSomething(*item))
            layers->above.append(*item);
    }
    // Every item to be left out must go with all on it, and let itself.
    TransparentItems trial;
    for (const QVector<QGraphicsItem *> *layer : { &layers->below, &layers->above }) {
        for (QGraphicsItem *item : *layer) {
            if (!transparentWithChildren(item) || !trial.add(item))
                return false;
        }
    }
    for (ZoneGraphicsItem *zone : qAsConst(layers->zones)) {
        if (!trial.add(zone))
            return false;
    }
    return true;
}

// The world transform QGraphicsScene::render gives the painter, computed the
// same way, so that each zone gets the very same numbers.
QTransform viewTransform(const QRectF &target, const QRectF &source)
{
    const qreal ratio = qMin(target.width() / source.width(), target.height() / source.height());
    QTransform transform;
    transform *= QTransform()
                     .translate(target.left(), target.top())
                     .scale(ratio, ratio)
                     .translate(-source.left(), -source.top());
    return transform;
}

struct PlacedZone
{
    QTransform transform;
    QRectF deviceBounds;
    qreal opacity;
    ZoneGraphicsItem::Stamp stamp;
};

} // namespace

void renderSceneOnePass(QGraphicsScene *scene, const QRectF &source, QImage *image)
{
    QPainter painter(image);
    painter.setRenderHints(sceneImageRenderHints);
    scene->render(
        &painter, QRectF(QPointF(0, 0), QSizeF(image->size())), source, Qt::KeepAspectRatio);
}

bool renderSceneZonesInBands(QGraphicsScene *scene, const QRectF &source, QImage *image, int bands)
{
    if (image->format() != QImage::Format_ARGB32_Premultiplied || image->isNull())
        return false;
    Layers layers;
    if (!splitAtZones(scene, source, &layers))
        return false;

    // Each zone is prepared here for the image's scale, the bands only read.
    const QRectF target(QPointF(0, 0), QSizeF(image->size()));
    const QTransform view = viewTransform(target, source);
    QVector<PlacedZone> placed;
    {
        QPainter painter(image);
        painter.setRenderHints(sceneImageRenderHints);
        for (ZoneGraphicsItem *zone : qAsConst(layers.zones)) {
            PlacedZone zoneAt { zone->sceneTransform(), QRectF(), zone->opacity(), {} };
            zoneAt.transform *= view;
            painter.setWorldTransform(zoneAt.transform);
            if (!zone->prepareStamp(&painter, &zoneAt.stamp)) {
                // An empty zone or a singular transform: paint() draws nothing either.
                if (zone->path().isEmpty() || !zoneAt.transform.isInvertible())
                    continue;
                return false;
            }
            // The toolkit's stroker for lines of up to a pixel clips each
            // line to the device before it steps along it, so that in a band
            // a line's pixels may come out a few levels off.
            const QPen &pen = zoneAt.stamp.pen;
            if (!zoneAt.stamp.detachable()
                || (!zoneAt.stamp.wide && pen.style() != Qt::NoPen && pen.widthF() <= 1))
                return false;
            // Antialiasing reaches into the pixel next to the bounds.
            zoneAt.deviceBounds
                = zoneAt.transform.mapRect(zone->boundingRect()).adjusted(-2, -2, 2, 2);
            placed.append(zoneAt);
        }
    }

    // The scene with the zones and one other layer left out.
    const auto renderWithout = [&](const QVector<QGraphicsItem *> &layer) {
        TransparentItems leftOut;
        for (QGraphicsItem *item : layer)
            leftOut.add(item);
        for (ZoneGraphicsItem *zone : qAsConst(layers.zones))
            leftOut.add(zone);
        renderSceneOnePass(scene, source, image);
    };
    renderWithout(layers.above);

    // A few bands a core, so that a core done with sparse bands takes more.
    if (bands <= 0)
        bands = 8 * int(std::max(1u, std::thread::hardware_concurrency()));
    bands = std::min(bands, image->height());
    const int width = image->width();
    const int height = image->height();
    const int bytesPerLine = image->bytesPerLine();
    uchar *const bits = image->bits();
    const int dotsX = image->dotsPerMeterX();
    const int dotsY = image->dotsPerMeterY();
    runOnAllCores(bands, [&](int index) {
        const int top = int(qint64(height) * index / bands);
        const int bottom = int(qint64(height) * (index + 1) / bands);
        QImage band(bits + qint64(top) * bytesPerLine, width, bottom - top, bytesPerLine,
            QImage::Format_ARGB32_Premultiplied);
        band.setDotsPerMeterX(dotsX);
        band.setDotsPerMeterY(dotsY);
        QPainter painter(&band);
        painter.setRenderHints(sceneImageRenderHints);
        painter.setClipRect(target.translated(0, -top).intersected(QRectF(band.rect())));
        const QTransform up = QTransform::fromTranslate(0, -top);
        for (const PlacedZone &zoneAt : qAsConst(placed)) {
            if (zoneAt.deviceBounds.bottom() < top || zoneAt.deviceBounds.top() > bottom)
                continue;
            painter.setWorldTransform(zoneAt.transform * up);
            painter.setOpacity(zoneAt.opacity);
            // The band in the stamp's pixels, less the zone's translation.
            const QRectF within = QRectF(0, top, width, bottom - top)
                                      .translated(-zoneAt.transform.dx(), -zoneAt.transform.dy())
                                      .adjusted(-1, -1, 1, 1);
            zoneAt.stamp.detached(within).paint(&painter);
        }
    });

    renderWithout(layers.below);
    return true;
}
