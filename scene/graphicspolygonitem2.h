#pragma once

#include <QGraphicsPolygonItem>
#include <QObject>

// A polygon item that reports its input events and item changes as signals.
// A receiver that accepts a forwarded event takes it over: the standard
// handling is skipped. A receiver of an about-to-change signal that sets
// accept replaces the new value with the one it leaves in value.
//
// Its pen, when cosmetic, is measured in millimetres. When the item ignores
// transformations, its polygon is in millimetres too.
class GraphicsPolygonItem2 : public QObject, public QGraphicsPolygonItem
{
    Q_OBJECT
public:
    explicit GraphicsPolygonItem2(QGraphicsItem *parent = nullptr);
    GraphicsPolygonItem2(const QPen &pen, const QBrush &brush, QGraphicsItem *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
        QWidget *widget = nullptr) override;
    QRectF boundingRect() const override;
    QPainterPath shape() const override;

signals:
    void mouseMove(QGraphicsSceneMouseEvent *event);
    void mousePress(QGraphicsSceneMouseEvent *event);
    void mouseRelease(QGraphicsSceneMouseEvent *event);
    void hoverEnter(QGraphicsSceneHoverEvent *event);
    void hoverLeave(QGraphicsSceneHoverEvent *event);
    void keyPress(QKeyEvent *event);
    void keyRelease(QKeyEvent *event);
    void visibleChange(bool &value, bool &accept);
    void visibleChanged(bool value);
    void enabledChange(bool &value, bool &accept);
    void enabledChanged(bool value);
    void positionChange(QPointF &pos, bool &accept);
    void positionChanged(QPointF pos);
    void transformChanged();
    void rotationChange(double &value, bool &accept);
    void rotationChanged(double value);
    void scaleChange(double &value, bool &accept);
    void scaleChanged(double value);
    void selectedChange(bool &value, bool &accept);
    void selectedChanged(bool value);

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    bool inMillimetres() const;
};
