#include "sightindex.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = SightIndex::kPi;
constexpr int kSectors = SightIndex::kSectors;
// Far above the rounding of the crossing test and of atan2, far below a
// sector.
constexpr double kMargin = 1e-7;

bool isFinite(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

double magnitude(const QPointF &p)
{
    return std::max(std::abs(p.x()), std::abs(p.y()));
}

// Calls f for every sector from range.first to range.second, wrapping round
// the full turn (first may lie below 0 or second above the last sector; the
// range covers at most a full turn).
template <typename F> void forEachSector(const std::pair<int, int> &range, F f)
{
    if (range.second < range.first)
        return;
    int k = range.first % kSectors;
    if (k < 0)
        k += kSectors;
    for (int n = range.second - range.first + 1; n > 0;) {
        const int run = std::min(n, kSectors - k);
        for (int end = k + run; k < end; ++k)
            f(k);
        n -= run;
        k = 0;
    }
}

// The directions of a segment as seen from eye (see SightIndex::segmentSpan),
// through the given arctangent; distance is the segment's from the eye.
template <typename Atan2>
SightIndex::Interval spanThrough(const QPointF &eye, const QPointF &p1, const QPointF &p2,
    double distance, double margin, double tiny, Atan2 atan2)
{
    SightIndex::Interval interval;
    const QPointF d1 = p1 - eye;
    const QPointF d2 = p2 - eye;
    const double span = atan2(d1.x() * d2.y() - d1.y() * d2.x(), d1.x() * d2.x() + d1.y() * d2.y());
    if (!(distance >= tiny) || !(std::abs(span) + 2 * margin < kPi - 1e-6)) {
        interval.everywhere = true;
        return interval;
    }
    const double a1 = atan2(d1.y(), d1.x());
    interval.low = a1 + std::min(0.0, span) - margin;
    interval.high = a1 + std::max(0.0, span) + margin;
    return interval;
}

} // namespace

double distanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF ab = b - a;
    const double length2 = ab.x() * ab.x() + ab.y() * ab.y();
    double t = length2 > 0 ? ((p.x() - a.x()) * ab.x() + (p.y() - a.y()) * ab.y()) / length2 : 0;
    t = std::max(0.0, std::min(1.0, t));
    const QPointF q = a + ab * t - p;
    // Not hypot: far slower, and the distance is only ever compared with
    // margins far above its rounding. Beyond the range of a square it is
    // infinite, as far as any such comparison goes.
    return std::sqrt(q.x() * q.x() + q.y() * q.y());
}

// The quotient of the smaller coordinate by the larger is brought under
// tan(π/12) (atan t = π/6 + atan((√3 t - 1) / (t + √3)) above it), where the
// arctangent's series to the 15th power leaves out less than
// tan(π/12)^17 / 17 < 1.2e-11.
double SightIndex::quickAtan2(double y, double x)
{
    const double ax = std::abs(x);
    const double ay = std::abs(y);
    if (!(ax > 0 || ay > 0) || !std::isfinite(ax) || !std::isfinite(ay))
        return std::atan2(y, x);
    const bool steep = ay > ax;
    double t = steep ? ax / ay : ay / ax;
    double base = 0;
    constexpr double tanTwelfth = 0.2679491924311227;
    if (t > tanTwelfth) {
        constexpr double root3 = 1.7320508075688772;
        t = (t * root3 - 1) / (t + root3);
        base = kPi / 6;
    }
    const double t2 = t * t;
    double angle = base
        + t
            * (1
                + t2
                    * (-1.0 / 3
                        + t2
                            * (1.0 / 5
                                + t2
                                    * (-1.0 / 7
                                        + t2
                                            * (1.0 / 9
                                                + t2
                                                    * (-1.0 / 11
                                                        + t2 * (1.0 / 13 + t2 * (-1.0 / 15))))))));
    if (steep)
        angle = kPi / 2 - angle;
    if (x < 0)
        angle = kPi - angle;
    return std::signbit(y) ? -angle : angle;
}

SightIndex::SightIndex(const QPointF &eye, const std::vector<std::pair<QPointF, QPointF>> &segments)
    : m_eye(eye)
{
    double scale = magnitude(eye);
    for (const auto &s : segments) {
        if (isFinite(s.first) && isFinite(s.second))
            scale = std::max(scale, std::max(magnitude(s.first), magnitude(s.second)));
    }
    m_tiny = 1e-6 * (1 + scale);
    m_intervals.resize(segments.size());
    // The sectors each segment reaches, first to last (wrapping round).
    std::vector<std::pair<int, int>> reached(segments.size(), { 0, -1 });
    std::vector<double> distances(segments.size(), 0);
    std::vector<int> count(size_t(kSectors) + 1, 0);
    for (size_t i = 0; i < segments.size(); ++i) {
        const QPointF &p1 = segments[i].first;
        const QPointF &p2 = segments[i].second;
        if (!isFinite(p1) || !isFinite(p2))
            continue;
        distances[i] = distanceToSegment(eye, p1, p2);
        // Each end of the interval is two arctangents off at most: the margin
        // grows by their errors.
        const Interval interval
            = spanThrough(eye, p1, p2, distances[i], kMargin + 2 * kQuickAtan2Error, m_tiny,
                [](double y, double x) { return quickAtan2(y, x); });
        m_intervals[i] = interval;
        if (interval.everywhere) {
            reached[i] = { 0, kSectors - 1 };
        } else {
            const int first = int(std::floor((interval.low + kPi) * (kSectors / (2 * kPi))));
            const int last = int(std::floor((interval.high + kPi) * (kSectors / (2 * kPi))));
            reached[i] = { first, std::min(last, first + kSectors - 1) };
        }
        forEachSector(reached[i], [&count](int k) { ++count[size_t(k) + 1]; });
    }
    m_start.assign(size_t(kSectors) + 1, 0);
    for (int k = 0; k < kSectors; ++k)
        m_start[size_t(k) + 1] = m_start[size_t(k)] + count[size_t(k) + 1];
    m_members.resize(size_t(m_start.back()));
    m_nearest.resize(m_members.size());
    std::vector<int> fill(m_start.begin(), m_start.end() - 1);
    for (size_t i = 0; i < segments.size(); ++i) {
        if (reached[i].second < reached[i].first)
            continue;
        // Lowered by far more than rounding: a segment is passed over only
        // when it certainly stands off the line.
        const double lowered = std::max(0.0, distances[i] * (1 - 1e-9) - m_tiny);
        forEachSector(reached[i], [&](int k) {
            const size_t at = size_t(fill[size_t(k)]++);
            m_members[at] = int(i);
            m_nearest[at] = lowered * lowered;
        });
    }
}

SightIndex::Interval SightIndex::segmentSpan(
    const QPointF &eye, const QPointF &p1, const QPointF &p2, double margin, double tiny)
{
    return spanThrough(eye, p1, p2, distanceToSegment(eye, p1, p2), margin, tiny,
        [](double y, double x) { return std::atan2(y, x); });
}

std::pair<const int *, const int *> SightIndex::candidates(const QPointF &to) const
{
    const QPointF d = to - m_eye;
    return candidatesAt(std::atan2(d.y(), d.x()));
}

SightIndex::Interval SightIndex::spanOf(
    const QPointF &eye, const std::vector<QPointF> &points, double margin)
{
    Interval result;
    if (points.empty())
        return result;
    // Turning from point to point, the direction never jumps by half a turn
    // unless the points pass by the eye; the total turn tells whether they
    // wind around it.
    const QPointF d0 = points.front() - eye;
    const double start = std::atan2(d0.y(), d0.x());
    double turn = 0, low = 0, high = 0;
    const double tiny = 1e-6 * (1 + magnitude(eye));
    QPointF previous = d0;
    for (size_t i = 1; i <= points.size(); ++i) {
        const QPointF d = points[i % points.size()] - eye;
        if (!(d.x() * d.x() + d.y() * d.y() >= tiny * tiny)) {
            result.everywhere = true;
            return result;
        }
        const double cross = previous.x() * d.y() - previous.y() * d.x();
        const double dot = previous.x() * d.x() + previous.y() * d.y();
        double step;
        if (dot > 0 && std::abs(cross) < 0.01 * dot) {
            // A small turn, as neighbouring points of a finely sampled
            // outline make: the arctangent's series, off by x⁷/7 < 2e-15.
            const double x = cross / dot;
            const double x2 = x * x;
            step = x * (1 - x2 * (1.0 / 3 - x2 * (1.0 / 5)));
        } else
            step = std::atan2(cross, dot);
        if (!std::isfinite(step) || std::abs(step) > kPi - 1e-3) {
            result.everywhere = true;
            return result;
        }
        turn += step;
        low = std::min(low, turn);
        high = std::max(high, turn);
        previous = d;
    }
    if (!(std::abs(turn) < kPi) || !(high - low + 2 * margin < 2 * kPi - 1e-3)) {
        result.everywhere = true;
        return result;
    }
    result.low = start + low - margin;
    result.high = start + high + margin;
    return result;
}

bool SightIndex::overlap(const Interval &a, const Interval &b)
{
    if (a.everywhere || b.everywhere)
        return true;
    // Bring b next to a, a whole turn either way.
    for (int k = -2; k <= 2; ++k) {
        const double shift = 2 * kPi * k;
        if (b.low + shift <= a.high && a.low <= b.high + shift)
            return true;
    }
    return false;
}
