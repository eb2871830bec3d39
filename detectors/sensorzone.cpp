#include "sensorzone.h"

#include "detectors/clipframe.h"
#include "detectors/sensorrecord.h"
#include "detectors/sightindex.h"
#include "detectors/sightpolygon.h"
#include "detectors/windingindex.h"
#include "scene/geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <tuple>
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

// A transform's mapping of points, inline, with the toolkit's arithmetic for
// an affine transform (the clipping step maps every vertex back and forth).
struct Affine
{
    explicit Affine(const QTransform &t)
        : m11(t.m11())
        , m12(t.m12())
        , m21(t.m21())
        , m22(t.m22())
        , dx(t.dx())
        , dy(t.dy())
    {
    }
    QPointF map(const QPointF &p) const
    {
        return QPointF(m11 * p.x() + m21 * p.y() + dx, m12 * p.x() + m22 * p.y() + dy);
    }
    double m11, m12, m21, m22, dx, dy;
};

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
// to its first vertex, that meets the box of all sight lines (lines from the
// eye to points of reach). Edges with a non-finite end cannot block anything.
std::vector<Edge> outlineEdges(
    const QVector<QPolygonF> &outlines, const QPointF &eye, const QRectF &reach)
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
            const Edge edge { p1, p2, std::min(p1.x(), p2.x()) - margin,
                std::min(p1.y(), p2.y()) - margin, std::max(p1.x(), p2.x()) + margin,
                std::max(p1.y(), p2.y()) + margin };
            if (edge.right < std::min(eye.x(), reach.left())
                || edge.left > std::max(eye.x(), reach.right())
                || edge.bottom < std::min(eye.y(), reach.top())
                || edge.top > std::max(eye.y(), reach.bottom()))
                continue;
            edges.push_back(edge);
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

// A sampled polygon with what follows from it alone: its inside test, and
// the direction of each vertex from the optical centre in zone coordinates,
// both made the first time a zone is clipped (a zone with nothing near it
// needs neither).
class SampledShape
{
public:
    SampledShape(QPolygonF polygon, const QPointF &centre)
        : sampled(std::move(polygon))
        , m_centre(centre)
    {
    }
    const QPolygonF sampled;

    const WindingIndex &inside() const
    {
        prepare();
        return *m_inside;
    }
    const std::vector<double> &directions() const
    {
        prepare();
        return m_directions;
    }

private:
    void prepare() const
    {
        std::call_once(m_prepared, [this] {
            m_inside = std::make_unique<const WindingIndex>(sampled);
            m_directions.reserve(size_t(sampled.size()));
            for (const QPointF &v : sampled)
                m_directions.push_back(std::atan2(v.y() - m_centre.y(), v.x() - m_centre.x()));
        });
    }

    const QPointF m_centre;
    mutable std::once_flag m_prepared;
    mutable std::unique_ptr<const WindingIndex> m_inside;
    mutable std::vector<double> m_directions;
};

// The sampled shape of a zone. It follows from the zone parameters alone, so
// the shapes of the parameter sets computed last are kept: a plan's detectors
// mostly share one set, and a drag computes the same zones over and over.
std::shared_ptr<const SampledShape> sampledShape(
    const ZoneParameters &parameters, const SensorRanges &ranges, const Attitude &at)
{
    using Key = std::tuple<char, bool, int, double, int, int>;
    static std::mutex mutex;
    static std::vector<std::pair<Key, std::shared_ptr<const SampledShape>>> kept;
    constexpr size_t kKept = 64;
    const Key key(parameters.sensor, parameters.noiseImmunity, parameters.sensitivity,
        parameters.height, parameters.angle, parameters.tilt);
    {
        const std::lock_guard<std::mutex> lock(mutex);
        for (size_t i = 0; i < kept.size(); ++i) {
            if (kept[i].first == key) {
                std::rotate(kept.begin(), kept.begin() + long(i), kept.begin() + long(i) + 1);
                return kept.front().second;
            }
        }
    }
    auto shape = std::make_shared<const SampledShape>(
        sampleZone(ranges, at, parameters.height), QPointF(at.x0, at.y0));
    const std::lock_guard<std::mutex> lock(mutex);
    kept.insert(kept.begin(), { key, shape });
    if (kept.size() > kKept)
        kept.pop_back();
    return shape;
}

// The angle a transform turns directions by; not a number unless it only
// turns and shifts, as the zone transform does.
double turnOf(const QTransform &t)
{
    if (t.type() > QTransform::TxRotate || t.m11() != t.m22() || t.m12() != -t.m21()
        || !(std::abs(t.m11() * t.m11() + t.m12() * t.m12() - 1) < 1e-12))
        return NAN;
    return std::atan2(t.m12(), t.m11());
}

// Each vertex ends at the first outline crossing seen from the optical
// centre; a vertex whose every crossing lies outside the sampled zone (the
// view is blocked before the covered floor begins) is dropped. The edges are
// tested in their order, each against the sight line as the earlier ones
// left it; the sight index only leaves out edges the line cannot meet.
QPolygonF clipZone(const SampledShape &shape, const QPointF &centre, const QTransform &toScene,
    const QVector<QPolygonF> &outlines, EdgeSearch search)
{
    const QPolygonF &sampled = shape.sampled;
    const QPointF centreScene = toScene.map(centre);
    // Every sight line ends inside the sampled polygon's box; an edge that
    // misses the box round it and the eye meets none of them.
    const Affine forward(toScene);
    double left = HUGE_VAL, top = HUGE_VAL, right = -HUGE_VAL, bottom = -HUGE_VAL;
    for (const QPointF &v : sampled) {
        const QPointF p = forward.map(v);
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    const std::vector<Edge> edges = outlineEdges(outlines, centreScene,
        sampled.isEmpty() ? QRectF() : QRectF(QPointF(left, top), QPointF(right, bottom)));
    if (edges.empty())
        return sampled;
    const Affine fromScene(toScene.inverted());
    std::vector<std::pair<QPointF, QPointF>> segments;
    segments.reserve(edges.size());
    for (const Edge &edge : edges)
        segments.emplace_back(edge.p1, edge.p2);
    const SightIndex index(centreScene, segments);
    const WindingIndex &coverage = shape.inside();
    const std::vector<double> &directions = shape.directions();
    // A sight line's direction in the scene is its direction in the zone
    // turned by the transform's angle: the sight index takes it so, far
    // within the margin its sectors keep.
    const double turn = turnOf(toScene);
    QPolygonF result(sampled.size());
    QPointF *kept = result.data();
    for (int n = 0; n < sampled.size(); ++n) {
        QPointF v = sampled.at(n);
        bool touched = false;
        bool inside = false;
        QPointF vScene = forward.map(v);
        double left = std::min(centreScene.x(), vScene.x());
        double right = std::max(centreScene.x(), vScene.x());
        double top = std::min(centreScene.y(), vScene.y());
        double bottom = std::max(centreScene.y(), vScene.y());
        // True when the edge shortened the sight line.
        const auto test = [&](const Edge &edge) {
            if (edge.right < left || edge.left > right || edge.bottom < top || edge.top > bottom)
                return false;
            QPointF crossing;
            if (!crossesWithin(centreScene, vScene, edge, &crossing) || !isFinite(crossing))
                return false;
            // Later edges are tested against the shortened sight line.
            v = fromScene.map(crossing);
            vScene = forward.map(v);
            left = std::min(centreScene.x(), vScene.x());
            right = std::max(centreScene.x(), vScene.x());
            top = std::min(centreScene.y(), vScene.y());
            bottom = std::max(centreScene.y(), vScene.y());
            touched = true;
            if (!inside && coverage.contains(v))
                inside = true;
            return true;
        };
        // A line too short for a certain direction meets whatever it may.
        int next = 0;
        if (search == EdgeSearch::Indexed && !index.isShort(vScene)) {
            next = int(edges.size());
            const auto candidates = std::isfinite(turn)
                ? index.candidatesAt(directions[size_t(n)] + turn)
                : index.candidates(vScene);
            // Edges standing farther off than the line reaches as it
            // stands are passed over: they cannot meet it.
            double length2 = QPointF::dotProduct(vScene - centreScene, vScene - centreScene);
            for (const int *i = candidates.first; i != candidates.second; ++i) {
                if (index.nearestSquared(i) > length2 || !test(edges[size_t(*i)]))
                    continue;
                if (index.isShort(vScene)) {
                    next = *i + 1;
                    break;
                }
                length2 = QPointF::dotProduct(vScene - centreScene, vScene - centreScene);
            }
        }
        for (int i = next; i < int(edges.size()); ++i)
            test(edges[size_t(i)]);
        if ((!touched || inside) && isFinite(v))
            *kept++ = v;
    }
    result.resize(int(kept - result.constData()));
    return result;
}

// The floor hidden behind one edge, seen from centre: the edge, the two rays
// from its ends away from the centre, cut at radius reach (or farther, where
// an end lies farther) by two chords of at most 90° each, so that nothing
// within 0.7 reach of the centre is left out. Empty when the edge is seen
// edge-on.
QPolygonF shadow(const QPointF &centre, const QPointF &p1, const QPointF &p2, double reach)
{
    const QPointF d1 = p1 - centre;
    const QPointF d2 = p2 - centre;
    const double l1 = std::hypot(d1.x(), d1.y());
    const double l2 = std::hypot(d2.x(), d2.y());
    const double cross = d1.x() * d2.y() - d1.y() * d2.x();
    const double dot = d1.x() * d2.x() + d1.y() * d2.y();
    if (!(std::abs(cross) > 1e-12 * l1 * l2))
        return QPolygonF();
    const double span = std::atan2(cross, dot);
    const double far = std::max(reach, std::max(l1, l2));
    const double a1 = std::atan2(d1.y(), d1.x());
    const double mid = a1 + span / 2;
    return QPolygonF({ p1, p2, centre + d2 * (std::max(reach, l2) / l2),
        centre + QPointF(std::cos(mid), std::sin(mid)) * (far / std::cos(span / 4) + 1),
        centre + d1 * (std::max(reach, l1) / l1) });
}

// True when the floor found hidden is no more than rounding to the integer
// grid leaves, which moves the zone's boundary by a step at most. The
// perimeter is at most the sum of |dx| + |dy|, taken first as it needs no
// square root.
bool onlyRounding(double hidden, const QPolygonF &zone, const ClipFrame &frame)
{
    if (hidden <= 1e-9)
        return true;
    // Every vertex lies in the frame's box, so no edge's |dx| + |dy| passes
    // its width and height together: floor hidden past that many times over
    // is no rounding, without a walk round the zone.
    const QRectF box = frame.box();
    if (hidden > 2.02 * frame.step() * zone.size() * (box.width() + box.height()) + 1e-9)
        return false;
    double manhattan = 0;
    const QPointF *points = zone.constData();
    const int count = zone.size();
    for (int i = 0; i < count; ++i) {
        const QPointF d = points[i + 1 < count ? i + 1 : 0] - points[i];
        manhattan += std::abs(d.x()) + std::abs(d.y());
    }
    return hidden <= 2 * frame.step() * manhattan + 1e-9
        && hidden <= 2 * frame.step() * ClipFrame::perimeter(zone) + 1e-9;
}

// For a convex polygon with the eye outside it, +1 or -1 as the polygon turns
// (the sign of its area); 0 for any other polygon. A sight line from outside
// meets such a polygon first on an edge that faces the eye, so the edges
// facing away from it hide nothing that the others do not.
int facingFrom(const QPolygonF &polygon, const QPointF &eye)
{
    const int count = polygon.size();
    if (count < 3)
        return 0;
    int turn = 0;
    bool outside = false;
    for (int j = 0; j < count; ++j) {
        const QPointF &a = polygon.at(j);
        const QPointF &b = polygon.at((j + 1) % count);
        const QPointF &c = polygon.at((j + 2) % count);
        const double bend = (b.x() - a.x()) * (c.y() - b.y()) - (b.y() - a.y()) * (c.x() - b.x());
        if (!std::isfinite(bend))
            return 0;
        const int sign = bend > 0 ? 1 : bend < 0 ? -1 : 0;
        if (sign != 0) {
            if (turn != 0 && sign != turn)
                return 0;
            turn = sign;
        }
    }
    if (turn == 0)
        return 0;
    // Turning one way at every corner, it is convex unless it winds round
    // more than once; its edges' directions then cross the vertical (and the
    // horizontal) more than twice.
    int xTurns = 0, yTurns = 0;
    int lastX = 0, lastY = 0;
    for (int j = 0; j <= count; ++j) {
        const QPointF &a = polygon.at(j % count);
        const QPointF &b = polygon.at((j + 1) % count);
        const int x = b.x() > a.x() ? 1 : b.x() < a.x() ? -1 : 0;
        const int y = b.y() > a.y() ? 1 : b.y() < a.y() ? -1 : 0;
        if (x != 0) {
            xTurns += lastX != 0 && x != lastX && j > 0 ? 1 : 0;
            lastX = x;
        }
        if (y != 0) {
            yTurns += lastY != 0 && y != lastY && j > 0 ? 1 : 0;
            lastY = y;
        }
        const double side
            = (b.x() - a.x()) * (eye.y() - a.y()) - (b.y() - a.y()) * (eye.x() - a.x());
        if (j < count && turn * side < 0)
            outside = true;
    }
    if (xTurns > 2 || yTurns > 2)
        return 0;
    return outside ? turn : 0;
}

// A hash of an edge's ends (see seenPieces) that is the same for ends equal
// as numbers: -0 and +0 alike.
size_t hashOfEnds(const std::array<double, 4> &ends)
{
    quint64 hash = 0x9e3779b97f4a7c15ULL;
    for (const double end : ends) {
        const double plain = end == 0 ? 0.0 : end;
        quint64 bits;
        std::memcpy(&bits, &plain, sizeof bits);
        hash = (hash ^ bits) * 0xff51afd7ed558ccdULL;
        hash ^= hash >> 32;
    }
    return size_t(hash);
}

bool hasArea(const QPolygonF &polygon)
{
    const double twice = twiceSignedArea(polygon);
    return std::isfinite(twice) && twice != 0;
}

// The part of the clipped polygon the detector can see, see SensorZone::pieces.
// walls block sight; the floor is inside outline, when given, and outside
// every polygon of holes.
QVector<QPolygonF> seenPieces(const QPolygonF &polygon, const QPointF &centre,
    const QTransform &toScene, const QVector<QPolygonF> &walls, const QPolygonF *outline,
    const QVector<QPolygonF> &holes, EdgeSearch search)
{
    if (polygon.size() < 3)
        return polygon.isEmpty() ? QVector<QPolygonF>() : QVector<QPolygonF> { polygon };
    const QPolygonF zone = toScene.map(polygon);
    const QPointF eye = toScene.map(centre);
    double reach2 = 0;
    for (const QPointF &v : zone)
        reach2 = std::max(reach2, QPointF::dotProduct(v - eye, v - eye));
    double reach = std::sqrt(reach2);
    if (!std::isfinite(reach))
        return { polygon };
    reach += 1;
    const ClipFrame frame(eye, 2 * reach);

    // What lies wholly beside the zone hides none of it: edges whose
    // directions miss the zone's are left out, with margins of a few steps of
    // the integer grid; what is left out is the same whatever the edge search.
    const double slack = 4 * frame.step();
    double nearest2 = reach * reach;
    for (const QPointF &v : zone)
        nearest2 = std::min(nearest2, QPointF::dotProduct(v - eye, v - eye));
    const double nearest = std::sqrt(nearest2);
    const double tiny = 1e-6 * (1 + std::max(std::abs(eye.x()), std::abs(eye.y())));
    const SightIndex::Interval zoneSpan = SightIndex::spanOf(
        eye, std::vector<QPointF>(zone.begin(), zone.end()), 1e-6 + slack / nearest);
    const auto besideZone = [&](const QPointF &p1, const QPointF &p2) {
        if (search == EdgeSearch::EveryShadow)
            return false;
        const double closer = std::sqrt(std::min(
            QPointF::dotProduct(p1 - eye, p1 - eye), QPointF::dotProduct(p2 - eye, p2 - eye)));
        return !SightIndex::overlap(
            zoneSpan, SightIndex::segmentSpan(eye, p1, p2, 1e-6 + slack / closer, tiny));
    };

    // The edges that may hide some of the zone, each once: obstacles stacked
    // on one another share edges.
    struct Cast
    {
        std::array<double, 4> key; // the ends in order, whichever way the edge runs
        QPointF p1, p2;
    };
    std::vector<Cast> cast;
    for (const QPolygonF &wall : walls) {
        const int count = wall.size();
        // Found for the first edge of the wall in reach.
        int facing = search == EdgeSearch::EveryShadow ? 0 : 2;
        for (int j = 0; j < count; ++j) {
            const QPointF &p1 = wall.at(j);
            const QPointF &p2 = wall.at((j + 1) % count);
            if (!isFinite(p1) || !isFinite(p2) || p1 == p2
                || std::max(p1.x(), p2.x()) < eye.x() - reach
                || std::min(p1.x(), p2.x()) > eye.x() + reach
                || std::max(p1.y(), p2.y()) < eye.y() - reach
                || std::min(p1.y(), p2.y()) > eye.y() + reach
                || !(distanceToSegment(eye, p1, p2) < reach))
                continue;
            if (facing == 2)
                facing = facingFrom(wall, eye);
            if (facing != 0
                && facing
                        * ((p2.x() - p1.x()) * (eye.y() - p1.y())
                            - (p2.y() - p1.y()) * (eye.x() - p1.x()))
                    > 0)
                continue;
            const bool forward = std::make_pair(p1.x(), p1.y()) < std::make_pair(p2.x(), p2.y());
            const QPointF &a = forward ? p1 : p2;
            const QPointF &b = forward ? p2 : p1;
            cast.push_back({ { a.x(), a.y(), b.x(), b.y() }, p1, p2 });
        }
    }
    // Of edges with the same ends the first stands for all: each edge looks
    // its ends up among those of the edges before it, in a table addressed by
    // their hash.
    size_t tableSize = 16;
    while (tableSize < 2 * cast.size())
        tableSize *= 2;
    std::vector<int> table(tableSize, -1);
    std::vector<std::pair<QPointF, QPointF>> edges;
    for (size_t i = 0; i < cast.size(); ++i) {
        bool first = true;
        for (size_t slot = hashOfEnds(cast[i].key) & (tableSize - 1);;
             slot = (slot + 1) & (tableSize - 1)) {
            if (table[slot] < 0) {
                table[slot] = int(i);
                break;
            }
            if (cast[size_t(table[slot])].key == cast[i].key) {
                first = false;
                break;
            }
        }
        if (first && !besideZone(cast[i].p1, cast[i].p2))
            edges.emplace_back(cast[i].p1, cast[i].p2);
    }
    const bool bounded = outline && hasArea(*outline);
    const QTransform fromScene = toScene.inverted();
    const auto piecesOf = [&](const ClipperLib::Paths &seen) {
        // Rounding to the grid leaves slivers along edges the zone and a
        // wall share, a few steps wide at most: they are no floor.
        std::vector<std::pair<double, size_t>> kept; // area, path
        for (size_t k = 0; k < seen.size(); ++k) {
            const ClipperLib::Path &path = seen[k];
            if (path.size() < 3)
                continue;
            const double area = std::abs(ClipperLib::Area(path));
            // The length is at most the sum of |dx| + |dy|: a piece with
            // area past that bound stays without its length.
            double manhattan = 0;
            for (size_t i = 0; i < path.size(); ++i) {
                const ClipperLib::IntPoint &a = path[i];
                const ClipperLib::IntPoint &b = path[(i + 1) % path.size()];
                manhattan += std::abs(double(b.X - a.X)) + std::abs(double(b.Y - a.Y));
            }
            if (!(area > 2 * manhattan)) {
                double length = 0;
                for (size_t i = 0; i < path.size(); ++i) {
                    const ClipperLib::IntPoint &a = path[i];
                    const ClipperLib::IntPoint &b = path[(i + 1) % path.size()];
                    const double dx = double(b.X - a.X), dy = double(b.Y - a.Y);
                    length += std::sqrt(dx * dx + dy * dy);
                }
                if (area <= 2 * length)
                    continue;
            }
            kept.emplace_back(area, k);
        }
        // Largest first.
        std::sort(kept.begin(), kept.end(),
            [](const std::pair<double, size_t> &a, const std::pair<double, size_t> &b) {
                return a.first > b.first;
            });
        QVector<QPolygonF> pieces;
        pieces.reserve(int(kept.size()));
        for (const auto &piece : kept)
            pieces.append(fromScene.map(frame.toPolygon(seen[piece.second])));
        return pieces;
    };

    // From outside the outline or inside an obstacle the detector sees no
    // floor. From anywhere else, floor the eye sees is floor: no sight line
    // reaches past an edge.
    if (bounded) {
        if (!outline->containsPoint(eye, Qt::OddEvenFill))
            return {};
        for (const QPolygonF &hole : holes) {
            if (hole.boundingRect().contains(eye) && hole.containsPoint(eye, Qt::OddEvenFill))
                return {};
        }
    }
    if (search != EdgeSearch::EveryShadow) {
        // Any floor of the zone hidden from the eye, or off the floor, lies
        // behind an edge near it.
        if (edges.empty())
            return { polygon };
        const QPolygonF sight = sightPolygon(eye, edges, 1.5 * reach, zoneSpan);
        ClipperLib::Paths seen;
        try {
            ClipperLib::Clipper clipper;
            ClipperLib::Paths subject { frame.toPath(zone) };
            // Sight lines cut short on a wall end on its straight line, often
            // most of them: given only once, the library's work shrinks.
            clipper.AddPath(ClipFrame::straightened(subject.front()), ClipperLib::ptSubject, true);
            clipper.AddPath(frame.toPath(sight), ClipperLib::ptClip, true);
            clipper.Execute(
                ClipperLib::ctIntersection, seen, ClipperLib::pftEvenOdd, ClipperLib::pftNonZero);
            // The floor hidden is the zone's less the floor seen, as long as
            // the zone's outline does not cross itself. Where that leaves
            // floor hidden, the pieces seen stand. Only where it leaves none
            // is the floor hidden found for itself, as an outline crossing
            // itself may take away area from the zone's signed area.
            if (!onlyRounding(std::abs(frame.area(subject)) - frame.area(seen), zone, frame))
                return piecesOf(seen);
            ClipperLib::Paths hidden;
            clipper.Execute(
                ClipperLib::ctDifference, hidden, ClipperLib::pftEvenOdd, ClipperLib::pftNonZero);
            if (!onlyRounding(frame.area(hidden), zone, frame))
                return piecesOf(seen);
        } catch (...) {
        }
        return { polygon };
    }

    // Every shadow cast, one by one: the same floor by another way, kept to
    // check the sight polygon against.
    ClipperLib::Paths blocked;
    for (const QPolygonF &hole : holes) {
        ClipperLib::Path path = frame.toPath(hole);
        if (path.size() > 2)
            blocked.push_back(ClipFrame::positive(std::move(path)));
    }
    for (const auto &edge : edges) {
        ClipperLib::Path path = frame.toPath(shadow(eye, edge.first, edge.second, 1.5 * reach));
        if (path.size() > 2)
            blocked.push_back(ClipFrame::positive(std::move(path)));
    }
    if (blocked.empty() && !bounded)
        return { polygon };

    ClipperLib::Paths whole;
    ClipperLib::Paths seen;
    try {
        const ClipperLib::Path subject = frame.toPath(zone);
        ClipperLib::Clipper normal;
        normal.AddPath(subject, ClipperLib::ptSubject, true);
        normal.Execute(ClipperLib::ctUnion, whole, ClipperLib::pftEvenOdd, ClipperLib::pftEvenOdd);
        ClipperLib::Paths floor = whole;
        if (bounded) {
            ClipperLib::Clipper inside;
            inside.AddPath(subject, ClipperLib::ptSubject, true);
            inside.AddPath(frame.toPath(*outline), ClipperLib::ptClip, true);
            inside.Execute(
                ClipperLib::ctIntersection, floor, ClipperLib::pftEvenOdd, ClipperLib::pftEvenOdd);
        }
        ClipperLib::Clipper sight;
        sight.AddPaths(floor, ClipperLib::ptSubject, true);
        sight.AddPaths(blocked, ClipperLib::ptClip, true);
        sight.Execute(
            ClipperLib::ctDifference, seen, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    } catch (...) {
        // The library refuses coordinates out of its range; the frame keeps
        // them in, so this is not reached, but the zone then stays as sampled.
        return { polygon };
    }
    return onlyRounding(frame.area(whole) - frame.area(seen), zone, frame)
        ? QVector<QPolygonF> { polygon }
        : piecesOf(seen);
}

SensorZone zoneOf(const ZoneParameters &parameters, const QPointF &pivot, double rotation,
    const QVector<QPolygonF> &walls, const QPolygonF *outline, const QVector<QPolygonF> &holes,
    EdgeSearch search, bool cut = true)
{
    SensorZone zone;
    const DetectionTable &table
        = SensorCatalogue::detectionTable(parameters.sensor, parameters.noiseImmunity);
    zone.threshold = SensorCatalogue::threshold(table, parameters.sensitivity);
    zone.ranges = SensorCatalogue::ranges(table, zone.threshold);
    zone.ray = QLineF(0, -0.15, 0, -0.15 - 0.2 * (zone.ranges[0] - 0.15));

    const Attitude at = attitude(parameters);
    zone.opticalCentre = QPointF(at.x0, at.y0);
    if (!std::isfinite(parameters.height) || !isFinite(pivot) || !std::isfinite(rotation))
        return zone;
    const std::shared_ptr<const SampledShape> shape = sampledShape(parameters, zone.ranges, at);
    zone.sampled = shape->sampled;
    const QTransform toScene = zoneTransform(pivot, rotation);
    zone.polygon = clipZone(*shape, zone.opticalCentre, toScene, walls, search);
    if (!cut) {
        if (!zone.polygon.isEmpty())
            zone.pieces = { zone.polygon };
    } else
        zone.pieces
            = seenPieces(zone.polygon, zone.opticalCentre, toScene, walls, outline, holes, search);
    return zone;
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
    double rotation, const QVector<QPolygonF> &outlines, EdgeSearch search)
{
    return zoneOf(parameters, pivot, rotation, outlines, nullptr, {}, search);
}

SensorZone computeSightLineZone(const ZoneParameters &parameters, const QPointF &pivot,
    double rotation, const QVector<QPolygonF> &outlines)
{
    return zoneOf(parameters, pivot, rotation, outlines, nullptr, {}, EdgeSearch::Indexed, false);
}

SensorZone computeSensorZone(const ZoneParameters &parameters, const QPointF &pivot,
    double rotation, const QVector<QPolygonF> &obstacles, const QPolygonF &outline,
    EdgeSearch search)
{
    QVector<QPolygonF> walls = obstacles;
    walls.append(outline);
    return zoneOf(parameters, pivot, rotation, walls, &outline, obstacles, search);
}

SensorZone computeSensorZone(const SensorRecord &record, const QPointF &pivot, double rotation,
    const QVector<QPolygonF> &outlines)
{
    return computeSensorZone(ZoneParameters::fromRecord(record), pivot, rotation, outlines);
}

SensorZone computeSensorZone(const SensorRecord &record, const QPointF &pivot, double rotation,
    const QVector<QPolygonF> &obstacles, const QPolygonF &outline)
{
    return computeSensorZone(
        ZoneParameters::fromRecord(record), pivot, rotation, obstacles, outline);
}
