#include "app/mainwindow.h"

#include "app/settingskeys.h"
#include "io/dialogprint.h"
#include "io/pdfexport.h"
#include "io/sceneimage.h"
#include "scene/basegraphicsitem.h"
#include "scene/userprompts.h"

#include <QFileInfo>
#include <QSettings>

void MainWindow::rememberDirSave(const QString &filePath)
{
    dirSave = QFileInfo(filePath).absolutePath();
    settings->setValue(QString::fromUtf8(SettingsKeys::DirSave), dirSave);
}

void MainWindow::on_actionExportPDF_triggered()
{
    if (editingItem)
        editingItem->stopEdit();
    printer.setOutputFormat(QPrinter::PdfFormat);

    DialogPrint dialog(&printer);
    if (prompts()->exec(&dialog) != QDialog::Accepted)
        return;

    const QString path = prompts()->getSaveFileName(
        this, QStringLiteral("Сохранить в PDF"), dirSave, QStringLiteral("PDF Files (*.pdf)"));
    if (path.isEmpty())
        return;
    rememberDirSave(path);
    // A file that cannot be written gives no message.
    exportScenePdf(&scene, &printer, path);
}

void MainWindow::on_actionExportImage_triggered()
{
    const QString path = prompts()->getSaveFileName(this, QStringLiteral("Экспорт сцены"),
        QStringLiteral("scene_export.png"), QStringLiteral("Images (*.png *.jpg *.jpeg *.bmp)"));
    if (path.isEmpty())
        return;
    renderSceneImage(path);
}

bool MainWindow::renderSceneImage(const QString &path)
{
    return exportSceneImage(&scene, path);
}
