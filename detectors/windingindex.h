#pragma once

#include <QPointF>
#include <QPolygonF>

#include <vector>

// Answers QPolygonF::containsPoint(point, Qt::WindingFill) for one polygon,
// many times over, with the very same result but without walking every edge:
// the edges are sorted into horizontal bands, and a query looks only at the
// edges of the band its y falls in, with the toolkit's own crossing rule.
class WindingIndex
{
public:
    explicit WindingIndex(const QPolygonF &polygon);

    bool contains(const QPointF &point) const;

private:
    struct Edge
    {
        double x1, y1, x2, y2; // y1 < y2
        int direction;
    };

    int band(double y) const;

    std::vector<Edge> m_edges;
    std::vector<int> m_bandStart; // band b holds m_bandEdges[m_bandStart[b] .. m_bandStart[b + 1])
    std::vector<int> m_bandEdges;
    double m_top = 0;
    double m_scale = 0;
    int m_bandCount = 1;
};
