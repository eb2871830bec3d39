#include "detectors/sensorgraphicsitem2.h"

#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/geometry.h"
#include "scene/graphicspolygonitem2.h"

#include <QLineF>

#include <utility>

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

void SensorGraphicsItem2::connectPositionChange(bool on)
{
    if (on)
        connect(this, &SensorGraphicsItem2::positionChange, this,
            &SensorGraphicsItem2::on_positionChange, Qt::UniqueConnection);
    else
        disconnect(this, &SensorGraphicsItem2::positionChange, this,
            &SensorGraphicsItem2::on_positionChange);
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
