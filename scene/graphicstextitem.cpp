#include "graphicstextitem.h"

#include "scene/forwardevent.h"
#include "scene/itemchange.h"

#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainter>

GraphicsTextItem::GraphicsTextItem(QGraphicsItem *parent)
    : QGraphicsTextItem(parent)
    , framePen(QBrush(Qt::black), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin)
    , frameBrush(Qt::white)
    , frameMargin(0)
{
}

QRectF GraphicsTextItem::boundingRect() const
{
    return QGraphicsTextItem::boundingRect().adjusted(
        -frameMargin, -frameMargin, frameMargin, frameMargin);
}

void GraphicsTextItem::paint(
    QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    const QRectF frame = boundingRect();
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(frameBrush);
    painter->drawRect(frame);
    painter->setPen(framePen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(frame);
    painter->restore();
    QGraphicsTextItem::paint(painter, option, widget);
}

QVariant GraphicsTextItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (const auto taken = emitItemChange(this, change, value))
        return *taken;
    return QGraphicsTextItem::itemChange(change, value);
}

void GraphicsTextItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit mousePress(e); },
        [this](auto *e) { QGraphicsTextItem::mousePressEvent(e); });
}

void GraphicsTextItem::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit mouseMove(e); },
        [this](auto *e) { QGraphicsTextItem::mouseMoveEvent(e); });
}

void GraphicsTextItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit mouseRelease(e); },
        [this](auto *e) { QGraphicsTextItem::mouseReleaseEvent(e); });
}

void GraphicsTextItem::keyPressEvent(QKeyEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit keyPress(e); },
        [this](auto *e) { QGraphicsTextItem::keyPressEvent(e); });
}

void GraphicsTextItem::keyReleaseEvent(QKeyEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit keyRelease(e); },
        [this](auto *e) { QGraphicsTextItem::keyReleaseEvent(e); });
}

void GraphicsTextItem::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit hoverEnter(e); },
        [this](auto *e) { QGraphicsTextItem::hoverEnterEvent(e); });
}

void GraphicsTextItem::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit hoverLeave(e); },
        [this](auto *e) { QGraphicsTextItem::hoverLeaveEvent(e); });
}
