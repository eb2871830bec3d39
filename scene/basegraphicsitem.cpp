#include "basegraphicsitem.h"

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMouseEvent>

BaseGraphicsItem::~BaseGraphicsItem() = default;

bool BaseGraphicsItem::viewMousePress(QMouseEvent *)
{
    return false;
}

bool BaseGraphicsItem::viewMouseMove(QMouseEvent *)
{
    return false;
}

bool BaseGraphicsItem::viewMouseRelease(QMouseEvent *)
{
    return false;
}

void BaseGraphicsItem::viewEnter(QEvent *)
{
}

void BaseGraphicsItem::viewLeave(QEvent *)
{
}

QGraphicsView *BaseGraphicsItem::firstView(const QGraphicsItem *item)
{
    if (!item || !item->scene())
        return nullptr;
    const QList<QGraphicsView *> views = item->scene()->views();
    return views.isEmpty() ? nullptr : views.first();
}

QPointF BaseGraphicsItem::eventScenePos(const QGraphicsItem *item, const QMouseEvent *event)
{
    const QPoint pos = event->localPos().toPoint();
    if (QGraphicsView *view = firstView(item))
        return view->mapToScene(pos);
    return pos;
}
