#include "helper_sensorbench.h"

#include "common/mouseinput.h"
#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/geometry.h"
#include "scene/view.h"

#include <QMouseEvent>
#include <QTest>

#include <limits>

SensorBench::SensorBench(double pixelsPerMetre)
    : view(new View)
    , plan(new PlanGraphicsItem)
{
    scene.setSceneRect(-2000, -2000, 4000, 4000);
    view->setScene(&scene);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setMouseTracking(true);
    view->resize(900, 700);
    view->scale(pixelsPerMetre, pixelsPerMetre);
    view->show();
    if (!QTest::qWaitForWindowExposed(view))
        qWarning("The plan view was not exposed");
    view->centerOn(0, 0);
    scene.addItem(plan);
    connect(view, &View::mousePress, this, [this](QMouseEvent *event) {
        event->setAccepted(false);
        if (editingItem && !editingItem->viewMousePress(event))
            editingItem->stopEdit();
    });
    connect(view, &View::mouseMove, this, [this](QMouseEvent *event) {
        event->setAccepted(false);
        if (editingItem)
            editingItem->viewMouseMove(event);
    });
    connect(view, &View::mouseRelease, this, [this](QMouseEvent *event) {
        event->setAccepted(false);
        if (editingItem)
            editingItem->viewMouseRelease(event);
    });
}

SensorBench::~SensorBench()
{
    if (editingItem)
        editingItem->stopEdit();
    qDeleteAll(sensors);
    qDeleteAll(objects);
    scene.removeItem(plan);
    delete plan;
    delete view;
}

ObjectGraphicsItem *SensorBench::addObstacle(const QPointF &centre, const QSizeF &size, int kind)
{
    auto *object = new ObjectGraphicsItem(kind);
    object->setGeometry(centre.x(), centre.y(), size.width(), size.height());
    scene.addItem(object);
    objects.append(object);
    return object;
}

void SensorBench::connectSensor(SensorGraphicsItem2 *detector)
{
    connect(detector, &SensorGraphicsItem2::editing, this, &SensorBench::on_editing);
    connect(
        detector, &SensorGraphicsItem2::nearPointVector, this, &SensorBench::on_nearPointVector);
    connect(detector->label(), &SensorLabelGraphicsItem::editing, this, &SensorBench::on_editing);
}

SensorGraphicsItem2 *SensorBench::addSensor(
    QGraphicsItem *surface, int section, double pos, bool atRight)
{
    auto *detector = new SensorGraphicsItem2(objects, plan);
    scene.addItem(detector);
    detector->setSurface(surface, section);
    detector->setPosition(pos, atRight);
    detector->setZValues();
    detector->updateZone();
    detector->updateLabelText();
    connectSensor(detector);
    sensors.append(detector);
    return detector;
}

SensorGraphicsItem2 *SensorBench::createSensor()
{
    if (editingItem)
        editingItem->stopEdit();
    auto *detector = new SensorGraphicsItem2(objects, plan);
    scene.addItem(detector);
    connectSensor(detector);
    connect(detector, &SensorGraphicsItem2::created, this, &SensorBench::on_sensor_created);
    detector->startCreate();
    return detector;
}

void SensorBench::on_editing(bool value)
{
    auto *item = dynamic_cast<BaseGraphicsItem *>(sender());
    if (editingItem && editingItem != item)
        editingItem->stopEdit();
    editingItem = value ? item : nullptr;
}

void SensorBench::on_nearPointVector(QPointF &pos, QGraphicsItem **item, int *section)
{
    const double infinity = std::numeric_limits<double>::infinity();
    QPointF best(infinity, infinity);
    int edge = nearestPolygonPoint(plan->polygon(), pos, best);
    if (edge >= 0 && item && section) {
        *item = plan;
        *section = edge;
    }
    for (ObjectGraphicsItem *object : qAsConst(objects)) {
        edge = nearestPolygonPoint(object->scenePolygon(), pos, best);
        if (edge >= 0 && item && section) {
            *item = object;
            *section = edge;
        }
    }
    if (!qIsInf(best.x()))
        pos = best;
}

void SensorBench::on_sensor_created()
{
    auto *detector = qobject_cast<SensorGraphicsItem2 *>(sender());
    disconnect(detector, &SensorGraphicsItem2::created, this, &SensorBench::on_sensor_created);
    sensors.append(detector);
    ++createdCount;
}

QPoint SensorBench::viewPoint(const QPointF &scenePos) const
{
    return view->mapFromScene(scenePos);
}

void SensorBench::moveTo(const QPoint &viewPos, Qt::KeyboardModifiers modifiers)
{
    MouseInput(view).moveTo(viewPos, modifiers);
}

void SensorBench::press(const QPoint &viewPos, Qt::KeyboardModifiers modifiers)
{
    MouseInput(view).press(viewPos, Qt::LeftButton, modifiers);
}

void SensorBench::release(const QPoint &viewPos, Qt::KeyboardModifiers modifiers)
{
    MouseInput(view).release(viewPos, Qt::LeftButton, modifiers);
}

void SensorBench::click(const QPoint &viewPos)
{
    MouseInput(view).click(viewPos);
}

void SensorBench::drag(const QPoint &from, const QPoint &to, Qt::KeyboardModifiers modifiers)
{
    MouseInput(view).drag(from, to, modifiers);
}
