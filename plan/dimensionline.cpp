#include "plan/dimensionline.h"

#include "scene/fixedsizetextitem2.h"
#include "scene/graphicslineitem.h"
#include "scene/graphicspolygonitem2.h"

#include <QFont>
#include <QGraphicsItemGroup>
#include <QPen>

#include <cmath>

namespace {

QPen cosmeticPen(const QColor &color)
{
    QPen pen(color, 0.4);
    pen.setCosmetic(true);
    return pen;
}

GraphicsPolygonItem2 *makeHead(QGraphicsItem *parent, const QColor &color, const QPolygonF &shape)
{
    auto *head = new GraphicsPolygonItem2(QPen(color, 0.4), QBrush(color), parent);
    head->setPen(cosmeticPen(color));
    head->setFlag(QGraphicsItem::ItemIgnoresTransformations);
    head->setPolygon(shape);
    head->setTransformOriginPoint(0, 0);
    return head;
}

} // namespace

DimensionLine::DimensionLine(QGraphicsItem *parent, const QColor &color,
    const QPolygonF &startShape, const QPolygonF &endShape)
    : group(new QGraphicsItemGroup(parent))
    , line(new GraphicsLineItem(group))
    , startHead(makeHead(group, color, startShape))
    , endHead(makeHead(group, color, endShape))
    , label(new FixedSizeTextItem2(group))
{
    group->setTransformOriginPoint(0, 0);
    line->setPen(cosmeticPen(color));
    line->setTransformOriginPoint(0, 0);
    QFont font = label->font();
    font.setPointSizeF(4);
    label->setFont(font);
    label->setDefaultTextColor(color);
    label->setFlag(QGraphicsItem::ItemIgnoresTransformations);
}

void DimensionLine::update(const QLineF &measured, double offset, bool visible)
{
    const double length = measured.length();
    startHead->setPos(0, offset);
    endHead->setPos(length, offset);
    line->setLine(0, offset, length, offset);
    group->setPos(measured.p1());
    label->setPlainText(lengthText(length));
    label->setPos(length * 0.5, offset);

    const bool drawn = visible && length != 0;
    line->setVisible(drawn);
    endHead->setVisible(drawn);
    label->setVisible(drawn);
    startHead->setVisible(visible);
    const double rotation = drawn ? -measured.angle() : 0;
    for (QGraphicsItem *part :
        { static_cast<QGraphicsItem *>(group), static_cast<QGraphicsItem *>(startHead),
            static_cast<QGraphicsItem *>(endHead), static_cast<QGraphicsItem *>(label) })
        part->setRotation(rotation);
}

QString DimensionLine::lengthText(double length)
{
    return QString::number(std::round(length * 1000) / 1000, 'g', 6) + QStringLiteral(" м");
}
