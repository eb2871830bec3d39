#include "detectors/sensorlabelgraphicsitem.h"

#include "detectors/ownedlineitem.h"
#include "detectors/sensorgraphicsitem2.h"
#include "plan/planinput.h"
#include "scene/graphicspolygonitem2.h"

#include <QCursor>
#include <QFont>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPen>

bool SensorLabelGraphicsItem::showLabels = true;
QPointF SensorLabelGraphicsItem::lastOffset(1.0, 0.0);
double SensorLabelGraphicsItem::lastScale = 0.01;
SensorLabelGraphicsItem *SensorLabelGraphicsItem::s_editedLabel = nullptr;
QPointer<GraphicsPolygonItem2> SensorLabelGraphicsItem::s_handle;

namespace {

QPen cosmeticPen(double widthMm)
{
    QPen pen(QBrush(Qt::black), widthMm, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    pen.setCosmetic(true);
    return pen;
}

} // namespace

SensorLabelGraphicsItem::SensorLabelGraphicsItem(
    SensorGraphicsItem2 *detector, QGraphicsItem *parent)
    : GraphicsTextItem(parent)
    , m_detector(detector)
{
    new OwnedLineItem(&m_leader);
    m_leader->setPen(cosmeticPen(0.3));
    m_leader->setZValue(3);

    setZValue(4);
    QFont labelFont = font();
    labelFont.setPointSize(14);
    setFont(labelFont);
    framePen.setCosmetic(true);
    setCursor(Qt::PointingHandCursor);

    connect(
        this, &GraphicsTextItem::mousePress, this, &SensorLabelGraphicsItem::on_rect_mousePress);
    connect(this, &GraphicsTextItem::selectedChanged, this,
        &SensorLabelGraphicsItem::on_rect_selectedChanged);
    // The leader follows every completed move; a drag by the user is a change.
    connect(this, &GraphicsTextItem::positionChanged, this, [this](QPointF) {
        updateLeader();
        if (!m_placing && m_editState == 1)
            emit changed();
    });
}

SensorLabelGraphicsItem::~SensorLabelGraphicsItem()
{
    if (s_editedLabel == this) {
        s_editedLabel = nullptr;
        if (s_handle && s_handle->scene())
            s_handle->scene()->removeItem(s_handle);
        connectHandle(false);
    }
    delete m_leader;
}

GraphicsPolygonItem2 *SensorLabelGraphicsItem::resizeHandle()
{
    if (!s_handle) {
        auto *handle = new GraphicsPolygonItem2(cosmeticPen(0.3), QBrush(Qt::white), nullptr);
        handle->setPolygon(QPolygonF(
            { QPointF(-1.2, -1.2), QPointF(1.2, -1.2), QPointF(1.2, 1.2), QPointF(-1.2, 1.2) }));
        handle->setFlag(QGraphicsItem::ItemIgnoresTransformations, true);
        handle->setZValue(5);
        handle->setCursor(Qt::SizeFDiagCursor);
        s_handle = handle;
    }
    return s_handle;
}

void SensorLabelGraphicsItem::placeAt(const QPointF &scenePos)
{
    m_placing = true;
    setPos(scenePos);
    m_placing = false;
}

void SensorLabelGraphicsItem::updateLeader()
{
    if (!m_leader)
        return;
    if (scene() && m_leader->scene() != scene())
        scene()->addItem(m_leader);
    const QRectF rect = mapRectToScene(boundingRect());
    const QPointF centre = rect.center();
    m_leader->setPos(centre);
    m_leader->setLine(QLineF(QPointF(0, 0), m_detector->pos() - centre));
    m_leader->setVisible(showLabels);
    // The handle is shared: only the edited label may move it.
    if (s_editedLabel == this && s_handle) {
        s_handle->setPos(rect.bottomRight());
    }
}

bool SensorLabelGraphicsItem::viewMousePress(QMouseEvent *)
{
    return m_editState == 1;
}

void SensorLabelGraphicsItem::on_rect_mousePress(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (s_editedLabel != this)
        emit editing(false);
    connect(this, &GraphicsTextItem::mouseRelease, this,
        &SensorLabelGraphicsItem::on_rect_mouseRelease, Qt::UniqueConnection);
    event->accept();
}

void SensorLabelGraphicsItem::on_rect_mouseRelease(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    disconnect(this, &GraphicsTextItem::mouseRelease, this,
        &SensorLabelGraphicsItem::on_rect_mouseRelease);
    setFlag(QGraphicsItem::ItemIsFocusable, true);
    setFlag(QGraphicsItem::ItemIsSelectable, true);
    setSelected(true);
    event->accept();
}

void SensorLabelGraphicsItem::on_rect_selectedChanged(bool value)
{
    if (value)
        startEdit();
    else
        stopEdit();
}

void SensorLabelGraphicsItem::startEdit()
{
    if (s_editedLabel && s_editedLabel != this)
        s_editedLabel->stopEdit();
    connect(this, &GraphicsTextItem::hoverEnter, this, &SensorLabelGraphicsItem::on_rect_hoverEnter,
        Qt::UniqueConnection);
    connect(this, &GraphicsTextItem::hoverLeave, this, &SensorLabelGraphicsItem::on_rect_hoverLeave,
        Qt::UniqueConnection);
    s_editedLabel = this;

    GraphicsPolygonItem2 *handle = resizeHandle();
    if (scene() && handle->scene() != scene()) {
        if (handle->scene())
            handle->scene()->removeItem(handle);
        scene()->addItem(handle);
    }
    connect(handle, &GraphicsPolygonItem2::hoverEnter, this,
        &SensorLabelGraphicsItem::on_point_hoverEnter, Qt::UniqueConnection);
    connect(handle, &GraphicsPolygonItem2::hoverLeave, this,
        &SensorLabelGraphicsItem::on_point_hoverLeave, Qt::UniqueConnection);
    handle->setAcceptHoverEvents(true);
    handle->setFlag(QGraphicsItem::ItemIgnoresTransformations, true);
    updateLeader();

    setFlag(QGraphicsItem::ItemIsMovable, true);
    setAcceptHoverEvents(true);
    connect(this, &GraphicsTextItem::positionChange, this,
        &SensorLabelGraphicsItem::on_rect_positionChange, Qt::UniqueConnection);
    connect(this, &GraphicsTextItem::keyPress, this, &SensorLabelGraphicsItem::on_rect_keyPress,
        Qt::UniqueConnection);
    disconnect(
        this, &GraphicsTextItem::mousePress, this, &SensorLabelGraphicsItem::on_rect_mousePress);
    setFlag(QGraphicsItem::ItemSendsGeometryChanges, true);
    m_editState = 1;
    setCursor(Qt::SizeAllCursor);
    emit editing(true);
}

void SensorLabelGraphicsItem::stopEdit()
{
    if (m_editState != 1)
        return;
    m_editState = 0;
    setFlag(QGraphicsItem::ItemIsSelectable, false);
    setFlag(QGraphicsItem::ItemIsFocusable, false);
    setFlag(QGraphicsItem::ItemIsMovable, false);
    disconnect(
        this, &GraphicsTextItem::hoverEnter, this, &SensorLabelGraphicsItem::on_rect_hoverEnter);
    disconnect(
        this, &GraphicsTextItem::hoverLeave, this, &SensorLabelGraphicsItem::on_rect_hoverLeave);
    disconnect(this, &GraphicsTextItem::positionChange, this,
        &SensorLabelGraphicsItem::on_rect_positionChange);
    disconnect(this, &GraphicsTextItem::keyPress, this, &SensorLabelGraphicsItem::on_rect_keyPress);
    connect(this, &GraphicsTextItem::mousePress, this, &SensorLabelGraphicsItem::on_rect_mousePress,
        Qt::UniqueConnection);
    setCursor(Qt::PointingHandCursor);
    if (s_editedLabel == this) {
        if (s_handle && s_handle->scene())
            s_handle->scene()->removeItem(s_handle);
        connectHandle(false);
        s_editedLabel = nullptr;
    }
    // Tell the main window, so that it never keeps a label that has stopped (and
    // may be deleted with its detector) as its editing item.
    emit editing(false);
}

void SensorLabelGraphicsItem::connectHandle(bool on)
{
    if (!s_handle)
        return;
    GraphicsPolygonItem2 *handle = s_handle;
    if (on) {
        connect(handle, &GraphicsPolygonItem2::positionChange, this,
            &SensorLabelGraphicsItem::on_point_positionChange, Qt::UniqueConnection);
        connect(handle, &GraphicsPolygonItem2::positionChanged, this,
            &SensorLabelGraphicsItem::on_point_positionChanged, Qt::UniqueConnection);
        handle->setFlag(QGraphicsItem::ItemSendsGeometryChanges, true);
        handle->setFlag(QGraphicsItem::ItemIsMovable, true);
    } else {
        disconnect(handle, nullptr, this, nullptr);
        handle->setFlag(QGraphicsItem::ItemIsMovable, false);
    }
}

void SensorLabelGraphicsItem::on_point_hoverEnter(QGraphicsSceneHoverEvent *)
{
    // A selected, movable label would follow the handle's drag.
    setFlag(QGraphicsItem::ItemIsMovable, false);
    connectHandle(true);
}

void SensorLabelGraphicsItem::on_point_hoverLeave(QGraphicsSceneHoverEvent *)
{
    if (!s_handle)
        return;
    GraphicsPolygonItem2 *handle = s_handle;
    disconnect(handle, &GraphicsPolygonItem2::positionChange, this,
        &SensorLabelGraphicsItem::on_point_positionChange);
    disconnect(handle, &GraphicsPolygonItem2::positionChanged, this,
        &SensorLabelGraphicsItem::on_point_positionChanged);
    handle->setFlag(QGraphicsItem::ItemIsMovable, false);
}

// The label is draggable only while the pointer is over it, not while it is over
// the resize handle (which stands on the label's corner).
void SensorLabelGraphicsItem::on_rect_hoverEnter(QGraphicsSceneHoverEvent *)
{
    if (m_editState != 1)
        return;
    setFlag(QGraphicsItem::ItemIsMovable, true);
    connect(this, &GraphicsTextItem::positionChange, this,
        &SensorLabelGraphicsItem::on_rect_positionChange, Qt::UniqueConnection);
}

void SensorLabelGraphicsItem::on_rect_hoverLeave(QGraphicsSceneHoverEvent *)
{
    setFlag(QGraphicsItem::ItemIsMovable, false);
    disconnect(this, &GraphicsTextItem::positionChange, this,
        &SensorLabelGraphicsItem::on_rect_positionChange);
}

void SensorLabelGraphicsItem::on_rect_positionChange(QPointF &pos, bool &accept)
{
    if (m_placing || m_editState != 1 || !leftButtonHeld())
        return;
    const QRectF rect = mapRectToScene(boundingRect());
    pos = cursorScenePos(this) - QPointF(rect.width() / 2, rect.height() / 2);
    m_detector->rememberLabelOffset(pos - m_detector->pos());
    accept = true;
}

void SensorLabelGraphicsItem::on_point_positionChange(QPointF &pos, bool &accept)
{
    if (sender() != s_handle)
        return;
    const QRectF rect = mapRectToScene(boundingRect());
    const QPointF size = pos - rect.topLeft();
    const double w = rect.width();
    const double h = rect.height();
    const double current = scale();
    double next = current;
    if ((size.x() > scaleStep * w || size.y() > scaleStep * h) && current < maxScale)
        next = current * scaleStep;
    else if (size.x() < w / scaleStep && size.y() < h / scaleStep && current > minScale)
        next = current / scaleStep;
    if (next != current) {
        m_detector->setLabelScale(next);
        emit labelScaleChanged(next);
        emit changed();
    }
    pos = mapRectToScene(boundingRect()).bottomRight();
    accept = true;
}

void SensorLabelGraphicsItem::on_point_positionChanged(QPointF)
{
    updateLeader();
}

void SensorLabelGraphicsItem::on_rect_keyPress(QKeyEvent *event)
{
    QPointF step;
    if (!arrowKeyStep(event->key(), step))
        return;
    placeAt(pos() + step);
    updateLeader();
    emit changed();
    event->accept();
}
