#pragma once

#include <QPointF>
#include <QPolygonF>
#include <QRectF>

#include <polyclipping/clipper.hpp>

// Integer coordinates for the polygon clipping library: scene points taken
// relative to an origin and counted in steps of one micrometre, or coarser
// steps when the region is too large for the library's fast range. Polygons
// are cut to the square of the given half-size around the origin first, so
// that no coordinate, however absurd, leaves that range.
class ClipFrame
{
public:
    ClipFrame(const QPointF &origin, double halfSize);

    // Vertices that are not finite are left out.
    ClipperLib::Path toPath(const QPolygonF &polygon) const;
    QPolygonF toPolygon(const ClipperLib::Path &path) const;
    // The signed area of all paths together, in square scene units.
    double area(const ClipperLib::Paths &paths) const;
    // One integer step in scene units.
    double step() const { return 1 / m_scale; }
    QRectF box() const { return m_box; }

    // A path around the whole box, turned against the library's positive
    // orientation: inside it the winding number drops by one.
    ClipperLib::Path reversedBox() const;

    static ClipperLib::Path positive(ClipperLib::Path path);
    // The closed path without the vertices that lie on the straight line
    // between the vertices kept before them and the next, strictly in
    // between: the library drops such vertices itself, with the same result,
    // but only after setting up an edge for each. The first vertex stays.
    static ClipperLib::Path straightened(const ClipperLib::Path &path);
    // The polygon's part inside the rectangle (Sutherland-Hodgman).
    static QPolygonF cut(const QPolygonF &polygon, const QRectF &rect);
    static double perimeter(const QPolygonF &polygon);

private:
    QPointF m_origin;
    QRectF m_box;
    double m_scale;
};
