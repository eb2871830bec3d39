#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/settingskeys.h"
#include "app/versioninfo.h"
#include "app/windowplacement.h"
#include "io/recoveryfile.h"
#include "scene/basegraphicsitem.h"
#include "scene/userprompts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

// The icons are compiled into the app library, a static library: its resources
// must be registered by hand, once. (Outside any namespace, as the resource
// compiler's function is.)
static void registerResources()
{
    static bool registered = false;
    if (!registered) {
        Q_INIT_RESOURCE(resources);
        registered = true;
    }
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , settings(nullptr)
    , printer(QPrinter::HighResolution)
    , shortcutCancel(QKeySequence(Qt::Key_Escape), this, SLOT(on_shortcutCancel()), nullptr,
          Qt::WindowShortcut)
    , shortcutDelete(QKeySequence(Qt::Key_Delete), this, SLOT(on_shortcutDelete()), nullptr,
          Qt::WindowShortcut)
    , userPrompts(std::make_unique<UserPrompts>())
{
    UserPrompts::setCurrent(userPrompts.get());
    registerResources();

    ui->setupUi(this);
    ui->sensorAnalysisType->setValueSilently(0);

    applicationPath = QCoreApplication::applicationFilePath();
    productName
        = fileVersionString(applicationPath, QStringLiteral("ProductName"), kVersionStringTable);
    internalName
        = fileVersionString(applicationPath, QStringLiteral("InternalName"), kVersionStringTable);
    productVersion
        = fileVersionString(applicationPath, QStringLiteral("ProductVersion"), kVersionStringTable);
    releaseYear
        = fileVersionString(applicationPath, QStringLiteral("ReleaseYear"), kVersionStringTable);
    companyName
        = fileVersionString(applicationPath, QStringLiteral("CompanyName"), kVersionStringTable);
    companyDomain
        = fileVersionString(applicationPath, QStringLiteral("CompanyDomain"), kVersionStringTable);
    setWindowTitle(QStringLiteral("[*]") + productName + QLatin1Char(' ') + internalName
        + QLatin1Char(' ') + companyName);

    settings = new QSettings(QString::fromUtf8(SettingsKeys::Organization),
        QString::fromUtf8(SettingsKeys::Application), this);
    dirOpen = settings->value(QString::fromUtf8(SettingsKeys::DirOpen)).toString();
    dirSave = settings->value(QString::fromUtf8(SettingsKeys::DirSave)).toString();
    lastFile = settings->value(QString::fromUtf8(SettingsKeys::LastFile)).toString();

    connect(this, &MainWindow::planImageVisibled, ui->planImageViewAction, &QAction::setChecked);

    labelX.setText(QStringLiteral("X:"));
    labelY.setText(QStringLiteral("Y:"));
    statusBar()->addWidget(&labelX);
    statusBar()->addWidget(&labelY);

    placeSidePanelInScrollArea();

    ui->objectGroup->show();
    ui->sensorGroup->show();
    ui->objectPanel->hide();
    ui->sensorPanel->hide();

    ui->graphicsView->setScene(&scene);
    setupPlanElements();
    setupDetectors();
    setupCoverage();
    setupHistory();
    setupRecentProjects();

    QTimer::singleShot(0, this, &MainWindow::startUp);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    stepPending = false;
    if (editingItem)
        editingItem->stopEdit();
    delete ui;
}

// The detector panel is taller than many screens; rather than stretching the window
// past the screen's edge, the side frame scrolls.
void MainWindow::placeSidePanelInScrollArea()
{
    const int index = ui->splitter->indexOf(ui->frame);
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("frameScrollArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Room for the frame beside the scroll bar, so that the bar covers none of its fields.
    scroll->setMinimumWidth(
        ui->frame->minimumWidth() + scroll->verticalScrollBar()->sizeHint().width());
    scroll->setSizePolicy(ui->frame->sizePolicy());
    ui->splitter->insertWidget(index, scroll);
    scroll->setWidget(ui->frame);
}

void MainWindow::placeOnScreen()
{
    const QByteArray geometry
        = settings->value(QString::fromUtf8(SettingsKeys::WindowGeometry)).toByteArray();
    // Qt moves a remembered geometry back onto the screen if the screens changed.
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            // The frame is not known before the window is shown; room for a
            // usual title bar and border.
            const QMargins frame(8, 32, 8, 8);
            setGeometry(firstWindowGeometry(size(), screen->availableGeometry(), frame));
        }
    }
    restoreState(settings->value(QString::fromUtf8(SettingsKeys::WindowState)).toByteArray());
}

void MainWindow::saveWindowPlacement()
{
    settings->setValue(QString::fromUtf8(SettingsKeys::WindowGeometry), saveGeometry());
    settings->setValue(QString::fromUtf8(SettingsKeys::WindowState), saveState());
}

void MainWindow::setPlanImageVisible(bool visible)
{
    planImage.setVisible(visible);
    emit planImageVisibled(planImage.isVisible());
}

void MainWindow::setPrompts(std::unique_ptr<UserPrompts> prompts)
{
    if (!prompts)
        prompts = std::make_unique<UserPrompts>();
    userPrompts = std::move(prompts);
    UserPrompts::setCurrent(userPrompts.get());
}
