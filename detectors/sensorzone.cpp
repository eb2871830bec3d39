#include "sensorzone.h"

#include "detectors/sensorrecord.h"
#include "detectors/windingindex.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;
// ±89.99° in radians: the steepest tilt and turn the computation accepts.
constexpr double kAngleLimit = 1.5706217938696971;
constexpr double kLimitSin = 0.9999999847691291;
constexpr double kLimitCos = 0.00017453292431338717;

bool isFinite(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// The head's attitude and the optical centre in zone coordinates.
struct Attitude
{
    double sinTilt, cosTilt;
    double sinTurn, cosTurn;
    double x0, y0;
};

Attitude attitude(const ZoneParameters &p)
{
    Attitude a;
    double tilt = p.tilt * kPi / 180;
    if (tilt < -kAngleLimit)
        tilt = -kAngleLimit;
    else if (tilt > kAngleLimit)
        tilt = kAngleLimit;
    a.sinTilt = std::sin(tilt);
    a.cosTilt = std::cos(tilt);
    const double turn = p.angle * kPi / 180;
    if (turn < -kAngleLimit) {
        a.sinTurn = -kLimitSin;
        a.cosTurn = kLimitCos;
    } else if (turn > kAngleLimit) {
        a.sinTurn = kLimitSin;
        a.cosTurn = kLimitCos;
    } else {
        a.sinTurn = std::sin(turn);
        a.cosTurn = std::cos(turn);
    }
    a.x0 = 0.15 * a.sinTurn;
    a.y0 = -0.07 - 0.15 * a.cosTurn;
    return a;
}

// For 910 directions, cones of half-angle phi around the axis cut at the
// slant range: their two points on the floor bound the zone. The polygon runs
// from the last direction on one side through the axis to the other side.
QPolygonF sampleZone(const SensorRanges &r, const Attitude &at, double height)
{
    const double x0 = at.x0;
    const double y0 = at.y0;
    const double h = height;
    const double origin2 = x0 * x0 + y0 * y0 + h * h;
    // One direction's vertices go to both ends: the first side fills the
    // buffer from its middle backwards, the other side forwards.
    constexpr int kDirections = 910;
    std::vector<QPointF> buffer(2 * kDirections);
    int first = kDirections;
    int last = kDirections;
    for (int i = 0; i <= 90; ++i) {
        const int n = i / 15;
        const double dPrev = r[size_t(n)];
        const double dNext = i < 90 ? r[size_t(n) + 1] : r[6];
        const double thetaN = 15.0 * (n + 1);
        const double factor = SensorCatalogue::angularFactor(i);
        for (int k = 0; k <= 9; ++k) {
            const double phi = i + k / 10.0;
            const double range = factor * (dNext + (thetaN - phi) * (dPrev - dNext) / 15);
            const double phiRad = phi * kPi / 180;
            const double reach = range * std::cos(phiRad);
            const double kx = x0 + reach * at.sinTurn;
            const double ky = y0 + reach * at.cosTilt * at.cosTurn;
            const double kz = h - reach * at.sinTilt * at.cosTurn;
            const double rho = x0 + range * std::sin(phiRad);
            const double k2 = kx * kx + ky * ky + kz * kz;
            const double m = (x0 - kx) / (y0 - ky);
            const double c = (k2 - origin2 - rho * rho + range * range) / (2 * (y0 - ky));
            const double a = 1 + m * m;
            const double b = 2 * m * c - 2 * kx + 2 * m * ky;
            const double e = c * c + 2 * c * ky + k2 - rho * rho;
            const double disc = b * b - 4 * a * e;
            if (!(disc >= 0)) // negative, or not a number as when the range is 0
                continue;
            const double root = std::sqrt(disc);
            const double u1 = (root - b) / (2 * a);
            const double u2 = (-b - root) / (2 * a);
            const QPointF v1(u1, m * u1 + c);
            const QPointF v2(u2, m * u2 + c);
            if (!isFinite(v1) || !isFinite(v2))
                continue;
            buffer[size_t(last++)] = v1;
            buffer[size_t(--first)] = v2;
        }
    }
    QPolygonF polygon(last - first);
    std::copy(buffer.begin() + first, buffer.begin() + last, polygon.begin());
    return polygon;
}

// One blocking edge with its bounding box, widened by a hair so that the box
// test below never turns away an edge that touches a sight line.
struct Edge
{
    QPointF p1, p2;
    double left, top, right, bottom;
};

// Every edge of every outline, in order, the last edge of each closing back
// to its first vertex. Edges with a non-finite end cannot block anything.
std::vector<Edge> outlineEdges(const QVector<QPolygonF> &outlines)
{
    std::vector<Edge> edges;
    for (const QPolygonF &outline : outlines) {
        const int count = outline.size();
        for (int j = 0; j < count; ++j) {
            const QPointF &p1 = outline.at(j);
            const QPointF &p2 = outline.at((j + 1) % count);
            if (!isFinite(p1) || !isFinite(p2))
                continue;
            const double margin = 1e-9
                * (1
                    + std::max(std::max(std::abs(p1.x()), std::abs(p2.x())),
                        std::max(std::abs(p1.y()), std::abs(p2.y()))));
            edges.push_back(
                { p1, p2, std::min(p1.x(), p2.x()) - margin, std::min(p1.y(), p2.y()) - margin,
                    std::max(p1.x(), p2.x()) + margin, std::max(p1.y(), p2.y()) + margin });
        }
    }
    return edges;
}

// QLineF(from, to).intersects(edge) == BoundedIntersection, with the very
// same arithmetic, inline: the clipping step runs it some hundred thousand
// times per zone.
bool crossesWithin(const QPointF &from, const QPointF &to, const Edge &edge, QPointF *crossing)
{
    const QPointF a = to - from;
    const QPointF b = edge.p1 - edge.p2;
    const QPointF c = from - edge.p1;
    const double denominator = a.y() * b.x() - a.x() * b.y();
    if (denominator == 0 || !std::isfinite(denominator))
        return false;
    const double reciprocal = 1 / denominator;
    const double na = (b.y() * c.x() - b.x() * c.y()) * reciprocal;
    if (na < 0 || na > 1)
        return false;
    const double nb = (a.x() * c.y() - a.y() * c.x()) * reciprocal;
    if (nb < 0 || nb > 1)
        return false;
    *crossing = from + a * na;
    return true;
}

// Each vertex ends at the first outline crossing seen from the optical
// centre; a vertex whose every crossing lies outside the sampled zone (the
// view is blocked before the covered floor begins) is dropped.
QPolygonF clipZone(const QPolygonF &sampled, const QPointF &centre, const QTransform &toScene,
    const QVector<QPolygonF> &outlines)
{
    const std::vector<Edge> edges = outlineEdges(outlines);
    if (edges.empty())
        return sampled;
    const QTransform fromScene = toScene.inverted();
    const QPointF centreScene = toScene.map(centre);
    const WindingIndex coverage(sampled);
    QPolygonF result;
    result.reserve(sampled.size());
    for (QPointF v : sampled) {
        bool touched = false;
        bool inside = false;
        QPointF vScene = toScene.map(v);
        double left = std::min(centreScene.x(), vScene.x());
        double right = std::max(centreScene.x(), vScene.x());
        double top = std::min(centreScene.y(), vScene.y());
        double bottom = std::max(centreScene.y(), vScene.y());
        for (const Edge &edge : edges) {
            if (edge.right < left || edge.left > right || edge.bottom < top || edge.top > bottom)
                continue;
            QPointF crossing;
            if (!crossesWithin(centreScene, vScene, edge, &crossing) || !isFinite(crossing))
                continue;
            // Later edges are tested against the shortened sight line.
            v = fromScene.map(crossing);
            vScene = toScene.map(v);
            left = std::min(centreScene.x(), vScene.x());
            right = std::max(centreScene.x(), vScene.x());
            top = std::min(centreScene.y(), vScene.y());
            bottom = std::max(centreScene.y(), vScene.y());
            touched = true;
            if (!inside && coverage.contains(v))
                inside = true;
        }
        if ((!touched || inside) && isFinite(v))
            result.append(v);
    }
    return result;
}

} // namespace

ZoneParameters ZoneParameters::fromRecord(const SensorRecord &record)
{
    ZoneParameters p;
    p.sensor = record.sensor();
    p.noiseImmunity = record.noiseImmunity();
    p.sensitivity = record.sensitivity();
    p.height = record.height();
    p.angle = record.angle();
    p.tilt = record.tilt();
    return p;
}

QTransform zoneTransform(const QPointF &pivot, double rotation)
{
    // Built like a graphics item's scene transform: position, then rotation.
    QTransform transform = QTransform::fromTranslate(pivot.x(), pivot.y());
    transform.rotate(rotation);
    return transform;
}

SensorRay placeSensorRay(const QLineF &ray, const QPointF &pivot, double rotation, int angle)
{
    SensorRay placed;
    placed.pos = pivot;
    placed.rotation = rotation + angle;
    placed.line = ray;
    // The same transform as the ray item's own: position, then rotation.
    const QTransform toScene = zoneTransform(pivot, placed.rotation);
    placed.sceneStart = toScene.map(ray.p1());
    placed.sceneEnd = toScene.map(ray.p2());
    return placed;
}

SensorZone computeSensorZone(const ZoneParameters &parameters, const QPointF &pivot,
    double rotation, const QVector<QPolygonF> &outlines)
{
    SensorZone zone;
    const DetectionTable &table
        = SensorCatalogue::detectionTable(parameters.sensor, parameters.noiseImmunity);
    zone.threshold = SensorCatalogue::threshold(table, parameters.sensitivity);
    zone.ranges = SensorCatalogue::ranges(table, zone.threshold);
    zone.ray = QLineF(0, -0.15, 0, -0.15 - 0.2 * (zone.ranges[0] - 0.15));

    if (!std::isfinite(parameters.height) || !isFinite(pivot) || !std::isfinite(rotation))
        return zone;
    const Attitude at = attitude(parameters);
    zone.sampled = sampleZone(zone.ranges, at, parameters.height);
    zone.polygon
        = clipZone(zone.sampled, QPointF(at.x0, at.y0), zoneTransform(pivot, rotation), outlines);
    return zone;
}

SensorZone computeSensorZone(const SensorRecord &record, const QPointF &pivot, double rotation,
    const QVector<QPolygonF> &outlines)
{
    return computeSensorZone(ZoneParameters::fromRecord(record), pivot, rotation, outlines);
}
