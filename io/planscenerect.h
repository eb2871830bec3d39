#pragma once

#include <QList>
#include <QRectF>

class SensorGraphicsItem2;
struct ProjectParts;

// The detectors' share of the plan's rectangle: each detector's own item and
// its zone, with its ray when rays are shown and its label when labels are.
QRectF detectorsSceneRect(
    const QList<SensorGraphicsItem2 *> &detectors, bool showRays, bool showLabels);

// The union of the scene bounding rectangles of what the plan shows: the plan
// image and the outline when they are shown, the scale mark's extension and
// dimension lines when it is shown, every obstacle and the detectors' share.
QRectF planItemsRect(const ProjectParts &parts, bool showRays, bool showLabels);

// The scene rectangle of the whole-plan view: planItemsRect scaled by 1.1
// about the scene origin (both corners multiplied), so that the plan keeps a
// margin when it is centred on the origin.
QRectF planSceneRect(const ProjectParts &parts, bool showRays, bool showLabels);
