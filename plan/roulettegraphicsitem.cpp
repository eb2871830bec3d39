#include "plan/roulettegraphicsitem.h"

#include "plan/planinput.h"
#include "scene/fixedsizetextitem2.h"
#include "scene/graphicslineitem.h"
#include "scene/graphicspolygonitem2.h"

#include <QMouseEvent>

namespace {

// Filled heads 3 mm long whose tips are the two ends, pointing outwards.
const QPolygonF startMarkShape({ { 0, 0 }, { 3, 1.5 }, { 3, -1.5 } });
const QPolygonF endMarkShape({ { 0, 0 }, { -3, 1.5 }, { -3, -1.5 } });

} // namespace

RouletteGraphicsItem::RouletteGraphicsItem(QGraphicsItem *parent)
    : QGraphicsItemGroup(parent)
    , dimension(this, Qt::darkGreen, startMarkShape, endMarkShape)
{
    reset();
    setZValue(10);
}

void RouletteGraphicsItem::reset()
{
    start = QPointF();
    end = QPointF();
    setRouletteVisible(false);
}

void RouletteGraphicsItem::setRouletteVisible(bool visible)
{
    setVisible(visible);
    rouletteVisible = visible;
    updateParts();
    emit rouletteVisibled(visible);
}

void RouletteGraphicsItem::startEdit()
{
    reset();
    state = 1;
    setRouletteVisible(true);
    emit editing(true);
}

double RouletteGraphicsItem::length() const
{
    return QLineF(start, end).length();
}

QString RouletteGraphicsItem::text() const
{
    return dimension.label->toPlainText();
}

void RouletteGraphicsItem::updateParts()
{
    dimension.update(QLineF(start, end), 0, rouletteVisible);
}

QPointF RouletteGraphicsItem::pointerPos(QMouseEvent *event)
{
    QPointF pos = eventScenePos(this, event);
    emit nearPoint(pos);
    return pos;
}

bool RouletteGraphicsItem::viewMouseMove(QMouseEvent *event)
{
    const QPointF pos = pointerPos(event);
    if (state == 1)
        start = pos;
    if (state == 1 || state == 2)
        end = pos;
    updateParts();
    event->accept();
    return true;
}

bool RouletteGraphicsItem::viewMousePress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    event->accept();
    if (state == 1) {
        start = end = pointerPos(event);
        updateParts();
        state = 2;
    } else if (state == 2) {
        stopEdit();
    }
    return true;
}

bool RouletteGraphicsItem::viewMouseRelease(QMouseEvent *)
{
    return false;
}

void RouletteGraphicsItem::stopEdit()
{
    if (state == 0)
        return;
    state = 0;
    if (!(length() > 0))
        setRouletteVisible(false);
    emit editing(false);
}

QRectF RouletteGraphicsItem::boundingRect() const
{
    QRectF rect;
    for (const QGraphicsItem *part : { static_cast<const QGraphicsItem *>(dimension.line),
             static_cast<const QGraphicsItem *>(dimension.startHead),
             static_cast<const QGraphicsItem *>(dimension.endHead) })
        rect |= mapRectFromItem(part, part->boundingRect());
    return rect;
}
