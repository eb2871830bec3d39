#pragma once

#include "app/recentprojects.h"
#include "detectors/coverage.h"
#include "io/projectdocument.h"
#include "plan/objectgraphicsitem.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QItemSelection>
#include <QLabel>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QPrinter>
#include <QShortcut>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

class BaseGraphicsItem;
class QCloseEvent;
class QGraphicsItem;
class SensorGraphicsItem2;
class QAction;
class QEvent;
class QMouseEvent;
class QWheelEvent;
class QSettings;
class RecoveryFile;
class UserPrompts;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Size, place and toolbars as the user left them when the window was last
    // closed; the first time, the form's size fitted into the primary screen.
    // The program calls it once before showing the window.
    void placeOnScreen();

    // Shows or hides the plan image and reports the result with planImageVisibled.
    void setPlanImageVisible(bool visible);

    // Every modal question, message, file or input dialog of the window goes through here.
    UserPrompts *prompts() const { return userPrompts.get(); }
    void setPrompts(std::unique_ptr<UserPrompts> prompts);

    // Opens the project at path once the window has started: after the welcome
    // notice and the offer to restore an unsaved project (mainwindow_recent.cpp).
    void openAtStart(const QString &path);

    // For the coverage target panel: call once an edit of the coverage targets is
    // complete, and the change becomes one undo step "изменение целей покрытия"
    // (mainwindow_history.cpp). The targets must be in the project tree for undo
    // to restore them.
    void recordCoverageTargetsStep();

    // The interval of writing an unsaved project to its recovery file.
    static constexpr int autosaveInterval = 2 * 60 * 1000;

protected:
    // Mouse button releases end drags: a change noted during one becomes a step.
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Asks whether unsaved changes are to be saved first (mainwindow_project.cpp).
    void closeEvent(QCloseEvent *event) override;

signals:
    void planImageVisibled(bool value);

private slots:
    // Welcome notice, recovery offer, the project named on the command line
    // (mainwindow_recent.cpp)
    void startUp();
    // Writes the project to the recovery file while it is modified.
    void autosave();

    // Undo history (mainwindow_history.cpp)
    void on_actionUndo_triggered();
    void on_actionRedo_triggered();
    void commitPendingStep();

    // Welcome notice, About box, manual (mainwindow_help.cpp)
    void showWelcomeDialog();
    void on_actionAbout_triggered();
    void on_actionManual_triggered();

    // Keyboard: Escape (mainwindow_view.cpp), Delete (mainwindow_obstacles.cpp)
    void on_shortcutCancel();
    void on_shortcutDelete();

    // ---- Plan elements ----
    // Plan image, scale mark, outline, tape (mainwindow_plan.cpp)
    void on_planImageOpenAction_triggered();
    void on_planImageViewAction_triggered(bool checked);
    void on_caliberSetAction_triggered();
    void on_caliberViewAction_triggered(bool checked);
    void on_caliberSetted(double caliber);
    void on_planPathSetAction_triggered();
    void on_planPathClearAction_triggered();
    void on_planPathViewAction_triggered(bool checked);
    void on_actionRoulette_triggered(bool checked);

    // Editing mode, snapping, view input, zoom, Escape (mainwindow_view.cpp)
    void on_editing(bool value);
    void on_nearPoint(QPointF &pos);
    void on_graphicsView_mousePress(QMouseEvent *event);
    void on_graphicsView_mouseRelease(QMouseEvent *event);
    void on_graphicsView_mouseMove(QMouseEvent *event);
    void on_graphicsView_wheel(QWheelEvent *event);
    void on_graphicsView_enter(QEvent *event);
    void on_graphicsView_leave(QEvent *event);
    void on_actionAllView_triggered();

    // Obstacles (mainwindow_obstacles.cpp)
    void on_objectCreateAction_triggered(bool checked);
    void on_ellipseCreateAction_triggered(bool checked);
    void on_object_created();
    void on_ellipse_created();
    void on_object_editing(bool value);
    void on_object_changed();
    void on_object_selectionChange(
        const QItemSelection &selected, const QItemSelection &deselected);
    void on_object_valueChanged(double value);
    // ---- end of plan elements ----

    // ---- Detectors ----
    // Detectors (mainwindow_detectors.cpp)
    void on_sensorCreateAction_triggered(bool checked);
    void on_sensor_created();
    void on_sensor_editing(bool value);
    void on_nearPointVector(QPointF &pos, QGraphicsItem **item, int *section);
    void on_labelScaleChanged(double scale);
    void on_label_changed();
    void on_actionSensorRay_triggered(bool checked);
    void on_actionLabel_triggered(bool checked);
    void on_actionCoverageMap_triggered(bool checked);

    // Detector property panel (mainwindow_panel.cpp)
    void on_sensorPos_valueChanged(double value);
    void on_sensorAtRight_toggled(bool checked);
    void on_sensorHeight_valueChanged(double value);
    void on_sensorHeightSlider_valueChanged(int value);
    void on_sensorAngle_valueChanged(double value);
    void on_sensorAngleSlider_valueChanged(int value);
    void on_sensorTilt_valueChanged(double value);
    void on_sensorTiltSlider_valueChanged(int value);
    void on_sensorSensitivity_valueChanged(double value);
    void on_sensorSensitivitySlider_valueChanged(int value);
    void on_sensorSensitivityLen_valueChanged(int value);
    void on_sensorType_currentIndexChanged(int index);
    void on_sensorAnalysisType_currentIndexChanged(int index);
    void on_sensorIn1_currentIndexChanged(const QString &text);
    void on_sensorIn2_currentIndexChanged(const QString &text);
    void on_sensorInterface_currentIndexChanged(const QString &text);
    void on_sensorCertificate_currentIndexChanged(const QString &text);
    void on_sensorBody_currentIndexChanged(const QString &text);
    void on_sensorOptionHanger_toggled(bool checked);
    void on_sensorOptionRS1_toggled(bool checked);
    void on_sensorOptionRS2_toggled(bool checked);
    void on_sensorTag_textChanged(const QString &text);
    void on_sensor_changed();
    void on_sensor_selectionChange(
        const QItemSelection &selected, const QItemSelection &deselected);
    // ---- end of detectors ----

    // Project files (mainwindow_project.cpp)
    void on_actionNew_triggered();
    void on_actionOpen_triggered();
    void on_actionSave_triggered();

    // Export (mainwindow_export.cpp)
    void on_actionExportPDF_triggered();
    void on_actionExportCSV_triggered();
    void on_actionExportImage_triggered();

    // Design report (mainwindow_report.cpp)
    void on_actionExportReport_triggered();

private:
    friend class AboutDialog;
    friend struct MainWindowPeek;

    void placeSidePanelInScrollArea();
    void saveWindowPlacement();

    // ---- Plan elements ----
    // mainwindow_plan.cpp
    // Construction: the plan elements join the scene and their signals the window.
    void setupPlanElements();
    bool hasPlanImage() const;
    bool hasScale() const;
    void setPlanImage(const QPixmap &image, QPointF centre);
    // Reads an image file for the plan; on failure says why and returns a null pixmap.
    QPixmap readPlanImage(const QString &path);
    // Reads a page of a PDF drawing for the plan, chosen in the import dialog; on
    // failure says why. A null pixmap when cancelled or failed. *metresPerPixel
    // is the floor size of one pixel when the user gave the drawing's scale, else 0.
    QPixmap readPdfPlan(const QString &path, double *metresPerPixel);
    // Lays the scale mark along a round length near the bottom-left corner of the
    // plan image and calibrates the plan with it, as on a dimension line.
    void calibrateFromDrawingScale(double metresPerPixel);
    // The two questions of the commands that need an image and a scale; Yes starts
    // what is missing. True when both are there.
    bool requirePlanImage(const QString &title);
    bool requirePlanImageAndScale(const QString &title);
    // Asks every detector to recompute its zone (none yet).
    void updateDetectors();
    // After an edit of the obstacle: recomputes only the zones its footprint
    // before or after the edit can reach, once the footprint the zones were
    // last computed with is known (every zone otherwise).
    void updateDetectorsAround(ObjectGraphicsItem *object);
    // mainwindow_view.cpp
    // Ends the editing step of the element in editing mode, if any.
    void stopEditing();
    void updateSceneRect();
    // As updateSceneRect, with the part of the plan on screen kept in place.
    void updateSceneRectKeepingView();
    QRectF visibleSceneRect() const;
    // The view stops following the scene's growth while elements are added.
    void holdViewStill();
    // mainwindow_obstacles.cpp
    void createObstacle(int kind, QAction *action, bool checked);
    void addCreatedObstacle(QObject *sender, QAction *action, const char *createdSlot);
    // An obstacle whose placing ended without a click never joins the plan.
    void discardAbandonedObstacle();
    void showObjectValues();
    // False when the user declined to delete the obstacle with its detectors.
    bool deleteSelectedObstacle();
    // ---- end of plan elements ----

    // ---- Detectors ----
    friend struct SensorWindowPeek;
    // mainwindow_detectors.cpp
    // Construction: the detector list, and the shared ray point and label handle.
    void setupDetectors();
    // The wiring of a detector that is on the plan (created or loaded).
    void connectSensor(SensorGraphicsItem2 *detector);
    void updateLabels();
    int detectorsOn(const QGraphicsItem *surface) const;
    // Asks whether the detectors on surface may go with it; true when there are none.
    bool confirmDetectorRemoval(
        const QGraphicsItem *surface, const QString &title, const QString &question);
    // After the surface moved or changed size: its detectors keep their distances.
    void replaceDetectorsOn(const QGraphicsItem *surface);
    void deleteDetectorsOn(const QGraphicsItem *surface);
    void removeSensor(SensorGraphicsItem2 *detector);
    // Delete: the edited detector leaves the plan. False when there is none.
    bool deleteEditedSensor();
    // Escape while a detector is being placed: it is discarded. False otherwise.
    bool cancelSensorCreation();
    // Calibration: the plan was scaled by s about the origin.
    void rescaleDetectors(double s);
    // mainwindow_panel.cpp
    void showSensorValues();
    void showSensorPicture(SensorGraphicsItem2 *detector);
    int sensitivityToDistance(double sensitivity) const;
    void configureSensorPanel(char type, int analysis, bool noiseImmunity, int sensitivity);
    void refreshEditedSensor(SensorGraphicsItem2 *detector, bool zone, bool row);
    // ---- end of detectors ----

    // Coverage (mainwindow_coverage.cpp)
    void setupCoverage();
    // Asks for the figures and the map to be brought up to date once control
    // returns to the event loop; many requests in one pass make one update.
    void requestCoverageUpdate();
    // Recomputes when the outline, an obstacle or a zone changed since the
    // last time, or always when forced.
    void updateCoverage(bool force);
    // The targets and the map switch from the document (after New and Open).
    void showCoverageSettings();
    void showCoverageFigures();
    void showSensorCoverage();
    // Undo history (mainwindow_history.cpp)
    void setupHistory();
    // The project changed: the change becomes an undo step once it is complete, in
    // the next turn of the event loop and not before the mouse buttons are up, so
    // that a drag is one step. Changes of one field (mergeKey, with the edited
    // element) in a row make one step; name, when given, names the step.
    void noteChange(const QString &mergeKey = QString(), const QString &name = QString());
    // The merge key of a detector panel field for the edited detector.
    QString detectorFieldKey(const char *field) const;
    // Records a noted change now.
    void flushPendingStep();
    // The undo and redo commands and the modified mark after the history changed.
    void updateUndoActions();
    void stepBack(bool undo);
    // A new history from the project as it is now, clean.
    void startNewHistory();
    // The calls into the window while a project or an undo state replaces the current one.
    ProjectLoadHooks projectHooks();

    // Recent projects, recovery (mainwindow_recent.cpp)
    void setupRecentProjects();
    void rememberRecentProject(const QString &path);
    void updateRecentMenu();
    void openRecentProject(const QString &path);
    void offerRecovery();
    bool restoreRecovery(const QString &path);

    // Project files (mainwindow_project.cpp)
    // With unsaved changes asks whether to save them first; false when the user
    // cancelled or the save failed.
    bool maySaveChanges(const QString &title);
    // Opens path as the open command does once the file is chosen.
    bool openProject(const QString &path);
    // Writes the project to path; on failure says so, and the window stays modified.
    bool saveProject(const QString &path);
    // Replaces the project by the one in path; a file that cannot be opened or is
    // not a project is reported and changes nothing.
    bool loadProject(const QString &path);
    void setProjectTitle(const QString &path);
    // Ends editing; a detector still being placed is discarded.
    void endEditingForProject();

    // Export (mainwindow_export.cpp)
    // Writes the detector table of `sensors`; false when the file could not be written.
    bool writeDetectorTable(const QString &path);
    bool renderSceneImage(const QString &path);
    // dirSave becomes the folder of filePath, also in the settings.
    void rememberDirSave(const QString &filePath);

    // Version record
    QString applicationPath;
    QString productName;
    QString internalName;
    QString productVersion;
    QString releaseYear;
    QString companyName;
    QString companyDomain;

    // Form, settings, printer
    Ui::MainWindow *ui;
    QSettings *settings;
    QPrinter printer;
    QString dirOpen;
    QString dirSave;
    QString lastFile;

    // Status bar and keyboard
    QLabel labelX;
    QLabel labelY;
    QShortcut shortcutCancel;
    QShortcut shortcutDelete;

    // Panning the view with the right or the middle button
    bool panning = false;
    int panAnchorX = 0;
    int panAnchorY = 0;

    // The project: scene, plan elements, obstacles and detectors. The names
    // below refer into it.
    ProjectDocument document;

    // Scene and plan elements
    QGraphicsScene &scene = document.scene();
    QGraphicsPixmapItem &planImage = document.planImage();
    CaliberGraphicsItem &caliber = document.caliber();
    RouletteGraphicsItem &roulette = document.roulette();
    PlanGraphicsItem &plan = document.plan();
    QList<ObjectGraphicsItem *> &objects = document.objects();
    BaseGraphicsItem *editingItem = nullptr;
    ObjectListModel &objectModel = document.objectModel();
    // The obstacle being placed, until it is placed or discarded.
    QPointer<ObjectGraphicsItem> creatingObstacle;
    // The obstacle last edited, and its footprint in the scene as every zone
    // has last been computed with it.
    QPointer<ObjectGraphicsItem> footprintObstacle;
    QPolygonF lastFootprint;
    QPixmap &planPixmap = document.planPixmap();

    // Detector property panel: the model code and noise-immunity flag it was last set up for
    char panelType = 0;
    char panelFlag = 0;

    // ---- Detectors ----
    // The detectors in creation order; the scene owns them.
    QList<SensorGraphicsItem2 *> &sensors = document.sensors();
    SensorListModel &sensorModel = document.sensorModel();
    // ---- end of detectors ----

    // The coverage last computed and what it was computed from.
    Coverage coverage;
    ProjectDocument::CoverageInput coverageInputShown;
    QTimer coverageTimer;
    // Undo history: a change noted and not yet recorded
    bool stepPending = false;
    QString pendingMergeKey;
    QString pendingName;

    // The file the project was last opened from or saved to; empty for a new one.
    QString projectPath;
    RecentProjects recentProjects;
    QString startFile;
    QTimer autosaveTimer;
    std::unique_ptr<RecoveryFile> recovery;

    std::unique_ptr<UserPrompts> userPrompts;
    // Holds the manual taken out of the resources while the window lives, when no copy
    // lies in the working folder or the installation.
    std::unique_ptr<QTemporaryDir> manualCopy;
};
