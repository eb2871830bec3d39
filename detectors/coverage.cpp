#include "coverage.h"

#include "detectors/clipframe.h"
#include "detectors/coveragecount.h"
#include "scene/allcores.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <iterator>

namespace {

// The share of the floor area the simplified zone outlines may move a figure.
constexpr double kSimplificationShare = 0.0008;
// The share the count may move them by taking a zone for all the floor of a
// box but for slivers (the zone's outline a rounding off the floor's edge), or
// for none of it but for a sliver.
constexpr double kSliverShare = 5e-7;

using ClipperLib::Path;
using ClipperLib::Paths;

struct Box
{
    ClipperLib::cInt left, top, right, bottom;

    bool meets(const Box &other) const
    {
        return left <= other.right && other.left <= right && top <= other.bottom
            && other.top <= bottom;
    }
};

Box boxOf(const Paths &paths)
{
    Box box { 0, 0, -1, -1 };
    bool first = true;
    for (const Path &path : paths) {
        for (const ClipperLib::IntPoint &p : path) {
            if (first) {
                box = { p.X, p.Y, p.X, p.Y };
                first = false;
            }
            box.left = std::min(box.left, p.X);
            box.right = std::max(box.right, p.X);
            box.top = std::min(box.top, p.Y);
            box.bottom = std::max(box.bottom, p.Y);
        }
    }
    return box;
}

// The part of a ring inside the box (Sutherland-Hodgman): for every point of
// the box the ring's winding number stays as it was. Crossings are rounded to
// the integer grid.
Path cutToBox(const Path &ring, const Box &box)
{
    Path path = CoverageCount::cut(ring, true, box.left, false);
    if (path.size() > 2)
        path = CoverageCount::cut(path, true, box.right, true);
    if (path.size() > 2)
        path = CoverageCount::cut(path, false, box.top, false);
    if (path.size() > 2)
        path = CoverageCount::cut(path, false, box.bottom, true);
    return path;
}

// The rings that may wind round some point of the box, each cut to the box
// widened by a few steps.
Paths ringsNear(const Paths &rings, const std::vector<Box> &boxes, const Box &box)
{
    const Box wide { box.left - 4, box.top - 4, box.right + 4, box.bottom + 4 };
    Paths near;
    for (size_t i = 0; i < rings.size(); ++i) {
        if (!boxes[i].meets(wide))
            continue;
        const Box &own = boxes[i];
        if (own.left >= wide.left && own.right <= wide.right && own.top >= wide.top
            && own.bottom <= wide.bottom) {
            near.push_back(rings[i]);
            continue;
        }
        Path cut = cutToBox(rings[i], wide);
        if (cut.size() > 2)
            near.push_back(std::move(cut));
    }
    return near;
}

std::vector<Box> ringBoxes(const Paths &rings)
{
    std::vector<Box> boxes;
    boxes.reserve(rings.size());
    for (const Path &ring : rings)
        boxes.push_back(boxOf(Paths { ring }));
    return boxes;
}

// How far a zone reaches from the point it is seen from, direction by
// direction, to tell the floor's rings it cannot meet. Directions are taken
// as pseudo-angles (0 … 4 round the turn, rising with the angle, a division
// each instead of an arctangent) in equal sectors; each sector holds the
// farthest any zone edge in it comes, an edge counting in every sector its
// directions reach. A ring all of whose directions lie in sectors the zone
// reaches less far than the ring's nearest point is disjoint from the zone:
// no zone edge comes to it, and the zone does not hold it, as a ray from the
// viewpoint through a point of the zone leaves the zone farther on, on an
// edge in that direction. Margins of a few steps keep rounding out of it.
class RadialReach
{
public:
    RadialReach(const Paths &zone, double x, double y)
        : m_x(x)
        , m_y(y)
        , m_far(kSectors, -1.0)
    {
        for (const Path &ring : zone) {
            const size_t n = ring.size();
            for (size_t i = 0; i < n; ++i) {
                const double ax = double(ring[i].X) - x, ay = double(ring[i].Y) - y;
                const ClipperLib::IntPoint &next = ring[i + 1 < n ? i + 1 : 0];
                const double bx = double(next.X) - x, by = double(next.Y) - y;
                const double far = std::max(ax * ax + ay * ay, bx * bx + by * by);
                double from, length;
                if (!(squaredDistance(ax, ay, bx, by) > kNear * kNear)
                    || !shorterArc(pseudoAngle(ax, ay), pseudoAngle(bx, by), from, length)) {
                    m_everywhere = std::max(m_everywhere, far);
                    continue;
                }
                forEachSector(from, length,
                    [&](int k) { m_far[size_t(k)] = std::max(m_far[size_t(k)], far); });
            }
        }
    }

    // True when the ring is certainly disjoint from the zone.
    bool keepsClear(const Path &ring) const
    {
        const size_t n = ring.size();
        if (n < 3)
            return false;
        double nearest = HUGE_VAL;
        for (size_t i = 0; i < n; ++i) {
            const ClipperLib::IntPoint &a = ring[i];
            const ClipperLib::IntPoint &b = ring[i + 1 < n ? i + 1 : 0];
            nearest = std::min(nearest,
                squaredDistance(
                    double(a.X) - m_x, double(a.Y) - m_y, double(b.X) - m_x, double(b.Y) - m_y));
        }
        if (!(nearest > 4 * kNear * kNear))
            return false;
        const double reach = std::sqrt(nearest) * (1 - 1e-9) - kNear;
        const double limit = reach * reach;
        if (!(m_everywhere < limit))
            return false;
        // The ring's directions, turning from vertex to vertex.
        const double start = pseudoAngle(double(ring[0].X) - m_x, double(ring[0].Y) - m_y);
        double previous = start, turn = 0, low = 0, high = 0;
        for (size_t i = 1; i <= n; ++i) {
            const ClipperLib::IntPoint &p = ring[i < n ? i : 0];
            const double angle = pseudoAngle(double(p.X) - m_x, double(p.Y) - m_y);
            double step = angle - previous;
            if (step > 2)
                step -= 4;
            else if (step < -2)
                step += 4;
            turn += step;
            low = std::min(low, turn);
            high = std::max(high, turn);
            previous = angle;
        }
        // Round the viewpoint, or nearly half round it: not told.
        if (!(std::abs(turn) < 1) || !(high - low < kWide))
            return false;
        bool clear = true;
        forEachSector(start + low, high - low, [&](int k) {
            if (!(m_far[size_t(k)] < limit))
                clear = false;
        });
        return clear;
    }

private:
    static constexpr int kSectors = 2048;
    // Steps of the grid: nearer the viewpoint than this, directions are not told.
    static constexpr double kNear = 4;
    // Arcs wider than this (of 4 round the turn) are taken as everywhere.
    static constexpr double kWide = 1.9;

    static double pseudoAngle(double dx, double dy)
    {
        const double p = dy / (std::abs(dx) + std::abs(dy));
        return dx < 0 ? 2 - p : (dy < 0 ? 4 + p : p);
    }
    // The squared distance from the origin to the segment from a to b.
    static double squaredDistance(double ax, double ay, double bx, double by)
    {
        const double dx = bx - ax, dy = by - ay;
        const double length2 = dx * dx + dy * dy;
        double t = length2 > 0 ? -(ax * dx + ay * dy) / length2 : 0;
        t = std::max(0.0, std::min(1.0, t));
        const double x = ax + dx * t, y = ay + dy * t;
        return x * x + y * y;
    }
    // The shorter way round between two directions, as its start and length;
    // false when it is too wide to tell.
    static bool shorterArc(double a, double b, double &from, double &length)
    {
        double d = b - a;
        if (d < 0)
            d += 4;
        if (d <= 2) {
            from = a;
            length = d;
        } else {
            from = b;
            length = 4 - d;
        }
        return length < kWide;
    }
    // Calls f for each sector of the arc, widened by far more than rounding.
    template <typename F> static void forEachSector(double from, double length, F f)
    {
        constexpr double margin = 1e-9;
        const int first = int(std::floor((from - margin) * (kSectors / 4.0)));
        const int last = int(std::floor((from + length + margin) * (kSectors / 4.0)));
        for (int k = first; k <= last; ++k)
            f(((k % kSectors) + kSectors) % kSectors);
    }

    double m_x, m_y;
    std::vector<double> m_far; // squared
    double m_everywhere = -1; // the farthest of the edges counted everywhere, squared
};

// Turns a ring's list of vertices round to start at its least vertex (by x,
// then y; of equal ones, where the list that follows is least), so that the
// same ring always comes out the same.
void startAtLeast(Path &ring)
{
    const auto less = [](const ClipperLib::IntPoint &a, const ClipperLib::IntPoint &b) {
        return a.X < b.X || (a.X == b.X && a.Y < b.Y);
    };
    const size_t n = ring.size();
    size_t best = 0;
    for (size_t i = 1; i < n; ++i) {
        if (less(ring[i], ring[best])) {
            best = i;
        } else if (!less(ring[best], ring[i])) {
            // An equal vertex: the rotation whose list is least.
            for (size_t k = 1; k < n; ++k) {
                const ClipperLib::IntPoint &a = ring[(i + k) % n];
                const ClipperLib::IntPoint &b = ring[(best + k) % n];
                if (less(a, b)) {
                    best = i;
                    break;
                }
                if (less(b, a))
                    break;
            }
        }
    }
    std::rotate(ring.begin(), ring.begin() + long(best), ring.end());
}

// The length of a closed path in steps.
double perimeter(const Path &path)
{
    double length = 0;
    const size_t n = path.size();
    for (size_t i = 0; i < n; ++i) {
        const ClipperLib::IntPoint &a = path[i];
        const ClipperLib::IntPoint &b = path[i + 1 < n ? i + 1 : 0];
        length += std::sqrt(
            double(b.X - a.X) * double(b.X - a.X) + double(b.Y - a.Y) * double(b.Y - a.Y));
    }
    return length;
}

// Leaves out vertices of a closed path (Douglas-Peucker, splitting at the
// vertex farthest from the chord) while the chord replacing a run of vertices
// moves at most areaPerLength times the run's length of area. The region then
// changes only where the run and its chord wind round a point differently:
// inside the triangles from the chord's first end to each edge of the run, so
// by at most the sum of their areas (the fan), kept under areaPerLength times
// the ring's perimeter.
Path simplified(const Path &path, double areaPerLength)
{
    const size_t n = path.size();
    if (n < 8 || !(areaPerLength > 0))
        return path;
    // The ring closed by its first vertex again at index n; length[i] runs
    // along it from the first vertex to the i-th.
    const auto at
        = [&path, n](size_t i) -> const ClipperLib::IntPoint & { return path[i < n ? i : i - n]; };
    std::vector<double> length(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const ClipperLib::IntPoint &a = path[i];
        const ClipperLib::IntPoint &b = at(i + 1);
        length[i + 1] = length[i]
            + std::sqrt(
                double(b.X - a.X) * double(b.X - a.X) + double(b.Y - a.Y) * double(b.Y - a.Y));
    }
    std::vector<char> keep(n + 1, 0);
    keep[0] = keep[n] = 1;
    std::vector<std::pair<size_t, size_t>> stack;
    // Split the ring at the vertex farthest from the first one.
    size_t far = 0;
    double farthest = -1;
    for (size_t i = 1; i < n; ++i) {
        const double dx = double(path[i].X - path[0].X);
        const double dy = double(path[i].Y - path[0].Y);
        if (dx * dx + dy * dy > farthest) {
            farthest = dx * dx + dy * dy;
            far = i;
        }
    }
    keep[far] = 1;
    stack.push_back({ 0, far });
    stack.push_back({ far, n });
    while (!stack.empty()) {
        const auto [first, last] = stack.back();
        stack.pop_back();
        if (last - first < 2)
            continue;
        const ClipperLib::IntPoint &a = at(first);
        const ClipperLib::IntPoint &b = at(last);
        const double dx = double(b.X - a.X);
        const double dy = double(b.Y - a.Y);
        // Twice the fan's area, and the vertex farthest from the chord's line
        // (of the same cross product with the chord).
        double fan = 0;
        double worst = -1;
        size_t index = first + 1;
        double px = double(at(first + 1).X - a.X);
        double py = double(at(first + 1).Y - a.Y);
        for (size_t i = first + 1; i < last; ++i) {
            const ClipperLib::IntPoint &next = at(i + 1);
            const double qx = double(next.X - a.X);
            const double qy = double(next.Y - a.Y);
            fan += std::abs(px * qy - py * qx);
            const double off = std::abs(dx * py - dy * px);
            if (off > worst) {
                worst = off;
                index = i;
            }
            px = qx;
            py = qy;
        }
        if (fan > 2 * areaPerLength * (length[last] - length[first])) {
            keep[index] = 1;
            stack.push_back({ first, index });
            stack.push_back({ index, last });
        }
    }
    Path result;
    result.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (keep[i])
            result.push_back(path[i]);
    }
    return result;
}

bool hasArea(const QPolygonF &polygon)
{
    int finite = 0;
    for (const QPointF &p : polygon)
        finite += std::isfinite(p.x()) && std::isfinite(p.y());
    return finite >= 3;
}

// The figures and the map from one sweep over the whole floor for each count:
// all zones together with k - 1 reversed squares around everything, kept where
// the winding number stays positive, gives the floor seen by at least k.
void countWithMap(const Paths &floor, const QVector<Paths> &seen, const QVector<Box> &seenBoxes,
    const ClipFrame &frame, Coverage &result)
{
    Paths atLeast[3];
    Paths all;
    for (const Paths &zone : seen)
        all.insert(all.end(), zone.begin(), zone.end());
    for (int k = 0; k < 3; ++k) {
        ClipperLib::Clipper clipper;
        clipper.AddPaths(all, ClipperLib::ptSubject, true);
        for (int r = 0; r < k; ++r)
            clipper.AddPath(frame.reversedBox(), ClipperLib::ptSubject, true);
        clipper.Execute(
            ClipperLib::ctUnion, atLeast[k], ClipperLib::pftPositive, ClipperLib::pftPositive);
    }
    const double once = frame.area(atLeast[0]);
    const double twice = frame.area(atLeast[1]);
    result.unseenArea = std::max(0.0, result.floorArea - once);
    result.onceArea = std::max(0.0, once - twice);
    result.twiceArea = twice;
    result.thriceArea = frame.area(atLeast[2]);

    const auto rings = [&frame](const Paths &paths) {
        QVector<QPolygonF> polygons;
        polygons.reserve(int(paths.size()));
        for (const Path &path : paths)
            polygons.append(frame.toPolygon(path));
        return polygons;
    };
    const auto difference = [](const Paths &subject, const Paths &clip) {
        Paths out;
        ClipperLib::Clipper clipper;
        clipper.AddPaths(subject, ClipperLib::ptSubject, true);
        clipper.AddPaths(clip, ClipperLib::ptClip, true);
        clipper.Execute(
            ClipperLib::ctDifference, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        return out;
    };
    result.map.unseen = rings(difference(floor, atLeast[0]));
    const Paths onceRings = difference(atLeast[0], atLeast[1]);
    result.map.once = rings(onceRings);
    result.map.twiceOrMore = rings(atLeast[1]);

    // What a detector alone sees is the part of its zone seen once.
    const std::vector<Box> onceBoxes = ringBoxes(onceRings);
    for (int i = 0; i < seen.size(); ++i) {
        const Paths only = ringsNear(onceRings, onceBoxes, seenBoxes.at(i));
        double onlyArea = 0;
        if (!only.empty() && !seen.at(i).empty()) {
            Paths common;
            ClipperLib::Clipper clipper;
            clipper.AddPaths(seen.at(i), ClipperLib::ptSubject, true);
            clipper.AddPaths(only, ClipperLib::ptClip, true);
            clipper.Execute(
                ClipperLib::ctIntersection, common, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
            onlyArea = frame.area(common);
        }
        result.detectors[i].onlyArea = std::max(0.0, onlyArea);
    }
}

} // namespace

Coverage computeCoverage(const QPolygonF &outline, const QVector<QPolygonF> &obstacles,
    const QVector<QVector<QPolygonF>> &zones, bool withMap, const QVector<QPointF> &viewpoints)
{
    Coverage result;
    if (!hasArea(outline))
        return result;
    double left = HUGE_VAL, top = HUGE_VAL, right = -HUGE_VAL, bottom = -HUGE_VAL;
    for (const QPointF &p : outline) {
        if (std::isfinite(p.x()) && std::isfinite(p.y())) {
            left = std::min(left, p.x());
            right = std::max(right, p.x());
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
        }
    }
    // Nothing outside the outline's box counts, so that box is the frame.
    const ClipFrame frame(QPointF((left + right) / 2, (top + bottom) / 2),
        std::max(right - left, bottom - top) / 2 + 1);

    try {
        Paths floor;
        {
            ClipperLib::Clipper clipper;
            clipper.AddPath(frame.toPath(outline), ClipperLib::ptSubject, true);
            for (const QPolygonF &obstacle : obstacles) {
                Path path = frame.toPath(obstacle);
                if (path.size() > 2)
                    clipper.AddPath(ClipFrame::positive(std::move(path)), ClipperLib::ptClip, true);
            }
            clipper.Execute(
                ClipperLib::ctDifference, floor, ClipperLib::pftEvenOdd, ClipperLib::pftNonZero);
        }
        result.floorArea = frame.area(floor);
        const Box floorBox = boxOf(floor);
        const std::vector<Box> floorBoxes = ringBoxes(floor);

        // Zone outlines are sampled finely; runs of vertices are replaced by
        // chords while that changes each zone's region by at most
        // areaPerLength times its outline's length on the grid (see
        // simplified()). Every figure is the area of a set of points chosen by
        // which zones hold them, so it moves by no more than the area where
        // some zone changed: at most areaPerLength × all zone perimeters, that
        // is kSimplificationShare (0.08 %) of the floor area. The count adds
        // at most kSliverShare (see CoverageCount), and rounding to the grid
        // moves an outline by less than a step (a micrometre in any room under
        // a kilometre), a far smaller area: the figures stay within 0.1 % of
        // the exact polygon answer.
        // The pieces on the grid on every core; their lengths are added up
        // here, in order.
        std::vector<Paths> paths(size_t(zones.size()));
        std::vector<std::vector<double>> lengths(size_t(zones.size()));
        runOnAllCores(zones.size(), [&zones, &frame, &paths, &lengths](int i) {
            for (const QPolygonF &piece : zones.at(i)) {
                Path path = frame.toPath(piece);
                lengths[size_t(i)].push_back(perimeter(path));
                paths[size_t(i)].push_back(std::move(path));
            }
        });
        double perimeters = 0;
        for (const std::vector<double> &zone : lengths) {
            for (double length : zone)
                perimeters += length;
        }
        const double areaPerLength = std::isfinite(perimeters) && perimeters > 0
            ? kSimplificationShare * result.floorArea / (perimeters * frame.step() * frame.step())
            : 0;

        // Each zone cut to the floor: outer rings turn the library's positive
        // way, holes the other, so every zone adds one to the winding number
        // of the floor it sees.
        // Zone by zone, on every core.
        QVector<Paths> seen(zones.size());
        QVector<Box> seenBoxes(zones.size());
        result.detectors.resize(zones.size());
        std::atomic<bool> refused { false };
        // Taken before the threads start, each writes its own entries only.
        Paths *const seenAt = seen.data();
        Box *const seenBoxAt = seenBoxes.data();
        Coverage::Detector *const detectorAt = result.detectors.data();
        runOnAllCores(zones.size(), [&](int i) {
            Paths pieces;
            for (const Path &piece : paths[size_t(i)]) {
                Path path = simplified(piece, areaPerLength);
                if (path.size() > 2)
                    pieces.push_back(std::move(path));
            }
            Paths inside;
            const Box piecesBox = boxOf(pieces);
            if (!pieces.empty() && piecesBox.meets(floorBox)) {
                try {
                    Paths near = ringsNear(floor, floorBoxes, piecesBox);
                    // Rings the zone cannot meet, seen from its viewpoint
                    // (most obstacles behind others), change nothing of it.
                    const Path eye = i < viewpoints.size()
                        ? frame.toPath(QPolygonF(QVector<QPointF> { viewpoints.at(i) }))
                        : Path();
                    if (eye.size() == 1) {
                        const RadialReach reach(pieces, double(eye[0].X), double(eye[0].Y));
                        near.erase(
                            std::remove_if(near.begin(), near.end(),
                                [&reach](const Path &ring) { return reach.keepsClear(ring); }),
                            near.end());
                    }
                    ClipperLib::Clipper clipper;
                    clipper.AddPaths(pieces, ClipperLib::ptSubject, true);
                    clipper.AddPaths(near, ClipperLib::ptClip, true);
                    clipper.Execute(ClipperLib::ctIntersection, inside, ClipperLib::pftEvenOdd,
                        ClipperLib::pftNonZero);
                } catch (...) {
                    refused = true;
                }
            }
            // Each ring from its least vertex, whatever rings the library
            // was given besides.
            for (Path &ring : inside)
                startAtLeast(ring);
            detectorAt[i].zoneArea = frame.area(inside);
            seenBoxAt[i] = boxOf(inside);
            seenAt[i] = std::move(inside);
        });
        if (refused)
            return Coverage();

        if (withMap) {
            countWithMap(floor, seen, seenBoxes, frame, result);
        } else {
            const CoverageCount count(std::vector<Paths>(std::make_move_iterator(seen.begin()),
                                          std::make_move_iterator(seen.end())),
                floor,
                kSliverShare * result.floorArea / (frame.step() * frame.step()));
            const double square = frame.step() * frame.step();
            const double once = count.atLeast(1) * square;
            const double twice = count.atLeast(2) * square;
            result.unseenArea = std::max(0.0, result.floorArea - once);
            result.onceArea = std::max(0.0, once - twice);
            result.twiceArea = twice;
            result.thriceArea = count.atLeast(3) * square;
            for (int i = 0; i < seen.size(); ++i)
                result.detectors[i].onlyArea = std::max(0.0, count.only(size_t(i)) * square);
        }
    } catch (...) {
        // The frame keeps every coordinate in the library's range; should it
        // refuse one all the same, there are no figures rather than wrong ones.
        return Coverage();
    }
    result.valid = true;
    return result;
}
