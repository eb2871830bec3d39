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
    buildGrid(polygon, polygon.last() != polygon.first());
}

// The winding number is the same all over a connected region the polygon's
// outline does not pass through, and the toolkit's crossing rule finds it
// exactly there: each crossing is computed to within rounding, far below the
// margin kept round every cell. The outline is broken, though, where an edge
// is dropped for being nearly horizontal or the polygon is left open for
// ending nearly at its start; a point level with such a gap, on either side,
// may be counted otherwise, so the rows the gap spans are answered edge by
// edge.
void WindingIndex::buildGrid(const QPolygonF &polygon, bool closing)
{
    constexpr size_t kFewestEdges = 64;
    constexpr int kMostCells = 256;
    const int count = polygon.size();
    if (m_edges.size() < kFewestEdges)
        return;
    double left = HUGE_VAL, right = -HUGE_VAL, top = HUGE_VAL, bottom = -HUGE_VAL;
    for (const QPointF &p : polygon) {
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
            return;
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    const double width = right - left;
    const double height = bottom - top;
    if (!(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height))
        return;
    const double margin = 1e-9
        * (1 + std::max(std::max(std::abs(left), std::abs(right)),
               std::max(std::abs(top), std::abs(bottom))));
    // About four cells per edge, roughly square. A box too thin for its
    // cells to be told apart gets no grid.
    const double cells = 4.0 * count;
    const double across = std::ceil(std::sqrt(cells * width / height));
    if (!std::isfinite(across) || !std::isfinite(kMostCells / width)
        || !std::isfinite(kMostCells / height))
        return;
    const int columns = std::max(1, int(std::min(double(kMostCells), across)));
    const int rows = std::max(1, int(std::min(double(kMostCells), std::ceil(cells / columns))));
    m_columns = columns;
    m_rows = rows;
    m_gridLeft = left;
    m_gridRight = right;
    m_gridTop = top;
    m_gridBottom = bottom;
    m_columnScale = columns / width;
    m_rowScale = rows / height;
    const double cellWidth = width / columns;
    const double cellHeight = height / rows;
    constexpr signed char kUnknown = -1;
    m_cells.assign(size_t(columns) * size_t(rows), kUnknown);

    const auto column = [&](double x) {
        return std::max(0, std::min(columns - 1, int(std::floor((x - left) * m_columnScale))));
    };
    const auto row = [&](double y) {
        return std::max(0, std::min(rows - 1, int(std::floor((y - top) * m_rowScale))));
    };
    // Every cell the segment comes within the margin of.
    const auto markSegment = [&](const QPointF &a, const QPointF &b) {
        const int c0 = column(std::min(a.x(), b.x()) - margin);
        const int c1 = column(std::max(a.x(), b.x()) + margin);
        const int r0 = row(std::min(a.y(), b.y()) - margin);
        const int r1 = row(std::max(a.y(), b.y()) + margin);
        const double dx = b.x() - a.x();
        const double dy = b.y() - a.y();
        const bool few = c1 - c0 + r1 - r0 <= 1;
        for (int r = r0; r <= r1; ++r) {
            const double y0 = top + r * cellHeight - margin - a.y();
            const double y1 = top + (r + 1) * cellHeight + margin - a.y();
            for (int c = c0; c <= c1; ++c) {
                if (!few) {
                    // The segment's line leaves the cell's four corners
                    // on one side: it misses the cell.
                    const double x0 = left + c * cellWidth - margin - a.x();
                    const double x1 = left + (c + 1) * cellWidth + margin - a.x();
                    const double s00 = dx * y0 - dy * x0;
                    const double s01 = dx * y1 - dy * x0;
                    const double s10 = dx * y0 - dy * x1;
                    const double s11 = dx * y1 - dy * x1;
                    if ((s00 > 0 && s01 > 0 && s10 > 0 && s11 > 0)
                        || (s00 < 0 && s01 < 0 && s10 < 0 && s11 < 0))
                        continue;
                }
                m_cells[size_t(r) * size_t(columns) + size_t(c)] = Crossed;
            }
        }
    };
    const auto markRows = [&](double y1, double y2) {
        const int r0 = row(std::min(y1, y2) - margin);
        const int r1 = row(std::max(y1, y2) + margin);
        std::fill(m_cells.begin() + long(r0) * columns, m_cells.begin() + long(r1 + 1) * columns,
            static_cast<signed char>(Crossed));
    };
    const auto link = [&](const QPointF &a, const QPointF &b) {
        markSegment(a, b);
        if (a.y() != b.y() && qFuzzyCompare(a.y(), b.y()))
            markRows(a.y(), b.y());
    };
    for (int i = 1; i < count; ++i)
        link(polygon.at(i - 1), polygon.at(i));
    const QPointF &last = polygon.last();
    const QPointF &first = polygon.first();
    if (closing) {
        link(last, first);
    } else if (!(last.x() == first.x() && last.y() == first.y())) {
        markSegment(last, first);
        markRows(last.y(), first.y());
    }

    // Each run of cells between edges along a row is one region: its first
    // cell's middle tells for all of it.
    for (int r = 0; r < rows; ++r) {
        signed char *line = m_cells.data() + size_t(r) * size_t(columns);
        const double y = top + (r + 0.5) * cellHeight;
        for (int c = 0; c < columns;) {
            if (line[c] == Crossed) {
                ++c;
                continue;
            }
            const signed char value
                = bandContains(left + (c + 0.5) * cellWidth, y) ? Inside : Outside;
            for (; c < columns && line[c] != Crossed; ++c)
                line[c] = value;
        }
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

bool WindingIndex::bandContains(double x, double y) const
{
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
