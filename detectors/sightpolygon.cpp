#include "sightpolygon.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTurn = 2 * kPi;
// Along the circle: chords of at most an eighth of a turn, pushed out so that
// their middles stay on the circle.
constexpr double kCapStep = kPi / 4;
// Nearer by less than this share counts as level: two segments meeting at a
// corner are at the same distance there, up to rounding.
constexpr double kLevel = 1e-12;
// Halvings of one angular step where segments cross one another.
constexpr int kMaxDepth = 24;

bool isFinite(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

double cross(const QPointF &a, const QPointF &b)
{
    return a.x() * b.y() - a.y() * b.x();
}

struct Segment
{
    QPointF p1, d; // start and direction
    double numerator; // cross(p1 - eye, d)
};

// The directions a segment covers, relative to the window's start.
struct Span
{
    double from, to;
    int segment;
};

class Sweep
{
public:
    Sweep(const QPointF &eye, double base, double radius)
        : m_eye(eye)
        , m_base(base)
        , m_capRadius(radius / std::cos(kCapStep / 2))
    {
    }

    std::vector<Segment> segments;
    QPolygonF points;

    QPointF direction(double t) const
    {
        return QPointF(std::cos(m_base + t), std::sin(m_base + t));
    }

    // The distance from the eye along u to segment s's line.
    double reach(int s, const QPointF &u) const
    {
        const Segment &segment = segments[size_t(s)];
        return segment.numerator / cross(u, segment.d);
    }

    // The boundary between directions t0 and t1, with the segments that
    // cover all of it.
    void run(double t0, double t1, const std::vector<int> &active, int depth = 0)
    {
        if (active.empty()) {
            cap(t0, t1);
            return;
        }
        // Each step starts where the one before ended: its direction is
        // known already.
        const QPointF u0 = t0 == m_endT ? m_endU : direction(t0);
        const QPointF u1 = direction(t1);
        m_endT = t1;
        m_endU = u1;
        const QPointF um = direction((t0 + t1) / 2);
        int nearest = -1;
        double best = HUGE_VAL;
        for (int s : active) {
            const double r = reach(s, um);
            if (r < best) {
                best = r;
                nearest = s;
            }
        }
        if (nearest < 0) { // every distance not a number
            cap(t0, t1);
            return;
        }
        const double r0 = reach(nearest, u0);
        const double r1 = reach(nearest, u1);
        if (depth < kMaxDepth) {
            for (int s : active) {
                if (s == nearest)
                    continue;
                if (!(reach(s, u0) < r0 * (1 - kLevel)) && !(reach(s, u1) < r1 * (1 - kLevel)))
                    continue;
                // The two cross between t0 and t1: split there.
                const double t = crossing(nearest, s);
                if (t > t0 && t < t1) {
                    run(t0, t, active, depth + 1);
                    run(t, t1, active, depth + 1);
                    return;
                }
            }
        }
        const QPointF a = m_eye + u0 * r0;
        const QPointF b = m_eye + u1 * r1;
        if (m_last == nearest && m_runStart + 1 < points.size() && points.last() == a) {
            // Still the same line: the corner in between is no corner.
            points.last() = b;
        } else {
            append(a);
            m_runStart = points.size() - 1;
            append(b);
        }
        m_last = nearest;
    }

private:
    void append(const QPointF &p)
    {
        if (points.isEmpty() || points.last() != p)
            points.append(p);
    }

    void cap(double t0, double t1)
    {
        const int steps = std::max(1, int(std::ceil((t1 - t0) / kCapStep)));
        for (int i = 0; i <= steps; ++i) {
            const double t = i == steps ? t1 : t0 + (t1 - t0) * i / steps;
            append(m_eye + direction(t) * m_capRadius);
        }
        m_last = -1;
    }

    // The direction, relative to the base, where the lines of two segments
    // cross; not a number when they do not.
    double crossing(int a, int b) const
    {
        const Segment &s = segments[size_t(a)];
        const Segment &o = segments[size_t(b)];
        const double denominator = cross(s.d, o.d);
        if (denominator == 0)
            return NAN;
        const double k = cross(o.p1 - s.p1, o.d) / denominator;
        const QPointF x = s.p1 + s.d * k - m_eye;
        double t = std::atan2(x.y(), x.x()) - m_base;
        t -= kTurn * std::floor(t / kTurn);
        return t;
    }

    QPointF m_eye;
    double m_base;
    double m_capRadius;
    int m_last = -2;
    int m_runStart = 0; // where the run along segment m_last begins
    // The end of the last step and its direction.
    double m_endT = NAN;
    QPointF m_endU;
};

} // namespace

QPolygonF sightPolygon(const QPointF &eye, const std::vector<std::pair<QPointF, QPointF>> &segments,
    double radius, const SightIndex::Interval &window)
{
    const bool whole = window.everywhere;
    const double base = whole ? -kPi : window.low;
    const double width = whole ? kTurn : std::min(kTurn, window.high - window.low);
    Sweep sweep(eye, base, radius);
    std::vector<Span> spans;
    spans.reserve(segments.size());
    for (const auto &s : segments) {
        if (!isFinite(s.first) || !isFinite(s.second) || s.first == s.second)
            continue;
        const QPointF d1 = s.first - eye;
        const QPointF d2 = s.second - eye;
        const double l1 = std::hypot(d1.x(), d1.y());
        const double l2 = std::hypot(d2.x(), d2.y());
        const double c = cross(d1, d2);
        if (!(std::abs(c) > 1e-12 * l1 * l2))
            continue; // seen edge-on
        const double span = std::atan2(c, QPointF::dotProduct(d1, d2));
        // From the end with the lower direction, counterclockwise.
        double from = std::atan2(d1.y(), d1.x()) + std::min(0.0, span) - base;
        from -= kTurn * std::floor(from / kTurn);
        const double to = from + std::abs(span);
        const int index = int(sweep.segments.size());
        sweep.segments.push_back({ s.first, s.second - s.first, cross(d1, s.second - s.first) });
        if (from < width)
            spans.push_back({ from, std::min(to, width), index });
        if (to > kTurn)
            spans.push_back({ 0, std::min(to - kTurn, width), index });
    }

    std::sort(
        spans.begin(), spans.end(), [](const Span &a, const Span &b) { return a.from < b.from; });
    // The directions where the set of segments changes, in order: the spans'
    // starts, in order already, merged with their ends and the window's two
    // ends, sorted: the same order as one sort of them all, found faster.
    std::vector<double> starts;
    starts.reserve(spans.size());
    for (const Span &s : spans)
        starts.push_back(s.from);
    std::vector<double> ends;
    ends.reserve(spans.size() + 2);
    ends.push_back(0);
    ends.push_back(width);
    for (const Span &s : spans)
        ends.push_back(s.to);
    std::sort(ends.begin(), ends.end());
    std::vector<double> events(starts.size() + ends.size());
    std::merge(starts.begin(), starts.end(), ends.begin(), ends.end(), events.begin());
    events.erase(std::unique(events.begin(), events.end()), events.end());

    if (!whole)
        sweep.points.append(eye);
    std::vector<int> active;
    std::vector<int> members; // the spans of active, by index into spans
    size_t next = 0;
    for (size_t e = 0; e + 1 < events.size(); ++e) {
        const double t0 = events[e];
        const double t1 = events[e + 1];
        if (t0 >= width)
            break;
        while (next < spans.size() && spans[next].from <= t0)
            members.push_back(int(next++));
        members.erase(std::remove_if(members.begin(), members.end(),
                          [&](int m) { return spans[size_t(m)].to <= t0; }),
            members.end());
        active.clear();
        for (int m : members)
            active.push_back(spans[size_t(m)].segment);
        sweep.run(t0, t1, active);
    }
    if (whole && sweep.points.size() > 1) {
        // The last direction is the first again.
        const QPointF gap = sweep.points.last() - sweep.points.first();
        if (std::abs(gap.x()) + std::abs(gap.y()) <= 1e-9 * (1 + radius))
            sweep.points.removeLast();
    }
    return sweep.points;
}
