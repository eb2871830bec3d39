#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "detectors/zonegraphicsitem.h"
#include "io/projectlimits.h"
#include "plan/objectgraphicsitem.h"
#include "plan/planinput.h"
#include "scene/userprompts.h"

#include <QSignalBlocker>

void MainWindow::on_objectCreateAction_triggered(bool checked)
{
    createObstacle(ObjectGraphicsItem::Rect, ui->objectCreateAction, checked);
}

void MainWindow::on_ellipseCreateAction_triggered(bool checked)
{
    createObstacle(ObjectGraphicsItem::Ellipse, ui->ellipseCreateAction, checked);
}

void MainWindow::createObstacle(int kind, QAction *action, bool checked)
{
    stopEditing();
    if (!checked || !requirePlanImageAndScale(QStringLiteral("Препятствие"))) {
        action->setChecked(false);
        return;
    }
    if (objects.size() >= ProjectLimits::maxObstacles) {
        prompts()->warning(this, QStringLiteral("Препятствие"),
            QStringLiteral("В проекте уже %1 препятствий, больше файл проекта не вмещает.\n"
                           "Чтобы поставить новое препятствие, удалите одно из прежних.")
                .arg(ProjectLimits::maxObstacles));
        action->setChecked(false);
        return;
    }
    auto *object = new ObjectGraphicsItem(kind);
    scene.addItem(object);
    connect(object, SIGNAL(creating(bool)), action, SLOT(setChecked(bool)));
    if (kind == ObjectGraphicsItem::Rect)
        connect(object, SIGNAL(created()), this, SLOT(on_object_created()));
    else
        connect(object, SIGNAL(created()), this, SLOT(on_ellipse_created()));
    connect(object, SIGNAL(editing(bool)), this, SLOT(on_object_editing(bool)));
    connect(object, SIGNAL(nearPoint(QPointF &)), this, SLOT(on_nearPoint(QPointF &)));
    connect(object, SIGNAL(changed()), this, SLOT(on_object_changed()));
    creatingObstacle = object;
    object->startCreate();
}

void MainWindow::on_object_created()
{
    addCreatedObstacle(sender(), ui->objectCreateAction, SLOT(on_object_created()));
}

void MainWindow::on_ellipse_created()
{
    addCreatedObstacle(sender(), ui->ellipseCreateAction, SLOT(on_ellipse_created()));
}

void MainWindow::addCreatedObstacle(QObject *sender, QAction *action, const char *createdSlot)
{
    auto *object = qobject_cast<ObjectGraphicsItem *>(sender);
    if (!object)
        return;
    disconnect(object, SIGNAL(creating(bool)), action, SLOT(setChecked(bool)));
    disconnect(object, SIGNAL(created()), this, createdSlot);
    if (creatingObstacle == object)
        creatingObstacle = nullptr;
    objects.append(object);
    objectModel.reset();
    noteChange();
    updateDetectors();
}

void MainWindow::discardAbandonedObstacle()
{
    ObjectGraphicsItem *object = creatingObstacle;
    if (!object || object->isCreating())
        return;
    creatingObstacle = nullptr;
    if (objects.contains(object))
        return;
    scene.removeItem(object);
    delete object;
}

void MainWindow::on_object_editing(bool value)
{
    on_editing(value);
    // The zones stand as computed: the obstacle's footprint now is the one
    // its first edit starts from.
    if (value && ObjectGraphicsItem::selectedObstacle) {
        footprintObstacle = ObjectGraphicsItem::selectedObstacle;
        lastFootprint = footprintObstacle->mapToScene(footprintObstacle->polygon());
    }
    const int current = value ? objects.indexOf(ObjectGraphicsItem::selectedObstacle) : -1;
    QItemSelectionModel *selection = ui->objectsList->selectionModel();
    for (const QModelIndex &index : selection->selectedIndexes()) {
        if (index.row() != current)
            selection->select(index, QItemSelectionModel::Deselect);
    }
    if (value && current >= 0 && current < objects.size())
        selection->select(objectModel.index(current), QItemSelectionModel::Select);
}

void MainWindow::on_object_selectionChange(const QItemSelection &, const QItemSelection &)
{
    ui->objectGroup->show();
    ui->sensorGroup->show();
    ui->objectPanel->hide();
    QItemSelectionModel *selection = ui->objectsList->selectionModel();
    const QSignalBlocker blocker(selection);
    const QModelIndexList rows = selection->selectedIndexes();
    const int row = rows.size() == 1 ? rows.first().row() : -1;
    if (row >= 0 && row < objects.size()) {
        ObjectGraphicsItem *object = objects.at(row);
        if (object != ObjectGraphicsItem::selectedObstacle) {
            stopEditing();
            object->startEdit();
        }
        ui->objectPanel->show();
        ui->sensorGroup->hide();
        showObjectValues();
    } else {
        stopEditing();
    }
}

void MainWindow::showObjectValues()
{
    ObjectGraphicsItem *object = ObjectGraphicsItem::selectedObstacle;
    if (!object)
        return;
    ui->objectX->setValueSilently(object->pos().x());
    ui->objectY->setValueSilently(object->pos().y());
    ui->objectW->setValueSilently(object->size().width());
    ui->objectH->setValueSilently(object->size().height());
    objectModel.updateRow(object);
}

void MainWindow::on_object_valueChanged(double)
{
    if (ObjectGraphicsItem *object = ObjectGraphicsItem::selectedObstacle) {
        {
            // A left button held on a spin box arrow would otherwise count as a
            // drag of the body, and the obstacle would jump to the pointer.
            const QSignalBlocker blocker(object);
            object->setSize(QSizeF(ui->objectW->value(), ui->objectH->value()));
            object->setPos(ui->objectX->value(), ui->objectY->value());
        }
        object->refreshGeometry();
        if (auto *box = qobject_cast<DoubleSpinBoxChange *>(sender()))
            noteChange(
                box->objectName() + QLatin1Char(':') + QString::number(objects.indexOf(object)));
        on_object_changed();
        objectModel.updateRow(object);
    }
    if (auto *box = qobject_cast<DoubleSpinBoxChange *>(sender()))
        box->commit();
}

void MainWindow::on_object_changed()
{
    // A change the obstacle reports itself with the left button held is a step
    // of a drag on the plan (a typed value comes from the panel).
    ZoneGraphicsItem::setDragPainting(
        &scene, qobject_cast<ObjectGraphicsItem *>(sender()) && leftButtonHeld());
    noteChange();
    showObjectValues();
    // Detectors standing on the selected obstacle are placed on it again.
    if (ObjectGraphicsItem::selectedObstacle)
        replaceDetectorsOn(ObjectGraphicsItem::selectedObstacle);
    updateDetectorsAround(ObjectGraphicsItem::selectedObstacle);
}

void MainWindow::on_shortcutDelete()
{
    // Declining to delete an obstacle with its detectors ends the command.
    if (!deleteSelectedObstacle())
        return;
    // The edited detector, if any, is deleted as well.
    deleteEditedSensor();
}

bool MainWindow::deleteSelectedObstacle()
{
    QPointer<ObjectGraphicsItem> object = ObjectGraphicsItem::selectedObstacle;
    if (!object)
        return true;
    // Detectors standing on the obstacle: asked about, and removed with it.
    if (!confirmDetectorRemoval(object, QStringLiteral("Удаление препятствия"),
            QStringLiteral("Вместе с препятсивием будут удалены извещатели. Вы действительно "
                           "хотите удалить препятствие?")))
        return false;
    // Stopping discards an obstacle that was still being placed.
    stopEditing();
    if (object) {
        deleteDetectorsOn(object);
        objects.removeAll(object);
        scene.removeItem(object);
        delete object;
        objectModel.reset();
        noteChange();
    }
    ui->objectPanel->hide();
    ui->sensorGroup->show();
    updateDetectors();
    return true;
}
