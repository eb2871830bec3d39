#pragma once

#include <QPointF>

class QGraphicsItem;
class QGraphicsView;

// The scene point under the global mouse cursor, used while the toolkit drags an
// item and the event that moves it is not at hand.
QPointF cursorScenePos(const QGraphicsItem *item);

// True while the left mouse button is held down.
bool leftButtonHeld();

// Distance in view pixels between two scene points, as (|dx|, |dy|).
struct PixelDistance
{
    unsigned dx = 0;
    unsigned dy = 0;
};
PixelDistance pixelDistance(const QGraphicsView *view, const QPointF &a, const QPointF &b);

// The snapping rule shared by the scale mark, the outline and the obstacles: pos
// takes anchor's y when it lies nearer the horizontal through anchor than the
// vertical, within 9 view pixels and nearer than best[1] found so far; otherwise
// anchor's x under the same rule with best[0].
void snapToAnchorAxis(
    const QGraphicsView *view, const QPointF &anchor, QPointF &pos, unsigned *best);

constexpr unsigned kSnapPixels = 9;

// The nudge of one arrow key press: 0.01 scene units in the key's direction (Up
// decreases y). False, with step untouched, for any other key.
bool arrowKeyStep(int key, QPointF &step);
