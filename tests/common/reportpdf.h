#pragma once

#include <QByteArray>
#include <QString>

// What a written PDF holds, read back through poppler's tools (poppler-utils),
// and projects for the design report's tests.
namespace ReportPdf {

// pdftotext's text of the whole document, or of one page (from 1): in the order
// it was drawn, or laid out as on the page (a table row on one line). Empty
// when the tool fails.
QString text(const QString &path, int page = 0, bool layout = false);
// The value pdfinfo gives for key ("Pages", "Page size"); empty when absent.
QString info(const QString &path, const QString &key);
// The fonts pdffonts lists, as "name embedded" lines; *allEmbedded tells
// whether there is at least one and every one is embedded.
QString fonts(const QString &path, bool *allEmbedded);
// The project at hallPath (examples/hall.prj) with copies of its first detector
// added, each further along its wall, until it has count detectors; the copies
// are tagged "Д-7", "Д-8", ….
QByteArray hallWithDetectors(const QString &hallPath, int count);

} // namespace ReportPdf
