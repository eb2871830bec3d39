#pragma once

#include "scene/graphicspolygonitem2.h"

#include <QPainterPath>
#include <QVector>

// A detector's zone on the plan: one or more pieces, drawn, bounded and hit
// as one path (odd-even fill, so that a piece inside another is a hole).
// polygon() holds the largest piece, for callers that want one outline.
class ZoneGraphicsItem : public GraphicsPolygonItem2
{
    Q_OBJECT
public:
    ZoneGraphicsItem(const QPen &pen, const QBrush &brush, QGraphicsItem *parent = nullptr);

    // In item coordinates, largest first.
    void setPieces(const QVector<QPolygonF> &pieces);
    const QVector<QPolygonF> &pieces() const { return m_pieces; }
    QPainterPath path() const { return m_path; }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
        QWidget *widget = nullptr) override;
    QRectF boundingRect() const override;
    QPainterPath shape() const override;

private:
    QVector<QPolygonF> m_pieces;
    QPainterPath m_path;
};
