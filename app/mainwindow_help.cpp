#include "app/mainwindow.h"

#include "app/aboutdialog.h"
#include "app/dialogwelcome.h"
#include "app/settingskeys.h"
#include "scene/userprompts.h"

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
    // The manual lies in the working directory. The desktop's handlers do not
    // resolve relative file URLs, so the path is made absolute here.
    const QString manual = QStringLiteral("Порядок работы.pdf");
    prompts()->openUrl(QUrl::fromLocalFile(QDir::current().absoluteFilePath(manual)));
}
