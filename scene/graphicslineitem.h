#pragma once

#include <QGraphicsLineItem>

// A line item whose cosmetic pen width is measured in millimetres, so that
// the line keeps its physical width on screen, in PDF and in images.
class GraphicsLineItem : public QGraphicsLineItem
{
public:
    explicit GraphicsLineItem(QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
        QWidget *widget = nullptr) override;
};
