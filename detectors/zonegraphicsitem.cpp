#include "zonegraphicsitem.h"

#include "scene/geometry.h"

#include <QPainter>

ZoneGraphicsItem::ZoneGraphicsItem(const QPen &pen, const QBrush &brush, QGraphicsItem *parent)
    : GraphicsPolygonItem2(pen, brush, parent)
{
}

void ZoneGraphicsItem::setPieces(const QVector<QPolygonF> &pieces)
{
    prepareGeometryChange();
    m_pieces = pieces;
    m_path = QPainterPath();
    m_path.setFillRule(Qt::OddEvenFill);
    for (const QPolygonF &piece : pieces) {
        m_path.addPolygon(piece);
        m_path.closeSubpath();
    }
    setPolygon(pieces.isEmpty() ? QPolygonF() : pieces.first());
}

void ZoneGraphicsItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (m_path.isEmpty())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen = this->pen();
    if (pen.isCosmetic())
        pen.setWidthF(cosmeticPenWidth(pen, painter));
    if (isSelected())
        pen.setStyle(Qt::DashLine);
    painter->setPen(pen);
    painter->setBrush(brush());
    painter->drawPath(m_path);
    painter->restore();
}

QRectF ZoneGraphicsItem::boundingRect() const
{
    if (m_path.isEmpty())
        return QRectF();
    const double half = pen().widthF() / 2;
    return m_path.controlPointRect().adjusted(-half, -half, half, half);
}

QPainterPath ZoneGraphicsItem::shape() const
{
    return m_path;
}
