#pragma once

#include <QByteArray>
#include <QPolygonF>
#include <QString>

class ProjectDocument;

// Length of a closed polygon's boundary and its enclosed area (absolute).
double polygonPerimeter(const QPolygonF &polygon);
double polygonArea(const QPolygonF &polygon);

// A readable summary of a loaded project: the plan image, the scale, the
// outline, the obstacles and the detectors. UTF-8.
QByteArray projectInfoText(const ProjectDocument &project, const QString &path);

// The same as one JSON object with every number at full double precision and
// every coordinate in the scene. UTF-8.
QByteArray projectInfoJson(const ProjectDocument &project);
