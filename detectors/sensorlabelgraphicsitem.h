#pragma once

#include "scene/basegraphicsitem.h"
#include "scene/graphicstextitem.h"

#include <QPointer>

class GraphicsLineItem;
class GraphicsPolygonItem2;
class SensorGraphicsItem2;
class QGraphicsSceneHoverEvent;
class QGraphicsSceneMouseEvent;
class QKeyEvent;

// The callout of one detector: a framed text block joined to its detector by a
// leader line. It can be dragged, nudged with the arrow keys and resized by a
// corner handle; its size is an item scale in steps of 1.25.
class SensorLabelGraphicsItem : public GraphicsTextItem, public BaseGraphicsItem
{
    Q_OBJECT
public:
    explicit SensorLabelGraphicsItem(
        SensorGraphicsItem2 *detector, QGraphicsItem *parent = nullptr);
    ~SensorLabelGraphicsItem() override;

    static constexpr double minScale = 0.005;
    static constexpr double maxScale = 0.2;
    static constexpr double scaleStep = 1.25;

    SensorGraphicsItem2 *detector() const { return m_detector; }
    GraphicsLineItem *leader() const { return m_leader; }
    int editState() const { return m_editState; }

    // Puts the leader between the label's centre and the detector and, when this
    // label is the edited one, the resize handle on its bottom-right corner.
    void updateLeader();

    // Moves the label without treating the move as a drag.
    void placeAt(const QPointF &scenePos);

    // While the label is edited the view's presses go on to the scene: onto the
    // label or its handle they drag it, elsewhere they deselect it.
    bool viewMousePress(QMouseEvent *event) override;
    void stopEdit() override;

    // Process-wide state shared by every label.
    static bool showLabels;
    static SensorLabelGraphicsItem *editedLabel() { return s_editedLabel; }
    static GraphicsPolygonItem2 *resizeHandle();
    static QPointF lastOffset;
    static double lastScale;

signals:
    void editing(bool value);
    void labelScaleChanged(double scale);
    void changed();

public slots:
    void on_rect_mousePress(QGraphicsSceneMouseEvent *event);
    void on_rect_selectedChanged(bool value);
    void on_rect_mouseRelease(QGraphicsSceneMouseEvent *event);
    void on_point_hoverEnter(QGraphicsSceneHoverEvent *);
    void on_point_hoverLeave(QGraphicsSceneHoverEvent *);
    void on_rect_hoverEnter(QGraphicsSceneHoverEvent *);
    void on_rect_hoverLeave(QGraphicsSceneHoverEvent *);
    void on_rect_positionChange(QPointF &pos, bool &accept);
    void on_point_positionChange(QPointF &pos, bool &accept);
    void on_point_positionChanged(QPointF pos);
    void on_rect_keyPress(QKeyEvent *event);

private:
    void startEdit();
    void connectHandle(bool on);

    SensorGraphicsItem2 *m_detector;
    GraphicsLineItem *m_leader = nullptr;
    int m_editState = 0;
    bool m_placing = false;

    static SensorLabelGraphicsItem *s_editedLabel;
    static QPointer<GraphicsPolygonItem2> s_handle;

    friend class LeaderLineItem;
};
