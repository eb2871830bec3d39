#include "app/mainwindow.h"

#include "app/settingskeys.h"
#include "detectors/sensorgraphicsitem2.h"
#include "io/coveragepage.h"
#include "io/detectortable.h"
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
    updateSceneRect();
    printer.setOutputFormat(QPrinter::PdfFormat);

    DialogPrint dialog(&printer);
    const bool hasOutline = plan.hasPath();
    dialog.setCoverageMapAvailable(hasOutline);
    dialog.setCoverageMap(hasOutline && document.coverageMapShown());
    if (prompts()->exec(&dialog) != QDialog::Accepted)
        return;

    const QString path = prompts()->getSaveFileName(
        this, QStringLiteral("Сохранить в PDF"), dirSave, QStringLiteral("PDF Files (*.pdf)"));
    if (path.isEmpty())
        return;
    rememberDirSave(path);
    // A file that cannot be written gives no message.
    exportProjectPdf(document, &printer, path, dialog.coverageMap());
}

void MainWindow::on_actionExportCSV_triggered()
{
    QString path = prompts()->getSaveFileName(this, QStringLiteral("Сохранение данных"), dirSave,
        QStringLiteral("Экспорт таблицы (*csv)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        path += QLatin1String(".csv");
    rememberDirSave(path);
    // A file that cannot be created gives no message.
    writeDetectorTable(path);
}

bool MainWindow::writeDetectorTable(const QString &path)
{
    QVector<DetectorTableRow> rows;
    rows.reserve(sensors.size());
    for (const SensorGraphicsItem2 *sensor : qAsConst(sensors))
        rows << detectorTableRow(sensor->record());
    return writeDetectorTableFile(path, rows);
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
