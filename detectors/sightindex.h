#pragma once

#include <QPointF>

#include <algorithm>
#include <cmath>
#include <vector>

// Distance from p to the segment a–b (to a where the segment has no length).
double distanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b);

// The directions a set of segments covers as seen from one viewpoint, sorted
// into equal sectors of the full turn, so that a sight line from the
// viewpoint is tested only against the segments of its own sector.
//
// The sectors are conservative: a segment is listed in every sector its
// directions reach, widened by a margin far above rounding, and a segment
// that passes so close to the viewpoint that its directions are uncertain
// is listed in every sector. A sight line too short for its own direction
// to be certain has to be tested against every segment (see isShort).
class SightIndex
{
public:
    struct Interval
    {
        double low = 0, high = 0; // radians, low ≤ high, low in [-π, π]
        bool everywhere = false;
    };

    // segments: pairs of end points; pairs with a non-finite end cover no
    // direction.
    SightIndex(const QPointF &eye, const std::vector<std::pair<QPointF, QPointF>> &segments);

    // Indices into the segments, ascending: those a sight line from the eye
    // towards `to` may meet.
    // An empty range when none.
    std::pair<const int *, const int *> candidates(const QPointF &to) const;
    // The same for the sight line of the given direction (radians, within a
    // turn either way of [-π, π]), computed to within far less than the margin.
    std::pair<const int *, const int *> candidatesAt(double angle) const
    {
        // Near ±π either end will do: the segments there are listed at both.
        if (angle > kPi)
            angle -= 2 * kPi;
        else if (angle < -kPi)
            angle += 2 * kPi;
        const size_t k = size_t(sector(angle));
        const int *members = m_members.data();
        return { members + m_start[k], members + m_start[k + 1] };
    }
    // For a candidate of that range, a little less than the square of its
    // segment's distance from the eye: a sight line shorter than that cannot
    // meet it.
    double nearestSquared(const int *candidate) const
    {
        return m_nearest[size_t(candidate - m_members.data())];
    }
    // True when a sight line from the eye to `to` is too short for its
    // direction to be certain.
    bool isShort(const QPointF &to) const
    {
        const QPointF d = to - m_eye;
        const double tiny = m_tiny + 1e-6 * std::max(std::abs(to.x()), std::abs(to.y()));
        return !(d.x() * d.x() + d.y() * d.y() >= tiny * tiny);
    }

    // The directions segment i covers, with the margin.
    const Interval &interval(int i) const { return m_intervals[size_t(i)]; }

    // The directions of the given points as seen from eye, as one interval;
    // everywhere when they wind around the eye or come too close to it.
    static Interval spanOf(const QPointF &eye, const std::vector<QPointF> &points, double margin);
    // The directions of the segment from p1 to p2 as seen from eye, widened by
    // margin; everywhere when it passes within tiny of the eye.
    static Interval segmentSpan(
        const QPointF &eye, const QPointF &p1, const QPointF &p2, double margin, double tiny);
    static bool overlap(const Interval &a, const Interval &b);

    // atan2(y, x) to within kQuickAtan2Error radians, several times faster
    // than the library's; the same as it for zeros, infinities and
    // not-a-number. The index's sectors take their directions so.
    static double quickAtan2(double y, double x);
    static constexpr double kQuickAtan2Error = 2e-11;

    static constexpr double kPi = 3.141592653589793;
    static constexpr int kSectors = 720;

private:
    static int sector(double angle)
    {
        // Truncation floors from -π up; not-a-number falls in the first.
        const double k = (angle + kPi) * (kSectors / (2 * kPi));
        return k > 0 ? (k < kSectors ? int(k) : kSectors - 1) : 0;
    }

    QPointF m_eye;
    double m_tiny = 0;
    std::vector<Interval> m_intervals;
    // Sector k lists m_members[m_start[k] .. m_start[k + 1]).
    std::vector<int> m_start;
    std::vector<int> m_members;
    std::vector<double> m_nearest; // beside m_members, see nearestSquared
};
