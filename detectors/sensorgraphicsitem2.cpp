#include "detectors/sensorgraphicsitem2.h"

#include "detectors/ownedlineitem.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/sensorzone.h"
#include "detectors/sightindex.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/allcores.h"
#include "scene/graphicspolygonitem2.h"

#include <QCursor>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <vector>

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
    // First of the receivers of changed(), so that the callout is current before
    // anyone looks at it (the panel, an export).
    connect(this, &SensorGraphicsItem2::changed, this, &SensorGraphicsItem2::refreshShownLabel);
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

// ---- Zone --------------------------------------------------------------------

// What one zone computation needs, read from the scene on the window's
// thread; the computation itself touches no item and may run on any thread.
struct SensorGraphicsItem2::ZoneJob
{
    ZoneParameters parameters;
    QPointF pivot;
    double rotation = 0;
    QVector<QPolygonF> obstacles;
    QPolygonF outline;
    SensorZone result;
    // Where the zone's sight lines run, for zoneMayMeet.
    QPointF eye;
    double reach = -1;
    SightIndex::Interval span;

    void run()
    {
        result = computeSensorZone(parameters, pivot, rotation, obstacles, outline);
        double reach2 = -1;
        for (const QPointF &v : result.sampled) {
            const QPointF d = v - result.opticalCentre;
            reach2 = std::max(reach2, d.x() * d.x() + d.y() * d.y());
        }
        reach = reach2 >= 0 ? std::sqrt(reach2) : -1;
        const QTransform toScene = zoneTransform(pivot, rotation);
        eye = toScene.map(result.opticalCentre);
        std::vector<QPointF> sampled;
        sampled.reserve(size_t(result.sampled.size()));
        for (const QPointF &v : result.sampled)
            sampled.push_back(toScene.map(v));
        span = SightIndex::spanOf(eye, sampled, 1e-6);
    }
};

thread_local int SensorGraphicsItem2::s_zoneDeferrals = 0;

void SensorGraphicsItem2::updateZone()
{
    if (s_zoneDeferrals == 0)
        updateZones({ this });
}

void SensorGraphicsItem2::updateZones(
    const QList<SensorGraphicsItem2 *> &detectors, const std::function<void()> &meanwhile)
{
    std::vector<ZoneJob> jobs(size_t(detectors.size()));
    // Detectors of one project share its obstacle list and outline: mapped
    // to the scene once.
    const QList<ObjectGraphicsItem *> *mappedObjects = nullptr;
    const PlanGraphicsItem *mappedPlan = nullptr;
    QVector<QPolygonF> obstacles;
    QPolygonF outline;
    for (int i = 0; i < detectors.size(); ++i) {
        SensorGraphicsItem2 *detector = detectors.at(i);
        if (i == 0 || mappedObjects != &detector->m_objects) {
            mappedObjects = &detector->m_objects;
            obstacles.clear();
            obstacles.reserve(mappedObjects->size());
            for (ObjectGraphicsItem *obstacle : *mappedObjects)
                obstacles.append(obstacle->mapToScene(obstacle->polygon()));
        }
        if (i == 0 || mappedPlan != detector->m_plan) {
            mappedPlan = detector->m_plan;
            outline = mappedPlan ? mappedPlan->mapToScene(mappedPlan->polygon()) : QPolygonF();
        }
        ZoneJob &job = jobs[size_t(i)];
        job.parameters = ZoneParameters::fromRecord(detector->m_record);
        job.pivot = detector->mapToScene(kHeadPivot);
        job.rotation = detector->rotation();
        job.obstacles = obstacles;
        job.outline = outline;
    }
    runOnAllCores(int(jobs.size()), [&jobs](int i) { jobs[size_t(i)].run(); },
        [&meanwhile] {
            if (meanwhile)
                meanwhile();
        });
    for (int i = 0; i < detectors.size(); ++i)
        detectors.at(i)->applyZone(jobs[size_t(i)]);
}

void SensorGraphicsItem2::applyZone(const ZoneJob &job)
{
    if (QGraphicsScene *s = scene()) {
        if (m_zone->scene() != s)
            s->addItem(m_zone);
        if (m_ray->scene() != s)
            s->addItem(m_ray);
    }
    const QPointF pivot = job.pivot;
    m_zone->setPos(pivot);
    m_zone->setRotation(rotation());
    const SensorZone &result = job.result;
    const SensorRay ray = placeSensorRay(result.ray, pivot, rotation(), m_record.angle());
    m_ray->setPos(ray.pos);
    m_ray->setRotation(ray.rotation);
    m_ray->setLine(ray.line);
    if (s_edited == this && s_rayPoint)
        s_rayPoint->setPos(ray.sceneEnd);
    const double reach = job.reach;
    const QPointF &eye = job.eye;
    m_reach = reach >= 0 && std::isfinite(reach)
        ? QRectF(eye.x() - reach - 1, eye.y() - reach - 1, 2 * reach + 2, 2 * reach + 2)
        : QRectF();
    m_eye = eye;
    m_radius = reach + 1;
    m_allDirections = job.span.everywhere;
    m_low = job.span.low;
    m_high = job.span.high;
    m_zone->setPieces(result.pieces);
    m_opticalCentre = eye;
    m_zone->setVisible(!result.pieces.isEmpty());
    m_ray->setVisible(showRay);
    if (s_edited == this && s_rayPoint)
        s_rayPoint->setVisible(showRay);
}

bool SensorGraphicsItem2::zoneMayMeet(const QPolygonF &footprint) const
{
    if (m_reach.isNull() || footprint.isEmpty())
        return false;
    const QRectF box = footprint.boundingRect();
    if (box.left() > m_reach.right() || m_reach.left() > box.right() || box.top() > m_reach.bottom()
        || m_reach.top() > box.bottom())
        return false;
    if (m_allDirections || footprint.containsPoint(m_eye, Qt::OddEvenFill))
        return true;
    SightIndex::Interval zone;
    zone.low = m_low;
    zone.high = m_high;
    const double tiny = 1e-6 * (1 + std::max(std::abs(m_eye.x()), std::abs(m_eye.y())));
    const int count = footprint.size();
    for (int i = 0; i < count; ++i) {
        const QPointF &p1 = footprint.at(i);
        const QPointF &p2 = footprint.at((i + 1) % count);
        const QPointF d = p2 - p1;
        const double length2 = QPointF::dotProduct(d, d);
        double t = length2 > 0 ? QPointF::dotProduct(m_eye - p1, d) / length2 : 0;
        t = std::max(0.0, std::min(1.0, t));
        const QPointF nearest = p1 + d * t - m_eye;
        if (!(std::sqrt(QPointF::dotProduct(nearest, nearest)) < m_radius + 1e-6))
            continue;
        if (SightIndex::overlap(zone, SightIndex::segmentSpan(m_eye, p1, p2, 1e-6, tiny)))
            return true;
    }
    return false;
}

int SensorGraphicsItem2::updateZonesNear(const QList<SensorGraphicsItem2 *> &detectors,
    const QGraphicsItem *surface, const QVector<QPolygonF> &footprints)
{
    QList<SensorGraphicsItem2 *> reached;
    for (SensorGraphicsItem2 *detector : detectors) {
        bool meets = detector->surface() == surface;
        for (int i = 0; i < footprints.size() && !meets; ++i)
            meets = detector->zoneMayMeet(footprints.at(i));
        if (meets)
            reached.append(detector);
    }
    updateZones(reached);
    return reached.size();
}
