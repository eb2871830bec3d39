#pragma once

#include <QGraphicsTextItem>

class QTextDocument;

// A text item whose font size is given in millimetres when it ignores
// transformations: the text then keeps its physical size on screen, in PDF
// and in images, and stands centred horizontally on the item's position with
// its bottom edge at it. Reports its input events as signals, like
// GraphicsPolygonItem2.
class FixedSizeTextItem2 : public QGraphicsTextItem
{
    Q_OBJECT
public:
    explicit FixedSizeTextItem2(QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
        QWidget *widget = nullptr) override;

    // Multiplies the document's default font size by factor, gives every
    // character that font, and returns the size of the scaled text: the widest
    // line plus one space, by the line height times the number of lines.
    static QSizeF scaleDocument(QTextDocument *document, double factor);

signals:
    void mouseMove(QGraphicsSceneMouseEvent *event);
    void mousePress(QGraphicsSceneMouseEvent *event);
    void mouseRelease(QGraphicsSceneMouseEvent *event);
    void hoverEnter(QGraphicsSceneHoverEvent *event);
    void hoverLeave(QGraphicsSceneHoverEvent *event);
    void keyPress(QKeyEvent *event);
    void keyRelease(QKeyEvent *event);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;

private:
    bool inMillimetres() const;
};
