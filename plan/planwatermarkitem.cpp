#include "plan/planwatermarkitem.h"

#include "plan/planwatermark.h"

#include <QPainter>

PlanWatermarkItem::PlanWatermarkItem(QGraphicsItem *parent)
    : QGraphicsItem(parent)
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
    m_ownLogo = true;
    update();
}

QRectF PlanWatermarkItem::boundingRect() const
{
    return QRectF(QPointF(0, 0), m_size);
}

void PlanWatermarkItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    // The program's logo is decoded on the first paint, not with the item:
    // a document that is never drawn (the command-line tool's info) never
    // needs it.
    paintWatermark(*painter, m_size, m_ownLogo ? m_logo : watermarkLogo());
}
