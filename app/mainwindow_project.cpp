#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/backgroundwork.h"
#include "app/settingskeys.h"
#include "detectors/sensorgraphicsitem2.h"
#include "io/fileproblem.h"
#include "io/projectfile.h"
#include "io/projectlimits.h"
#include "io/recoveryfile.h"
#include "scene/userprompts.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

constexpr bool sameText(const char *a, const char *b)
{
    return *a == *b && (*a == 0 || sameText(a + 1, b + 1));
}

// The mark in project files is the settings store's application name.
static_assert(sameText(ProjectFile::applicationMark, SettingsKeys::Application),
    "the project mark must be the application name");

const char *const kFilter = "Файлы проекта (*.prj)";
const char *const kSaveChanges = "Вы хотите сохранить изменения в текущем проекте?";

// Why a project could not be opened, where the system says more than that.
QString cannotOpenText(const QString &shown, FileProblem problem)
{
    QString reason;
    switch (problem) {
    case FileProblem::FolderNotReadable:
        reason = QStringLiteral("нет доступа к одной из папок на пути к нему");
        break;
    case FileProblem::LinkLoop:
        reason = QStringLiteral("символические ссылки на пути к нему образуют цикл");
        break;
    case FileProblem::NameTooLong:
        reason = QStringLiteral("слишком длинное имя");
        break;
    case FileProblem::NotReadable:
        reason = QStringLiteral("нет прав на его чтение");
        break;
    case FileProblem::IsFolder:
        reason = QStringLiteral("это папка, а не файл");
        break;
    case FileProblem::None:
    case FileProblem::Missing:
        return QStringLiteral("Не удалось открыть файл проекта %1.").arg(shown);
    }
    return QStringLiteral("Не удалось открыть файл проекта %1: %2.").arg(shown, reason);
}

// What a partly loaded project left out, one line each.
QStringList missingParts(const ProjectLoadResult &result)
{
    QStringList parts;
    if (result.imageTooLarge)
        parts << QStringLiteral("изображение плана слишком велико, оно не показано, "
                                "но сохранено в проекте без изменений;");
    else if (result.imageUnreadable)
        parts << QStringLiteral("изображение плана повреждено, оно не показано, "
                                "но сохранено в проекте без изменений;");
    if (result.outlineRejected)
        parts << QStringLiteral("контур плана повреждён;");
    if (result.obstaclesOverLimit > 0)
        parts << QStringLiteral("препятствий больше %1, остальные %2 не загружены;")
                     .arg(ProjectLimits::maxObstacles)
                     .arg(result.obstaclesOverLimit);
    if (result.detectorsOverLimit > 0)
        parts << QStringLiteral("извещателей больше %1, остальные %2 не загружены;")
                     .arg(ProjectLimits::maxDetectors)
                     .arg(result.detectorsOverLimit);
    return parts;
}

} // namespace

void MainWindow::setProjectTitle(const QString &path)
{
    setWindowTitle(path + QStringLiteral("[*] ") + productName + QLatin1Char(' ') + internalName
        + QLatin1Char(' ') + companyName);
}

void MainWindow::endEditingForProject()
{
    if (!cancelSensorCreation())
        stopEditing();
}

bool MainWindow::saveProject(const QString &path)
{
    flushPendingStep();
    // A large plan takes a while to reach the disk: the window waits for it
    // disabled but responding, and the project cannot change meanwhile.
    const auto inBackground
        = [this](const std::function<bool()> &write) { return BackgroundWork::run(this, write); };
    if (!document.save(path, inBackground)) {
        prompts()->critical(this, QStringLiteral("Сохранение проекта"),
            QStringLiteral("Не удалось сохранить проект в файл %1.\n"
                           "Файл, который там был, не изменён.")
                .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    projectPath = path;
    setProjectTitle(path);
    document.history().setClean();
    updateUndoActions();
    recovery->remove();
    rememberRecentProject(path);
    return true;
}

bool MainWindow::loadProject(const QString &path)
{
    const QString title = QStringLiteral("Открытие проекта");
    ProjectLoadHooks hooks = projectHooks();
    hooks.setPlanImage
        = [this](const QPixmap &image, QPointF centre) { setPlanImage(image, centre); };

    const ProjectLoadResult result = document.load(path, hooks);
    if (result.status == ProjectLoadResult::CannotOpen) {
        on_actionAllView_triggered();
        const QString shown = QDir::toNativeSeparators(path);
        prompts()->critical(this, title,
            result.fileTooLarge
                ? QStringLiteral("Файл %1 слишком велик для файла проекта, он не открыт.")
                      .arg(shown)
                : cannotOpenText(shown, readProblem(path)));
        return false;
    }
    if (result.status == ProjectLoadResult::WrongFormat) {
        prompts()->critical(this, title, QStringLiteral("Неверный формат файла проекта"));
        return false;
    }
    objectModel.reset();
    sensorModel.reset();
    showCoverageSettings();
    projectPath = path;
    setProjectTitle(path);
    startNewHistory();
    recovery->remove();
    on_actionAllView_triggered();

    if (result.lostSomething() || result.imageUnreadable) {
        QString text = QStringLiteral("Проект %1 загружен не полностью:\n%2")
                           .arg(QDir::toNativeSeparators(path),
                               missingParts(result).join(QLatin1Char('\n')));
        if (result.lostSomething())
            text += QStringLiteral("\nСохранение поверх этого файла удалит то, что не загружено.");
        prompts()->warning(this, title, text);
    }
    return true;
}

void MainWindow::on_actionNew_triggered()
{
    if (prompts()->question(this, QStringLiteral("Новый проект"),
            QStringLiteral("Очистить текущий проект и начать новый?"),
            QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    endEditingForProject();
    ui->sensorsList->clearSelection();
    ui->objectsList->clearSelection();
    document.clear();
    // The cleared project has no plan image.
    setPlanImageVisible(false);
    ui->actionRoulette->setChecked(false);
    showCoverageSettings();
    projectPath.clear();
    startNewHistory();
    recovery->remove();
}

void MainWindow::on_actionSave_triggered()
{
    endEditingForProject();
    const QString path = prompts()->getSaveFileName(
        this, QStringLiteral("Сохранить файл как"), lastFile, QString::fromUtf8(kFilter));
    if (path.isEmpty())
        return;
    rememberDirSave(path);
    lastFile = path;
    settings->setValue(QString::fromUtf8(SettingsKeys::LastFile), lastFile);
    saveProject(path);
}

bool MainWindow::maySaveChanges(const QString &title)
{
    flushPendingStep();
    if (!isWindowModified())
        return true;
    const QMessageBox::StandardButton answer = prompts()->question(this, title,
        QString::fromUtf8(kSaveChanges), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer != QMessageBox::Yes && answer != QMessageBox::No)
        return false;
    if (answer == QMessageBox::Yes) {
        on_actionSave_triggered();
        if (isWindowModified())
            return false;
    }
    return true;
}

bool MainWindow::openProject(const QString &path)
{
    endEditingForProject();
    // The folder is kept for this run only.
    dirSave = QFileInfo(path).absolutePath();
    lastFile = path;
    settings->setValue(QString::fromUtf8(SettingsKeys::LastFile), lastFile);
    if (!loadProject(path))
        return false;
    rememberRecentProject(path);
    return true;
}

void MainWindow::on_actionOpen_triggered()
{
    if (!maySaveChanges(QStringLiteral("Открытие проекта")))
        return;
    endEditingForProject();
    const QString path = prompts()->getOpenFileName(
        this, QStringLiteral("Открыть"), lastFile, QString::fromUtf8(kFilter));
    if (path.isEmpty())
        return;
    openProject(path);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Not while the project is being written.
    if (BackgroundWork::busy()) {
        event->ignore();
        return;
    }
    flushPendingStep();
    if (!isWindowModified()) {
        saveWindowPlacement();
        recovery->remove();
        event->accept();
        return;
    }
    const QMessageBox::StandardButton answer = prompts()->question(this,
        QStringLiteral("Выход из программы"), QString::fromUtf8(kSaveChanges),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes)
        on_actionSave_triggered();
    if (answer == QMessageBox::No || (answer == QMessageBox::Yes && !isWindowModified())) {
        saveWindowPlacement();
        recovery->remove();
        event->accept();
    } else
        event->ignore();
}
