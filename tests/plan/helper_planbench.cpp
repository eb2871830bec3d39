#include "helper_planbench.h"

#include "common/mouseinput.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "plan/roulettegraphicsitem.h"
#include "scene/view.h"

#include <QMouseEvent>
#include <QTest>

#include <limits>

PlanBench::PlanBench()
    : view(new View)
    , caliber(new CaliberGraphicsItem)
    , roulette(new RouletteGraphicsItem)
    , plan(new PlanGraphicsItem)
{
    scene.setSceneRect(-2000, -2000, 4000, 4000);
    view->setScene(&scene);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setMouseTracking(true);
    view->resize(800, 600);
    view->show();
    if (!QTest::qWaitForWindowExposed(view))
        qWarning("The plan view was not exposed");
    view->centerOn(0, 0);
    ObjectGraphicsItem::initHandles();

    scene.addItem(caliber);
    scene.addItem(roulette);
    scene.addItem(plan);
    connect(caliber, &CaliberGraphicsItem::editing, this, &PlanBench::on_editing);
    connect(roulette, &RouletteGraphicsItem::editing, this, &PlanBench::on_editing);
    connect(plan, &PlanGraphicsItem::editing, this, &PlanBench::on_editing);
    connect(caliber, &CaliberGraphicsItem::nearPoint, this, &PlanBench::on_nearPoint);
    connect(roulette, &RouletteGraphicsItem::nearPoint, this, &PlanBench::on_nearPoint);
    connect(plan, &PlanGraphicsItem::nearPoint, this, &PlanBench::on_nearPoint);
    connect(view, &View::mousePress, this, &PlanBench::on_view_mousePress);
    connect(view, &View::mouseMove, this, &PlanBench::on_view_mouseMove);
    connect(view, &View::mouseRelease, this, &PlanBench::on_view_mouseRelease);
}

PlanBench::~PlanBench()
{
    if (editingItem)
        editingItem->stopEdit();
    scene.removeItem(caliber);
    scene.removeItem(roulette);
    scene.removeItem(plan);
    delete caliber;
    delete roulette;
    delete plan;
    delete view;
}

void PlanBench::connectObstacle(ObjectGraphicsItem *object)
{
    connect(object, &ObjectGraphicsItem::editing, this, &PlanBench::on_editing);
    connect(object, &ObjectGraphicsItem::nearPoint, this, &PlanBench::on_nearPoint);
    connect(object, &ObjectGraphicsItem::changed, this, &PlanBench::on_object_changed);
}

ObjectGraphicsItem *PlanBench::createObstacle(int kind)
{
    if (editingItem)
        editingItem->stopEdit();
    auto *object = new ObjectGraphicsItem(kind);
    scene.addItem(object);
    connectObstacle(object);
    connect(object, &ObjectGraphicsItem::created, this, &PlanBench::on_object_created);
    object->startCreate();
    return object;
}

ObjectGraphicsItem *PlanBench::addObstacle(int kind, const QPointF &centre, const QSizeF &size)
{
    auto *object = new ObjectGraphicsItem(kind);
    object->setGeometry(centre.x(), centre.y(), size.width(), size.height());
    scene.addItem(object);
    connectObstacle(object);
    objects.append(object);
    return object;
}

void PlanBench::on_editing(bool value)
{
    auto *item = dynamic_cast<BaseGraphicsItem *>(sender());
    if (editingItem && editingItem != item)
        editingItem->stopEdit();
    editingItem = value ? item : nullptr;
}

void PlanBench::on_nearPoint(QPointF &pos)
{
    unsigned best[2]
        = { std::numeric_limits<unsigned>::max(), std::numeric_limits<unsigned>::max() };
    pos = caliber->snapToAxis(pos, best);
    pos = plan->snapToVertices(pos, best);
    for (ObjectGraphicsItem *object : qAsConst(objects))
        pos = object->snapToCorners(pos, best);
}

void PlanBench::on_object_created()
{
    auto *object = qobject_cast<ObjectGraphicsItem *>(sender());
    disconnect(object, &ObjectGraphicsItem::created, this, &PlanBench::on_object_created);
    objects.append(object);
    ++createdCount;
}

void PlanBench::on_object_changed()
{
    ++changedCount;
}

void PlanBench::on_view_mousePress(QMouseEvent *event)
{
    event->setAccepted(false);
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    if (editingItem && !editingItem->viewMousePress(event))
        editingItem->stopEdit();
}

void PlanBench::on_view_mouseMove(QMouseEvent *event)
{
    event->setAccepted(false);
    if (editingItem)
        editingItem->viewMouseMove(event);
}

void PlanBench::on_view_mouseRelease(QMouseEvent *event)
{
    event->setAccepted(false);
    if (editingItem)
        editingItem->viewMouseRelease(event);
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)
        event->accept();
}

QPoint PlanBench::viewPoint(const QPointF &scenePos) const
{
    return view->mapFromScene(scenePos);
}

QPointF PlanBench::scenePoint(const QPoint &viewPos) const
{
    return view->mapToScene(viewPos);
}

void PlanBench::moveTo(const QPoint &viewPos)
{
    MouseInput(view).moveTo(viewPos);
}

void PlanBench::press(const QPoint &viewPos, Qt::MouseButton button)
{
    MouseInput(view).press(viewPos, button);
}

void PlanBench::release(const QPoint &viewPos, Qt::MouseButton button)
{
    MouseInput(view).release(viewPos, button);
}

void PlanBench::click(const QPoint &viewPos, Qt::MouseButton button)
{
    MouseInput(view).click(viewPos, button);
}

void PlanBench::drag(const QPoint &from, const QPoint &to)
{
    MouseInput(view).drag(from, to);
}
