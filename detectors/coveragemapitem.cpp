#include "detectors/coveragemapitem.h"

#include "scene/geometry.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <cmath>

namespace {

// Hatching of the unseen floor: line spacing and width, and the outline's
// width, in millimetres of the device, so that they look alike on the screen
// at any zoom, on the page and in an image.
constexpr double kHatchSpacingMm = 2.2;
constexpr double kHatchWidthMm = 0.3;
constexpr double kOutlineWidthMm = 0.45;

QPainterPath ringsPath(const QVector<QPolygonF> &rings)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const QPolygonF &ring : rings) {
        path.addPolygon(ring);
        path.closeSubpath();
    }
    return path;
}

// Device pixels per scene unit along the painter's current transform.
double deviceScale(const QPainter *painter)
{
    const QTransform t = painter->deviceTransform();
    return std::sqrt(std::abs(t.determinant()));
}

} // namespace

CoverageMapItem::CoverageMapItem(QGraphicsItem *parent)
    : QGraphicsItem(parent)
{
    setZValue(kZValue);
    setFlag(ItemUsesExtendedStyleOption);
    setAcceptedMouseButtons(Qt::NoButton);
}

void CoverageMapItem::setMap(const Coverage::Map &map)
{
    prepareGeometryChange();
    m_paths[NotSeen] = ringsPath(map.unseen);
    m_paths[SeenOnce] = ringsPath(map.once);
    m_paths[SeenTwiceOrMore] = ringsPath(map.twiceOrMore);
    m_bounds = QRectF();
    for (const QPainterPath &path : m_paths)
        m_bounds |= path.controlPointRect();
    // Room for the unseen outline, drawn across the border.
    if (!m_bounds.isEmpty())
        m_bounds.adjust(-0.05, -0.05, 0.05, 0.05);
    update();
}

QRectF CoverageMapItem::boundingRect() const
{
    return m_bounds;
}

QColor CoverageMapItem::fillColour(Class which)
{
    switch (which) {
    case NotSeen:
        return QColor(214, 0, 128, 95);
    case SeenOnce:
        return QColor(255, 190, 20, 125);
    default:
        return QColor(20, 110, 215, 115);
    }
}

QColor CoverageMapItem::lineColour()
{
    return QColor(170, 0, 100);
}

void CoverageMapItem::paintClass(
    QPainter *painter, const QPainterPath &path, Class which, const QRectF &exposed)
{
    if (path.isEmpty())
        return;
    painter->setPen(Qt::NoPen);
    painter->setBrush(fillColour(which));
    painter->drawPath(path);
    if (which != NotSeen)
        return;

    const double perMm = painterPixelsPerMm(painter);
    const double scale = deviceScale(painter);
    if (!(perMm > 0) || !(scale > 0))
        return;
    const double spacing = kHatchSpacingMm * perMm / scale;
    QRectF area = path.controlPointRect();
    if (exposed.isValid())
        area &= exposed;
    if (area.isEmpty())
        return;
    // Diagonal lines x - y = c across the area, in whole steps of the spacing
    // along the diagonal so that they stay put while the view scrolls.
    const double step = spacing * std::sqrt(2.0);
    QPainterPath hatch;
    const double first = std::floor((area.left() - area.bottom()) / step) * step;
    const double last = area.right() - area.top();
    if ((last - first) / step > 20000)
        return;
    for (double c = first; c <= last; c += step) {
        hatch.moveTo(area.left(), area.left() - c);
        hatch.lineTo(area.right(), area.right() - c);
    }
    painter->save();
    painter->setClipPath(path, Qt::IntersectClip);
    QPen line(lineColour(), kHatchWidthMm * perMm);
    line.setCosmetic(true);
    painter->setPen(line);
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(hatch);
    painter->restore();

    QPen outline(lineColour(), kOutlineWidthMm * perMm);
    outline.setCosmetic(true);
    outline.setJoinStyle(Qt::RoundJoin);
    painter->setPen(outline);
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(path);
}

void CoverageMapItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF exposed = option ? option->exposedRect : QRectF();
    paintClass(painter, m_paths[SeenTwiceOrMore], SeenTwiceOrMore, exposed);
    paintClass(painter, m_paths[SeenOnce], SeenOnce, exposed);
    paintClass(painter, m_paths[NotSeen], NotSeen, exposed);
    painter->restore();
}

void CoverageMapItem::paintSwatch(QPainter *painter, const QRectF &rect, Class which)
{
    QPainterPath path;
    path.addRect(rect);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // The legend is drawn on white: the plan image is not under it.
    painter->fillRect(rect, Qt::white);
    paintClass(painter, path, which, QRectF());
    if (which != NotSeen) {
        QPen outline(fillColour(which).darker(130), 0.25 * painterPixelsPerMm(painter));
        outline.setCosmetic(true);
        painter->setPen(outline);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect);
    }
    painter->restore();
}
