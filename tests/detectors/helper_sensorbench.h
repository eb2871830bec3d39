#pragma once

#include "plan/objectgraphicsitem.h"

#include <QGraphicsScene>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointF>

class BaseGraphicsItem;
class PlanGraphicsItem;
class QMouseEvent;
class SensorGraphicsItem2;
class View;

// A shown plan view with an outline, obstacles and detectors, wired as the main
// window wires them: the element in editing mode gets the view's mouse input,
// detectors snap to the nearest surface edge. Mouse input goes through the
// window system (MouseInput).
class SensorBench : public QObject
{
    Q_OBJECT

public:
    // pixelsPerMetre: the view's zoom; the scene origin is at the view's centre.
    explicit SensorBench(double pixelsPerMetre = 20);
    ~SensorBench() override;

    ObjectGraphicsItem *addObstacle(
        const QPointF &centre, const QSizeF &size, int kind = ObjectGraphicsItem::Rect);
    // A detector mounted on section of surface at pos metres, fixed like a
    // created one (its label text shown).
    SensorGraphicsItem2 *addSensor(
        QGraphicsItem *surface, int section, double pos, bool atRight = false);
    // A detector that follows the pointer until a left click fixes it.
    SensorGraphicsItem2 *createSensor();

    QPoint viewPoint(const QPointF &scenePos) const;

    void moveTo(const QPoint &viewPos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void press(const QPoint &viewPos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void release(const QPoint &viewPos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void click(const QPoint &viewPos);
    // Press, move in steps and release with the left button.
    void drag(
        const QPoint &from, const QPoint &to, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void moveTo(const QPointF &scenePos) { moveTo(viewPoint(scenePos)); }
    void click(const QPointF &scenePos) { click(viewPoint(scenePos)); }
    void drag(const QPointF &from, const QPointF &to) { drag(viewPoint(from), viewPoint(to)); }

    QGraphicsScene scene;
    View *view;
    PlanGraphicsItem *plan;
    QList<ObjectGraphicsItem *> objects;
    QList<SensorGraphicsItem2 *> sensors;
    BaseGraphicsItem *editingItem = nullptr;
    int createdCount = 0;

public slots:
    void on_editing(bool value);
    void on_nearPointVector(QPointF &pos, QGraphicsItem **item, int *section);
    void on_sensor_created();

private:
    void connectSensor(SensorGraphicsItem2 *detector);
};
