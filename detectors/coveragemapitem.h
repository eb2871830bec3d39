#pragma once

#include "detectors/coverage.h"

#include <QColor>
#include <QGraphicsItem>
#include <QPainterPath>

class QPainter;

// The floor in three classes, painted over the plan image and under the
// detectors: not seen (a strong red-purple, hatched and outlined, so that it
// stands out at any zoom and reads without colour), seen by one detector
// (amber) and by two or more (blue). Blue, amber and red-purple stay apart for
// readers with any common colour-vision deficiency.
class CoverageMapItem : public QGraphicsItem
{
public:
    enum Class
    {
        NotSeen,
        SeenOnce,
        SeenTwiceOrMore
    };

    // Above the plan image and the outline, below the detectors' zones.
    static constexpr double kZValue = 0.5;

    explicit CoverageMapItem(QGraphicsItem *parent = nullptr);

    // The classes' rings in scene coordinates (the item stays at the origin).
    void setMap(const Coverage::Map &map);
    const QPainterPath &path(Class which) const { return m_paths[which]; }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
        QWidget *widget = nullptr) override;

    // The fill of a class; for NotSeen also the colour of its hatching and outline.
    static QColor fillColour(Class which);
    static QColor lineColour();
    // A legend sample of a class in rect, painted as the map paints it.
    static void paintSwatch(QPainter *painter, const QRectF &rect, Class which);

private:
    static void paintClass(
        QPainter *painter, const QPainterPath &path, Class which, const QRectF &exposed);

    QPainterPath m_paths[3];
    QRectF m_bounds;
};
