#pragma once

#include <QLineF>
#include <QPointF>
#include <QPolygonF>

class QPainter;
class QPen;

// Millimetres to device pixels for a device of 96 dpi, the fallback wherever a
// device reports no resolution.
constexpr double kDefaultPixelsPerMm = 96.0 / 25.4;

// Nearest point of the segment line.p1()–line.p2() (or of its carrying line when
// clamp is false) to point. A zero-length segment gives p1.
QPointF projectToSegment(const QPointF &point, const QLineF &line, bool clamp);

// Walks the closed polygon's edges and moves best to the nearest edge point that
// lies strictly closer to point than best already does (best.x() == +inf means
// "nothing found yet"). Returns that edge's index, or -1 when no edge came closer.
// Chained over several polygons it finds the nearest surface among them.
int nearestPolygonPoint(const QPolygonF &polygon, const QPointF &point, QPointF &best);

// The shoelace sum over the closed polygon: twice its signed area, positive
// when it runs clockwise on screen (y pointing down).
double twiceSignedArea(const QPolygonF &polygon);

// 0 for fewer than three vertices, 1 for a positive shoelace sum (clockwise on
// screen, where y points down), -1 otherwise.
int polygonOrientation(const QPolygonF &polygon);

// Pixels per millimetre of the primary screen (layout and hit-testing).
double screenPixelsPerMm();

// Pixels per millimetre of the painter's device (drawing).
double painterPixelsPerMm(const QPainter *painter);

// A cosmetic pen's width is given in millimetres; this is its width in device
// pixels on the painter's device, never below 0.1.
double cosmeticPenWidth(const QPen &pen, const QPainter *painter);

// The closed ring (the last vertex joins the first) with every vertex dropped
// that lies within tolerance of the chord kept in its place, the first vertex
// always kept: the outline moves by at most tolerance, and what is left is a
// subset of the vertices in their order. A ring of three or fewer vertices, or
// a tolerance that is not positive, comes back as it is.
QPolygonF simplifiedRing(const QPolygonF &ring, double tolerance);
