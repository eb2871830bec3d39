#include "io/reportflow.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

namespace {

const double kFooterHeightMm = 7;
const double kCellPaddingMm = 0.8;
const QColor kRuleColour(0x2C, 0x3E, 0x50);
const QColor kHeaderFill(0xE4, 0xE9, 0xEE);

} // namespace

ReportFlow::ReportFlow(QPagedPaintDevice *device, QPainter *painter, const QRectF &page,
    int pageCount, const QString &footerText)
    : m_device(device)
    , m_painter(painter)
    , m_pageRect(page)
    , m_mm(device->logicalDpiY() / 25.4)
    , m_pageCount(pageCount)
    , m_footerText(footerText)
{
    m_area = QRectF(page.left(), page.top(), page.width(), page.height() - kFooterHeightMm * m_mm);
    m_y = m_area.top();
    paintFooter();
}

QFont ReportFlow::font(double heightMm, bool bold, bool narrow) const
{
    QFont font;
    if (narrow)
        font.setFamilies(
            { QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Arial Narrow") });
    else
        font.setFamily(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, int(heightMm * m_mm + 0.5)));
    font.setBold(bold);
    return font;
}

QFont ReportFlow::headingFont() const
{
    return font(4, true);
}

void ReportFlow::paintFooter()
{
    if (!m_painter)
        return;
    const QRectF footer(m_pageRect.left(), m_area.bottom(), m_pageRect.width(),
        m_pageRect.bottom() - m_area.bottom());
    m_painter->save();
    m_painter->setPen(QPen(kRuleColour, 0.2 * m_mm));
    m_painter->drawLine(QPointF(footer.left(), footer.top() + 2 * m_mm),
        QPointF(footer.right(), footer.top() + 2 * m_mm));
    m_painter->setFont(font(2.6));
    m_painter->setPen(Qt::black);
    const QRectF text = footer.adjusted(0, 2.5 * m_mm, 0, 0);
    m_painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, m_footerText);
    m_painter->drawText(text, Qt::AlignRight | Qt::AlignVCenter,
        QStringLiteral("Лист %1 из %2").arg(m_page).arg(m_pageCount));
    m_painter->restore();
}

void ReportFlow::newPage()
{
    ++m_page;
    m_y = m_area.top();
    if (m_painter) {
        m_device->newPage();
        paintFooter();
    }
}

QRectF ReportFlow::remaining() const
{
    return QRectF(m_area.left(), m_y, m_area.width(), std::max(0.0, m_area.bottom() - m_y));
}

void ReportFlow::skip(double heightMm)
{
    m_y = std::min(m_area.bottom(), m_y + heightMm * m_mm);
}

void ReportFlow::paragraph(const QString &text, const QFont &font)
{
    const double padding = kCellPaddingMm * m_mm;
    const double height = cellHeight(text, font, m_area.width() + 2 * padding) - 2 * padding;
    if (m_y + height > m_area.bottom() && m_y > m_area.top())
        newPage();
    if (m_painter) {
        m_painter->setFont(font);
        m_painter->setPen(Qt::black);
        m_painter->drawText(QRectF(m_area.left(), m_y, m_area.width(), height),
            Qt::AlignLeft | Qt::AlignTop | wrapping(text, font, m_area.width()), text);
    }
    m_y += height;
}

int ReportFlow::wrapping(const QString &text, const QFont &font, double width) const
{
    const QFontMetricsF metrics(font, m_device);
    const QRectF bounds = metrics.boundingRect(
        QRectF(0, 0, width, 1e9), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    // A word wider than the column is broken where it must.
    return bounds.width() > width ? Qt::TextWrapAnywhere : Qt::TextWordWrap;
}

double ReportFlow::cellHeight(const QString &text, const QFont &font, double width) const
{
    const QFontMetricsF metrics(font, m_device);
    const double padding = kCellPaddingMm * m_mm;
    const double inner = std::max(1.0, width - 2 * padding);
    const QRectF bounds = metrics.boundingRect(
        QRectF(0, 0, inner, 1e9), Qt::AlignLeft | Qt::AlignTop | wrapping(text, font, inner), text);
    return std::max(bounds.height(), metrics.height()) + 2 * padding;
}

double ReportFlow::rowHeight(
    const QStringList &cells, const QVector<double> &widths, const QFont &font) const
{
    double height = 0;
    for (int i = 0; i < widths.size(); ++i)
        height = std::max(height, cellHeight(cells.value(i), font, widths.at(i)));
    return height;
}

void ReportFlow::paintRow(const QStringList &cells, const QVector<double> &widths,
    const QVector<Qt::Alignment> &alignments, const QFont &font, double height, bool header)
{
    if (!m_painter)
        return;
    const double padding = kCellPaddingMm * m_mm;
    m_painter->save();
    m_painter->setFont(font);
    double x = m_area.left();
    for (int i = 0; i < widths.size(); ++i) {
        const QRectF cell(x, m_y, widths.at(i), height);
        m_painter->setPen(QPen(kRuleColour, 0.15 * m_mm));
        m_painter->setBrush(header ? QBrush(kHeaderFill) : QBrush(Qt::NoBrush));
        m_painter->drawRect(cell);
        m_painter->setPen(Qt::black);
        const Qt::Alignment alignment = header ? Qt::AlignHCenter : alignments.at(i);
        const QRectF inner = cell.adjusted(padding, padding, -padding, -padding);
        m_painter->drawText(inner,
            int(alignment | Qt::AlignVCenter) | wrapping(cells.value(i), font, inner.width()),
            cells.value(i));
        x += widths.at(i);
    }
    m_painter->restore();
}

void ReportFlow::table(const ReportTable &table, const QFont &font)
{
    double total = 0;
    for (const ReportTable::Column &column : table.columns)
        total += column.weight;
    QVector<double> widths;
    QVector<Qt::Alignment> alignments;
    QStringList headers;
    for (const ReportTable::Column &column : table.columns) {
        widths << m_area.width() * column.weight / total;
        alignments << column.alignment;
        headers << column.header;
    }
    QFont headerFont = font;
    headerFont.setBold(true);
    const QFont captionFont = headingFont();
    const double headerHeight = rowHeight(headers, widths, headerFont);
    const double captionHeight
        = table.caption.isEmpty() ? 0 : QFontMetricsF(captionFont, m_device).height() * 1.6;

    auto startOnPage = [&](bool continued) {
        if (!table.caption.isEmpty()) {
            if (m_painter) {
                m_painter->setFont(captionFont);
                m_painter->setPen(Qt::black);
                m_painter->drawText(QRectF(m_area.left(), m_y, m_area.width(), captionHeight),
                    Qt::AlignLeft | Qt::AlignVCenter,
                    continued ? table.caption + QStringLiteral(" (продолжение)") : table.caption);
            }
            m_y += captionHeight;
        }
        paintRow(headers, widths, alignments, headerFont, headerHeight, true);
        m_y += headerHeight;
    };

    // The caption and header never stand alone at the foot of a page.
    const double firstRow = table.rows.isEmpty() ? 0 : rowHeight(table.rows.first(), widths, font);
    if (m_y + captionHeight + headerHeight + firstRow > m_area.bottom() && m_y > m_area.top())
        newPage();
    startOnPage(false);
    for (const QStringList &row : table.rows) {
        const double height = rowHeight(row, widths, font);
        if (m_y + height > m_area.bottom()) {
            newPage();
            startOnPage(true);
        }
        paintRow(row, widths, alignments, font, height, false);
        m_y += height;
    }
}
