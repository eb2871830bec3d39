#pragma once

#include "plan/dimensionline.h"
#include "scene/basegraphicsitem.h"

#include <QGraphicsItemGroup>
#include <QObject>

class GraphicsLineItem;
class TreeNode;

// The scale mark: a dimension line drawn between two points of known distance on
// the plan image. Once the user types that distance in metres, the mark reports
// the factor k = measured length / metres with caliberSetted(k); the plan is then
// rescaled by 1 / k and the view by k, so one scene unit becomes one metre while
// nothing moves on screen.
class CaliberGraphicsItem : public QObject, public BaseGraphicsItem, public QGraphicsItemGroup
{
    Q_OBJECT

public:
    // What the mark is doing: nothing, or one of the three clicks that place it
    // (the first point, the second point, the offset of the dimension line).
    enum State
    {
        Idle = 0,
        PlacingFirstPoint = 1,
        PlacingSecondPoint = 2,
        SettingOffset = 3
    };

    explicit CaliberGraphicsItem(QGraphicsItem *parent = nullptr);

    void reset();
    void setCaliberVisible(bool visible);
    bool isCaliberVisible() const { return caliberVisible; }
    // Starts placing a new mark. Until a distance is confirmed, the mark and the
    // scale it stands for stay those of before: ending the placement any other way
    // (stopEdit(), a cancelled distance, a zero length) puts them back.
    void startEdit();
    bool isPlacing() const { return state != Idle; }

    double length() const;
    QPointF startPoint() const;
    QPointF endPoint() const;
    double lineOffset() const { return offset; }
    // The length text as shown, e.g. "6 м".
    QString text() const;
    // Restores a stored mark: both points and the offset, shown.
    void setMeasurement(const QPointF &start, const QPointF &end, double offset);

    // The project's "Roulette" value: x1, y1, dx, dy, offset. Loading refuses
    // (and resets the mark) a value with numbers that are not finite or absurdly
    // large.
    bool saveToNode(TreeNode *node) const;
    bool loadFromNode(TreeNode *node);

    void updateParts();
    void setOffsetFromPoint(const QPointF &point);
    void applyScale(double metres);

    // While the second point is placed, locks pos to the horizontal or vertical
    // through the first point within 9 view pixels.
    QPointF snapToAxis(QPointF pos, unsigned *best) const;

    // The scene rectangle covered by the extension lines and the dimension line.
    QRectF linesSceneRect() const;
    const DimensionLine &dimensionLine() const { return dimension; }
    GraphicsLineItem *startExtension() const { return startLine; }
    GraphicsLineItem *endExtension() const { return endLine; }

    bool viewMousePress(QMouseEvent *event) override;
    bool viewMouseMove(QMouseEvent *event) override;
    bool viewMouseRelease(QMouseEvent *event) override;
    void stopEdit() override;

    QRectF boundingRect() const override;

signals:
    void caliberVisibled(bool value);
    void editing(bool value);
    void nearPoint(QPointF &pos);
    void caliberSetted(double caliber);

private:
    QPointF pointerPos(QMouseEvent *event);
    bool askDistance(double *metres);
    // Ends the placing state and reports it, keeping the mark as it is.
    void finishPlacing();
    void restorePrevious();

    // The mark as it was when placing started.
    struct Measurement
    {
        QPointF start;
        QPointF end;
        double offset = 0;
        bool visible = false;
    };
    Measurement previous;

    DimensionLine dimension;
    GraphicsLineItem *startLine;
    GraphicsLineItem *endLine;
    double offset = 0;
    bool caliberVisible = false;
    int state = Idle;
};
