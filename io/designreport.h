#pragma once

#include <QPageSize>
#include <QString>

class ProjectDocument;

// The program as the report names it: the product name and version of the
// version record the executables carry ("Конфигуратор зон контроля ZIR
// Фаргос, версия 1.3").
QString designReportProgram();

// Writes the design report of the document to `path`, in Russian, on portrait
// pages of pageSize: the first page holds the title block (the project file's
// name from projectPath, or "без имени" when empty, the date, the program), the
// plan with the coverage map and its legend (the zones when there is no
// outline) and a scale bar in metres; the pages after it the coverage against
// the project's targets, the detector schedule (its header row repeated on every
// page it takes) and the obstacles, each page numbered "Лист N из M". Text is
// drawn as text with embedded fonts. The file is written through SaveFile: on
// failure nothing is left at `path` (an existing file stays as it was) and
// *error says why. The document's map and zones are left as they were.
bool exportDesignReport(ProjectDocument &document, const QString &projectPath, const QString &path,
    const QPageSize &pageSize = QPageSize(QPageSize::A4), QString *error = nullptr);
