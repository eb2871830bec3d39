#include "coverage.h"

#include "detectors/clipframe.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

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
// the box more than a step inside its border, the ring's winding number there
// stays as it was. Crossings are rounded to the integer grid.
Path cutToBox(const Path &ring, const Box &box)
{
    Path path = ring;
    for (int side = 0; side < 4; ++side) {
        const auto inside = [&box, side](const ClipperLib::IntPoint &p) {
            switch (side) {
            case 0:
                return p.X >= box.left;
            case 1:
                return p.X <= box.right;
            case 2:
                return p.Y >= box.top;
            default:
                return p.Y <= box.bottom;
            }
        };
        const auto cross = [&box, side](
                               const ClipperLib::IntPoint &a, const ClipperLib::IntPoint &b) {
            const bool vertical = side < 2;
            const double edge = double(side == 0 ? box.left
                    : side == 1                  ? box.right
                    : side == 2                  ? box.top
                                                 : box.bottom);
            const double a1 = double(vertical ? a.X : a.Y);
            const double b1 = double(vertical ? b.X : b.Y);
            const double a2 = double(vertical ? a.Y : a.X);
            const double b2 = double(vertical ? b.Y : b.X);
            const auto other
                = ClipperLib::cInt(std::llround(a2 + (b2 - a2) * ((edge - a1) / (b1 - a1))));
            const auto at = ClipperLib::cInt(edge);
            return vertical ? ClipperLib::IntPoint(at, other) : ClipperLib::IntPoint(other, at);
        };
        Path next;
        next.reserve(path.size() + 4);
        const size_t n = path.size();
        for (size_t i = 0; i < n; ++i) {
            const ClipperLib::IntPoint &a = path[i];
            const ClipperLib::IntPoint &b = path[(i + 1) % n];
            const bool ia = inside(a);
            if (ia)
                next.push_back(a);
            if (ia != inside(b))
                next.push_back(cross(a, b));
        }
        path = std::move(next);
        if (path.empty())
            break;
    }
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

double distanceToChord(
    const ClipperLib::IntPoint &p, const ClipperLib::IntPoint &a, const ClipperLib::IntPoint &b)
{
    const double dx = double(b.X - a.X);
    const double dy = double(b.Y - a.Y);
    const double px = double(p.X - a.X);
    const double py = double(p.Y - a.Y);
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? (px * dx + py * dy) / length2 : 0;
    t = std::max(0.0, std::min(1.0, t));
    return std::hypot(px - t * dx, py - t * dy);
}

// Leaves out the vertices of a closed path that lie within tolerance of the
// chord that replaces them (Douglas-Peucker). The region changes only inside a
// band of twice the tolerance along the new edges.
Path simplified(const Path &path, double tolerance)
{
    const size_t n = path.size();
    if (n < 8 || !(tolerance > 0))
        return path;
    std::vector<char> keep(n + 1, 0);
    // The ring closed by a copy of its first vertex at index n.
    auto at = [&path, n](size_t i) -> const ClipperLib::IntPoint & { return path[i % n]; };
    keep[0] = keep[n] = 1;
    std::vector<std::pair<size_t, size_t>> stack;
    // Split the ring at the vertex farthest from the first one.
    size_t far = 0;
    double farthest = -1;
    for (size_t i = 1; i < n; ++i) {
        const double d = std::hypot(double(path[i].X - path[0].X), double(path[i].Y - path[0].Y));
        if (d > farthest) {
            farthest = d;
            far = i;
        }
    }
    keep[far] = 1;
    stack.push_back({ 0, far });
    stack.push_back({ far, n });
    while (!stack.empty()) {
        const auto [first, last] = stack.back();
        stack.pop_back();
        double worst = -1;
        size_t index = first;
        for (size_t i = first + 1; i < last; ++i) {
            const double d = distanceToChord(at(i), at(first), at(last));
            if (d > worst) {
                worst = d;
                index = i;
            }
        }
        if (worst > tolerance) {
            keep[index] = 1;
            stack.push_back({ first, index });
            stack.push_back({ index, last });
        }
    }
    Path result;
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

// Floor seen by at least k detectors (atLeast[k - 1], k = 1, 2, 3): all zones
// together with k - 1 reversed squares around everything, kept where the
// winding number stays positive. A sweep meets, at every height where some
// ring has a vertex, every edge that spans it; in vertical strips each sweep
// meets only its strip's. The strips meet on integer x, where the rings are
// cut to the grid, so that no figure moves by more than a step along the cuts.
void seenAtLeast(const QVector<Paths> &seen, const QVector<Box> &boxes, const ClipFrame &frame,
    int strips, Paths atLeast[3])
{
    Box all { 0, 0, -1, -1 };
    bool first = true;
    for (const Box &box : boxes) {
        if (box.right < box.left)
            continue;
        all = first ? box
                    : Box { std::min(all.left, box.left), std::min(all.top, box.top),
                          std::max(all.right, box.right), std::max(all.bottom, box.bottom) };
        first = false;
    }
    if (first)
        return;
    const ClipperLib::cInt width = all.right - all.left + 1;
    strips = int(std::max<ClipperLib::cInt>(1, std::min<ClipperLib::cInt>(strips, width)));
    for (int s = 0; s < strips; ++s) {
        const Box strip { s == 0 ? all.left - 1 : all.left + width * s / strips, all.top - 1,
            s + 1 == strips ? all.right + 1 : all.left + width * (s + 1) / strips, all.bottom + 1 };
        Paths rings;
        for (int i = 0; i < seen.size(); ++i) {
            const Box &own = boxes.at(i);
            if (own.right < own.left || !own.meets(strip))
                continue;
            const bool within = own.left >= strip.left && own.right <= strip.right;
            for (const Path &ring : seen.at(i)) {
                if (within) {
                    rings.push_back(ring);
                    continue;
                }
                Path cut = cutToBox(ring, strip);
                if (cut.size() > 2)
                    rings.push_back(std::move(cut));
            }
        }
        for (int k = 0; k < 3; ++k) {
            ClipperLib::Clipper clipper;
            clipper.AddPaths(rings, ClipperLib::ptSubject, true);
            for (int r = 0; r < k; ++r)
                clipper.AddPath(frame.reversedBox(), ClipperLib::ptSubject, true);
            Paths part;
            clipper.Execute(
                ClipperLib::ctUnion, part, ClipperLib::pftPositive, ClipperLib::pftPositive);
            atLeast[k].insert(atLeast[k].end(), std::make_move_iterator(part.begin()),
                std::make_move_iterator(part.end()));
        }
    }
}

// About a thousand zone vertices to a strip, at most sixteen strips.
int strips(const QVector<Paths> &seen)
{
    size_t vertices = 0;
    for (const Paths &zone : seen) {
        for (const Path &ring : zone)
            vertices += ring.size();
    }
    return int(std::min<size_t>(16, std::max<size_t>(1, vertices / 1000)));
}

} // namespace

Coverage computeCoverage(const QPolygonF &outline, const QVector<QPolygonF> &obstacles,
    const QVector<QVector<QPolygonF>> &zones, bool withMap)
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

        // Zone outlines are sampled finely; vertices within a tolerance of
        // their chords are left out. Each zone's region then changes only in a
        // band of twice the tolerance along its outline, so no figure moves by
        // more than 2 × tolerance × all zone perimeters: kept at 0.02 % of the
        // floor area.
        double perimeters = 0;
        for (const QVector<QPolygonF> &zone : zones) {
            for (const QPolygonF &piece : zone)
                perimeters += ClipFrame::perimeter(piece);
        }
        const double tolerance = std::isfinite(perimeters) && perimeters > 0
            ? 0.0002 * result.floorArea / (2 * perimeters) / frame.step()
            : 0;

        // Each zone cut to the floor: outer rings turn the library's positive
        // way, holes the other, so every zone adds one to the winding number
        // of the floor it sees.
        QVector<Paths> seen;
        QVector<Box> seenBoxes;
        seen.reserve(zones.size());
        result.detectors.resize(zones.size());
        for (int i = 0; i < zones.size(); ++i) {
            Paths pieces;
            for (const QPolygonF &piece : zones.at(i)) {
                Path path = simplified(frame.toPath(piece), tolerance);
                if (path.size() > 2)
                    pieces.push_back(std::move(path));
            }
            Paths inside;
            const Box piecesBox = boxOf(pieces);
            if (!pieces.empty() && piecesBox.meets(floorBox)) {
                ClipperLib::Clipper clipper;
                clipper.AddPaths(pieces, ClipperLib::ptSubject, true);
                clipper.AddPaths(ringsNear(floor, floorBoxes, piecesBox), ClipperLib::ptClip, true);
                clipper.Execute(ClipperLib::ctIntersection, inside, ClipperLib::pftEvenOdd,
                    ClipperLib::pftNonZero);
            }
            result.detectors[i].zoneArea = frame.area(inside);
            seenBoxes.append(boxOf(inside));
            seen.append(std::move(inside));
        }

        Paths atLeast[3];
        seenAtLeast(seen, seenBoxes, frame, withMap ? 1 : strips(seen), atLeast);
        const double once = frame.area(atLeast[0]);
        const double twice = frame.area(atLeast[1]);
        result.unseenArea = std::max(0.0, result.floorArea - once);
        result.onceArea = std::max(0.0, once - twice);
        result.twiceArea = twice;
        result.thriceArea = frame.area(atLeast[2]);

        if (withMap) {
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
            result.map.once = rings(difference(atLeast[0], atLeast[1]));
            result.map.twiceOrMore = rings(atLeast[1]);
        }

        // What a detector alone sees is the part of its zone seen once: a
        // few small rings, where the floor seen twice is most of the floor.
        Paths onceRings;
        {
            ClipperLib::Clipper clipper;
            clipper.AddPaths(atLeast[0], ClipperLib::ptSubject, true);
            clipper.AddPaths(atLeast[1], ClipperLib::ptClip, true);
            clipper.Execute(ClipperLib::ctDifference, onceRings, ClipperLib::pftNonZero,
                ClipperLib::pftNonZero);
        }
        const std::vector<Box> onceBoxes = ringBoxes(onceRings);
        for (int i = 0; i < seen.size(); ++i) {
            const Paths only = ringsNear(onceRings, onceBoxes, seenBoxes.at(i));
            double onlyArea = 0;
            if (!only.empty() && !seen.at(i).empty()) {
                Paths common;
                ClipperLib::Clipper clipper;
                clipper.AddPaths(seen.at(i), ClipperLib::ptSubject, true);
                clipper.AddPaths(only, ClipperLib::ptClip, true);
                clipper.Execute(ClipperLib::ctIntersection, common, ClipperLib::pftNonZero,
                    ClipperLib::pftNonZero);
                onlyArea = frame.area(common);
            }
            result.detectors[i].onlyArea = std::max(0.0, onlyArea);
        }
    } catch (...) {
        // The frame keeps every coordinate in the library's range; should it
        // refuse one all the same, there are no figures rather than wrong ones.
        return Coverage();
    }
    result.valid = true;
    return result;
}
