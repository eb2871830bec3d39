#pragma once

#include "scene/graphicspolygonitem2.h"

#include <QBrush>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <QTransform>
#include <QVector>

class QGraphicsScene;

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

    // While an obstacle is dragged the zones of its scene are filled without
    // antialiasing, which costs a fraction of the smooth fill; their outlines
    // are drawn as always. Switching it off repaints the scene.
    static void setDragPainting(QGraphicsScene *scene, bool on);
    static bool dragPainting(const QGraphicsScene *scene);

    // What paint() draws on a raster image through a transform without
    // perspective, prepared for its linear part and the device's resolution:
    // the pen and brush on the device and the prepared paths. Painting one
    // reads nothing of the item, so a detached copy may be painted on another
    // thread while the item is left alone.
    struct Stamp
    {
        QPen pen;
        QBrush brush;
        bool quickFill = false;
        // The outline is drawn as the filled runs below rather than stroked.
        bool wide = false;
        QTransform transform;
        QPainterPath fill;
        QVector<QPainterPath> outline;
        QVector<QRectF> outlineBounds;

        // Whether detached() can copy the brushes: plain colours and
        // patterns, no gradient or image.
        bool detachable() const;
        // A copy that shares no data with this one, for another thread, with
        // the outline's runs that reach into `within` (in device pixels less
        // the translation; those the painting below would draw there).
        Stamp detached(const QRectF &within) const;
        // Draws through the painter's transform, whose linear part must be
        // the one the stamp was prepared for.
        void paint(QPainter *painter) const;
    };
    // Prepares the zone as paint() would through this painter and returns true
    // with what paint() would draw; false when the zone is empty, the
    // transform is singular or the painter is not a raster image's, or its
    // transform has perspective.
    bool prepareStamp(QPainter *painter, Stamp *stamp);

    // For its lifetime the zones of the scene are painted as they are outside
    // a drag: every image and page of the scene is drawn under one.
    class NormalPainting
    {
    public:
        explicit NormalPainting(QGraphicsScene *scene);
        ~NormalPainting();
        NormalPainting(const NormalPainting &) = delete;
        NormalPainting &operator=(const NormalPainting &) = delete;

    private:
        QGraphicsScene *m_scene;
        bool m_dragPainting;
    };

private:
    // What a paint into an image through one device transform draws, in
    // device pixels less the transform's translation: the pieces with every
    // vertex dropped that lies within a small fraction of a pixel of its chord,
    // and the outline of a wide solid pen as filled runs. Kept until the zone
    // or the scale changes, so that a view repainted while other zones move,
    // or scrolled, does not prepare this zone again.
    struct Drawing
    {
        bool valid = false;
        QTransform transform;
        QVector<QPolygonF> pieces;
        QPainterPath fill;
        double outlineWidth = -1;
        QVector<QPainterPath> outline;
        QVector<QRectF> outlineBounds;
    };
    // The item's pen as paint() draws it through this painter.
    QPen penOn(const QPainter *painter) const;
    const Drawing &drawingFor(const QTransform &transform);
    void prepareOutline(const QPen &pen);

    QVector<QPolygonF> m_pieces;
    QPainterPath m_path;
    Drawing m_drawing;
};
