#include "zonegraphicsitem.h"

#include "scene/geometry.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QVariant>

namespace {

// The scene's dynamic property that holds the drag painting state.
const char kDragPainting[] = "zoneDragPainting";

} // namespace

ZoneGraphicsItem::ZoneGraphicsItem(const QPen &pen, const QBrush &brush, QGraphicsItem *parent)
    : GraphicsPolygonItem2(pen, brush, parent)
{
}

void ZoneGraphicsItem::setPieces(const QVector<QPolygonF> &pieces)
{
    prepareGeometryChange();
    m_pieces = pieces;
    m_path = QPainterPath();
    m_path.setFillRule(Qt::OddEvenFill);
    for (const QPolygonF &piece : pieces) {
        m_path.addPolygon(piece);
        m_path.closeSubpath();
    }
    setPolygon(pieces.isEmpty() ? QPolygonF() : pieces.first());
}

void ZoneGraphicsItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (m_path.isEmpty())
        return;
    painter->save();
    const bool quickFill = dragPainting(scene());
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen = this->pen();
    if (pen.isCosmetic())
        pen.setWidthF(cosmeticPenWidth(pen, painter));
    if (isSelected())
        pen.setStyle(Qt::DashLine);
    // Up to a pixel wide the outline goes through the toolkit's fast stroker
    // for thin lines; a wider one (an image at print resolution) would go
    // through its general stroker, which fills the whole outline as one path
    // over the zone's box in many passes. Short runs of edges stroked one by
    // one draw the same line at a fraction of that.
    const bool wide = pen.style() == Qt::SolidLine && pen.widthF() > 1;
    if (quickFill) {
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(Qt::NoPen);
        painter->setBrush(brush());
        painter->drawPath(m_path);
        painter->setRenderHint(QPainter::Antialiasing);
        if (!wide) {
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            painter->drawPath(m_path);
        }
    } else {
        painter->setPen(wide ? QPen(Qt::NoPen) : pen);
        painter->setBrush(brush());
        painter->drawPath(m_path);
    }
    if (wide) {
        pen.setCapStyle(Qt::FlatCap);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        constexpr int kRun = 64;
        for (const QPolygonF &piece : m_pieces) {
            const int count = piece.size();
            for (int first = 0; first < count; first += kRun) {
                // Each run ends where the next begins; the last closes the ring.
                QPolygonF run = piece.mid(first, kRun + 1);
                if (first + kRun >= count)
                    run.append(piece.first());
                painter->drawPolyline(run);
            }
        }
    }
    painter->restore();
}

QRectF ZoneGraphicsItem::boundingRect() const
{
    if (m_path.isEmpty())
        return QRectF();
    const double half = pen().widthF() / 2;
    return m_path.controlPointRect().adjusted(-half, -half, half, half);
}

QPainterPath ZoneGraphicsItem::shape() const
{
    return m_path;
}

void ZoneGraphicsItem::setDragPainting(QGraphicsScene *scene, bool on)
{
    if (!scene || dragPainting(scene) == on)
        return;
    scene->setProperty(kDragPainting, on);
    if (!on)
        scene->update();
}

bool ZoneGraphicsItem::dragPainting(const QGraphicsScene *scene)
{
    return scene && scene->property(kDragPainting).toBool();
}

ZoneGraphicsItem::NormalPainting::NormalPainting(QGraphicsScene *scene)
    : m_scene(scene)
    , m_dragPainting(dragPainting(scene))
{
    if (m_dragPainting)
        m_scene->setProperty(kDragPainting, false);
}

ZoneGraphicsItem::NormalPainting::~NormalPainting()
{
    if (m_dragPainting)
        m_scene->setProperty(kDragPainting, true);
}
