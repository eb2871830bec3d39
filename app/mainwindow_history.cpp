// The undo history: changes become steps once complete; undo and redo put a
// recorded state of the project back.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "detectors/sensorgraphicsitem2.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/basegraphicsitem.h"

#include <QApplication>
#include <QEvent>
#include <QKeySequence>

void MainWindow::setupHistory()
{
    ui->actionUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    ui->actionRedo->setShortcuts(
        { QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) });
    qApp->installEventFilter(this);
    startNewHistory();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (stepPending && event->type() == QEvent::MouseButtonRelease)
        QTimer::singleShot(0, this, &MainWindow::commitPendingStep);
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::noteChange(const QString &mergeKey, const QString &name)
{
    setWindowModified(true);
    if (!stepPending) {
        stepPending = true;
        pendingMergeKey = mergeKey;
        pendingName = name;
        QTimer::singleShot(0, this, &MainWindow::commitPendingStep);
        return;
    }
    // A field edit also reports the detector's change: the field names the step.
    if (pendingMergeKey.isEmpty())
        pendingMergeKey = mergeKey;
    if (pendingName.isEmpty())
        pendingName = name;
}

QString MainWindow::detectorFieldKey(const char *field) const
{
    return QString::fromLatin1(field) + QLatin1Char(':')
        + QString::number(sensors.indexOf(SensorGraphicsItem2::editedSensor()));
}

void MainWindow::commitPendingStep()
{
    // A drag goes on: the release records it. An outline being traced or a scale
    // mark being drawn is recorded when it ends, as one step with what led to it.
    if (!stepPending || QGuiApplication::mouseButtons() != Qt::NoButton)
        return;
    if (editingItem
        && (editingItem == static_cast<BaseGraphicsItem *>(&plan)
            || editingItem == static_cast<BaseGraphicsItem *>(&caliber)))
        return;
    flushPendingStep();
}

void MainWindow::flushPendingStep()
{
    if (!stepPending)
        return;
    stepPending = false;
    document.recordStep(pendingMergeKey, pendingName);
    pendingMergeKey.clear();
    pendingName.clear();
    updateUndoActions();
}

void MainWindow::recordCoverageTargetsStep()
{
    // A run of edits of the targets is one step.
    noteChange(QStringLiteral("coverageTargets"), QStringLiteral("изменение целей покрытия"));
}

void MainWindow::updateUndoActions()
{
    const ProjectHistory &history = document.history();
    const QString undoText = history.undoText();
    const QString redoText = history.redoText();
    ui->actionUndo->setEnabled(history.canUndo());
    ui->actionRedo->setEnabled(history.canRedo());
    ui->actionUndo->setToolTip(undoText.isEmpty() ? QStringLiteral("Отменить")
                                                  : QStringLiteral("Отменить: %1").arg(undoText));
    ui->actionRedo->setToolTip(redoText.isEmpty() ? QStringLiteral("Повторить")
                                                  : QStringLiteral("Повторить: %1").arg(redoText));
    setWindowModified(!history.isClean());
}

void MainWindow::startNewHistory()
{
    stepPending = false;
    pendingMergeKey.clear();
    pendingName.clear();
    document.resetHistory();
    updateUndoActions();
}

ProjectLoadHooks MainWindow::projectHooks()
{
    ProjectLoadHooks hooks;
    hooks.aboutToReplace = [this] {
        endEditingForProject();
        ui->objectsList->clearSelection();
        ui->sensorsList->clearSelection();
    };
    hooks.obstacleLoaded = [this](ObjectGraphicsItem *obstacle) {
        connect(obstacle, SIGNAL(editing(bool)), this, SLOT(on_object_editing(bool)));
        connect(obstacle, SIGNAL(nearPoint(QPointF &)), this, SLOT(on_nearPoint(QPointF &)));
        connect(obstacle, SIGNAL(changed()), this, SLOT(on_object_changed()));
    };
    hooks.detectorLoaded = [this](SensorGraphicsItem2 *detector) { connectSensor(detector); };
    return hooks;
}

void MainWindow::stepBack(bool undo)
{
    // Ending an edit may finish a change: it is recorded before going back.
    endEditingForProject();
    flushPendingStep();
    const qint64 image = document.history().current().imageKey;
    const bool moved = undo ? document.undo(projectHooks()) : document.redo(projectHooks());
    // Restoring ends edits, which note no change of their own.
    stepPending = false;
    if (moved)
        showCoverageSettings();
    if (moved && document.history().current().imageKey != image) {
        emit planImageVisibled(planImage.isVisible());
        updateSceneRect();
    }
    updateUndoActions();
}

void MainWindow::on_actionUndo_triggered()
{
    stepBack(true);
}

void MainWindow::on_actionRedo_triggered()
{
    stepBack(false);
}
