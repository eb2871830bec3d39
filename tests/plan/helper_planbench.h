#pragma once

#include <QGraphicsScene>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointF>

class BaseGraphicsItem;
class CaliberGraphicsItem;
class ObjectGraphicsItem;
class PlanGraphicsItem;
class QEvent;
class QMouseEvent;
class RouletteGraphicsItem;
class View;

// A shown plan view with the permanent plan elements, wired the way the main
// window wires them: the element in editing mode gets the view's mouse input,
// at most one element edits at a time, and drawn points snap to the others.
// Mouse input goes through the window system (MouseInput).
class PlanBench : public QObject
{
    Q_OBJECT

public:
    PlanBench();
    ~PlanBench() override;

    // Creates an obstacle of the given kind and starts placing it; once placed
    // it joins objects.
    ObjectGraphicsItem *createObstacle(int kind);
    // An obstacle already placed at centre with the given size.
    ObjectGraphicsItem *addObstacle(int kind, const QPointF &centre, const QSizeF &size);

    QPoint viewPoint(const QPointF &scenePos) const;
    QPointF scenePoint(const QPoint &viewPos) const;

    // Mouse actions at viewport pixels, or at scene points.
    void moveTo(const QPoint &viewPos);
    void press(const QPoint &viewPos, Qt::MouseButton button = Qt::LeftButton);
    void release(const QPoint &viewPos, Qt::MouseButton button = Qt::LeftButton);
    void click(const QPoint &viewPos, Qt::MouseButton button = Qt::LeftButton);
    void moveTo(const QPointF &scenePos) { moveTo(viewPoint(scenePos)); }
    void click(const QPointF &scenePos) { click(viewPoint(scenePos)); }
    // Press, move in steps and release with the left button.
    void drag(const QPoint &from, const QPoint &to);

    QGraphicsScene scene;
    View *view;
    CaliberGraphicsItem *caliber;
    RouletteGraphicsItem *roulette;
    PlanGraphicsItem *plan;
    QList<ObjectGraphicsItem *> objects;
    BaseGraphicsItem *editingItem = nullptr;
    int createdCount = 0;
    int changedCount = 0;

public slots:
    void on_editing(bool value);
    void on_nearPoint(QPointF &pos);
    void on_object_created();
    void on_object_changed();
    void on_view_mousePress(QMouseEvent *event);
    void on_view_mouseMove(QMouseEvent *event);
    void on_view_mouseRelease(QMouseEvent *event);

private:
    void connectObstacle(ObjectGraphicsItem *object);
};
