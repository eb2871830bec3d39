#pragma once

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>
#include <QPrinter>
#include <QShortcut>
#include <QString>
#include <memory>

class BaseGraphicsItem;
class QSettings;
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

    // Shows or hides the plan image and reports the result with planImageVisibled.
    void setPlanImageVisible(bool visible);

    // Every modal question, message, file or input dialog of the window goes through here.
    UserPrompts *prompts() const { return userPrompts.get(); }
    void setPrompts(std::unique_ptr<UserPrompts> prompts);

signals:
    void planImageVisibled(bool value);

private slots:
    // Welcome notice, About box, manual (mainwindow_help.cpp)
    void showWelcomeDialog();
    void on_actionAbout_triggered();
    void on_actionManual_triggered();

    // Keyboard (mainwindow.cpp)
    void on_shortcutCancel();
    void on_shortcutDelete();

    // Plan image, scale mark, outline, tape and view input (mainwindow_plan.cpp)

    // Obstacles (mainwindow_obstacles.cpp)

    // Detectors (mainwindow_detectors.cpp)

    // Detector property panel (mainwindow_panel.cpp)

    // Project files (mainwindow_project.cpp)

    // Export (mainwindow_export.cpp)
    void on_actionExportPDF_triggered();
    void on_actionExportImage_triggered();

private:
    friend class AboutDialog;
    friend struct MainWindowPeek;

    // Export (mainwindow_export.cpp)
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

    // Scene and plan elements
    QGraphicsScene scene;
    QGraphicsPixmapItem planImage;
    BaseGraphicsItem *editingItem = nullptr;
    QPixmap planPixmap;

    // Detector property panel: the model code and noise-immunity flag it was last set up for
    char panelType = 0;
    char panelFlag = 0;

    std::unique_ptr<UserPrompts> userPrompts;
};
