#pragma once

#include <QPolygonF>
#include <QVector>

// How well the detectors see the floor.
//
// All polygons are in scene coordinates; areas come out in square scene units,
// which are square metres once the plan's scale is set (calibration rescales
// the whole scene so that one unit is one metre).
struct Coverage
{
    struct Detector
    {
        double zoneArea = 0; // floor inside the detector's zone
        double onlyArea = 0; // floor no other detector sees
    };

    // False without an outline: then there is no floor and no figure below
    // means anything.
    bool valid = false;
    double floorArea = 0; // inside the outline, outside every obstacle
    double unseenArea = 0; // seen by no detector
    double onceArea = 0; // by exactly one
    double twiceArea = 0; // by at least two
    double thriceArea = 0; // by at least three
    QVector<Detector> detectors; // in the order of the zones given

    // The floor by how many detectors see it, as rings in scene coordinates to
    // be filled together by the odd-even rule (holes are rings of their own).
    // Filled only when computeCoverage is asked for the map.
    struct Map
    {
        QVector<QPolygonF> unseen;
        QVector<QPolygonF> once;
        QVector<QPolygonF> twiceOrMore;
    };
    Map map;

    // A part of the floor area, 0 … 1; 0 when the floor has no area.
    double share(double area) const { return floorArea > 0 ? area / floorArea : 0; }
};

// zones: for each detector the pieces of its zone, each piece closed, a point
// lying in the zone when it is inside an odd number of the detector's pieces
// (as SensorZone::pieces, mapped to the scene). The outline and each obstacle
// are filled by the even-odd rule as drawn; overlapping obstacles hide their
// common floor once. viewpoints, when given, holds for each zone the point it
// is seen from (the detector's eye): the obstacles a zone cannot meet from
// there are then passed over at once. The figures are the same to the bit
// from any viewpoint or none; the eye gives them fastest.
Coverage computeCoverage(const QPolygonF &outline, const QVector<QPolygonF> &obstacles,
    const QVector<QVector<QPolygonF>> &zones, bool withMap = false,
    const QVector<QPointF> &viewpoints = {});
