#pragma once

#include <QBrush>
#include <QGraphicsTextItem>
#include <QPen>

// A text item on a filled, outlined frame that reports its input events and
// item changes as signals, like GraphicsPolygonItem2.
class GraphicsTextItem : public QGraphicsTextItem
{
    Q_OBJECT
public:
    explicit GraphicsTextItem(QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
        QWidget *widget = nullptr) override;

    // Set by subclasses, before the item is shown; a later change of
    // frameMargin needs prepareGeometryChange().
    QPen framePen;
    QBrush frameBrush;
    int frameMargin;

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
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
};
