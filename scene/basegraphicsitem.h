#pragma once

#include <QPointF>

class QEvent;
class QGraphicsItem;
class QGraphicsView;
class QMouseEvent;

// The editing interface of every plan element. While an element is being
// created or edited, the main window routes the plan view's raw mouse input to
// it; the events are the view's widget events, in view coordinates.
class BaseGraphicsItem
{
public:
    virtual ~BaseGraphicsItem();

    // Return false when the element does not take the press; the main window
    // then ends the element's editing step.
    virtual bool viewMousePress(QMouseEvent *event);
    virtual bool viewMouseMove(QMouseEvent *event);
    virtual bool viewMouseRelease(QMouseEvent *event);
    virtual void viewEnter(QEvent *event);
    virtual void viewLeave(QEvent *event);
    virtual void stopEdit() = 0;

    // The first view of the item's scene, or null.
    static QGraphicsView *firstView(const QGraphicsItem *item);
    // The view event's position, rounded to whole pixels, in scene coordinates
    // of the item's first view; without a view, the rounded position itself.
    static QPointF eventScenePos(const QGraphicsItem *item, const QMouseEvent *event);
};
