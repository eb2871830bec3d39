#pragma once

#include "detectors/coverage.h"

#include <QRectF>
#include <QString>

class ProjectDocument;
class QPainter;
class QPrinter;
struct CoverageSettings;

// A coverage figure as the program shows it: one decimal, a decimal comma,
// no grouping ("95,3").
QString coverageFigure(double value);

// While it lives the document's coverage map is shown or hidden as asked, the
// zones drawn at zoneOpacity under a shown map (0: only the map); afterwards
// the map and the zones are as they were.
class CoverageMapOnPage
{
public:
    CoverageMapOnPage(ProjectDocument &document, bool shown, double zoneOpacity = 0);
    ~CoverageMapOnPage();
    CoverageMapOnPage(const CoverageMapOnPage &) = delete;
    CoverageMapOnPage &operator=(const CoverageMapOnPage &) = delete;

    // The figures the map was drawn from.
    const Coverage &coverage() const { return m_coverage; }

private:
    ProjectDocument &m_document;
    bool m_wasShown;
    double m_wasZoneOpacity;
    Coverage m_coverage;
};

// The map's legend with the figures, in a white box: below the drawn plan
// when the printable area has room there, else to its right, else over the
// plan's lower right corner. Sizes are millimetres of the painter's device.
// Areas are in m² when squareMetres is set, otherwise only shares are given.
// Returns the box drawn (empty without figures).
QRectF paintCoverageLegend(QPainter *painter, const QRectF &printable, const QRectF &drawn,
    const Coverage &coverage, const CoverageSettings &settings, bool squareMetres);

// Paints the document's page into area of the painter's device as the PDF
// page below has it: the scene rectangle scaled to fit from the area's
// top-left corner, with coverageMap the map instead of the zones and the
// legend. The document's map and zones are left as they were. Returns the
// legend's box (empty without one).
QRectF paintProjectPage(
    ProjectDocument &document, QPainter *painter, const QRectF &area, bool coverageMap);

// Writes the document's PDF page as exportScenePdf does. With coverageMap the
// page shows the coverage map instead of the detectors' zones, with the legend
// and figures; without it the page is the plain one even while the window
// shows the map. The document's map and zones are left as they were.
bool exportProjectPdf(ProjectDocument &document, QPrinter *printer, const QString &path,
    bool coverageMap, QString *error = nullptr);
