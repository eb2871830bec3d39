#include "plan/objectgraphicsitem.h"

#include "io/projectlimits.h"
#include "io/treenode.h"
#include "plan/planinput.h"

#include <QCoreApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QPen>
#include <QtMath>

#include <cmath>

ObjectGraphicsItem *ObjectGraphicsItem::selectedObstacle = nullptr;
QSizeF ObjectGraphicsItem::lastSize(5, 5);
QVector<QPointer<GraphicsPolygonItem2>> ObjectGraphicsItem::handles;

namespace {

enum HandleIndex
{
    TopLeft,
    TopMiddle,
    TopRight,
    MiddleLeft,
    MiddleRight,
    BottomLeft,
    BottomMiddle,
    BottomRight,
    HandleCount
};

// Handles never let a side come nearer the opposite one than this.
constexpr double kMinimumSize = 0.1;
// A snapping correction smaller than this is no correction.
constexpr double kSnapEpsilon = 0.0001;
constexpr int kEllipseVertices = 16;

void deleteHandles()
{
    for (int i = 0; i < HandleCount; ++i)
        delete ObjectGraphicsItem::handle(i);
}

} // namespace

ObjectGraphicsItem::ObjectGraphicsItem(int kind, QGraphicsItem *parent)
    : GraphicsPolygonItem2(QPen(Qt::black, 0.3), QBrush(Qt::lightGray), parent)
    , kind(kind)
{
    setGeometry(0, 0, lastSize.width(), lastSize.height());
    connect(this, &GraphicsPolygonItem2::mousePress, this, &ObjectGraphicsItem::on_rect_mousePress);
    connect(this, &GraphicsPolygonItem2::selectedChanged, this,
        &ObjectGraphicsItem::on_rect_selectedChanged);
}

ObjectGraphicsItem::~ObjectGraphicsItem()
{
    if (state == Editing)
        showHandles(false);
    if (selectedObstacle == this)
        selectedObstacle = nullptr;
}

QPolygonF ObjectGraphicsItem::scenePolygon() const
{
    return polygon().translated(pos());
}

void ObjectGraphicsItem::setGeometry(double x, double y, double width, double height)
{
    QPen outline = pen();
    outline.setCosmetic(true);
    setPen(outline);
    setBrush(QColor(192, 192, 192, 192));
    const QRectF shape(-width / 2, -height / 2, width, height);
    if (kind == Rect)
        setRectShape(shape);
    else if (kind == Ellipse)
        setEllipseShape(shape);
    setPos(x, y);
    setCursor(Qt::PointingHandCursor);
    setZValue(3);
    lastSize = QSizeF(width, height);
    recordSize = lastSize;
}

void ObjectGraphicsItem::setRectShape(const QRectF &r)
{
    rect = r;
    lastSize = r.size();
    setPolygon(QPolygonF({ r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft() }));
}

void ObjectGraphicsItem::setEllipseShape(const QRectF &r)
{
    rect = r;
    lastSize = r.size();
    const QPointF centre = r.center();
    QPolygonF shape;
    for (int i = 0; i < kEllipseVertices; ++i) {
        const double angle = i * 2 * M_PI / kEllipseVertices + M_PI / kEllipseVertices;
        shape << QPointF(centre.x() + std::cos(angle) * r.width() / 2,
            centre.y() + std::sin(angle) * r.height() / 2);
    }
    setPolygon(shape);
}

void ObjectGraphicsItem::applyRect(const QRectF &r)
{
    if (kind == Rect)
        setRectShape(r);
    else if (kind == Ellipse)
        setEllipseShape(r);
}

void ObjectGraphicsItem::setSize(const QSizeF &size)
{
    applyRect(QRectF(-size.width() / 2, -size.height() / 2, size.width(), size.height()));
}

void ObjectGraphicsItem::refreshGeometry()
{
    if (state == Editing)
        placeHandles();
}

void ObjectGraphicsItem::startCreate()
{
    state = Creating;
    selectedObstacle = this;
    hide();
    emit creating(true);
    emit editing(true);
}

void ObjectGraphicsItem::startEdit()
{
    if (state == Editing)
        return;
    if (selectedObstacle && selectedObstacle != this)
        selectedObstacle->stopEdit();
    selectedObstacle = this;
    state = Editing;

    setFlag(ItemIsFocusable);
    setFlag(ItemIsSelectable);
    setSelected(true);

    connect(this, &GraphicsPolygonItem2::hoverEnter, this, &ObjectGraphicsItem::on_rect_hoverEnter,
        Qt::UniqueConnection);
    connect(this, &GraphicsPolygonItem2::hoverLeave, this, &ObjectGraphicsItem::on_rect_hoverLeave,
        Qt::UniqueConnection);
    showHandles(true);
    placeHandles();

    setFlag(ItemIsMovable);
    setAcceptHoverEvents(true);
    connect(this, &GraphicsPolygonItem2::positionChange, this,
        &ObjectGraphicsItem::on_rect_positionChange, Qt::UniqueConnection);
    connect(this, &GraphicsPolygonItem2::positionChanged, this,
        &ObjectGraphicsItem::on_rect_positionChanged, Qt::UniqueConnection);
    connect(this, &GraphicsPolygonItem2::keyPress, this, &ObjectGraphicsItem::on_rect_keyPress,
        Qt::UniqueConnection);
    disconnect(
        this, &GraphicsPolygonItem2::mousePress, this, &ObjectGraphicsItem::on_rect_mousePress);

    setFlag(ItemSendsGeometryChanges);
    setCursor(Qt::SizeAllCursor);
    emit editing(true);
}

void ObjectGraphicsItem::stopEdit()
{
    if (state == Creating) {
        state = Idle;
        if (selectedObstacle == this)
            selectedObstacle = nullptr;
        emit creating(false);
    } else if (state == Editing) {
        // Cleared before the flags change, so that the deselection that follows
        // does not stop this obstacle a second time.
        state = Idle;
        if (selectedObstacle == this)
            selectedObstacle = nullptr;
        setFlag(ItemIsSelectable, false);
        setFlag(ItemIsFocusable, false);
        setFlag(ItemIsMovable, false);
        disconnect(
            this, &GraphicsPolygonItem2::hoverEnter, this, &ObjectGraphicsItem::on_rect_hoverEnter);
        disconnect(
            this, &GraphicsPolygonItem2::hoverLeave, this, &ObjectGraphicsItem::on_rect_hoverLeave);
        disconnect(this, &GraphicsPolygonItem2::positionChange, this,
            &ObjectGraphicsItem::on_rect_positionChange);
        disconnect(this, &GraphicsPolygonItem2::positionChanged, this,
            &ObjectGraphicsItem::on_rect_positionChanged);
        disconnect(
            this, &GraphicsPolygonItem2::keyPress, this, &ObjectGraphicsItem::on_rect_keyPress);
        connect(this, &GraphicsPolygonItem2::mousePress, this,
            &ObjectGraphicsItem::on_rect_mousePress, Qt::UniqueConnection);
        setCursor(Qt::PointingHandCursor);
        showHandles(false);
    }
    emit editing(false);
}

void ObjectGraphicsItem::ensureHandles()
{
    if (handles.isEmpty()) {
        handles.resize(HandleCount);
        qAddPostRoutine(deleteHandles);
    }
    static const Qt::CursorShape cursors[HandleCount]
        = { Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
              Qt::SizeHorCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor, Qt::SizeFDiagCursor };
    QPen pen(Qt::black, 0.3);
    pen.setCosmetic(true);
    for (int i = 0; i < HandleCount; ++i) {
        // A scene that is destroyed takes the handles shown in it along.
        if (handles[i])
            continue;
        auto *handle = new GraphicsPolygonItem2(QPen(Qt::black, 1), QBrush(Qt::white), nullptr);
        handle->setCursor(cursors[i]);
        handle->setPen(pen);
        handle->setPolygon(
            QPolygonF({ { -1.2, -1.2 }, { 1.2, -1.2 }, { 1.2, 1.2 }, { -1.2, 1.2 } }));
        handle->setZValue(5);
        handles[i] = handle;
    }
}

void ObjectGraphicsItem::initHandles()
{
    ensureHandles();
}

GraphicsPolygonItem2 *ObjectGraphicsItem::handle(int index)
{
    return index >= 0 && index < handles.size() ? handles.at(index).data() : nullptr;
}

void ObjectGraphicsItem::placeHandles()
{
    const QPointF origin = pos() + rect.topLeft();
    const double w = rect.width();
    const double h = rect.height();
    const QPointF places[HandleCount] = {
        origin,
        origin + QPointF(w / 2, 0),
        origin + QPointF(w, 0),
        origin + QPointF(0, h / 2),
        origin + QPointF(w, h / 2),
        origin + QPointF(0, h),
        origin + QPointF(w / 2, h),
        origin + QPointF(w, h),
    };
    for (int i = 0; i < HandleCount; ++i) {
        if (GraphicsPolygonItem2 *h = handle(i))
            h->setPos(places[i]);
    }
}

void ObjectGraphicsItem::showHandles(bool show)
{
    if (show)
        ensureHandles();
    for (int i = 0; i < HandleCount; ++i) {
        GraphicsPolygonItem2 *h = handle(i);
        if (!h)
            continue;
        if (show) {
            if (h->scene() != scene()) {
                if (h->scene())
                    h->scene()->removeItem(h);
                if (scene())
                    scene()->addItem(h);
            }
            connect(h, &GraphicsPolygonItem2::hoverEnter, this,
                &ObjectGraphicsItem::on_point_hoverEnter, Qt::UniqueConnection);
            connect(h, &GraphicsPolygonItem2::hoverLeave, this,
                &ObjectGraphicsItem::on_point_hoverLeave, Qt::UniqueConnection);
            h->setAcceptHoverEvents(true);
            h->setFlag(ItemIgnoresTransformations);
        } else {
            if (h->scene())
                h->scene()->removeItem(h);
            disconnect(h, nullptr, this, nullptr);
            h->setFlag(ItemIsMovable, false);
        }
    }
}

void ObjectGraphicsItem::snapCorner(
    const QPointF &pos, const QPointF &offset, QPointF &out, QPointF &best)
{
    const QPointF candidate = pos + offset;
    QPointF snapped = candidate;
    emit nearPoint(snapped);
    const double dx = std::abs(snapped.x() - candidate.x());
    if (dx >= kSnapEpsilon && (best.x() < 0 || dx < best.x())) {
        out.setX(snapped.x() - offset.x());
        best.setX(dx);
    }
    const double dy = std::abs(snapped.y() - candidate.y());
    if (dy >= kSnapEpsilon && (best.y() < 0 || dy < best.y())) {
        out.setY(snapped.y() - offset.y());
        best.setY(dy);
    }
}

QPointF ObjectGraphicsItem::snapBody(const QPointF &pos)
{
    QPointF out = pos;
    QPointF best(-1, -1);
    for (const QPointF &corner :
        { rect.topLeft(), rect.topRight(), rect.bottomLeft(), rect.bottomRight() })
        snapCorner(pos, corner, out, best);
    return out;
}

QPointF ObjectGraphicsItem::snapPoint(const QPointF &pos)
{
    QPointF out = pos;
    QPointF best(-1, -1);
    snapCorner(pos, QPointF(), out, best);
    return out;
}

QPointF ObjectGraphicsItem::snapToCorners(QPointF pos, unsigned *best) const
{
    if (selectedObstacle == this)
        return pos;
    const QGraphicsView *view = firstView(this);
    for (const QPointF &corner :
        { rect.topLeft(), rect.topRight(), rect.bottomLeft(), rect.bottomRight() })
        snapToAnchorAxis(view, this->pos() + corner, pos, best);
    return pos;
}

bool ObjectGraphicsItem::viewMouseMove(QMouseEvent *event)
{
    if (state == Creating) {
        show();
        setPos(snapBody(eventScenePos(this, event)));
    }
    return true;
}

bool ObjectGraphicsItem::viewMousePress(QMouseEvent *event)
{
    if (state != Creating)
        return state == Editing;
    if (event->button() == Qt::LeftButton) {
        // A click that came without a move first still puts the obstacle where
        // it was clicked, visible.
        viewMouseMove(event);
        stopEdit();
        setCursor(Qt::PointingHandCursor);
        emit created();
        event->accept();
    }
    return true;
}

bool ObjectGraphicsItem::viewMouseRelease(QMouseEvent *)
{
    return false;
}

void ObjectGraphicsItem::on_rect_mousePress(QGraphicsSceneMouseEvent *event)
{
    if (selectedObstacle != this)
        emit editing(false);
    connect(this, &GraphicsPolygonItem2::mouseRelease, this,
        &ObjectGraphicsItem::on_rect_mouseRelease, Qt::UniqueConnection);
    event->accept();
}

void ObjectGraphicsItem::on_rect_mouseRelease(QGraphicsSceneMouseEvent *event)
{
    disconnect(
        this, &GraphicsPolygonItem2::mouseRelease, this, &ObjectGraphicsItem::on_rect_mouseRelease);
    if (shape().contains(event->pos())) {
        setFlag(ItemIsFocusable);
        setFlag(ItemIsSelectable);
        setSelected(true);
        event->accept();
    }
}

void ObjectGraphicsItem::on_rect_selectedChanged(bool value)
{
    if (value) {
        startEdit();
        lastSize = rect.size();
    } else if (selectedObstacle == this) {
        stopEdit();
    }
}

void ObjectGraphicsItem::on_rect_hoverEnter(QGraphicsSceneHoverEvent *)
{
    setFlag(ItemIsMovable);
    connect(this, &GraphicsPolygonItem2::positionChange, this,
        &ObjectGraphicsItem::on_rect_positionChange, Qt::UniqueConnection);
}

void ObjectGraphicsItem::on_rect_hoverLeave(QGraphicsSceneHoverEvent *)
{
    setFlag(ItemIsMovable, false);
    disconnect(this, &GraphicsPolygonItem2::positionChange, this,
        &ObjectGraphicsItem::on_rect_positionChange);
}

void ObjectGraphicsItem::on_rect_positionChange(QPointF &pos, bool &accept)
{
    if (!leftButtonHeld())
        return;
    pos = snapBody(cursorScenePos(this));
    accept = true;
}

void ObjectGraphicsItem::on_rect_positionChanged(QPointF)
{
    placeHandles();
    emit changed();
}

void ObjectGraphicsItem::on_rect_keyPress(QKeyEvent *event)
{
    QPointF step;
    if (!arrowKeyStep(event->key(), step))
        return;
    setPos(pos() + step);
    event->accept();
}

void ObjectGraphicsItem::on_point_hoverEnter(QGraphicsSceneHoverEvent *event)
{
    auto *h = qobject_cast<GraphicsPolygonItem2 *>(sender());
    if (!h)
        return;
    connect(h, &GraphicsPolygonItem2::positionChange, this,
        &ObjectGraphicsItem::on_point_positionChange, Qt::UniqueConnection);
    connect(h, &GraphicsPolygonItem2::positionChanged, this,
        &ObjectGraphicsItem::on_point_positionChanged, Qt::UniqueConnection);
    h->setFlag(ItemSendsGeometryChanges);
    h->setFlag(ItemIsMovable);
    event->accept();
}

void ObjectGraphicsItem::on_point_hoverLeave(QGraphicsSceneHoverEvent *event)
{
    auto *h = qobject_cast<GraphicsPolygonItem2 *>(sender());
    if (!h)
        return;
    disconnect(h, &GraphicsPolygonItem2::positionChange, this,
        &ObjectGraphicsItem::on_point_positionChange);
    disconnect(h, &GraphicsPolygonItem2::positionChanged, this,
        &ObjectGraphicsItem::on_point_positionChanged);
    h->setFlag(ItemIsMovable, false);
    event->accept();
}

void ObjectGraphicsItem::on_point_positionChange(QPointF &pos, bool &accept)
{
    const auto *sent = qobject_cast<GraphicsPolygonItem2 *>(sender());
    const int index = handles.indexOf(const_cast<GraphicsPolygonItem2 *>(sent));
    if (index < 0 || !leftButtonHeld() || !firstView(this))
        return;
    pos = snapPoint(cursorScenePos(this));
    const auto at = [](int i) { return handle(i)->pos(); };
    switch (index) {
    case TopLeft:
        pos.setX(qMin(pos.x(), at(BottomRight).x() - kMinimumSize));
        pos.setY(qMin(pos.y(), at(BottomRight).y() - kMinimumSize));
        break;
    case TopRight:
        pos.setX(qMax(pos.x(), at(BottomLeft).x() + kMinimumSize));
        pos.setY(qMin(pos.y(), at(BottomLeft).y() - kMinimumSize));
        break;
    case BottomLeft:
        pos.setX(qMin(pos.x(), at(TopRight).x() - kMinimumSize));
        pos.setY(qMax(pos.y(), at(TopRight).y() + kMinimumSize));
        break;
    case BottomRight:
        pos.setX(qMax(pos.x(), at(TopLeft).x() + kMinimumSize));
        pos.setY(qMax(pos.y(), at(TopLeft).y() + kMinimumSize));
        break;
    case TopMiddle:
        pos.setX(sent->pos().x());
        pos.setY(qMin(pos.y(), at(BottomLeft).y() - kMinimumSize));
        break;
    case BottomMiddle:
        pos.setX(sent->pos().x());
        pos.setY(qMax(pos.y(), at(TopLeft).y() + kMinimumSize));
        break;
    case MiddleLeft:
        pos.setY(sent->pos().y());
        pos.setX(qMin(pos.x(), at(MiddleRight).x() - kMinimumSize));
        break;
    case MiddleRight:
        pos.setY(sent->pos().y());
        pos.setX(qMax(pos.x(), at(MiddleLeft).x() + kMinimumSize));
        break;
    default:
        break;
    }
    accept = true;
}

void ObjectGraphicsItem::on_point_positionChanged(QPointF pos)
{
    const int index = handles.indexOf(qobject_cast<GraphicsPolygonItem2 *>(sender()));
    if (index < 0)
        return;
    const QRectF sceneRect = rect.translated(this->pos());
    double left = sceneRect.left();
    double top = sceneRect.top();
    double right = sceneRect.right();
    double bottom = sceneRect.bottom();
    if (index == TopLeft || index == MiddleLeft || index == BottomLeft)
        left = pos.x();
    if (index == TopRight || index == MiddleRight || index == BottomRight)
        right = pos.x();
    if (index == TopLeft || index == TopMiddle || index == TopRight)
        top = pos.y();
    if (index == BottomLeft || index == BottomMiddle || index == BottomRight)
        bottom = pos.y();
    const double w = right - left;
    const double h = bottom - top;
    applyRect(QRectF(-w / 2, -h / 2, w, h));

    // The body follows the resized shape; its own drag handling must not take
    // this move for a drag of the body.
    disconnect(this, &GraphicsPolygonItem2::positionChange, this,
        &ObjectGraphicsItem::on_rect_positionChange);
    const QPointF before = this->pos();
    setPos(left + w / 2, top + h / 2);
    if (this->pos() == before)
        on_rect_positionChanged(before);
}

bool ObjectGraphicsItem::saveToNode(TreeNode *node) const
{
    if (!node)
        return false;
    const QPointF centre = pos();
    const QSizeF size = kind == Polygon ? recordSize : rect.size();
    node->setRect(TreeRect {
        float(centre.x()), float(centre.y()), float(size.width()), float(size.height()) });
    return true;
}

bool ObjectGraphicsItem::loadFromNode(TreeNode *node)
{
    if (!node)
        return false;
    // The stored third and fourth numbers are w - cx and h - cy, so the
    // rectangle's right and bottom are the width and the height.
    const TreeRect r = node->toRect();
    const double width = r.right;
    const double height = r.bottom;
    if (!(width > 0) || !(height > 0))
        return false;
    for (const double value : { double(r.left), double(r.top), width, height }) {
        if (!ProjectLimits::isPlausible(value))
            return false;
    }
    setGeometry(r.left, r.top, width, height);
    return true;
}
