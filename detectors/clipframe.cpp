#include "clipframe.h"

#include <QLineF>

#include <algorithm>
#include <cmath>

namespace {

bool isFinite(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// One pass of the polygon cut: keeps the side where inside() holds.
template <typename Inside, typename Cross>
QPolygonF cutBy(const QPolygonF &polygon, Inside inside, Cross cross)
{
    QPolygonF result;
    const int count = polygon.size();
    result.reserve(count + 4);
    for (int i = 0; i < count; ++i) {
        const QPointF &a = polygon.at(i);
        const QPointF &b = polygon.at((i + 1) % count);
        const bool ia = inside(a);
        const bool ib = inside(b);
        if (ia)
            result.append(a);
        if (ia != ib)
            result.append(cross(a, b));
    }
    return result;
}

// std::llround, halves away from zero, without the library call: the
// coordinates in the box stay far inside the range where a double holds
// every integer, so the fraction left after truncation is exact.
ClipperLib::cInt nearest(double x)
{
    ClipperLib::cInt whole = ClipperLib::cInt(x);
    const double fraction = x - double(whole);
    if (fraction >= 0.5)
        ++whole;
    else if (fraction <= -0.5)
        --whole;
    return whole;
}

} // namespace

ClipFrame::ClipFrame(const QPointF &origin, double halfSize)
    : m_origin(origin)
{
    if (!std::isfinite(origin.x()) || !std::isfinite(origin.y()))
        m_origin = QPointF();
    if (!(halfSize > 1e-3) || !std::isfinite(halfSize))
        halfSize = halfSize > 1e-3 ? 1e9 : 1e-3;
    m_box = QRectF(m_origin.x() - halfSize, m_origin.y() - halfSize, 2 * halfSize, 2 * halfSize);
    // Micrometres, unless the box would leave the library's fast range.
    m_scale = std::min(1e6, 1.0e9 / halfSize);
}

ClipperLib::Path ClipFrame::toPath(const QPolygonF &polygon) const
{
    const double left = m_box.left(), right = m_box.right();
    const double top = m_box.top(), bottom = m_box.bottom();
    const auto inBox = [&](const QPointF &p) {
        // False for coordinates that are not numbers, as for infinite ones.
        return p.x() >= left && p.x() <= right && p.y() >= top && p.y() <= bottom;
    };
    const auto toPath = [this](const QPolygonF &points) {
        ClipperLib::Path path;
        path.reserve(size_t(points.size()));
        for (const QPointF &p : points) {
            path.emplace_back(nearest((p.x() - m_origin.x()) * m_scale),
                nearest((p.y() - m_origin.y()) * m_scale));
        }
        return path;
    };
    if (std::all_of(polygon.begin(), polygon.end(), inBox))
        return toPath(polygon);

    QPolygonF finite;
    finite.reserve(polygon.size());
    for (const QPointF &p : polygon) {
        if (isFinite(p))
            finite.append(p);
    }
    return toPath(cut(finite, m_box));
}

QPolygonF ClipFrame::toPolygon(const ClipperLib::Path &path) const
{
    QPolygonF polygon;
    polygon.reserve(int(path.size()));
    for (const ClipperLib::IntPoint &p : path)
        polygon.append(
            QPointF(m_origin.x() + double(p.X) / m_scale, m_origin.y() + double(p.Y) / m_scale));
    return polygon;
}

double ClipFrame::area(const ClipperLib::Paths &paths) const
{
    double sum = 0;
    for (const ClipperLib::Path &path : paths)
        sum += ClipperLib::Area(path);
    return sum / (m_scale * m_scale);
}

ClipperLib::Path ClipFrame::reversedBox() const
{
    const ClipperLib::cInt h = ClipperLib::cInt(std::llround(m_box.width() / 2 * m_scale)) + 1;
    ClipperLib::Path path { { -h, -h }, { h, -h }, { h, h }, { -h, h } };
    if (ClipperLib::Orientation(path))
        ClipperLib::ReversePath(path);
    return path;
}

ClipperLib::Path ClipFrame::positive(ClipperLib::Path path)
{
    if (!ClipperLib::Orientation(path))
        ClipperLib::ReversePath(path);
    return path;
}

ClipperLib::Path ClipFrame::straightened(const ClipperLib::Path &path)
{
    const size_t count = path.size();
    if (count < 4)
        return path;
    ClipperLib::Path kept;
    kept.reserve(count);
    kept.push_back(path[0]);
    for (size_t i = 1; i < count; ++i) {
        const ClipperLib::IntPoint &a = kept.back();
        const ClipperLib::IntPoint &b = path[i];
        const ClipperLib::IntPoint &c = path[i + 1 < count ? i + 1 : 0];
        // Coordinates stay within the library's fast range, so that the
        // products below fit in 64 bits.
        const ClipperLib::cInt abX = b.X - a.X, abY = b.Y - a.Y;
        const ClipperLib::cInt bcX = c.X - b.X, bcY = c.Y - b.Y;
        const bool between = abX * bcY == abY * bcX && abX * bcX + abY * bcY > 0;
        if (!between)
            kept.push_back(b);
    }
    return kept;
}

QPolygonF ClipFrame::cut(const QPolygonF &polygon, const QRectF &rect)
{
    const double left = rect.left();
    const double right = rect.right();
    const double top = rect.top();
    const double bottom = rect.bottom();
    auto atX = [](double x) {
        return [x](const QPointF &a, const QPointF &b) {
            return QPointF(x, a.y() + (b.y() - a.y()) * ((x - a.x()) / (b.x() - a.x())));
        };
    };
    auto atY = [](double y) {
        return [y](const QPointF &a, const QPointF &b) {
            return QPointF(a.x() + (b.x() - a.x()) * ((y - a.y()) / (b.y() - a.y())), y);
        };
    };
    QPolygonF p = cutBy(
        polygon, [left](const QPointF &q) { return q.x() >= left; }, atX(left));
    p = cutBy(
        p, [right](const QPointF &q) { return q.x() <= right; }, atX(right));
    p = cutBy(
        p, [top](const QPointF &q) { return q.y() >= top; }, atY(top));
    p = cutBy(
        p, [bottom](const QPointF &q) { return q.y() <= bottom; }, atY(bottom));
    return p;
}

double ClipFrame::perimeter(const QPolygonF &polygon)
{
    double length = 0;
    const int count = polygon.size();
    for (int i = 0; i < count; ++i)
        length += QLineF(polygon.at(i), polygon.at((i + 1) % count)).length();
    return length;
}
