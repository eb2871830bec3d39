#include "graphicspolygonitem2.h"

#include "scene/forwardevent.h"
#include "scene/geometry.h"
#include "scene/itemchange.h"

#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPen>
#include <QTransform>

static QPolygonF scaled(const QPolygonF &polygon, double factor)
{
    return QTransform::fromScale(factor, factor).map(polygon);
}

GraphicsPolygonItem2::GraphicsPolygonItem2(QGraphicsItem *parent)
    : QGraphicsPolygonItem(parent)
{
}

GraphicsPolygonItem2::GraphicsPolygonItem2(
    const QPen &pen, const QBrush &brush, QGraphicsItem *parent)
    : QGraphicsPolygonItem(parent)
{
    setBrush(brush);
    setPen(pen);
}

bool GraphicsPolygonItem2::inMillimetres() const
{
    return flags() & ItemIgnoresTransformations;
}

void GraphicsPolygonItem2::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (polygon().isEmpty())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen = this->pen();
    if (pen.isCosmetic())
        pen.setWidthF(cosmeticPenWidth(pen, painter));
    const QPolygonF drawn
        = inMillimetres() ? scaled(polygon(), painterPixelsPerMm(painter)) : polygon();
    if (isSelected())
        pen.setStyle(Qt::DashLine);
    painter->setPen(pen);
    painter->setBrush(brush());
    painter->drawPolygon(drawn, Qt::OddEvenFill);
    painter->restore();
}

QRectF GraphicsPolygonItem2::boundingRect() const
{
    if (polygon().isEmpty())
        return QRectF();
    if (inMillimetres())
        return scaled(polygon(), screenPixelsPerMm()).boundingRect();
    return QGraphicsPolygonItem::boundingRect();
}

QPainterPath GraphicsPolygonItem2::shape() const
{
    if (inMillimetres() || pen().isCosmetic()) {
        QPainterPath path;
        path.addPolygon(inMillimetres() ? scaled(polygon(), screenPixelsPerMm()) : polygon());
        path.closeSubpath();
        return path;
    }
    return QGraphicsPolygonItem::shape();
}

QVariant GraphicsPolygonItem2::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemFlagsChange
        && (QGraphicsItem::GraphicsItemFlags(value.toUInt()) & ItemIgnoresTransformations)
            != (flags() & ItemIgnoresTransformations))
        // The bounding rectangle switches between scene units and millimetres.
        prepareGeometryChange();
    if (const auto taken = emitItemChange(this, change, value))
        return *taken;
    return QGraphicsPolygonItem::itemChange(change, value);
}

void GraphicsPolygonItem2::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit mouseMove(e); },
        [this](auto *e) { QGraphicsItem::mouseMoveEvent(e); });
}

void GraphicsPolygonItem2::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit mousePress(e); },
        [this](auto *e) { QGraphicsItem::mousePressEvent(e); });
}

void GraphicsPolygonItem2::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit mouseRelease(e); },
        [this](auto *e) { QGraphicsItem::mouseReleaseEvent(e); });
}

void GraphicsPolygonItem2::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit hoverEnter(e); },
        [this](auto *e) { QGraphicsItem::hoverEnterEvent(e); });
}

void GraphicsPolygonItem2::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit hoverLeave(e); },
        [this](auto *e) { QGraphicsItem::hoverLeaveEvent(e); });
}

void GraphicsPolygonItem2::keyPressEvent(QKeyEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit keyPress(e); },
        [this](auto *e) { QGraphicsItem::keyPressEvent(e); });
}

void GraphicsPolygonItem2::keyReleaseEvent(QKeyEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit keyRelease(e); },
        [this](auto *e) { QGraphicsItem::keyReleaseEvent(e); });
}
