#include "zonegraphicsitem.h"

#include "scene/geometry.h"

#include <QGraphicsScene>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPathStroker>
#include <QVariant>

#include <cmath>

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
    m_drawing = Drawing();
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
    Stamp stamp;
    if (prepareStamp(painter, &stamp)) {
        stamp.paint(painter);
        return;
    }
    if (m_path.isEmpty() || !painter->combinedTransform().isInvertible())
        return;
    // A page keeps the zone as it is, outline and all, in one path.
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(penOn(painter));
    painter->setBrush(brush());
    painter->drawPath(m_path);
    painter->restore();
}

bool ZoneGraphicsItem::prepareStamp(QPainter *painter, Stamp *stamp)
{
    if (m_path.isEmpty())
        return false;
    const QTransform transform = painter->combinedTransform();
    if (!transform.isInvertible() || painter->paintEngine()->type() != QPaintEngine::Raster
        || transform.type() == QTransform::TxProject)
        return false;
    QPen pen = penOn(painter);
    if (!pen.isCosmetic()) {
        pen.setWidthF(pen.widthF() * std::sqrt(std::abs(transform.determinant())));
        pen.setCosmetic(true);
    }
    // What is prepared does not depend on where the zone lies on the device,
    // so that a scrolled view finds it ready.
    const Drawing &drawing = drawingFor(
        QTransform(transform.m11(), transform.m12(), transform.m21(), transform.m22(), 0, 0));
    stamp->pen = pen;
    stamp->brush = brush();
    // While an obstacle or a detector is dragged the fill goes without
    // antialiasing; the outline is always smooth.
    stamp->quickFill = dragPainting(scene());
    stamp->transform = drawing.transform;
    stamp->fill = drawing.fill;
    // Up to a pixel wide the outline goes through the toolkit's fast stroker
    // for thin lines; a wider one (an image at print resolution) would go
    // through its general stroker, which fills the whole outline as one path
    // over the zone's box in many passes. Short runs of edges, stroked once
    // and filled, draw the same line at a fraction of that.
    stamp->wide = pen.style() == Qt::SolidLine && pen.widthF() > 1;
    if (stamp->wide) {
        prepareOutline(pen);
        stamp->outline = m_drawing.outline;
        stamp->outlineBounds = m_drawing.outlineBounds;
    } else {
        stamp->outline.clear();
        stamp->outlineBounds.clear();
    }
    return true;
}

QPen ZoneGraphicsItem::penOn(const QPainter *painter) const
{
    QPen pen = this->pen();
    if (pen.isCosmetic())
        pen.setWidthF(cosmeticPenWidth(pen, painter));
    if (isSelected())
        pen.setStyle(Qt::DashLine);
    return pen;
}

namespace {

bool plainBrush(const QBrush &brush)
{
    return brush.style() <= Qt::DiagCrossPattern && brush.transform().isIdentity();
}

QPainterPath deepCopy(const QPainterPath &path)
{
    QPainterPath copy;
    copy.setFillRule(path.fillRule());
    copy.addPath(path);
    return copy;
}

} // namespace

bool ZoneGraphicsItem::Stamp::detachable() const
{
    return plainBrush(brush) && plainBrush(pen.brush());
}

ZoneGraphicsItem::Stamp ZoneGraphicsItem::Stamp::detached(const QRectF &within) const
{
    Q_ASSERT(detachable());
    // Drawing a path or a dashed pen fills caches in their shared data, so
    // every thread gets data of its own.
    Stamp copy;
    copy.pen = QPen(QBrush(pen.brush().color(), pen.brush().style()), pen.widthF(), pen.style(),
        pen.capStyle(), pen.joinStyle());
    copy.pen.setMiterLimit(pen.miterLimit());
    copy.pen.setCosmetic(pen.isCosmetic());
    if (pen.style() == Qt::CustomDashLine)
        copy.pen.setDashPattern(pen.dashPattern());
    copy.pen.setDashOffset(pen.dashOffset());
    copy.brush = QBrush(brush.color(), brush.style());
    copy.quickFill = quickFill;
    copy.wide = wide;
    copy.transform = transform;
    copy.fill = deepCopy(fill);
    for (int i = 0; i < outline.size(); ++i) {
        if (outlineBounds.at(i).intersects(within)) {
            copy.outline.append(deepCopy(outline.at(i)));
            copy.outlineBounds.append(outlineBounds.at(i));
        }
    }
    return copy;
}

void ZoneGraphicsItem::Stamp::paint(QPainter *painter) const
{
    const QTransform device = painter->combinedTransform();
    const QPointF shift(device.dx(), device.dy());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->resetTransform();
    const QRectF visible = (painter->hasClipping()
            ? painter->clipBoundingRect()
            : QRectF(0, 0, painter->device()->width(), painter->device()->height()))
                               .translated(-shift);
    // Below, one unit is a device pixel.
    painter->translate(shift);
    painter->setRenderHint(QPainter::Antialiasing, !quickFill);
    painter->setBrush(brush);
    if (quickFill || wide) {
        painter->setPen(Qt::NoPen);
        painter->drawPath(fill);
        painter->setRenderHint(QPainter::Antialiasing);
        if (!wide) {
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            painter->drawPath(fill);
        }
    } else {
        painter->setPen(pen);
        painter->drawPath(fill);
    }
    if (wide) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(pen.brush());
        for (int i = 0; i < outline.size(); ++i) {
            if (outlineBounds.at(i).intersects(visible))
                painter->drawPath(outline.at(i));
        }
    }
    painter->restore();
}

const ZoneGraphicsItem::Drawing &ZoneGraphicsItem::drawingFor(const QTransform &transform)
{
    if (m_drawing.valid && m_drawing.transform == transform)
        return m_drawing;
    // A vertex this close to the chord in its place moves no edge pixel's
    // coverage by more than a few per cent.
    constexpr double kTolerance = 0.05;
    m_drawing = Drawing();
    m_drawing.valid = true;
    m_drawing.transform = transform;
    m_drawing.fill.setFillRule(Qt::OddEvenFill);
    for (const QPolygonF &piece : qAsConst(m_pieces)) {
        m_drawing.pieces.append(simplifiedRing(transform.map(piece), kTolerance));
        m_drawing.fill.addPolygon(m_drawing.pieces.last());
        m_drawing.fill.closeSubpath();
    }
    return m_drawing;
}

void ZoneGraphicsItem::prepareOutline(const QPen &pen)
{
    if (m_drawing.outlineWidth == pen.widthF())
        return;
    m_drawing.outlineWidth = pen.widthF();
    m_drawing.outline.clear();
    m_drawing.outlineBounds.clear();
    QPainterPathStroker stroker;
    stroker.setWidth(pen.widthF());
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(pen.joinStyle());
    stroker.setMiterLimit(pen.miterLimit());
    // Each run ends where the next begins, the last closes the ring. A run is
    // cut where its box would grow past a few dozen pixels: the toolkit's
    // antialiasing rasterizer works in bands of a small cell budget and starts
    // over with a larger one when a row of the band holds too many cells, so
    // a run across the whole zone costs several times its length.
    constexpr double kRunBox = 64;
    const auto addRun = [&](const QPolygonF &run) {
        QPainterPath line;
        line.addPolygon(run);
        m_drawing.outline.append(stroker.createStroke(line));
        m_drawing.outlineBounds.append(m_drawing.outline.last().controlPointRect());
    };
    for (const QPolygonF &piece : qAsConst(m_drawing.pieces)) {
        const int count = piece.size();
        QPolygonF run;
        run.append(piece.first());
        QPointF low = piece.first();
        QPointF high = low;
        for (int i = 1; i <= count; ++i) {
            const QPointF &next = piece.at(i % count);
            if (run.size() > 1
                && (qMax(high.x(), next.x()) - qMin(low.x(), next.x()) > kRunBox
                    || qMax(high.y(), next.y()) - qMin(low.y(), next.y()) > kRunBox)) {
                addRun(run);
                run = QPolygonF() << run.last();
                low = high = run.first();
            }
            run.append(next);
            low = QPointF(qMin(low.x(), next.x()), qMin(low.y(), next.y()));
            high = QPointF(qMax(high.x(), next.x()), qMax(high.y(), next.y()));
        }
        addRun(run);
    }
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
