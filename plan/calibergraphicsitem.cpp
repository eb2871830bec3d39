#include "plan/calibergraphicsitem.h"

#include "io/projectlimits.h"
#include "io/treenode.h"
#include "plan/planinput.h"
#include "scene/fixedsizetextitem2.h"
#include "scene/geometry.h"
#include "scene/graphicslineitem.h"
#include "scene/userprompts.h"

#include <QGraphicsView>
#include <QMouseEvent>
#include <QPen>

namespace {

// A 6 mm tick across the line and a filled head 3 mm long whose tip touches it.
const QPolygonF startArrowShape(
    { { 0, -3 }, { 0, 3 }, { 0, 0 }, { 3, 1.5 }, { 3, -1.5 }, { 0, 0 } });
const QPolygonF endArrowShape(
    { { 0, -3 }, { 0, 3 }, { 0, 0 }, { -3, 1.5 }, { -3, -1.5 }, { 0, 0 } });

} // namespace

CaliberGraphicsItem::CaliberGraphicsItem(QGraphicsItem *parent)
    : QGraphicsItemGroup(parent)
    , dimension(this, Qt::black, startArrowShape, endArrowShape)
    , startLine(new GraphicsLineItem(this))
    , endLine(new GraphicsLineItem(this))
{
    QPen pen(Qt::black, 0.4);
    pen.setCosmetic(true);
    for (GraphicsLineItem *line : { startLine, endLine }) {
        line->setPen(pen);
        line->setTransformOriginPoint(0, 0);
    }
    reset();
}

void CaliberGraphicsItem::reset()
{
    startLine->setPos(0, 0);
    endLine->setPos(0, 0);
    offset = 0;
    setCaliberVisible(false);
}

void CaliberGraphicsItem::setCaliberVisible(bool visible)
{
    setVisible(visible);
    caliberVisible = visible;
    updateParts();
    emit caliberVisibled(visible);
}

void CaliberGraphicsItem::startEdit()
{
    if (state == Idle)
        previous = { startPoint(), endPoint(), offset, caliberVisible };
    reset();
    state = PlacingFirstPoint;
    setCaliberVisible(true);
    emit editing(true);
}

double CaliberGraphicsItem::length() const
{
    return QLineF(startPoint(), endPoint()).length();
}

QString CaliberGraphicsItem::text() const
{
    return dimension.label->toPlainText();
}

QPointF CaliberGraphicsItem::startPoint() const
{
    return startLine->pos();
}

QPointF CaliberGraphicsItem::endPoint() const
{
    return endLine->pos();
}

void CaliberGraphicsItem::setMeasurement(const QPointF &start, const QPointF &end, double offset)
{
    reset();
    startLine->setPos(start);
    endLine->setPos(end);
    this->offset = offset;
    updateParts();
    setCaliberVisible(true);
}

void CaliberGraphicsItem::updateParts()
{
    startLine->setLine(0, 0, 0, offset);
    endLine->setLine(0, 0, 0, offset);
    const QLineF measured(startPoint(), endPoint());
    dimension.update(measured, offset, caliberVisible);

    const bool drawn = caliberVisible && measured.length() != 0;
    startLine->setVisible(drawn && offset != 0);
    endLine->setVisible(drawn && offset != 0);
    const double rotation = drawn ? -measured.angle() : 0;
    startLine->setRotation(rotation);
    endLine->setRotation(rotation);
}

void CaliberGraphicsItem::setOffsetFromPoint(const QPointF &point)
{
    const QLineF measured(startPoint(), endPoint());
    const QPointF foot = projectToSegment(point, measured, false);
    double distance = QLineF(point, foot).length();
    if (polygonOrientation(QPolygonF({ measured.p1(), measured.p2(), point })) < 0)
        distance = -distance;
    offset = distance;
    updateParts();
}

void CaliberGraphicsItem::applyScale(double metres)
{
    const double measured = length();
    const double k = (metres != 0 && measured > 0) ? measured / metres : 0;
    if (k != 0) {
        startLine->setPos(startPoint() / k);
        endLine->setPos(endPoint() / k);
        offset /= k;
        updateParts();
        if (QGraphicsView *view = firstView(this)) {
            // The plan shrinks by k about the scene origin and the view grows by
            // k: the point at the view's centre stays there, and with it the rest.
            const QPointF centre = view->mapToScene(view->viewport()->rect().center());
            view->scale(k, k);
            view->centerOn(centre / k);
        }
    }
    emit caliberSetted(k);
}

QPointF CaliberGraphicsItem::snapToAxis(QPointF pos, unsigned *best) const
{
    if (state != PlacingSecondPoint)
        return pos;
    snapToAnchorAxis(firstView(this), startPoint(), pos, best);
    return pos;
}

QRectF CaliberGraphicsItem::linesSceneRect() const
{
    return startLine->sceneBoundingRect() | endLine->sceneBoundingRect()
        | dimension.line->sceneBoundingRect();
}

QPointF CaliberGraphicsItem::pointerPos(QMouseEvent *event)
{
    QPointF pos = eventScenePos(this, event);
    emit nearPoint(pos);
    return pos;
}

bool CaliberGraphicsItem::viewMouseMove(QMouseEvent *event)
{
    const QPointF pos = pointerPos(event);
    switch (state) {
    case PlacingFirstPoint:
        startLine->setPos(pos);
        endLine->setPos(pos);
        updateParts();
        break;
    case PlacingSecondPoint:
        endLine->setPos(pos);
        updateParts();
        break;
    case SettingOffset:
        setOffsetFromPoint(pos);
        break;
    default:
        break;
    }
    event->accept();
    return true;
}

bool CaliberGraphicsItem::viewMousePress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    event->accept();
    switch (state) {
    case PlacingFirstPoint: {
        const QPointF pos = pointerPos(event);
        startLine->setPos(pos);
        endLine->setPos(pos);
        updateParts();
        state = PlacingSecondPoint;
        break;
    }
    case PlacingSecondPoint:
        state = SettingOffset;
        break;
    case SettingOffset: {
        finishPlacing();
        double metres = 0;
        const bool confirmed = askDistance(&metres);
        if (confirmed && length() > 0) {
            applyScale(metres);
        } else {
            // A confirmed zero length measures nothing: no scale, as applyScale reports it.
            if (confirmed)
                emit caliberSetted(0);
            restorePrevious();
        }
        break;
    }
    default:
        break;
    }
    return true;
}

bool CaliberGraphicsItem::viewMouseRelease(QMouseEvent *)
{
    return false;
}

void CaliberGraphicsItem::stopEdit()
{
    if (state == Idle)
        return;
    finishPlacing();
    restorePrevious();
}

void CaliberGraphicsItem::finishPlacing()
{
    state = Idle;
    if (!(length() > 0))
        setCaliberVisible(false);
    emit editing(false);
}

void CaliberGraphicsItem::restorePrevious()
{
    startLine->setPos(previous.start);
    endLine->setPos(previous.end);
    offset = previous.offset;
    setCaliberVisible(previous.visible);
}

bool CaliberGraphicsItem::askDistance(double *metres)
{
    bool ok = false;
    QGraphicsView *view = firstView(this);
    *metres = UserPrompts::current()->getDouble(view ? view->window() : nullptr,
        QStringLiteral("Масштаб плана"), QStringLiteral("Укажите расстояние в метрах:"), length(),
        1, 1000, 3, &ok);
    return ok;
}

QRectF CaliberGraphicsItem::boundingRect() const
{
    QRectF rect;
    for (const QGraphicsItem *line : { static_cast<const QGraphicsItem *>(startLine),
             static_cast<const QGraphicsItem *>(endLine),
             static_cast<const QGraphicsItem *>(dimension.line) })
        rect |= mapRectFromItem(line, line->boundingRect());
    return rect;
}

bool CaliberGraphicsItem::saveToNode(TreeNode *node) const
{
    if (!node)
        return false;
    const QPointF start = startPoint();
    const QPointF end = endPoint();
    node->setRectAndValue(
        TreeRect { float(start.x()), float(start.y()), float(end.x()), float(end.y()) },
        float(offset));
    return true;
}

bool CaliberGraphicsItem::loadFromNode(TreeNode *node)
{
    if (!node)
        return false;
    float stored = 0;
    const TreeRect r = node->toRectAndValue(stored);
    for (const double value : { r.left, r.top, r.right, r.bottom, stored }) {
        if (!ProjectLimits::isPlausible(value)) {
            reset();
            return false;
        }
    }
    setMeasurement(QPointF(r.left, r.top), QPointF(r.right, r.bottom), stored);
    return true;
}
