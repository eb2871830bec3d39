#include "plan/plangraphicsitem.h"

#include "io/projectlimits.h"
#include "io/treenode.h"
#include "plan/planinput.h"
#include "scene/geometry.h"

#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QPen>

#include <algorithm>

namespace {

// Closing distance to the first vertex, in view pixels.
constexpr double kClosePixels = 10;

} // namespace

PlanGraphicsItem::PlanGraphicsItem(QGraphicsItem *parent)
    : GraphicsPolygonItem2(parent)
{
    QPen pen(Qt::red, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    pen.setCosmetic(true);
    setPen(pen);
    setBrush(Qt::NoBrush);
    setZValue(0);
    // No outline yet, so nothing to show.
    setVisible(false);
    connect(this, &GraphicsPolygonItem2::mousePress, this, &PlanGraphicsItem::on_mousePress);
}

bool PlanGraphicsItem::hasPath() const
{
    return polygon().size() > 2;
}

void PlanGraphicsItem::setPathVisible(bool visible)
{
    setVisible(visible);
    emit pathVisibled(isVisible());
}

void PlanGraphicsItem::setPath(const QPolygonF &path)
{
    if (path.size() < 3) {
        setPolygon(QPolygonF());
        setPathVisible(false);
    } else {
        setPolygon(path);
        setPathVisible(true);
    }
}

void PlanGraphicsItem::clearPath()
{
    tracing = false;
    setPolygon(QPolygonF());
    setPathVisible(false);
}

void PlanGraphicsItem::startEdit()
{
    tracing = true;
    setPathVisible(true);
    setPolygon(QPolygonF({ QPointF(0, 0) }));
    if (QGraphicsView *view = firstView(this)) {
        view->setAttribute(Qt::WA_Hover, false);
        view->viewport()->setCursor(Qt::CrossCursor);
    }
    setZValue(2);
    emit editing(true);
}

bool PlanGraphicsItem::nearFirstVertex(const QPoint &viewPos) const
{
    const QGraphicsView *view = firstView(this);
    if (!view || polygon().isEmpty())
        return false;
    return QLineF(view->mapFromScene(polygon().first()), viewPos).length() < kClosePixels;
}

bool PlanGraphicsItem::viewMouseMove(QMouseEvent *event)
{
    if (!tracing)
        return false;
    QPolygonF path = polygon();
    const bool closable = path.size() > 3 && nearFirstVertex(event->pos());
    if (QGraphicsView *view = firstView(this))
        view->viewport()->setCursor(closable ? Qt::PointingHandCursor : Qt::CrossCursor);

    QPointF pos = eventScenePos(this, event);
    if (path.size() > 1)
        emit nearPoint(pos);
    path.last() = pos;
    setPolygon(path);
    event->accept();
    return true;
}

bool PlanGraphicsItem::viewMousePress(QMouseEvent *event)
{
    if (!tracing)
        return false;
    if (event->button() != Qt::LeftButton)
        return false;
    if (polygon().size() > 2 && nearFirstVertex(event->pos())) {
        stopEdit();
    } else {
        QPolygonF path = polygon();
        const QPointF pos = eventScenePos(this, event);
        // A first click that came without a move fixes the clicked point, not
        // the origin where the lone rubber-band vertex starts.
        if (path.size() == 1)
            path.first() = pos;
        path.append(pos);
        setPolygon(path);
    }
    event->accept();
    return true;
}

bool PlanGraphicsItem::viewMouseRelease(QMouseEvent *)
{
    return false;
}

void PlanGraphicsItem::stopEdit()
{
    if (tracing) {
        QPolygonF path = polygon();
        if (!path.isEmpty())
            path.removeLast();
        if (!path.isEmpty() && polygonOrientation(path) < 0)
            std::reverse(path.begin(), path.end());
        setPath(path);
        tracing = false;
        if (QGraphicsView *view = firstView(this)) {
            view->viewport()->setCursor(Qt::ArrowCursor);
            view->setAttribute(Qt::WA_Hover, true);
        }
        setZValue(0);
    }
    emit editing(false);
}

QPointF PlanGraphicsItem::snapToVertices(QPointF pos, unsigned *best) const
{
    const QGraphicsView *view = firstView(this);
    if (!view)
        return pos;
    const QPolygonF path = polygon();
    const int count = tracing ? path.size() - 1 : path.size();
    for (int i = 0; i < count; ++i) {
        const QPointF &vertex = path.at(i);
        if (tracing && i == 0) {
            const PixelDistance d = pixelDistance(view, vertex, pos);
            if (QLineF(0, 0, d.dx, d.dy).length() < kClosePixels)
                return vertex;
        }
        snapToAnchorAxis(view, vertex, pos, best);
    }
    return pos;
}

void PlanGraphicsItem::on_mousePress(QGraphicsSceneMouseEvent *event)
{
    event->ignore();
}

bool PlanGraphicsItem::saveToNode(TreeNode *node) const
{
    if (!node)
        return false;
    const QPolygonF path = polygon();
    for (int i = 0; i < path.size(); ++i)
        node->addChild(std::to_string(i + 1))
            .setPoint(TreePoint { float(path.at(i).x()), float(path.at(i).y()) });
    return true;
}

bool PlanGraphicsItem::loadFromNode(TreeNode *node)
{
    if (!node)
        return false;
    const std::size_t count = node->childCount();
    QPolygonF path;
    bool readable = count <= std::size_t(ProjectLimits::maxOutlineVertices);
    for (std::size_t i = 0; readable && i < count; ++i) {
        const TreePoint point = node->childAt(i)->toPoint();
        readable = ProjectLimits::isPlausible(point.x) && ProjectLimits::isPlausible(point.y);
        path.append(QPointF(point.x, point.y));
    }
    if (!readable) {
        clearPath();
        return false;
    }
    setPath(path);
    return true;
}
