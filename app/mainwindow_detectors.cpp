// Detectors on the plan: creation, snapping to surfaces, deletion, the ray and
// label switches and the detectors' share of obstacle, outline and scale changes.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/sensorlistmodel.h"
#include "io/projectlimits.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/geometry.h"
#include "scene/graphicslineitem.h"
#include "scene/graphicspolygonitem2.h"
#include "scene/userprompts.h"

#include <QGuiApplication>
#include <QItemSelectionModel>

#include <limits>

void MainWindow::setupDetectors()
{
    ui->sensorsList->setModel(&sensorModel);
    connect(ui->sensorsList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &MainWindow::on_sensor_selectionChange);
    // The shared ray point and label handle.
    SensorGraphicsItem2::rayPoint();
    SensorLabelGraphicsItem::resizeHandle();
}

void MainWindow::connectSensor(SensorGraphicsItem2 *detector)
{
    connect(detector, &SensorGraphicsItem2::editing, this, &MainWindow::on_sensor_editing);
    connect(detector, &SensorGraphicsItem2::changed, this, &MainWindow::on_sensor_changed);
    connect(detector, &SensorGraphicsItem2::nearPointVector, this, &MainWindow::on_nearPointVector);
    if (SensorLabelGraphicsItem *label = detector->label()) {
        connect(label, &SensorLabelGraphicsItem::changed, this, &MainWindow::on_label_changed);
        connect(label, &SensorLabelGraphicsItem::editing, this, &MainWindow::on_sensor_editing);
        connect(label, &SensorLabelGraphicsItem::labelScaleChanged, this,
            &MainWindow::on_labelScaleChanged);
    }
}

void MainWindow::on_sensorCreateAction_triggered(bool checked)
{
    stopEditing();
    const QString title = QStringLiteral("Извещатель");
    if (!checked || !requirePlanImageAndScale(title)) {
        ui->sensorCreateAction->setChecked(false);
        return;
    }
    if (!plan.hasPath() && objects.isEmpty()) {
        prompts()->information(this, title,
            QStringLiteral("Нет ни одной поверхности для размещения "
                           "извещателя.\nОбозначте контур плана или "
                           "поставьте препятствия"));
        ui->sensorCreateAction->setChecked(false);
        return;
    }
    if (sensors.size() >= ProjectLimits::maxDetectors) {
        prompts()->warning(this, title,
            QStringLiteral("В проекте уже %1 извещателей, больше файл проекта не вмещает.\n"
                           "Чтобы поставить новый извещатель, удалите один из прежних.")
                .arg(ProjectLimits::maxDetectors));
        ui->sensorCreateAction->setChecked(false);
        return;
    }
    auto *detector = new SensorGraphicsItem2(objects, &plan);
    scene.addItem(detector);
    connect(detector, &SensorGraphicsItem2::creating, ui->sensorCreateAction, &QAction::setChecked);
    connect(detector, &SensorGraphicsItem2::created, this, &MainWindow::on_sensor_created);
    connect(detector, &SensorGraphicsItem2::editing, this, &MainWindow::on_sensor_editing);
    connect(detector, &SensorGraphicsItem2::changed, this, &MainWindow::on_sensor_changed);
    connect(
        detector->label(), &SensorLabelGraphicsItem::changed, this, &MainWindow::on_label_changed);
    connect(detector, &SensorGraphicsItem2::nearPointVector, this, &MainWindow::on_nearPointVector);
    detector->startCreate();
    ui->sensorCreateAction->setChecked(true);
}

void MainWindow::on_sensor_created()
{
    auto *detector = qobject_cast<SensorGraphicsItem2 *>(sender());
    if (!detector)
        return;
    disconnect(
        detector, &SensorGraphicsItem2::creating, ui->sensorCreateAction, &QAction::setChecked);
    disconnect(detector, &SensorGraphicsItem2::created, this, &MainWindow::on_sensor_created);
    connect(
        detector->label(), &SensorLabelGraphicsItem::editing, this, &MainWindow::on_sensor_editing);
    connect(detector->label(), &SensorLabelGraphicsItem::labelScaleChanged, this,
        &MainWindow::on_labelScaleChanged);
    sensors.append(detector);
    sensorModel.reset();
    noteChange();
}

void MainWindow::on_sensor_editing(bool value)
{
    on_editing(value);
    auto *detector = qobject_cast<SensorGraphicsItem2 *>(sender());
    const int row = detector ? sensors.indexOf(detector) : -1;
    QItemSelectionModel *selection = ui->sensorsList->selectionModel();
    if (!selection)
        return;
    // A detector that stops editing leaves the list too, so that the panel never
    // stays open on a detector its fields no longer edit.
    const QModelIndexList rows = selection->selectedRows();
    for (const QModelIndex &index : rows) {
        if (index.row() != row || !value)
            selection->select(index, QItemSelectionModel::Deselect);
    }
    if (value && row >= 0)
        selection->select(sensorModel.index(row, 0), QItemSelectionModel::Select);
}

void MainWindow::on_nearPointVector(QPointF &pos, QGraphicsItem **item, int *section)
{
    const double infinity = std::numeric_limits<double>::infinity();
    QPointF best(infinity, infinity);
    const bool report = item && section;
    int edge = nearestPolygonPoint(plan.polygon(), pos, best);
    if (edge >= 0 && report) {
        *item = &plan;
        *section = edge;
    }
    for (ObjectGraphicsItem *obstacle : qAsConst(objects)) {
        edge = nearestPolygonPoint(obstacle->scenePolygon(), pos, best);
        if (edge >= 0 && report) {
            *item = obstacle;
            *section = edge;
        }
    }
    // With no surface at all the point stays where it is.
    if (!qIsInf(best.x()))
        pos = best;
}

void MainWindow::on_labelScaleChanged(double scale)
{
    if (!(QGuiApplication::keyboardModifiers() & Qt::ControlModifier))
        return;
    for (SensorGraphicsItem2 *detector : qAsConst(sensors))
        detector->setLabelScale(scale);
    noteChange();
}

void MainWindow::on_actionSensorRay_triggered(bool checked)
{
    SensorGraphicsItem2::showRay = checked;
    updateDetectors();
    updateSceneRectKeepingView();
}

void MainWindow::on_actionLabel_triggered(bool checked)
{
    SensorLabelGraphicsItem::showLabels = checked;
    updateLabels();
    updateSceneRectKeepingView();
}

void MainWindow::updateLabels()
{
    for (SensorGraphicsItem2 *detector : qAsConst(sensors))
        detector->updateLabelText();
}

void MainWindow::on_label_changed()
{
    noteChange();
}

bool MainWindow::confirmDetectorRemoval(
    const QGraphicsItem *surface, const QString &title, const QString &question)
{
    if (detectorsOn(surface) == 0)
        return true;
    return prompts()->question(this, title, question, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

int MainWindow::detectorsOn(const QGraphicsItem *surface) const
{
    int count = 0;
    for (SensorGraphicsItem2 *detector : sensors) {
        if (detector->surface() == surface)
            ++count;
    }
    return count;
}

void MainWindow::replaceDetectorsOn(const QGraphicsItem *surface)
{
    for (SensorGraphicsItem2 *detector : qAsConst(sensors)) {
        if (detector->surface() == surface)
            detector->replaceOnSurface();
    }
}

void MainWindow::removeSensor(SensorGraphicsItem2 *detector)
{
    if (editingItem
        && (editingItem == detector
            || editingItem == static_cast<BaseGraphicsItem *>(detector->label())))
        stopEditing();
    // An item that did not report the end of its editing must not stay behind.
    if (editingItem == detector
        || editingItem == static_cast<BaseGraphicsItem *>(detector->label()))
        editingItem = nullptr;
    sensors.removeAll(detector);
    if (detector->scene())
        detector->scene()->removeItem(detector);
    delete detector;
}

void MainWindow::deleteDetectorsOn(const QGraphicsItem *surface)
{
    const QList<SensorGraphicsItem2 *> all = sensors;
    bool removed = false;
    for (SensorGraphicsItem2 *detector : all) {
        if (detector->surface() == surface) {
            removeSensor(detector);
            removed = true;
        }
    }
    if (removed)
        sensorModel.reset();
}

bool MainWindow::deleteEditedSensor()
{
    SensorGraphicsItem2 *detector = SensorGraphicsItem2::editedSensor();
    if (!detector)
        return false;
    stopEditing();
    removeSensor(detector);
    sensorModel.reset();
    updateDetectors();
    noteChange();
    return true;
}

bool MainWindow::cancelSensorCreation()
{
    if (!ui->sensorCreateAction->isChecked())
        return false;
    auto *detector = dynamic_cast<SensorGraphicsItem2 *>(editingItem);
    if (!detector || detector->mode() != 1) {
        ui->sensorCreateAction->setChecked(false);
        return false;
    }
    stopEditing();
    if (editingItem == detector)
        editingItem = nullptr;
    // Never in the list yet: the detector is simply discarded.
    sensors.removeAll(detector);
    delete detector;
    ui->sensorCreateAction->setChecked(false);
    return true;
}

void MainWindow::rescaleDetectors(double s)
{
    for (SensorGraphicsItem2 *detector : qAsConst(sensors))
        detector->rescale(s);
}
