#pragma once

#include "scene/basegraphicsitem.h"
#include "scene/graphicspolygonitem2.h"

#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QVector>

class QGraphicsSceneHoverEvent;
class QGraphicsSceneMouseEvent;
class QKeyEvent;
class TreeNode;

// An obstacle: a rectangle or an ellipse that blocks the detectors' view and
// whose edges are surfaces for them. Its position is its centre; its polygon,
// in item coordinates (add pos() for the scene), runs clockwise on screen and
// gives the sections: for a rectangle 0 top, 1 right, 2 bottom, 3 left; for an
// ellipse the sixteen edges between its vertices.
//
// New obstacles follow the pointer until a click fixes them; a selected one shows
// eight handles, can be dragged, resized and nudged with the arrow keys.
class ObjectGraphicsItem : public GraphicsPolygonItem2, public BaseGraphicsItem
{
    Q_OBJECT

public:
    // The shape; the names are those of the obstacle entries of a project file.
    enum Kind
    {
        Rect = 0,
        Ellipse = 1,
        Polygon = 2
    };

    // What the obstacle is doing: nothing, following the pointer until a click
    // fixes it, or selected to be moved and resized.
    enum State
    {
        Idle = 0,
        Creating = 1,
        Editing = 2
    };

    explicit ObjectGraphicsItem(int kind, QGraphicsItem *parent = nullptr);
    ~ObjectGraphicsItem() override;

    int shapeKind() const { return kind; }
    bool isCreating() const { return state == Creating; }
    bool isEditing() const { return state == Editing; }
    // The shape's bounding rectangle, centred on the item's origin.
    QRectF shapeRect() const { return rect; }
    QSizeF size() const { return rect.size(); }
    // The polygon placed at the obstacle's position: the surface in the scene.
    QPolygonF scenePolygon() const;

    void setGeometry(double x, double y, double width, double height);
    void setRectShape(const QRectF &r);
    void setEllipseShape(const QRectF &r);
    void applyRect(const QRectF &r);
    // New width and height about the unchanged centre.
    void setSize(const QSizeF &size);
    // Brings the handles back onto the obstacle after its geometry changed.
    void refreshGeometry();

    // The project's obstacle value: cx, cy, w - cx, h - cy, with (cx, cy) the
    // centre and w, h the size. Loading refuses a width or height that is not
    // greater than 0, and numbers that are not finite or absurdly large.
    bool saveToNode(TreeNode *node) const;
    bool loadFromNode(TreeNode *node);

    void startCreate();
    void startEdit();
    void stopEdit() override;

    void placeHandles();
    void showHandles(bool show);

    QPointF snapToCorners(QPointF pos, unsigned *best) const;

    bool viewMousePress(QMouseEvent *event) override;
    bool viewMouseMove(QMouseEvent *event) override;
    bool viewMouseRelease(QMouseEvent *event) override;

    // The obstacle being created or edited, or null.
    static ObjectGraphicsItem *selectedObstacle;
    // The size given to new obstacles: that of the last one laid out or selected.
    static QSizeF lastSize;
    // Creates the eight shared handles (top-left, top-middle, top-right,
    // middle-left, middle-right, bottom-left, bottom-middle, bottom-right).
    static void initHandles();
    static GraphicsPolygonItem2 *handle(int index);

signals:
    void creating(bool value);
    void editing(bool value);
    void created();
    void changed();
    void nearPoint(QPointF &pos);

public slots:
    void on_rect_mousePress(QGraphicsSceneMouseEvent *event);
    void on_rect_selectedChanged(bool value);
    void on_rect_mouseRelease(QGraphicsSceneMouseEvent *event);
    void on_point_hoverEnter(QGraphicsSceneHoverEvent *event);
    void on_point_hoverLeave(QGraphicsSceneHoverEvent *event);
    void on_rect_hoverEnter(QGraphicsSceneHoverEvent *event);
    void on_rect_hoverLeave(QGraphicsSceneHoverEvent *event);
    void on_rect_positionChange(QPointF &pos, bool &accept);
    void on_rect_positionChanged(QPointF pos);
    void on_point_positionChange(QPointF &pos, bool &accept);
    void on_point_positionChanged(QPointF pos);
    void on_rect_keyPress(QKeyEvent *event);

private:
    void snapCorner(const QPointF &pos, const QPointF &offset, QPointF &out, QPointF &best);
    QPointF snapBody(const QPointF &pos);
    QPointF snapPoint(const QPointF &pos);
    static void ensureHandles();

    int state = Idle;
    int kind;
    QRectF rect;
    // A polygon obstacle has no shape to measure: the size it was given (read
    // from the project file) is kept so that saving writes the entry back as
    // it was read, instead of a width of 0 that the next load would refuse.
    QSizeF recordSize;

    static QVector<QPointer<GraphicsPolygonItem2>> handles;
};
