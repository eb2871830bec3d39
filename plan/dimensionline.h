#pragma once

#include <QColor>
#include <QLineF>
#include <QPolygonF>
#include <QString>

class FixedSizeTextItem2;
class GraphicsLineItem;
class GraphicsPolygonItem2;
class QGraphicsItem;
class QGraphicsItemGroup;

// A dimension line: a line between two measured points, drawn at a signed
// distance from them, with a head at each end and the length written above its
// middle. The scale mark and the measuring tape both draw one.
//
// All parts live in `group`, which stands on the first measured point and turns
// along the measured line. The heads and the label keep their size in
// millimetres, so they do not inherit the group's rotation and get their own.
class DimensionLine
{
public:
    // Builds the parts as children of parent, drawn in color; the heads are
    // polygons in millimetres around their tips.
    DimensionLine(QGraphicsItem *parent, const QColor &color, const QPolygonF &startHead,
        const QPolygonF &endHead);

    // Lays the parts out for the line measured from p1 to p2 and drawn offset
    // away from it. Hidden or of zero length, only the start head shows, and only
    // when visible.
    void update(const QLineF &measured, double offset, bool visible);

    // The length as shown: rounded to 0.001, at most six significant digits,
    // followed by " м".
    static QString lengthText(double length);

    QGraphicsItemGroup *group;
    GraphicsLineItem *line;
    GraphicsPolygonItem2 *startHead;
    GraphicsPolygonItem2 *endHead;
    FixedSizeTextItem2 *label;
};
