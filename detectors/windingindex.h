#pragma once

#include <QPointF>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <vector>

// Answers QPolygonF::containsPoint(point, Qt::WindingFill) for one polygon,
// many times over, with the very same result but without walking every edge:
// the edges are sorted into horizontal bands, and a query looks only at the
// edges of the band its y falls in, with the toolkit's own crossing rule.
//
// Larger polygons also get a grid of cells over their box: a cell no edge
// comes near lies wholly inside or wholly outside, found once when the index
// is built, and a query falling in such a cell is answered from it.
class WindingIndex
{
public:
    explicit WindingIndex(const QPolygonF &polygon);

    bool contains(const QPointF &point) const
    {
        const double x = point.x();
        const double y = point.y();
        if (std::isnan(y))
            return false;
        if (!m_cells.empty() && x >= m_gridLeft && x <= m_gridRight && y >= m_gridTop
            && y <= m_gridBottom) {
            const int c = std::min(m_columns - 1, int((x - m_gridLeft) * m_columnScale));
            const int r = std::min(m_rows - 1, int((y - m_gridTop) * m_rowScale));
            const signed char cell = m_cells[size_t(r) * size_t(m_columns) + size_t(c)];
            if (cell != Crossed)
                return cell == Inside;
        }
        return bandContains(x, y);
    }

private:
    struct Edge
    {
        double x1, y1, x2, y2; // y1 < y2
        int direction;
    };

    int band(double y) const;
    bool bandContains(double x, double y) const;
    void buildGrid(const QPolygonF &polygon, bool closing);

    std::vector<Edge> m_edges;
    std::vector<int> m_bandStart; // band b holds m_bandEdges[m_bandStart[b] .. m_bandStart[b + 1])
    std::vector<int> m_bandEdges;
    double m_top = 0;
    double m_scale = 0;
    int m_bandCount = 1;

    enum Cell : signed char { Outside = 0, Inside = 1, Crossed = 2 };
    std::vector<signed char> m_cells; // row by row; empty when there is no grid
    int m_columns = 0, m_rows = 0;
    double m_gridLeft = 0, m_gridTop = 0, m_gridRight = 0, m_gridBottom = 0;
    double m_columnScale = 0, m_rowScale = 0;
};
