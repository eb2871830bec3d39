#pragma once

#include <QByteArray>
#include <QPolygonF>
#include <QString>

class ProjectDocument;
struct CoverageSettings;

// Length of a closed polygon's boundary and its enclosed area (absolute).
double polygonPerimeter(const QPolygonF &polygon);
double polygonArea(const QPolygonF &polygon);

// A readable summary of a loaded project: the plan image, the scale, the
// outline, the coverage, the obstacles and the detectors. UTF-8.
QByteArray projectInfoText(const ProjectDocument &project, const QString &path);

// The same as one JSON object with every number at full double precision and
// every coordinate in the scene. UTF-8.
QByteArray projectInfoJson(const ProjectDocument &project);

// The version of the JSON above: 2 since it gives the coverage, the zones'
// pieces and the optical centres (the form without "formatVersion" is 1).
constexpr int kProjectInfoFormatVersion = 2;

// One line (UTF-8, ending in a line break) saying how the project's coverage
// stands against targets (their min1 and min2; showMap plays no part), for
// the check command. *met tells whether every target is met; a project
// without an outline meets none.
QByteArray coverageCheckLine(const ProjectDocument &project, const QString &path,
    const CoverageSettings &targets, bool *met);
