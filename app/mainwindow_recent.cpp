// The start of the window, the recent projects and the recovery of a project
// that was not saved when the program ended without closing.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/backgroundwork.h"
#include "app/settingskeys.h"
#include "io/projectfile.h"
#include "io/recoveryfile.h"
#include "io/treefile.h"
#include "scene/userprompts.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>

namespace {

const char *const kRecoveryTitle = "Восстановление проекта";
// The entry of a recovery file that names the project's own file.
const char *const kOriginalKey = "Original";

QString originalPath(const QString &recoveryPath)
{
    TreeFile file(recoveryPath.toStdU16String());
    if (!file.load())
        return QString();
    const TreeNode *node = file.root().child(kOriginalKey);
    return node ? QString::fromStdString(node->value()) : QString();
}

} // namespace

void MainWindow::openAtStart(const QString &path)
{
    startFile = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

void MainWindow::startUp()
{
    showWelcomeDialog();
    offerRecovery();
    if (!startFile.isEmpty()) {
        const QString path = startFile;
        startFile.clear();
        if (maySaveChanges(QStringLiteral("Открытие проекта")))
            openProject(path);
    }
}

void MainWindow::setupRecentProjects()
{
    recentProjects = RecentProjects(
        settings->value(QString::fromUtf8(SettingsKeys::RecentProjects)).toStringList());
    ui->menuRecent->menuAction()->setObjectName(QStringLiteral("actionRecent"));
    ui->menuRecent->setToolTipsVisible(true);
    updateRecentMenu();

    recovery = std::make_unique<RecoveryFile>();
    autosaveTimer.setParent(this);
    autosaveTimer.setObjectName(QStringLiteral("autosaveTimer"));
    autosaveTimer.setInterval(autosaveInterval);
    connect(&autosaveTimer, &QTimer::timeout, this, &MainWindow::autosave);
    autosaveTimer.start();
}

void MainWindow::rememberRecentProject(const QString &path)
{
    recentProjects.add(path);
    settings->setValue(QString::fromUtf8(SettingsKeys::RecentProjects), recentProjects.paths());
    updateRecentMenu();
}

void MainWindow::updateRecentMenu()
{
    QMenu *menu = ui->menuRecent;
    menu->clear();
    for (const QString &path : recentProjects.paths()) {
        QAction *action = menu->addAction(QFileInfo(path).fileName());
        action->setToolTip(QDir::toNativeSeparators(path));
        connect(action, &QAction::triggered, this, [this, path] { openRecentProject(path); });
    }
    menu->addSeparator();
    QAction *clear = menu->addAction(QStringLiteral("Очистить список"));
    clear->setObjectName(QStringLiteral("actionClearRecent"));
    clear->setEnabled(!recentProjects.paths().isEmpty());
    connect(clear, &QAction::triggered, this, [this] {
        recentProjects.clear();
        settings->setValue(QString::fromUtf8(SettingsKeys::RecentProjects), recentProjects.paths());
        updateRecentMenu();
    });
}

void MainWindow::openRecentProject(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        prompts()->warning(this, QStringLiteral("Последние проекты"),
            QStringLiteral("Файл проекта %1 не найден. Он удалён из списка последних проектов.")
                .arg(QDir::toNativeSeparators(path)));
        recentProjects.remove(path);
        settings->setValue(QString::fromUtf8(SettingsKeys::RecentProjects), recentProjects.paths());
        updateRecentMenu();
        return;
    }
    if (maySaveChanges(QStringLiteral("Открытие проекта")))
        openProject(path);
}

void MainWindow::autosave()
{
    // Not while a save runs: it removes the recovery file when done.
    if (BackgroundWork::busy())
        return;
    if (!isWindowModified()) {
        recovery->remove();
        return;
    }
    const QString path = recovery->path();
    TreeFile file(path.toStdU16String());
    ProjectFile::writeProject(document.parts(), file.root());
    file.root().addChild(kOriginalKey).setText(projectPath.toStdString());
    // Written as a save is, the window waiting but responding.
    std::string why;
    if (path.isEmpty() || !BackgroundWork::run(this, [&file, &why] { return file.save(&why); }))
        statusBar()->showMessage(
            QStringLiteral("Не удалось записать копию проекта для восстановления."), 10000);
}

void MainWindow::offerRecovery()
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    for (const QString &path : RecoveryFile::orphans()) {
        const QString original = originalPath(path);
        const QString time
            = russian.toString(QFileInfo(path).lastModified(), QStringLiteral("dd.MM.yyyy HH:mm"));
        const QString what = original.isEmpty()
            ? QStringLiteral("в новом проекте")
            : QStringLiteral("в проекте %1").arg(QDir::toNativeSeparators(original));
        const int answer = prompts()->choose(this, QString::fromUtf8(kRecoveryTitle),
            QStringLiteral("Работа программы была прервана, когда %1 были несохранённые "
                           "изменения.\nКопия проекта записана %2. Восстановить проект из "
                           "неё или удалить копию?")
                .arg(what, time),
            { QStringLiteral("Восстановить"), QStringLiteral("Удалить") });
        if (answer == 1) {
            RecoveryFile::discard(path);
        } else if (answer == 0) {
            if (restoreRecovery(path))
                RecoveryFile::discard(path);
            return;
        }
    }
}

bool MainWindow::restoreRecovery(const QString &path)
{
    const QString original = originalPath(path);
    if (!loadProject(path))
        return false;
    projectPath = original;
    if (original.isEmpty()) {
        setWindowTitle(QStringLiteral("[*]") + productName + QLatin1Char(' ') + internalName
            + QLatin1Char(' ') + companyName);
    } else {
        setProjectTitle(original);
        lastFile = original;
    }
    // Not saved anywhere: modified until saved, and kept by this program from now on.
    document.history().clearClean();
    updateUndoActions();
    autosave();
    return true;
}
