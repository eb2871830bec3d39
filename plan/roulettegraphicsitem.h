#pragma once

#include "plan/dimensionline.h"
#include "scene/basegraphicsitem.h"

#include <QGraphicsItemGroup>
#include <QObject>

// The measuring tape: a click sets the start, the end follows the pointer, a
// second click fixes it, and the distance is shown in metres. It changes nothing
// in the plan and is not saved.
class RouletteGraphicsItem : public QObject, public BaseGraphicsItem, public QGraphicsItemGroup
{
    Q_OBJECT

public:
    explicit RouletteGraphicsItem(QGraphicsItem *parent = nullptr);

    void reset();
    void setRouletteVisible(bool visible);
    bool isRouletteVisible() const { return rouletteVisible; }
    void startEdit();
    bool isPlacing() const { return state != 0; }

    double length() const;
    QPointF startPoint() const { return start; }
    QPointF endPoint() const { return end; }
    // The length text as shown, e.g. "5 м".
    QString text() const;

    void updateParts();
    const DimensionLine &dimensionLine() const { return dimension; }

    bool viewMousePress(QMouseEvent *event) override;
    bool viewMouseMove(QMouseEvent *event) override;
    bool viewMouseRelease(QMouseEvent *event) override;
    void stopEdit() override;

    QRectF boundingRect() const override;

signals:
    void editing(bool value);
    void nearPoint(QPointF &pos);
    void rouletteVisibled(bool value);

private:
    QPointF pointerPos(QMouseEvent *event);

    DimensionLine dimension;
    QPointF start;
    QPointF end;
    bool rouletteVisible = false;
    int state = 0;
};
