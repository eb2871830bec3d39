#pragma once

#include "scene/basegraphicsitem.h"
#include "scene/graphicspolygonitem2.h"

class QGraphicsSceneMouseEvent;
class TreeNode;

// The room's outline, traced vertex by vertex over the plan image. Its polygon,
// in scene coordinates, is surface 0 for the detectors: section i runs from
// vertex i to vertex i + 1, the last back to vertex 0. A finished outline always
// runs clockwise on screen (polygonOrientation() == 1).
class PlanGraphicsItem : public GraphicsPolygonItem2, public BaseGraphicsItem
{
    Q_OBJECT

public:
    explicit PlanGraphicsItem(QGraphicsItem *parent = nullptr);

    bool hasPath() const;
    bool isTracing() const { return tracing; }
    void setPathVisible(bool visible);
    // Fewer than three vertices clear and hide the outline.
    void setPath(const QPolygonF &path);

    // The project's "Outline": one child per vertex, named by its number from 1.
    // Loading reads every child in order, whatever its name; an outline with a
    // vertex that is not finite or absurdly far, or with more vertices than a
    // project may hold, is refused and leaves no outline.
    bool saveToNode(TreeNode *node) const;
    bool loadFromNode(TreeNode *node);

    void clearPath();
    void startEdit();

    // Aligns pos horizontally or vertically with any vertex within 9 view pixels;
    // while tracing, pulls it onto the first vertex within 10 pixels.
    QPointF snapToVertices(QPointF pos, unsigned *best) const;

    bool viewMousePress(QMouseEvent *event) override;
    bool viewMouseMove(QMouseEvent *event) override;
    bool viewMouseRelease(QMouseEvent *event) override;
    void stopEdit() override;

signals:
    void pathVisibled(bool value);
    void nearPoint(QPointF &pos);
    void editing(bool value);

public slots:
    void on_mousePress(QGraphicsSceneMouseEvent *event);

private:
    bool nearFirstVertex(const QPoint &viewPos) const;

    bool tracing = false;
};
