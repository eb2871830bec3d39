#include "coveragecount.h"

#include "scene/allcores.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

namespace {

// A box is cut in halves while the outlines crossing it have more vertices
// than this, down to a 1/kFinest of the whole: the library's sweep costs
// about its vertices times the edges it holds at once, and each call has a
// cost of its own. Round a post seen from every side the outlines of nearly
// all zones meet, their shadows crossing one another; only boxes much
// smaller than the post part them, so the finest box is small.
constexpr size_t kLeafVertices = 32;
constexpr int kFinest = 2048;
constexpr int kMaxDepth = 48;
// The depth whose boxes are shared out among the cores: up to 16 of them.
constexpr int kSharedDepth = 4;
// Above it, a box's zones are halved on every core when they have this many
// vertices: for fewer, starting the threads costs more than it saves.
constexpr size_t kHalvedOnAllCores = 16384;

double ringsArea(const Paths &rings)
{
    double sum = 0;
    for (const Path &ring : rings)
        sum += ClipperLib::Area(ring);
    return sum;
}

double boxArea(cInt left, cInt top, cInt right, cInt bottom)
{
    return double(right - left) * double(bottom - top);
}

} // namespace

struct CoverageCount::Task
{
    Box box;
    int covering;
    size_t sole;
    std::vector<Part> parts;
    size_t vertices;
    Part floor;
    double allowance;
};

CoverageCount::CoverageCount(size_t zones, cInt smallest)
    : m_smallest(smallest)
    , m_only(zones, 0.0)
{
}

CoverageCount::CoverageCount(std::vector<Paths> zones, const Paths &floor, double allowance)
    : m_only(zones.size(), 0.0)
{
    std::vector<Part> parts;
    size_t vertices = 0;
    Box all { 0, 0, -1, -1 };
    for (size_t i = 0; i < zones.size(); ++i) {
        Part part { i, {}, 0 };
        for (Path &ring : zones[i]) {
            if (ring.size() < 3)
                continue;
            for (const IntPoint &p : ring) {
                all = all.right < all.left
                    ? Box { p.X, p.Y, p.X, p.Y }
                    : Box { std::min(all.left, p.X), std::min(all.top, p.Y),
                          std::max(all.right, p.X), std::max(all.bottom, p.Y) };
            }
            vertices += ring.size();
            part.area += ClipperLib::Area(ring);
            part.rings.push_back(std::move(ring));
        }
        if (!part.rings.empty())
            parts.push_back(std::move(part));
    }
    if (parts.empty())
        return;
    m_smallest = std::max(all.right - all.left, all.bottom - all.top) / kFinest;
    Part inAll { size_t(-1), {}, 0 };
    for (const Path &ring : floor) {
        Path piece = cut(ring, true, all.left, false);
        for (int side = 1; side < 4 && piece.size() > 2; ++side) {
            piece = side == 1 ? cut(piece, true, all.right, true)
                : side == 2   ? cut(piece, false, all.top, false)
                              : cut(piece, false, all.bottom, true);
        }
        if (piece.size() > 2) {
            inAll.area += ClipperLib::Area(piece);
            inAll.rings.push_back(std::move(piece));
        }
    }
    if (!(inAll.area > 0))
        return;
    // The boxes a few halvings down are counted on every core, each into a
    // count of its own; their figures are added up in the boxes' order, so
    // that they come out the same on any machine.
    std::vector<Task> tasks;
    m_tasks = &tasks;
    count(all, 0, 0, parts, vertices, 0, inAll, allowance);
    m_tasks = nullptr;
    std::vector<std::unique_ptr<CoverageCount>> counts;
    for (size_t i = 0; i < tasks.size(); ++i)
        counts.push_back(
            std::unique_ptr<CoverageCount>(new CoverageCount(zones.size(), m_smallest)));
    std::vector<std::exception_ptr> failures(tasks.size());
    runOnAllCores(int(tasks.size()), [&](int i) {
        Task &task = tasks[size_t(i)];
        try {
            counts[size_t(i)]->count(task.box, task.covering, task.sole, task.parts, task.vertices,
                kSharedDepth, task.floor, task.allowance);
        } catch (...) {
            failures[size_t(i)] = std::current_exception();
        }
    });
    for (size_t i = 0; i < tasks.size(); ++i) {
        if (failures[i])
            std::rethrow_exception(failures[i]);
        for (int k = 0; k < 3; ++k)
            m_atLeast[k] += counts[i]->m_atLeast[k];
        for (size_t zone = 0; zone < m_only.size(); ++zone)
            m_only[zone] += counts[i]->m_only[zone];
    }
}

namespace {

// Where the edge from a to b crosses the line, rounded to the grid.
IntPoint crossing(const IntPoint &a, const IntPoint &b, bool vertical, cInt at)
{
    const double a1 = double(vertical ? a.X : a.Y);
    const double b1 = double(vertical ? b.X : b.Y);
    const double a2 = double(vertical ? a.Y : a.X);
    const double b2 = double(vertical ? b.Y : b.X);
    const auto other = cInt(std::llround(a2 + (b2 - a2) * ((double(at) - a1) / (b1 - a1))));
    return vertical ? IntPoint(at, other) : IntPoint(other, at);
}

} // namespace

Path CoverageCount::cut(const Path &ring, bool vertical, cInt at, bool low)
{
    const auto inside = [vertical, at, low](const IntPoint &p) {
        const cInt v = vertical ? p.X : p.Y;
        return low ? v <= at : v >= at;
    };
    const auto cross = [vertical, at](const IntPoint &a, const IntPoint &b) {
        return crossing(a, b, vertical, at);
    };
    Path result;
    const size_t n = ring.size();
    result.reserve(n + 2);
    for (size_t i = 0; i < n; ++i) {
        const IntPoint &a = ring[i];
        const IntPoint &b = ring[i + 1 < n ? i + 1 : 0];
        const bool ia = inside(a);
        if (ia)
            result.push_back(a);
        if (ia != inside(b))
            result.push_back(cross(a, b));
    }
    return result;
}

void CoverageCount::split(const Path &ring, bool vertical, cInt at, Path &low, Path &high)
{
    const size_t n = ring.size();
    low.clear();
    high.clear();
    low.reserve(n + 2);
    high.reserve(n + 2);
    if (n == 0)
        return;
    const auto side = [vertical, at](const IntPoint &p) {
        const cInt v = vertical ? p.X : p.Y;
        return v < at ? -1 : v > at ? 1 : 0;
    };
    int sa = side(ring[0]);
    for (size_t i = 0; i < n; ++i) {
        const IntPoint &a = ring[i];
        const IntPoint &b = ring[i + 1 < n ? i + 1 : 0];
        const int sb = side(b);
        // On the line a point belongs to both parts.
        const bool lowA = sa <= 0, lowB = sb <= 0;
        const bool highA = sa >= 0, highB = sb >= 0;
        if (lowA)
            low.push_back(a);
        if (highA)
            high.push_back(a);
        if (lowA != lowB || highA != highB) {
            const IntPoint c = crossing(a, b, vertical, at);
            if (lowA != lowB)
                low.push_back(c);
            if (highA != highB)
                high.push_back(c);
        }
        sa = sb;
    }
}

void CoverageCount::halve(
    Part &part, bool vertical, cInt middle, const Box halves[2], Part inHalf[2], bool crosses[2])
{
    inHalf[0] = inHalf[1] = Part { part.zone, {}, 0 };
    crosses[0] = crosses[1] = false;
    // A ring cut to a half that runs along its border only winds the same
    // number of times round every point inside.
    const auto put = [&](int h, Path &&piece) {
        if (piece.size() < 3)
            return;
        const Box &half = halves[h];
        const size_t count = piece.size();
        for (size_t i = 0; i < count && !crosses[h]; ++i) {
            const IntPoint &a = piece[i];
            const IntPoint &b = piece[i + 1 < count ? i + 1 : 0];
            crosses[h] = !((a.X == b.X && (a.X == half.left || a.X == half.right))
                || (a.Y == b.Y && (a.Y == half.top || a.Y == half.bottom)));
        }
        inHalf[h].area += ClipperLib::Area(piece);
        inHalf[h].rings.push_back(std::move(piece));
    };
    for (Path &ring : part.rings) {
        // The ring's extent across the line, in a loop for each direction.
        cInt low = vertical ? ring.front().X : ring.front().Y;
        cInt high = low;
        if (vertical) {
            for (const IntPoint &p : ring) {
                low = std::min(low, p.X);
                high = std::max(high, p.X);
            }
        } else {
            for (const IntPoint &p : ring) {
                low = std::min(low, p.Y);
                high = std::max(high, p.Y);
            }
        }
        if (high <= middle) {
            put(0, std::move(ring));
        } else if (low >= middle) {
            put(1, std::move(ring));
        } else {
            Path low, high;
            split(ring, vertical, middle, low, high);
            put(0, std::move(low));
            put(1, std::move(high));
        }
    }
    part.rings.clear();
}

void CoverageCount::count(const Box &box, int covering, size_t sole, std::vector<Part> &parts,
    size_t vertices, int depth, Part &floor, double allowance)
{
    const size_t n = parts.size();
    const bool free = covering >= 3 || n <= 1;
    const bool vertical = box.right - box.left >= box.bottom - box.top;
    const cInt length = vertical ? box.right - box.left : box.bottom - box.top;
    if (free || depth >= kMaxDepth || length <= std::max<cInt>(1, m_smallest)
        || vertices <= kLeafVertices) {
        countLeaf(box, covering, sole, parts, floor.area);
        return;
    }
    if (m_tasks && depth == kSharedDepth) {
        m_tasks->push_back(
            Task { box, covering, sole, std::move(parts), vertices, std::move(floor), allowance });
        parts.clear();
        return;
    }
    const cInt middle = (vertical ? box.left : box.top) + length / 2;
    Box halves[2] = { box, box };
    if (vertical)
        halves[0].right = halves[1].left = middle;
    else
        halves[0].bottom = halves[1].top = middle;
    const double area = boxArea(box.left, box.top, box.right, box.bottom);
    std::vector<Part> halfParts[2];
    size_t halfVertices[2] = {};
    int halfCovering[2] = { covering, covering };
    size_t halfSole[2] = { sole, sole };
    double halfAllowance[2] = {};
    Part halfFloor[2];
    bool floorCrosses[2];
    if (floor.rings.empty()) {
        // The floor covers all of the box.
        for (int h = 0; h < 2; ++h) {
            const Box &b = halves[h];
            halfFloor[h] = Part { floor.zone, {}, boxArea(b.left, b.top, b.right, b.bottom) };
        }
    } else {
        halve(floor, vertical, middle, halves, halfFloor, floorCrosses);
        for (int h = 0; h < 2; ++h) {
            if (!floorCrosses[h]) {
                const Box &b = halves[h];
                const double whole = boxArea(b.left, b.top, b.right, b.bottom);
                halfFloor[h].rings.clear();
                halfFloor[h].area = std::llround(halfFloor[h].area / whole) > 0 ? whole : 0;
            }
        }
    }
    for (int h = 0; h < 2; ++h) {
        const Box &b = halves[h];
        halfAllowance[h] = allowance * boxArea(b.left, b.top, b.right, b.bottom) / area;
    }
    // How each half of a part stands: covering it, beside it, or to be
    // counted further down.
    const auto classify = [&](const Part &part, Part inHalf[2], const bool crosses[2]) {
        for (int h = 0; h < 2; ++h) {
            const Box &half = halves[h];
            const double floorArea = halfFloor[h].area;
            bool covers = false;
            if (inHalf[h].rings.empty() || floorArea <= 0) {
                continue;
            } else if (!crosses[h]) {
                covers = std::llround(
                             inHalf[h].area / boxArea(half.left, half.top, half.right, half.bottom))
                    > 0;
            } else if (std::abs(floorArea - inHalf[h].area) <= halfAllowance[h]) {
                // All but a sliver of the floor in the half.
                halfAllowance[h] -= std::abs(floorArea - inHalf[h].area);
                covers = true;
            } else if (std::abs(inHalf[h].area) <= halfAllowance[h]) {
                halfAllowance[h] -= std::abs(inHalf[h].area);
                continue;
            } else {
                for (const Path &ring : inHalf[h].rings)
                    halfVertices[h] += ring.size();
                halfParts[h].push_back(std::move(inHalf[h]));
                continue;
            }
            if (covers && halfCovering[h]++ == 0)
                halfSole[h] = part.zone;
        }
    };
    if (m_tasks && n > 1 && vertices >= kHalvedOnAllCores) {
        // Above the boxes shared out among the cores, where a box holds most
        // zones, the parts are halved on all the cores at once.
        struct Halved
        {
            Part inHalf[2];
            bool crosses[2];
        };
        std::vector<Halved> halved(n);
        std::vector<std::exception_ptr> failures(n);
        runOnAllCores(int(n), [&](int i) {
            try {
                Halved &h = halved[size_t(i)];
                halve(parts[size_t(i)], vertical, middle, halves, h.inHalf, h.crosses);
            } catch (...) {
                failures[size_t(i)] = std::current_exception();
            }
        });
        for (const std::exception_ptr &failure : failures) {
            if (failure)
                std::rethrow_exception(failure);
        }
        for (size_t i = 0; i < n; ++i)
            classify(parts[i], halved[i].inHalf, halved[i].crosses);
    } else {
        for (Part &part : parts) {
            Part inHalf[2];
            bool crosses[2];
            halve(part, vertical, middle, halves, inHalf, crosses);
            classify(part, inHalf, crosses);
        }
    }
    parts.clear();
    for (int h = 0; h < 2; ++h) {
        if (halfFloor[h].area > 0) {
            count(halves[h], halfCovering[h], halfSole[h], halfParts[h], halfVertices[h], depth + 1,
                halfFloor[h], halfAllowance[h]);
        }
    }
}

// The box's share of the figures. The zones covering all of it count without
// a sweep, and so does the last count of two or three zones crossing it,
// since their areas add up to the area seen once plus the area seen twice,
// and so on.
void CoverageCount::countLeaf(
    const Box &box, int covering, size_t sole, const std::vector<Part> &parts, double area)
{
    const size_t n = parts.size();
    if (covering >= 3) {
        for (double &level : m_atLeast)
            level += area;
        return;
    }
    double sum = 0;
    for (const Part &part : parts)
        sum += part.area;
    const int needed = 3 - covering;
    // Where no zone covers the box, what each zone alone sees: of three, the
    // floor seen at least once less what the other two see; of more, its
    // part of the floor seen once.
    const bool once = covering == 0 && n > 3;
    Paths rings[2];
    // seen[j - 1]: the floor seen by at least j of the zones crossing the box.
    double seen[3] = {};
    if (n == 1) {
        seen[0] = sum;
    } else if (n >= 2) {
        seen[0] = unite(parts, box, 0, once ? &rings[0] : nullptr);
        if (n == 2) {
            seen[1] = sum - seen[0];
        } else if (covering == 0 && n == 3) {
            double alone = 0;
            for (size_t i = 0; i < n; ++i) {
                const double only = std::max(0.0, seen[0] - unite(parts, box, 0, nullptr, i));
                m_only[parts[i].zone] += only;
                alone += only;
            }
            seen[1] = seen[0] - alone;
            seen[2] = sum - seen[0] - seen[1];
        } else if (needed >= 2) {
            seen[1] = unite(parts, box, 1, once ? &rings[1] : nullptr);
            if (needed >= 3)
                seen[2] = n == 3 ? sum - seen[0] - seen[1] : unite(parts, box, 2);
        }
    }
    for (int k = 1; k <= 3; ++k)
        m_atLeast[k - 1] += k <= covering ? area : seen[k - covering - 1];

    if (covering == 1) {
        m_only[sole] += area - seen[0];
    } else if (covering == 0 && n <= 2) {
        for (const Part &part : parts)
            m_only[part.zone] += part.area - seen[1];
    } else if (once) {
        Paths onceRings;
        m_clipper.Clear();
        m_clipper.AddPaths(rings[0], ClipperLib::ptSubject, true);
        m_clipper.AddPaths(rings[1], ClipperLib::ptClip, true);
        m_clipper.Execute(
            ClipperLib::ctDifference, onceRings, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        if (onceRings.empty())
            return;
        for (const Part &part : parts) {
            Paths common;
            m_clipper.Clear();
            m_clipper.AddPaths(part.rings, ClipperLib::ptSubject, true);
            m_clipper.AddPaths(onceRings, ClipperLib::ptClip, true);
            m_clipper.Execute(
                ClipperLib::ctIntersection, common, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
            m_only[part.zone] += std::max(0.0, ringsArea(common));
        }
    }
}

// The floor in the box where the parts' winding number less the reversed
// rings stays positive: seen by more than `reversed` of the parts (all but
// the skipped one).
double CoverageCount::unite(
    const std::vector<Part> &parts, const Box &box, int reversed, Paths *out, size_t skip)
{
    Path around { { box.left - 1, box.top - 1 }, { box.right + 1, box.top - 1 },
        { box.right + 1, box.bottom + 1 }, { box.left - 1, box.bottom + 1 } };
    if (ClipperLib::Orientation(around))
        ClipperLib::ReversePath(around);
    m_clipper.Clear();
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i != skip)
            m_clipper.AddPaths(parts[i].rings, ClipperLib::ptSubject, true);
    }
    for (int r = 0; r < reversed; ++r)
        m_clipper.AddPath(around, ClipperLib::ptSubject, true);
    Paths united;
    m_clipper.Execute(
        ClipperLib::ctUnion, united, ClipperLib::pftPositive, ClipperLib::pftPositive);
    const double area = ringsArea(united);
    if (out)
        *out = std::move(united);
    return area;
}
