#include "windingindex.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <limits>

WindingIndex::WindingIndex(const QPolygonF &polygon)
{
    const int count = polygon.size();
    if (count == 0) {
        m_bandStart = { 0, 0 };
        return;
    }
    // The edges the toolkit walks: vertex to vertex, then back to the first
    // vertex unless the polygon is closed already (fuzzy point comparison).
    // Horizontal edges never count.
    auto addEdge = [this](const QPointF &p1, const QPointF &p2) {
        if (qFuzzyCompare(p1.y(), p2.y()))
            return;
        if (p2.y() < p1.y())
            m_edges.push_back({ p2.x(), p2.y(), p1.x(), p1.y(), -1 });
        else
            m_edges.push_back({ p1.x(), p1.y(), p2.x(), p2.y(), 1 });
    };
    m_edges.reserve(size_t(count));
    for (int i = 1; i < count; ++i)
        addEdge(polygon.at(i - 1), polygon.at(i));
    if (polygon.last() != polygon.first())
        addEdge(polygon.last(), polygon.first());

    double top = std::numeric_limits<double>::infinity();
    double bottom = -top;
    bool finite = true;
    for (const Edge &e : m_edges) {
        finite = finite && std::isfinite(e.y1) && std::isfinite(e.y2);
        top = std::min(top, e.y1);
        bottom = std::max(bottom, e.y2);
    }
    const int edgeCount = int(m_edges.size());
    // About one band per edge; fewer if long edges would fill too many bands.
    m_bandCount = finite && bottom > top ? std::max(1, edgeCount) : 1;
    m_top = top;
    for (;;) {
        m_scale = m_bandCount > 1 ? m_bandCount / (bottom - top) : 0;
        long long entries = 0;
        for (const Edge &e : m_edges)
            entries += band(e.y2) - band(e.y1) + 1;
        if (m_bandCount == 1 || entries <= 16LL * edgeCount + 64)
            break;
        m_bandCount = std::max(1, m_bandCount / 4);
    }

    m_bandStart.assign(size_t(m_bandCount) + 1, 0);
    for (const Edge &e : m_edges) {
        for (int b = band(e.y1), last = band(e.y2); b <= last; ++b)
            ++m_bandStart[size_t(b) + 1];
    }
    for (int b = 0; b < m_bandCount; ++b)
        m_bandStart[size_t(b) + 1] += m_bandStart[size_t(b)];
    // Filled from the back of each band, which leaves m_bandStart[b] at the
    // band's first entry when done.
    m_bandEdges.resize(size_t(m_bandStart.back()));
    for (int b = 0; b < m_bandCount; ++b)
        m_bandStart[size_t(b)] = m_bandStart[size_t(b) + 1];
    for (int i = edgeCount - 1; i >= 0; --i) {
        const Edge &e = m_edges[size_t(i)];
        for (int b = band(e.y1), last = band(e.y2); b <= last; ++b)
            m_bandEdges[size_t(--m_bandStart[size_t(b)])] = i;
    }
}

// Monotonic in y, so an edge spanning [y1, y2] is filed in every band a y of
// that span can fall in.
int WindingIndex::band(double y) const
{
    if (m_bandCount == 1)
        return 0;
    const double f = std::floor((y - m_top) * m_scale);
    if (!(f > 0))
        return 0;
    if (f >= m_bandCount - 1)
        return m_bandCount - 1;
    return int(f);
}

bool WindingIndex::contains(const QPointF &point) const
{
    const double x = point.x();
    const double y = point.y();
    if (std::isnan(y))
        return false;
    const int b = band(y);
    int winding = 0;
    for (int k = m_bandStart[size_t(b)], end = m_bandStart[size_t(b) + 1]; k < end; ++k) {
        const Edge &e = m_edges[size_t(m_bandEdges[size_t(k)])];
        if (y >= e.y1 && y < e.y2) {
            // The same arithmetic as the toolkit's, so that borderline points agree.
            const double crossing = e.x1 + ((e.x2 - e.x1) / (e.y2 - e.y1)) * (y - e.y1);
            if (crossing <= x)
                winding += e.direction;
        }
    }
    return winding != 0;
}
