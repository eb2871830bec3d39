// The design report: Файл → Отчёт в PDF… writes the report the command-line
// tool's export-report writes for the same project.
#include "app/mainwindow.h"

#include "io/designreport.h"
#include "scene/basegraphicsitem.h"
#include "scene/userprompts.h"

#include <QDir>
#include <QFileInfo>

void MainWindow::on_actionExportReport_triggered()
{
    if (editingItem)
        editingItem->stopEdit();
    updateSceneRect();

    const QString title = QStringLiteral("Отчёт в PDF");
    QString path
        = prompts()->getSaveFileName(this, title, dirSave, QStringLiteral("PDF Files (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1String(".pdf");
    rememberDirSave(path);
    if (!exportDesignReport(document, projectPath, path))
        prompts()->critical(this, title,
            QStringLiteral("Не удалось записать отчёт в файл %1.\n"
                           "Файл, который там был, не изменён.")
                .arg(QDir::toNativeSeparators(path)));
}
