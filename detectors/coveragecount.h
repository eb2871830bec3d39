#pragma once

#include <polyclipping/clipper.hpp>

#include <vector>

// How many zones see each part of the floor, counted box by box on the
// clipping library's integer grid.
//
// Each zone is given as rings with winding number 1 inside the zone and 0
// outside it (outer rings the library's positive way round, holes the other),
// as the library returns a clipped region. The region round all zones is cut
// in halves, and the halves again, while the zones' outlines crossing a box
// have many vertices. A zone whose outline keeps out of a box covers all of it
// or none of it, so the box needs no clipping for it: a box covered by three
// zones is seen at least three times without a look at the others, and the
// library sweeps only the few zones whose outlines cross a small box.
//
// The floor is cut along: a zone whose part of a box's floor differs from all
// of it, or from none of it, by less than what is left of the allowance is
// taken to cover all or none of it. The allowance is shared out between the
// halves of a box by their areas, less what the box has spent, so that all
// such choices together move no area figure by more than the allowance.
class CoverageCount
{
public:
    // floor: rings holding every zone; allowance: how much area, in square
    // steps, all figures together may move by zones taken to cover the floor
    // of a box but for a sliver, or to miss it but for a sliver.
    // The zones' rings are taken over.
    CoverageCount(std::vector<ClipperLib::Paths> zones, const ClipperLib::Paths &floor,
        double allowance);

    // The area seen by at least k zones, k = 1, 2, 3, in square steps.
    double atLeast(int k) const { return m_atLeast[k - 1]; }
    // The area only the zone sees, in square steps.
    double only(size_t zone) const { return m_only.at(zone); }

    // The part of a ring on one side of the line x = at (vertical) or y = at,
    // the side below it (low) or above it. For every point on that side the
    // winding number stays as it was; crossings are rounded to the grid, the
    // same way for both sides.
    static ClipperLib::Path cut(
        const ClipperLib::Path &ring, bool vertical, ClipperLib::cInt at, bool low);
    // Both parts at once, as cut(ring, vertical, at, true) and cut(ring,
    // vertical, at, false) give them, each crossing computed once.
    static void split(const ClipperLib::Path &ring, bool vertical, ClipperLib::cInt at,
        ClipperLib::Path &low, ClipperLib::Path &high);

private:
    struct Box
    {
        ClipperLib::cInt left, top, right, bottom;
    };
    // A zone's rings that cross a box, cut to it, and its floor in the box
    // (the floor itself has no zone).
    struct Part
    {
        size_t zone;
        ClipperLib::Paths rings;
        double area;
    };

    // A box left for a thread of its own, with what count() takes for it.
    struct Task;

    // An empty count for part of the region, see the constructor.
    CoverageCount(size_t zones, ClipperLib::cInt smallest);

    // The part's rings in either half of a box, and whether they cross it.
    static void halve(Part &part, bool vertical, ClipperLib::cInt middle, const Box halves[2],
        Part inHalf[2], bool crosses[2]);
    // floor: the floor's rings in the box, none when it covers all of it, and
    // its area; allowance: what slivers taken for nothing may still add up to.
    void count(const Box &box, int covering, size_t sole, std::vector<Part> &parts, size_t vertices,
        int depth, Part &floor, double allowance);
    void countLeaf(const Box &box, int covering, size_t sole, const std::vector<Part> &parts,
        double floorArea);
    double unite(const std::vector<Part> &parts, const Box &box, int reversed,
        ClipperLib::Paths *out = nullptr, size_t skip = size_t(-1));

    ClipperLib::cInt m_smallest = 0;
    // While set, boxes of the depth where the work is shared out are put
    // here instead of counted.
    std::vector<Task> *m_tasks = nullptr;
    double m_atLeast[3] = {};
    std::vector<double> m_only;
    ClipperLib::Clipper m_clipper;
};
