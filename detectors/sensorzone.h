#pragma once

#include "detectors/sensorcatalogue.h"

#include <QLineF>
#include <QPointF>
#include <QPolygonF>
#include <QTransform>
#include <QVector>

class SensorRecord;

// How the zone computation finds the edges that matter.
//  - Indexed: the program's way. A sight line is tested against the edges the
//    sight index lists for its direction; an obstacle whose box misses the
//    zone's and an edge whose directions from the optical centre miss the
//    zone's cast no shadow.
//  - EveryEdge: every sight line against every edge; the same zone, vertex
//    for vertex (kept to check the index against).
//  - EveryShadow: as EveryEdge, and every edge and obstacle near enough casts
//    its shadow: the same floor up to the clipping library's rounding (a
//    micrometre), though not always the same vertices.
enum class EdgeSearch
{
    Indexed,
    EveryEdge,
    EveryShadow
};

// The record values the zone depends on (Analysis plays no part).
struct ZoneParameters
{
    char sensor = '3'; // type code; '3' infrared tables, any other code IR/UV
    bool noiseImmunity = false;
    int sensitivity = 100; // percent; above 100 acts as 100
    double height = 3.0; // metres above the floor
    int angle = 0; // turn of the head, degrees; beyond ±89.99° clamped
    int tilt = 0; // downward tilt, degrees; clamped to ±89.99°

    static ZoneParameters fromRecord(const SensorRecord &record);
};

// The result of one zone computation.
struct SensorZone
{
    // In the ray item's coordinates (origin at the head pivot, turned by the
    // detector's rotation plus Angle): from 0.15 m ahead of the pivot, one
    // fifth of the on-axis range beyond that, pointing along -y.
    QLineF ray;
    // The sampled polygon clipped along its own sight lines, in zone
    // coordinates (origin at the head pivot, turned by the detector's
    // rotation; metres): each vertex ends at the first outline crossing seen
    // from the optical centre, and a vertex whose view is blocked before the
    // covered floor begins is dropped, its neighbours then joined straight
    // across. Empty when no direction reaches the floor or every vertex is
    // blocked. Every vertex is finite.
    QPolygonF polygon;
    // The zone: the part of polygon the detector can see, i.e. floor whose
    // straight line from the optical centre crosses no outline edge (and,
    // when the plan outline is given apart, inside it and outside every
    // obstacle). Same coordinates. Exactly { polygon } when nothing hides any
    // of it; otherwise the pieces the clipping library leaves, largest first,
    // a point being in the zone when it lies inside an odd number of them
    // (holes are pieces too). Empty when the detector sees none of it.
    QVector<QPolygonF> pieces;
    // The point the zone is seen from, in zone coordinates.
    QPointF opticalCentre;
    // The unclipped sampled polygon, same coordinates.
    QPolygonF sampled;
    double threshold = 0;
    SensorRanges ranges {};
};

// The ray as the scene shows it. Its item stands at the head pivot, turned by
// the detector's rotation plus Angle (as the record holds it, not clamped);
// the ray point sits on the line's far end.
struct SensorRay
{
    QPointF pos;
    double rotation = 0;
    QLineF line; // in the ray item's coordinates, SensorZone::ray
    QPointF sceneStart;
    QPointF sceneEnd;
};

// Zone coordinates to scene coordinates: the zone item's transform, placed at
// the pivot and turned by rotation degrees (clockwise on screen).
QTransform zoneTransform(const QPointF &pivot, double rotation);

// Places a computed ray (SensorZone::ray) for a detector whose head pivot is
// at pivot in the scene, turned by rotation degrees, its head by angle more.
SensorRay placeSensorRay(const QLineF &ray, const QPointF &pivot, double rotation, int angle);

// Computes a detector's detection zone and ray.
//
// Inputs:
//  - parameters: the record values above;
//  - pivot: scene position of the head pivot, the point (0, -0.07) of the
//    detector item, in metres (scene units after calibration);
//  - rotation: the detector item's rotation in degrees (the toolkit's, clockwise
//    on screen), without Angle;
//  - outlines: closed polygons in scene coordinates that block the view, in
//    this order: every obstacle's polygon mapped to the scene, in the order of
//    the obstacle list, then the plan outline. Empty polygons may stay in the
//    list; vertices that are not finite are ignored.
// Output: the ray and the clipped zone, see SensorZone. Non-finite or absurd
// inputs never produce a non-finite vertex: a height or pivot that is not
// finite gives an empty zone, and the angles are clamped.
//
// Every outline only blocks sight here: a point is seen when its line from the
// optical centre crosses no edge, wherever the centre stands.
SensorZone computeSensorZone(const ZoneParameters &parameters, const QPointF &pivot,
    double rotation, const QVector<QPolygonF> &outlines, EdgeSearch search = EdgeSearch::Indexed);
SensorZone computeSensorZone(const SensorRecord &record, const QPointF &pivot, double rotation,
    const QVector<QPolygonF> &outlines);

// The zone as clipped along its sight lines only (pieces is { polygon }),
// without the exact line-of-sight cut: what the zone was before that cut,
// kept for comparing the two.
SensorZone computeSightLineZone(const ZoneParameters &parameters, const QPointF &pivot,
    double rotation, const QVector<QPolygonF> &outlines);

// The same with the plan outline given apart from the obstacles (both in scene
// coordinates): the edges of all of them block sight as above, and the zone
// keeps only floor, inside the outline (when it has any area) and outside
// every obstacle. A detector whose optical centre stands outside the room or
// inside an obstacle therefore sees nothing.
SensorZone computeSensorZone(const ZoneParameters &parameters, const QPointF &pivot,
    double rotation, const QVector<QPolygonF> &obstacles, const QPolygonF &outline,
    EdgeSearch search = EdgeSearch::Indexed);
SensorZone computeSensorZone(const SensorRecord &record, const QPointF &pivot, double rotation,
    const QVector<QPolygonF> &obstacles, const QPolygonF &outline);
