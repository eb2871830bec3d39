#include "fixedsizetextitem2.h"

#include "scene/forwardevent.h"
#include "scene/geometry.h"

#include <QFontMetricsF>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

static QFont scaledFont(QFont font, double factor)
{
    if (font.pixelSize() > 0)
        font.setPixelSize(qRound(font.pixelSize() * factor));
    else if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    return font;
}

static QSizeF measure(const QTextDocument *document, const QFont &font)
{
    const QFontMetricsF metrics(font);
    qreal width = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        width = qMax(width, metrics.horizontalAdvance(block.text()));
    width += metrics.horizontalAdvance(QLatin1Char(' '));
    const qreal lineHeight = qMax(metrics.height(), metrics.lineSpacing());
    return QSizeF(width, lineHeight * document->lineCount());
}

FixedSizeTextItem2::FixedSizeTextItem2(QGraphicsItem *parent)
    : QGraphicsTextItem(parent)
{
}

bool FixedSizeTextItem2::inMillimetres() const
{
    return flags() & ItemIgnoresTransformations;
}

QSizeF FixedSizeTextItem2::scaleDocument(QTextDocument *document, double factor)
{
    const QFont font = scaledFont(document->defaultFont(), factor);
    const QSizeF size = measure(document, font);
    QTextCursor cursor(document);
    cursor.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setFont(font);
    cursor.mergeCharFormat(format);
    return size;
}

QRectF FixedSizeTextItem2::boundingRect() const
{
    const QRectF standard = QGraphicsTextItem::boundingRect();
    if (!inMillimetres())
        return standard;
    // The text stands centred on the position with its bottom edge at it.
    const QSizeF size
        = measure(document(), scaledFont(document()->defaultFont(), screenPixelsPerMm()));
    return QRectF(
        standard.x() - size.width() / 2, standard.y() - size.height(), size.width(), size.height());
}

QPainterPath FixedSizeTextItem2::shape() const
{
    QPainterPath path;
    path.addRect(boundingRect());
    return path;
}

void FixedSizeTextItem2::paint(
    QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    if (!inMillimetres()) {
        QGraphicsTextItem::paint(painter, option, widget);
        return;
    }
    if (document()->isEmpty())
        return;
    painter->save();
    painter->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    std::unique_ptr<QTextDocument> copy(document()->clone());
    // The measured size has no room for a margin around the text.
    copy->setDocumentMargin(0);
    const QSizeF size = scaleDocument(copy.get(), painterPixelsPerMm(painter));
    const QPointF origin = QGraphicsTextItem::boundingRect().topLeft();
    painter->translate(origin.x() - size.width() / 2, origin.y() - size.height());
    const QRectF area(QPointF(0, 0), size);
    if (option && (option->state & QStyle::State_Selected))
        painter->fillRect(area, option->palette.brush(QPalette::Highlight));
    painter->setPen(defaultTextColor());
    copy->drawContents(painter, area);
    painter->restore();
}

void FixedSizeTextItem2::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit mousePress(e); },
        [this](auto *e) { QGraphicsTextItem::mousePressEvent(e); });
}

void FixedSizeTextItem2::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit mouseMove(e); },
        [this](auto *e) { QGraphicsTextItem::mouseMoveEvent(e); });
}

void FixedSizeTextItem2::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit mouseRelease(e); },
        [this](auto *e) { QGraphicsTextItem::mouseReleaseEvent(e); });
}

void FixedSizeTextItem2::keyPressEvent(QKeyEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit keyPress(e); },
        [this](auto *e) { QGraphicsTextItem::keyPressEvent(e); });
}

void FixedSizeTextItem2::keyReleaseEvent(QKeyEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit keyRelease(e); },
        [this](auto *e) { QGraphicsTextItem::keyReleaseEvent(e); });
}

void FixedSizeTextItem2::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit hoverEnter(e); },
        [this](auto *e) { QGraphicsTextItem::hoverEnterEvent(e); });
}

void FixedSizeTextItem2::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    forwardEvent(
        event, [this](auto *e) { emit hoverLeave(e); },
        [this](auto *e) { QGraphicsTextItem::hoverLeaveEvent(e); });
}
