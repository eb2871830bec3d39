#include "plan/planwatermarkitem.h"

#include "plan/planwatermark.h"

#include <QPainter>

PlanWatermarkItem::PlanWatermarkItem(QGraphicsItem *parent)
    : QGraphicsItem(parent)
    , m_logo(watermarkLogo())
{
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
}

void PlanWatermarkItem::setImageSize(const QSizeF &size)
{
    if (size == m_size)
        return;
    prepareGeometryChange();
    m_size = size;
}

void PlanWatermarkItem::setLogo(const QImage &logo)
{
    m_logo = logo;
    update();
}

QRectF PlanWatermarkItem::boundingRect() const
{
    return QRectF(QPointF(0, 0), m_size);
}

void PlanWatermarkItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    paintWatermark(*painter, m_size, m_logo);
}
