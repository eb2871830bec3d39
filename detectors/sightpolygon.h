#pragma once

#include "detectors/sightindex.h"

#include <QPointF>
#include <QPolygonF>

#include <utility>
#include <vector>

// The floor seen from the eye past segments that block sight: every point
// within radius of the eye whose straight line from the eye crosses none of
// the segments, in the directions of window (the whole turn when it is
// everywhere; otherwise it must be narrower than a whole turn).
//
// The polygon is star-shaped round the eye. Its boundary runs along the
// nearest segment in each direction, exactly (up to the rounding of a ray's
// crossing with a line), and where no segment stands, along a polygon round
// the circle of the given radius, never inside it. For a window narrower
// than the whole turn the eye is a vertex of the polygon. Segments seen
// edge-on (among them those whose line runs through the eye), with an end
// that is not finite, or of no length block nothing.
QPolygonF sightPolygon(const QPointF &eye, const std::vector<std::pair<QPointF, QPointF>> &segments,
    double radius, const SightIndex::Interval &window);
