#include "detectors/sensorgraphicsitem2.h"

#include "detectors/ownedlineitem.h"
#include "detectors/zonegraphicsitem.h"
#include "plan/planinput.h"
#include "scene/graphicspolygonitem2.h"

#include <QCursor>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QLineF>
#include <QMouseEvent>

#include <cmath>

void SensorGraphicsItem2::setViewportCursor(Qt::CursorShape shape)
{
    if (QGraphicsView *view = firstView(this))
        view->viewport()->setCursor(shape);
}

void SensorGraphicsItem2::startCreate()
{
    hide();
    m_mode = 1;
    setViewportCursor(Qt::CrossCursor);
    setZValues();
    emit creating(true);
    emit editing(true);
}

void SensorGraphicsItem2::viewEnter(QEvent *)
{
    if (m_mode == 1)
        show();
}

void SensorGraphicsItem2::viewLeave(QEvent *)
{
    if (m_mode == 1)
        hide();
}

bool SensorGraphicsItem2::viewMouseMove(QMouseEvent *event)
{
    if (m_mode != 1)
        return true;
    // The pointer is over the view even when no enter event came (the command was
    // started from the keyboard with the pointer already there).
    show();
    QPointF point;
    snapTo(eventScenePos(this, event), &point);
    setPos(point);
    updateZone();
    return true;
}

bool SensorGraphicsItem2::viewMousePress(QMouseEvent *event)
{
    if (m_mode == 0)
        return false;
    if (m_mode == 2)
        return true;
    if (event->button() != Qt::LeftButton)
        return true;
    stopEdit();
    updateLabelText();
    emit created();
    event->accept();
    return true;
}

void SensorGraphicsItem2::startEdit()
{
    if (s_edited && s_edited != this)
        s_edited->stopEdit();
    s_edited = this;
    m_mode = 2;
    m_head->setCursor(Qt::SizeAllCursor);
    setFlag(QGraphicsItem::ItemIsMovable, true);
    setRayPointActive(true);
    emit editing(true);
}

void SensorGraphicsItem2::setRayPointActive(bool on)
{
    m_head->setSelected(on);
    GraphicsPolygonItem2 *point = rayPoint();
    if (on) {
        updateZone();
        if (scene() && point->scene() != scene()) {
            if (point->scene())
                point->scene()->removeItem(point);
            scene()->addItem(point);
        }
        connect(point, &GraphicsPolygonItem2::mousePress, this,
            &SensorGraphicsItem2::on_rayPoint_mousePress, Qt::UniqueConnection);
        connect(point, &GraphicsPolygonItem2::mouseRelease, this,
            &SensorGraphicsItem2::on_rayPoint_mouseRelease, Qt::UniqueConnection);
    } else {
        if (point->scene())
            point->scene()->removeItem(point);
        disconnect(point, nullptr, this, nullptr);
        m_head->setCursor(Qt::PointingHandCursor);
        setFlag(QGraphicsItem::ItemIsMovable, false);
    }
}

void SensorGraphicsItem2::stopEdit()
{
    if (m_mode == 1) {
        m_mode = 0;
        setViewportCursor(Qt::ArrowCursor);
        emit creating(false);
    } else if (m_mode == 2) {
        m_mode = 0;
        ZoneGraphicsItem::setDragPainting(scene(), false);
        // Cleared first, so that the deselection below does not stop us twice.
        if (s_edited == this)
            s_edited = nullptr;
        setRayPointActive(false);
    }
    emit editing(false);
}

QVariant SensorGraphicsItem2::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemPositionChange) {
        QPointF pos = value.toPointF();
        bool accept = false;
        emit positionChange(pos, accept);
        if (accept)
            return QVariant(pos);
    } else if (change == ItemPositionHasChanged) {
        emit positionChanged(value.toPointF());
    } else if (change == ItemSelectedHasChanged) {
        emit selectedChanged(value.toBool());
    }
    return QGraphicsItemGroup::itemChange(change, value);
}

void SensorGraphicsItem2::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    const bool wasAccepted = event->isAccepted();
    event->ignore();
    emit mousePress(event);
    if (event->isAccepted())
        return;
    event->setAccepted(wasAccepted);
    QGraphicsItemGroup::mousePressEvent(event);
}

void SensorGraphicsItem2::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        ZoneGraphicsItem::setDragPainting(scene(), false);
    const bool wasAccepted = event->isAccepted();
    event->ignore();
    emit mouseRelease(event);
    if (event->isAccepted())
        return;
    event->setAccepted(wasAccepted);
    QGraphicsItemGroup::mouseReleaseEvent(event);
}

void SensorGraphicsItem2::on_mousePress(QGraphicsSceneMouseEvent *event)
{
    event->accept();
}

void SensorGraphicsItem2::on_mouseRelease(QGraphicsSceneMouseEvent *event)
{
    m_head->setSelected(true);
    event->accept();
}

void SensorGraphicsItem2::on_sensor_selectedChanged(bool value)
{
    if (value)
        startEdit();
    else if (s_edited == this)
        stopEdit();
}

void SensorGraphicsItem2::on_area_mousePress(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (!(s_edited == this && m_mode == 2))
        setRayPointActive(true);
    event->accept();
}

void SensorGraphicsItem2::on_positionChange(QPointF &pos, bool &accept)
{
    if (m_mode != 2 || !leftButtonHeld())
        return;
    // A drag by the pointer: the zones are painted quickly until the release.
    ZoneGraphicsItem::setDragPainting(scene(), true);
    snapTo(cursorScenePos(this), &pos);
    // A move computes the zone once it has happened (on_positionChanged); a
    // snap back to where the detector stands moves nothing, while the surface
    // it snapped to may have turned it.
    if (pos == this->pos())
        updateZone();
    accept = true;
}

void SensorGraphicsItem2::on_positionChanged(QPointF pos)
{
    setPos(pos);
    // A move by hand or by the pointer: the distance along the section follows.
    if (!m_settingPosition && m_surface)
        m_record.setPos(positionFromPoint());
    updateZone();
    setLabelPos(m_record.labelOffset());
    emit changed();
}

void SensorGraphicsItem2::on_rayPoint_mousePress(QGraphicsSceneMouseEvent *)
{
    connect(rayPoint(), &GraphicsPolygonItem2::positionChange, this,
        &SensorGraphicsItem2::on_rayPoint_positionChange, Qt::UniqueConnection);
}

void SensorGraphicsItem2::on_rayPoint_mouseRelease(QGraphicsSceneMouseEvent *)
{
    ZoneGraphicsItem::setDragPainting(scene(), false);
    disconnect(rayPoint(), &GraphicsPolygonItem2::positionChange, this,
        &SensorGraphicsItem2::on_rayPoint_positionChange);
}

void SensorGraphicsItem2::on_rayPoint_positionChange(QPointF &pos, bool &accept)
{
    if (!leftButtonHeld())
        return;
    ZoneGraphicsItem::setDragPainting(scene(), true);
    GraphicsPolygonItem2 *point = rayPoint();
    const QPointF cursor = cursorScenePos(this);
    const QPointF pivot = m_ray->scenePos();
    const int a = -qRound(QLineF(pivot, cursor).angle());
    // The turn from the wall's normal towards the pointer, taken the short way
    // round, so that a pointer behind the wall stops the turn at the nearer
    // limit instead of flipping it to the other side.
    double e = std::remainder(a - rotation() + 90.0, 360.0);
    e = qBound(-90.0, e, 90.0);

    disconnect(point, &GraphicsPolygonItem2::positionChange, this,
        &SensorGraphicsItem2::on_rayPoint_positionChange);
    setAngle(int(e));
    updateZone();
    updateLabelText();
    pos = point->pos();
    connect(point, &GraphicsPolygonItem2::positionChange, this,
        &SensorGraphicsItem2::on_rayPoint_positionChange, Qt::UniqueConnection);
    emit changed();
    accept = true;
}
