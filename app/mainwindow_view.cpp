#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "detectors/zonegraphicsitem.h"
#include "scene/basegraphicsitem.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <limits>

namespace {

constexpr double kZoomStep = 1.15;
constexpr double kMaxZoom = 1000;

bool isPanButton(Qt::MouseButton button)
{
    return button == Qt::RightButton || button == Qt::MiddleButton;
}

// Sets a scroll bar's value, widening its range when the value lies outside.
void scrollTo(QScrollBar *bar, int value)
{
    if (value < bar->minimum())
        bar->setMinimum(value);
    if (value > bar->maximum())
        bar->setMaximum(value);
    bar->setValue(value);
}

} // namespace

void MainWindow::stopEditing()
{
    ZoneGraphicsItem::setDragPainting(&scene, false);
    const bool measuring = editingItem == &roulette && roulette.isPlacing();
    if (editingItem)
        editingItem->stopEdit();
    discardAbandonedObstacle();
    // A tape abandoned half-way measures nothing: its command ends with it.
    if (measuring) {
        ui->actionRoulette->setChecked(false);
        roulette.setRouletteVisible(false);
    }
}

void MainWindow::on_editing(bool value)
{
    auto *item = dynamic_cast<BaseGraphicsItem *>(sender());
    if (editingItem && editingItem != item)
        editingItem->stopEdit();
    editingItem = value ? item : nullptr;
    if (value)
        discardAbandonedObstacle();
    else
        noteChange();
}

void MainWindow::on_nearPoint(QPointF &pos)
{
    unsigned best[2]
        = { std::numeric_limits<unsigned>::max(), std::numeric_limits<unsigned>::max() };
    pos = caliber.snapToAxis(pos, best);
    pos = plan.snapToVertices(pos, best);
    for (ObjectGraphicsItem *object : qAsConst(objects))
        pos = object->snapToCorners(pos, best);
}

void MainWindow::on_graphicsView_mousePress(QMouseEvent *event)
{
    event->setAccepted(false);
    if (isPanButton(event->button())) {
        panning = true;
        panAnchorX = ui->graphicsView->horizontalScrollBar()->value() + event->pos().x();
        panAnchorY = ui->graphicsView->verticalScrollBar()->value() + event->pos().y();
        event->accept();
        return;
    }
    if (editingItem && !editingItem->viewMousePress(event))
        stopEditing();
}

void MainWindow::on_graphicsView_mouseMove(QMouseEvent *event)
{
    event->setAccepted(false);
    const QPointF pos = ui->graphicsView->mapToScene(event->pos());
    labelX.setText(QStringLiteral("X:") + QString::number(pos.x(), 'g', 6));
    labelY.setText(QStringLiteral("Y:") + QString::number(pos.y(), 'g', 6));
    if (panning) {
        scrollTo(ui->graphicsView->horizontalScrollBar(), panAnchorX - event->pos().x());
        scrollTo(ui->graphicsView->verticalScrollBar(), panAnchorY - event->pos().y());
        event->accept();
    }
    if (editingItem)
        editingItem->viewMouseMove(event);
}

void MainWindow::on_graphicsView_mouseRelease(QMouseEvent *event)
{
    event->setAccepted(false);
    if (event->button() == Qt::LeftButton)
        ZoneGraphicsItem::setDragPainting(&scene, false);
    if (editingItem)
        editingItem->viewMouseRelease(event);
    if (isPanButton(event->button())) {
        panning = false;
        event->accept();
    }
}

void MainWindow::on_graphicsView_enter(QEvent *event)
{
    event->setAccepted(false);
    if (editingItem)
        editingItem->viewEnter(event);
}

void MainWindow::on_graphicsView_leave(QEvent *event)
{
    event->setAccepted(false);
    if (editingItem)
        editingItem->viewLeave(event);
}

void MainWindow::on_graphicsView_wheel(QWheelEvent *event)
{
    View *view = ui->graphicsView;
    view->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    const int delta = event->angleDelta().y();
    if (delta > 0) {
        if (view->transform().m11() < kMaxZoom)
            view->scale(kZoomStep, kZoomStep);
    } else if (delta < 0) {
        const QScrollBar *h = view->horizontalScrollBar();
        const QScrollBar *v = view->verticalScrollBar();
        if (h->minimum() == h->maximum() && v->minimum() == v->maximum())
            updateSceneRect();
        else
            view->scale(1 / kZoomStep, 1 / kZoomStep);
    }
    event->accept();
}

void MainWindow::updateSceneRect()
{
    document.updateSceneRect();
}

QRectF MainWindow::visibleSceneRect() const
{
    const View *view = ui->graphicsView;
    return view->mapToScene(view->viewport()->rect()).boundingRect();
}

void MainWindow::holdViewStill()
{
    // Without a scene rectangle of its own the scene's grows with every item
    // added, and the view re-centres on it.
    scene.setSceneRect(scene.sceneRect() | visibleSceneRect());
}

void MainWindow::updateSceneRectKeepingView()
{
    View *view = ui->graphicsView;
    const QPointF corner = view->mapToScene(QPoint(0, 0));
    updateSceneRect();
    // The part of the plan on screen stays part of the scene, so that the
    // scroll bars can keep it where it was.
    scene.setSceneRect(scene.sceneRect() | visibleSceneRect());
    const QPoint shift = view->mapFromScene(corner);
    QScrollBar *h = view->horizontalScrollBar();
    QScrollBar *v = view->verticalScrollBar();
    scrollTo(h, h->value() + shift.x());
    scrollTo(v, v->value() + shift.y());
}

void MainWindow::on_actionAllView_triggered()
{
    updateSceneRect();
    ui->graphicsView->fitInView(scene.sceneRect(), Qt::KeepAspectRatio);
}

void MainWindow::on_shortcutCancel()
{
    ZoneGraphicsItem::setDragPainting(&scene, false);
    if (!editingItem)
        return;
    if (ui->objectCreateAction->isChecked() || ui->ellipseCreateAction->isChecked()
        || ui->sensorCreateAction->isChecked()) {
        // A half-placed obstacle is dropped by stopEditing(), a half-placed
        // detector by cancelSensorCreation().
        if (!cancelSensorCreation())
            stopEditing();
    } else if (ui->caliberSetAction->isChecked()) {
        stopEditing();
        ui->caliberSetAction->setChecked(false);
    } else if (ui->actionRoulette->isChecked()) {
        stopEditing();
    }
    if (editingItem)
        editingItem->stopEdit();
}
