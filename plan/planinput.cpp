#include "plan/planinput.h"

#include "scene/basegraphicsitem.h"

#include <QCursor>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGuiApplication>

#include <cstdlib>

QPointF cursorScenePos(const QGraphicsItem *item)
{
    QGraphicsView *view = BaseGraphicsItem::firstView(item);
    if (!view)
        return QPointF();
    return view->mapToScene(view->viewport()->mapFromGlobal(QCursor::pos()));
}

bool leftButtonHeld()
{
    return QGuiApplication::mouseButtons() & Qt::LeftButton;
}

PixelDistance pixelDistance(const QGraphicsView *view, const QPointF &a, const QPointF &b)
{
    if (!view)
        return {};
    const QPoint d = view->mapFromScene(a) - view->mapFromScene(b);
    return { unsigned(std::abs(d.x())), unsigned(std::abs(d.y())) };
}

void snapToAnchorAxis(
    const QGraphicsView *view, const QPointF &anchor, QPointF &pos, unsigned *best)
{
    if (!view)
        return;
    const PixelDistance d = pixelDistance(view, anchor, pos);
    if (d.dy < d.dx) {
        if (d.dy <= kSnapPixels && d.dy < best[1]) {
            pos.setY(anchor.y());
            best[1] = d.dy;
        }
    } else if (d.dx <= kSnapPixels && d.dx < best[0]) {
        pos.setX(anchor.x());
        best[0] = d.dx;
    }
}

bool arrowKeyStep(int key, QPointF &step)
{
    constexpr double nudge = 0.01;
    switch (key) {
    case Qt::Key_Up:
        step = QPointF(0, -nudge);
        return true;
    case Qt::Key_Down:
        step = QPointF(0, nudge);
        return true;
    case Qt::Key_Left:
        step = QPointF(-nudge, 0);
        return true;
    case Qt::Key_Right:
        step = QPointF(nudge, 0);
        return true;
    default:
        return false;
    }
}
