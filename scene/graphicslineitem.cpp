#include "graphicslineitem.h"

#include "scene/geometry.h"

#include <QPainter>
#include <QPen>

GraphicsLineItem::GraphicsLineItem(QGraphicsItem *parent)
    : QGraphicsLineItem(parent)
{
}

QRectF GraphicsLineItem::boundingRect() const
{
    const QRectF standard = QGraphicsLineItem::boundingRect();
    if (!pen().isCosmetic())
        return standard;
    // Room for the widest the pen draws on a 96 dpi screen, plus a pixel.
    const double grow = pen().widthF() / 25.4 * 96 * 0.5 + 1;
    return standard.adjusted(-grow, -grow, grow, grow);
}

void GraphicsLineItem::paint(
    QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    if (line().p1() == line().p2())
        return;
    if (!pen().isCosmetic()) {
        QGraphicsLineItem::paint(painter, option, widget);
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // A copy keeps the style, colour, cap, join and the cosmetic flag.
    QPen pen = this->pen();
    pen.setWidthF(cosmeticPenWidth(pen, painter));
    painter->setPen(pen);
    painter->drawLine(line());
    painter->restore();
}
