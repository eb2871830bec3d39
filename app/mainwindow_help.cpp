#include "app/mainwindow.h"

#include "app/aboutdialog.h"
#include "app/dialogwelcome.h"
#include "app/manualfile.h"
#include "app/settingskeys.h"
#include "scene/userprompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QUrl>

void MainWindow::showWelcomeDialog()
{
    const QString never = QString::fromUtf8(SettingsKeys::Never);
    if (settings->value(never, false).toBool())
        return;
    DialogWelcome dialog(this);
    prompts()->exec(&dialog);
    if (dialog.neverShowAgain())
        settings->setValue(never, true);
}

void MainWindow::on_actionAbout_triggered()
{
    AboutDialog dialog(this);
    prompts()->exec(&dialog);
}

void MainWindow::on_actionManual_triggered()
{
    // The desktop's handlers do not resolve relative file URLs, so every path is absolute.
    QString path = ManualFile::find(
        ManualFile::searchFolders(QDir::currentPath(), QCoreApplication::applicationDirPath()));
    if (path.isEmpty()) {
        if (!manualCopy)
            manualCopy = std::make_unique<QTemporaryDir>();
        if (manualCopy->isValid())
            path = ManualFile::extract(manualCopy->path());
    }
    // With no copy to be had, the desktop's handler reports the missing file.
    if (path.isEmpty())
        path = QDir::current().absoluteFilePath(ManualFile::fileName());
    prompts()->openUrl(QUrl::fromLocalFile(path));
}
