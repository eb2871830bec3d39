#pragma once

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>

class QPagedPaintDevice;
class QPainter;

// A table of text for ReportFlow: a header row and rows of cells, each cell
// wrapped at word boundaries within its column.
struct ReportTable
{
    struct Column
    {
        QString header;
        double weight = 1; // share of the width, relative to the other columns
        Qt::Alignment alignment = Qt::AlignLeft;
    };
    QVector<Column> columns;
    QVector<QStringList> rows;
    // Above the table in the heading font, and with "(продолжение)" on every
    // further page it takes.
    QString caption;
};

// Lays text and tables down the pages of a paged device, top to bottom, a new
// page when the next piece does not fit. Sizes are millimetres of the device.
// Without a painter nothing is drawn and only the pages are counted, so that
// a first pass tells the count a second, painting pass numbers the pages with
// ("Лист N из M" at the foot of each).
class ReportFlow
{
public:
    // painter: null for the counting pass. page: the printable area in the
    // painter's coordinates. The flow starts at the top of the first page;
    // every page gets a footer with footerText at its left and its number of
    // pageCount at its right.
    ReportFlow(QPagedPaintDevice *device, QPainter *painter, const QRectF &page, int pageCount,
        const QString &footerText);

    double mm() const { return m_mm; }
    // A sans-serif font of the given height in millimetres; narrow for tables
    // of many columns.
    QFont font(double heightMm, bool bold = false, bool narrow = false) const;
    // The font of section headings and table captions.
    QFont headingFont() const;

    QPainter *painter() const { return m_painter; }
    // The page being filled, from 1.
    int page() const { return m_page; }

    // Starts the next page (on the device too when painting).
    void newPage();
    // The area left on this page, from the current line down to the footer.
    QRectF remaining() const;
    // Moves the current line down.
    void skip(double heightMm);

    // A paragraph wrapped to the width; a new page first when it does not fit.
    void paragraph(const QString &text, const QFont &font);
    // A table with its header row at the top of every page it takes.
    void table(const ReportTable &table, const QFont &font);

private:
    void paintFooter();
    // Qt::TextWordWrap, or Qt::TextWrapAnywhere when a word is wider than width.
    int wrapping(const QString &text, const QFont &font, double width) const;
    double cellHeight(const QString &text, const QFont &font, double width) const;
    double rowHeight(
        const QStringList &cells, const QVector<double> &widths, const QFont &font) const;
    void paintRow(const QStringList &cells, const QVector<double> &widths,
        const QVector<Qt::Alignment> &alignments, const QFont &font, double height, bool header);

    QPagedPaintDevice *m_device;
    QPainter *m_painter;
    QRectF m_area; // the page less the footer
    QRectF m_pageRect;
    double m_mm;
    double m_y;
    int m_page = 1;
    int m_pageCount;
    QString m_footerText;
};
