#include "detectors/sensorgraphicsitem2.h"

#include "detectors/ownedlineitem.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/sensorzone.h"
#include "io/projectlimits.h"
#include "io/treenode.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "plan/planinput.h"
#include "scene/geometry.h"
#include "scene/graphicspolygonitem2.h"

#include <QCursor>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QPen>
#include <QtMath>

#include <climits>
#include <cmath>

bool SensorGraphicsItem2::showRay = true;
SensorGraphicsItem2 *SensorGraphicsItem2::s_edited = nullptr;
QPointer<GraphicsPolygonItem2> SensorGraphicsItem2::s_rayPoint;

namespace {

// The head pivot in the detector's frame: the front of the nose.
const QPointF kHeadPivot(0, -0.07);

QPen cosmeticPen(const QColor &colour, double widthMm, Qt::PenStyle style = Qt::SolidLine)
{
    QPen pen(QBrush(colour), widthMm, style, Qt::SquareCap, Qt::BevelJoin);
    pen.setCosmetic(true);
    return pen;
}

QPolygonF millimetreSquare(double half)
{
    return QPolygonF(
        { QPointF(-half, -half), QPointF(half, -half), QPointF(half, half), QPointF(-half, half) });
}

} // namespace

SensorGraphicsItem2::SensorGraphicsItem2(
    QList<ObjectGraphicsItem *> &objects, PlanGraphicsItem *plan, QGraphicsItem *parent)
    : QObject(nullptr)
    , QGraphicsItemGroup(parent)
    , m_objects(objects)
    , m_plan(plan)
    , m_record(SensorRecord::fromDefaults())
{
    const QPen thinBlack(QBrush(Qt::black), 0);
    m_bodyItem = new QGraphicsRectItem(QRectF(-0.05, -0.02, 0.1, 0.02), this);
    m_bodyItem->setBrush(Qt::black);
    m_bodyItem->setPen(thinBlack);
    m_nose = new QGraphicsRectItem(QRectF(-0.01, -0.07, 0.02, 0.05), this);
    m_nose->setBrush(Qt::black);
    m_nose->setPen(thinBlack);

    m_head = new GraphicsPolygonItem2(cosmeticPen(Qt::black, 0.2), QBrush(Qt::red), this);
    m_head->setPolygon(
        QPolygonF({ QPointF(-2, 0), QPointF(2, 0), QPointF(2, -4), QPointF(-2, -4) }));
    m_head->setPos(kHeadPivot);
    m_head->setFlag(QGraphicsItem::ItemIgnoresTransformations, true);
    m_head->setFlag(QGraphicsItem::ItemIsSelectable, true);
    m_head->setFlag(QGraphicsItem::ItemSendsGeometryChanges, true);
    m_head->setCursor(Qt::PointingHandCursor);

    m_chevron = new GraphicsPolygonItem2(cosmeticPen(Qt::black, 0.4), QBrush(Qt::black), m_head);
    m_chevron->setPolygon(
        QPolygonF({ QPointF(0, -1), QPointF(1, -3), QPointF(0, -1), QPointF(-1, -3) }));
    m_chevron->setFlag(QGraphicsItem::ItemIgnoresTransformations, true);

    m_zone
        = new ZoneGraphicsItem(cosmeticPen(Qt::red, 0.2), QBrush(QColor(255, 0, 0, 64)), nullptr);
    m_zone->setZValue(1);
    new OwnedLineItem(&m_ray);
    m_ray->setPen(cosmeticPen(Qt::black, 0.5, Qt::DotLine));
    m_ray->setZValue(4);

    setAcceptHoverEvents(true);
    setFlag(QGraphicsItem::ItemIsFocusable, true);
    setFlag(QGraphicsItem::ItemSendsGeometryChanges, true);

    // A new label starts where and as large as the last one the user set.
    m_record.setLabelScale(SensorLabelGraphicsItem::lastScale);
    m_label = new SensorLabelGraphicsItem(this);
    m_label->setScale(m_record.labelScale());
    m_label->placeAt(SensorLabelGraphicsItem::lastOffset);

    connect(
        this, &SensorGraphicsItem2::positionChange, this, &SensorGraphicsItem2::on_positionChange);
    connect(this, &SensorGraphicsItem2::positionChanged, this,
        &SensorGraphicsItem2::on_positionChanged);
    connect(this, &SensorGraphicsItem2::mousePress, this, &SensorGraphicsItem2::on_mousePress);
    connect(this, &SensorGraphicsItem2::mouseRelease, this, &SensorGraphicsItem2::on_mouseRelease);
    connect(m_head, &GraphicsPolygonItem2::selectedChanged, this,
        &SensorGraphicsItem2::on_sensor_selectedChanged);
    connect(
        m_zone, &GraphicsPolygonItem2::mousePress, this, &SensorGraphicsItem2::on_area_mousePress);
}

SensorGraphicsItem2::~SensorGraphicsItem2()
{
    disconnect(this, nullptr, this, nullptr);
    disconnect(m_head, nullptr, this, nullptr);
    if (s_rayPoint) {
        disconnect(s_rayPoint, nullptr, this, nullptr);
        if (s_rayPoint->scene())
            s_rayPoint->scene()->removeItem(s_rayPoint);
    }
    if (s_edited == this)
        s_edited = nullptr;
    delete m_label;
    delete m_zone;
    delete m_ray;
}

QRectF SensorGraphicsItem2::boundingRect() const
{
    return QRectF(-0.05, -0.07, 0.1, 0.07);
}

GraphicsPolygonItem2 *SensorGraphicsItem2::rayPoint()
{
    if (!s_rayPoint) {
        auto *point
            = new GraphicsPolygonItem2(cosmeticPen(Qt::black, 0.2), QBrush(Qt::white), nullptr);
        point->setPolygon(millimetreSquare(1.2));
        point->setFlag(QGraphicsItem::ItemIgnoresTransformations, true);
        point->setFlag(QGraphicsItem::ItemIsMovable, true);
        point->setFlag(QGraphicsItem::ItemSendsGeometryChanges, true);
        point->setAcceptHoverEvents(true);
        point->setCursor(Qt::PointingHandCursor);
        point->setZValue(5);
        s_rayPoint = point;
    }
    return s_rayPoint;
}

// ---- Record ----------------------------------------------------------------

void SensorGraphicsItem2::setTag(const QString &value)
{
    m_record.setTag(value);
    emit changed();
}

void SensorGraphicsItem2::setSensor(char value)
{
    m_record.setSensor(value);
    emit changed();
}

void SensorGraphicsItem2::setAnalysis(int value)
{
    m_record.setAnalysis(value);
    emit changed();
}

void SensorGraphicsItem2::setNoiseImmunity(bool value)
{
    m_record.setNoiseImmunity(value);
    emit changed();
}

void SensorGraphicsItem2::setSensitivity(quint16 value)
{
    m_record.setSensitivity(value);
    emit changed();
}

void SensorGraphicsItem2::setHeight(double value)
{
    m_record.setHeight(value);
    emit changed();
}

void SensorGraphicsItem2::setTilt(int value)
{
    m_record.setTilt(value);
    emit changed();
}

void SensorGraphicsItem2::setIn1(const QString &value)
{
    m_record.setIn1(value);
    emit changed();
}

void SensorGraphicsItem2::setIn2(const QString &value)
{
    m_record.setIn2(value);
    emit changed();
}

void SensorGraphicsItem2::setBody(const QString &value)
{
    m_record.setBody(value);
    emit changed();
}

void SensorGraphicsItem2::setInterfaceName(const QString &value)
{
    m_record.setInterfaceName(value);
    emit changed();
}

void SensorGraphicsItem2::setCertificate(const QString &value)
{
    m_record.setCertificate(value);
    emit changed();
}

void SensorGraphicsItem2::setOptionHanger(bool value)
{
    m_record.setOptionHanger(value);
    emit changed();
}

void SensorGraphicsItem2::setOptionRS1(bool value)
{
    m_record.setOptionRS1(value);
    emit changed();
}

void SensorGraphicsItem2::setOptionRS2(bool value)
{
    m_record.setOptionRS2(value);
    emit changed();
}

void SensorGraphicsItem2::setAngle(int degrees)
{
    m_record.setAngle(degrees);
    turnHead();
    emit changed();
}

// ---- Placement -------------------------------------------------------------

int SensorGraphicsItem2::surfaceIndex() const
{
    if (!m_surface)
        return -1;
    if (m_surface == m_plan)
        return 0;
    for (int i = 0; i < m_objects.size(); ++i) {
        if (static_cast<QGraphicsItem *>(m_objects.at(i)) == m_surface)
            return i + 1;
    }
    return -1;
}

QPolygonF SensorGraphicsItem2::surfacePolygon() const
{
    // Compare pointers first: a surface that has left the lists is never touched.
    const int index = surfaceIndex();
    if (index == 0)
        return m_plan->polygon();
    if (index > 0)
        return m_objects.at(index - 1)->scenePolygon();
    return QPolygonF();
}

bool SensorGraphicsItem2::sectionEnds(QPointF *start, QPointF *end) const
{
    const QPolygonF polygon = surfacePolygon();
    if (m_record.section() < 0 || m_record.section() >= polygon.size())
        return false;
    *start = polygon.at(m_record.section());
    *end = polygon.at((m_record.section() + 1) % polygon.size());
    if (m_surface == m_plan && polygonOrientation(polygon) > 0)
        std::swap(*start, *end);
    if (m_record.atRight())
        std::swap(*start, *end);
    return true;
}

bool SensorGraphicsItem2::setSurface(QGraphicsItem *surface, int section)
{
    if (!surface)
        return false;
    QPolygonF polygon;
    if (surface == m_plan)
        polygon = m_plan->polygon();
    else if (auto *obstacle = dynamic_cast<ObjectGraphicsItem *>(surface))
        polygon = obstacle->scenePolygon();
    else
        return false;
    if (section < 0 || section >= polygon.size())
        return false;

    m_surface = surface;
    m_record.setSection(section);
    const QPointF a = polygon.at(section);
    const QPointF b = polygon.at((section + 1) % polygon.size());
    // Facing to the left of this line as drawn on screen: out of an obstacle, and
    // into the room from the (clockwise) outline.
    const QLineF facing = surface == m_plan ? QLineF(b, a) : QLineF(a, b);
    setRotation(-facing.angle());
    turnHead();
    m_record.setPos(positionFromPoint());
    emit changed();
    return true;
}

void SensorGraphicsItem2::setPosition(double pos, bool atRight)
{
    m_record.setAtRight(atRight);
    QPointF start;
    QPointF end;
    if (!m_surface || !sectionEnds(&start, &end))
        return;
    if (pos < 0)
        pos = 0;
    const double length = QLineF(start, end).length();
    QPointF point = start;
    if (length > 0) {
        if (pos > length)
            pos = length;
        point = start + (pos / length) * (end - start);
    }
    m_record.setPos(pos);
    connectPositionChange(false);
    m_settingPosition = true;
    setPos(point);
    m_settingPosition = false;
    connectPositionChange(true);
    emit changed();
}

double SensorGraphicsItem2::positionFromPoint() const
{
    QPointF start;
    QPointF end;
    if (!m_surface || !sectionEnds(&start, &end))
        return 0;
    return QLineF(start, pos()).length();
}

double SensorGraphicsItem2::sectionLength() const
{
    const QPolygonF polygon = surfacePolygon();
    if (m_record.section() < 0 || m_record.section() >= polygon.size())
        return 0;
    return QLineF(
        polygon.at(m_record.section()), polygon.at((m_record.section() + 1) % polygon.size()))
        .length();
}

void SensorGraphicsItem2::replaceOnSurface()
{
    const double kept = m_record.pos();
    if (setSurface(m_surface, m_record.section()))
        setPosition(kept, m_record.atRight());
}

void SensorGraphicsItem2::rescale(double s)
{
    const double kept = m_record.pos() * s;
    if (setSurface(m_surface, m_record.section()))
        setPosition(kept, m_record.atRight());
    m_record.setLabelOffset(m_record.labelOffset() * s);
    setLabelScale(m_record.labelScale() * s);
    if (s_edited == this && s_rayPoint)
        s_rayPoint->setPos(s_rayPoint->pos() * s);
}

void SensorGraphicsItem2::turnHead()
{
    m_head->setRotation(rotation() + m_record.angle());
}

void SensorGraphicsItem2::setZValues()
{
    setZValue(5);
    m_zone->setZValue(1);
    m_ray->setZValue(4);
}

void SensorGraphicsItem2::connectPositionChange(bool on)
{
    if (on)
        connect(this, &SensorGraphicsItem2::positionChange, this,
            &SensorGraphicsItem2::on_positionChange, Qt::UniqueConnection);
    else
        disconnect(this, &SensorGraphicsItem2::positionChange, this,
            &SensorGraphicsItem2::on_positionChange);
}

// ---- Zone --------------------------------------------------------------------

void SensorGraphicsItem2::updateZone()
{
    if (QGraphicsScene *s = scene()) {
        if (m_zone->scene() != s)
            s->addItem(m_zone);
        if (m_ray->scene() != s)
            s->addItem(m_ray);
    }
    const QPointF pivot = mapToScene(kHeadPivot);
    m_zone->setPos(pivot);
    m_zone->setRotation(rotation());
    m_ray->setPos(pivot);
    m_ray->setRotation(rotation() + m_record.angle());

    QVector<QPolygonF> obstacles;
    obstacles.reserve(m_objects.size());
    for (ObjectGraphicsItem *obstacle : qAsConst(m_objects))
        obstacles.append(obstacle->mapToScene(obstacle->polygon()));
    const QPolygonF outline = m_plan ? m_plan->mapToScene(m_plan->polygon()) : QPolygonF();

    const SensorZone result = computeSensorZone(m_record, pivot, rotation(), obstacles, outline);
    m_ray->setLine(result.ray);
    if (s_edited == this && s_rayPoint)
        s_rayPoint->setPos(m_ray->mapToScene(result.ray.p2()));
    m_zone->setPieces(result.pieces);
    m_zone->setVisible(!result.pieces.isEmpty());
    m_ray->setVisible(showRay);
    if (s_edited == this && s_rayPoint)
        s_rayPoint->setVisible(showRay);
}

// ---- Creating and editing -----------------------------------------------------

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

void SensorGraphicsItem2::snapTo(const QPointF &point, QPointF *snapped)
{
    QPointF pos = point;
    QGraphicsItem *item = nullptr;
    int section = -1;
    emit nearPointVector(pos, &item, &section);
    if (item)
        setSurface(item, section);
    *snapped = pos;
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
    snapTo(cursorScenePos(this), &pos);
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
    disconnect(rayPoint(), &GraphicsPolygonItem2::positionChange, this,
        &SensorGraphicsItem2::on_rayPoint_positionChange);
}

void SensorGraphicsItem2::on_rayPoint_positionChange(QPointF &pos, bool &accept)
{
    if (!leftButtonHeld())
        return;
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

// ---- Label -------------------------------------------------------------------

void SensorGraphicsItem2::setLabelPos(QPointF offset)
{
    m_record.setLabelOffset(offset);
    SensorLabelGraphicsItem::lastOffset = offset;
    if (!m_label)
        return;
    m_label->placeAt(pos() + offset);
    updateLeader();
}

void SensorGraphicsItem2::rememberLabelOffset(const QPointF &offset)
{
    m_record.setLabelOffset(offset);
    SensorLabelGraphicsItem::lastOffset = offset;
}

void SensorGraphicsItem2::setLabelScale(double scale)
{
    m_record.setLabelScale(scale);
    SensorLabelGraphicsItem::lastScale = scale;
    if (m_label)
        m_label->setScale(scale);
    setLabelPos(m_record.labelOffset());
}

void SensorGraphicsItem2::updateLeader()
{
    if (m_label)
        m_label->updateLeader();
}

QString SensorGraphicsItem2::labelText() const
{
    const int turn = m_record.angle();
    QString direction;
    if (turn < 0)
        direction = QStringLiteral(" влево");
    else if (turn > 0)
        direction = QStringLiteral("вправо");
    const QStringList lines = {
        QStringLiteral("Тэг: ") + m_record.tag(),
        QStringLiteral("Тип: ") + typeName(),
        QStringLiteral("Режим: ") + modeName(),
        QStringLiteral("Чувствительность: ") + QString::number(m_record.sensitivity()),
        QStringLiteral("Положение: ") + QString::number(m_record.pos(), 'f', 1)
            + (m_record.atRight() ? QStringLiteral("м от правого угла")
                                  : QStringLiteral("м от левого угла")),
        QStringLiteral("Высота: ") + QString::number(m_record.height(), 'f', 1)
            + QStringLiteral("м"),
        QStringLiteral("Поворот: ") + QString::number(std::abs(turn)) + QStringLiteral("°")
            + direction + QStringLiteral(". ") + QStringLiteral("Наклон: ")
            + QString::number(m_record.tilt()) + QStringLiteral("°"),
    };
    return lines.join(QLatin1Char('\n'));
}

void SensorGraphicsItem2::updateLabelText()
{
    if (!m_label)
        return;
    if (scene() && m_label->scene() != scene())
        scene()->addItem(m_label);
    m_label->setVisible(SensorLabelGraphicsItem::showLabels);
    if (m_label->leader())
        m_label->leader()->setVisible(SensorLabelGraphicsItem::showLabels);
    m_label->setPlainText(labelText());
    setLabelPos(m_record.labelOffset());
}

// ---- Project file --------------------------------------------------------------

bool SensorGraphicsItem2::saveToNode(TreeNode *node) const
{
    const int surface = surfaceIndex();
    if (!node || surface < 0)
        return false;
    const auto text = [node](const char *key, const QString &value) {
        node->addChild(key).setText(value.toStdString());
    };
    const auto integer
        = [node](const char *key, long long value) { node->addChild(key).setInteger(value); };
    text("Tag", m_record.tag());
    integer("Surface", surface);
    integer("Section", m_record.section());
    node->addChild("Pos").setReal(m_record.pos());
    integer("AtRight", m_record.atRight() ? 1 : 0);
    integer("Sensor", m_record.sensor());
    integer("Analysis", m_record.analysis());
    integer("NoiseImmunity", m_record.noiseImmunity() ? 1 : 0);
    integer("Sensitivity", m_record.sensitivity());
    node->addChild("Height").setReal(m_record.height());
    integer("Angle", m_record.angle());
    integer("Tilt", m_record.tilt());
    const QPointF offset = m_record.labelOffset();
    node->addChild("Label").setPointAndValue(
        TreePoint { float(offset.x()), float(offset.y()) }, float(m_record.labelScale()));
    text("In1", m_record.in1());
    text("In2", m_record.in2());
    text("Body", m_record.body());
    text("Interface", m_record.interfaceName());
    text("Certificate", m_record.certificate());
    integer("OptionHanger", m_record.optionHanger() ? 1 : 0);
    integer("OptionRS1", m_record.optionRS1() ? 1 : 0);
    integer("OptionRS2", m_record.optionRS2() ? 1 : 0);
    return true;
}

namespace {

// An angle that fits an int and whose magnitude does too.
bool isSaneAngle(long long degrees)
{
    return degrees >= -INT_MAX && degrees <= INT_MAX;
}

} // namespace

bool SensorGraphicsItem2::loadFromNode(TreeNode *node)
{
    if (!node)
        return false;
    for (const char *key :
        { "Analysis", "NoiseImmunity", "OptionHanger", "OptionRS1", "OptionRS2" }) {
        if (!node->child(key))
            node->addChild(key).setInteger(0);
    }
    if (!node->child("Sensitivity"))
        node->addChild("Sensitivity").setInteger(100);
    if (!node->child("Label"))
        node->addChild("Label").setPointAndValue(TreePoint { 0, 0 }, 0.01f);
    for (const char *key : { "Tag", "In1", "In2", "Body", "Certificate" }) {
        if (!node->child(key))
            node->addChild(key).setText(std::string());
    }
    if (!node->child("Interface"))
        node->addChild("Interface").setText("RS");

    for (const char *key :
        { "Pos", "Surface", "Section", "Sensor", "Angle", "Height", "Tilt", "AtRight" }) {
        if (!node->child(key))
            return false;
    }
    const auto integer = [node](const char *key) { return node->child(key)->toInteger(); };
    const auto text
        = [node](const char *key) { return QString::fromStdString(node->child(key)->toText()); };

    const long long surfaceNumber = integer("Surface");
    if (surfaceNumber < 0 || surfaceNumber > m_objects.size())
        return false;
    QGraphicsItem *surface = surfaceNumber == 0
        ? static_cast<QGraphicsItem *>(m_plan)
        : static_cast<QGraphicsItem *>(m_objects.at(int(surfaceNumber - 1)));
    const long long sectionNumber = integer("Section");
    const double pos = node->child("Pos")->toReal();
    const double height = node->child("Height")->toReal();
    const long long angle = integer("Angle");
    const long long tilt = integer("Tilt");
    if (sectionNumber < 0 || sectionNumber > INT_MAX || !std::isfinite(pos)
        || !ProjectLimits::isPlausible(height) || !isSaneAngle(angle) || !isSaneAngle(tilt))
        return false;
    for (const char *key : { "Tag", "In1", "In2", "Body", "Interface", "Certificate" }) {
        if (node->child(key)->value().size() > ProjectLimits::maxTextBytes)
            return false;
    }
    if (!setSurface(surface, int(sectionNumber)))
        return false;
    setPosition(pos, integer("AtRight") != 0);
    setZValues();

    setSensor(char(integer("Sensor")));
    setAnalysis(quint16(integer("Analysis")));
    setNoiseImmunity(integer("NoiseImmunity") != 0);
    setSensitivity(quint16(integer("Sensitivity")));
    setAngle(int(angle));
    setHeight(height);
    setTilt(int(tilt));
    float scale = 0.01f;
    TreePoint offset = node->child("Label")->toPointAndValue(scale);
    if (!ProjectLimits::isPlausible(offset.x) || !ProjectLimits::isPlausible(offset.y))
        offset = TreePoint {};
    if (!(scale > 0) || !ProjectLimits::isPlausible(scale))
        scale = 0.01f;
    setLabelPos(QPointF(offset.x, offset.y));
    setLabelScale(scale);
    setTag(text("Tag"));
    setIn1(text("In1"));
    setIn2(text("In2"));
    setBody(text("Body"));
    setInterfaceName(text("Interface"));
    setCertificate(text("Certificate"));
    setOptionHanger(integer("OptionHanger") != 0);
    setOptionRS1(integer("OptionRS1") != 0);
    setOptionRS2(integer("OptionRS2") != 0);
    return true;
}
