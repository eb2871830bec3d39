// Renders the operating manual, written as HTML, into an A4 PDF with page numbers.
//
//   manualpdf <manual.html> <output.pdf> [<copy.pdf> ...]
//
// Pictures named in the HTML (<img src="...">) are looked up relative to the HTML file.
// The text is set in DejaVu Sans (Liberation Sans if DejaVu is missing), both of which
// carry Cyrillic; the tool refuses to run without either, since another font could
// print the Russian text as empty boxes. Every further path receives a copy of the PDF.

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

QString pickFamily()
{
    const QStringList families = QFontDatabase().families();
    for (const char *name : { "DejaVu Sans", "Liberation Sans" }) {
        if (families.contains(QLatin1String(name)))
            return QLatin1String(name);
    }
    return QString();
}

// The pictures the document names but could not load; QTextDocument would silently
// draw an empty frame in their place.
QStringList missingImages(QTextDocument &doc)
{
    QStringList missing;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QString name = format.toImageFormat().name();
            if (doc.resource(QTextDocument::ImageResource, QUrl(name)).isNull())
                missing << name;
        }
    }
    return missing;
}

// Moves one heading that ends a page away from the text it heads onto the next page
// (QTextDocument knows no "keep with next"). Returns whether it moved one; the caller
// repeats until none is left, since each move shifts everything after it.
bool keepOneHeadingWithNext(QTextDocument &doc, qreal pageHeight)
{
    QAbstractTextDocumentLayout *layout = doc.documentLayout();
    doc.pageCount(); // lays the whole document out; the layout is lazy otherwise
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        if (format.headingLevel() == 0
            || (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore))
            continue;
        const QTextBlock next = block.next();
        if (!next.isValid() || next.layout()->lineCount() == 0)
            continue;
        const int page = int(layout->blockBoundingRect(block).top() / pageHeight);
        const qreal nextLineBottom
            = layout->blockBoundingRect(next).top() + next.layout()->lineAt(0).rect().bottom();
        if (int(nextLineBottom / pageHeight) > page) {
            QTextBlockFormat moved;
            moved.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(block).mergeBlockFormat(moved);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        err() << "usage: manualpdf <manual.html> <output.pdf> [<copy.pdf> ...]\n";
        return 2;
    }
    const QString source = args.at(1);
    const QString output = args.at(2);

    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        err() << "manualpdf: cannot read " << source << "\n";
        return 1;
    }
    const QString html = QString::fromUtf8(file.readAll());

    const QString family = pickFamily();
    if (family.isEmpty()) {
        err() << "manualpdf: neither DejaVu Sans nor Liberation Sans is installed\n";
        return 1;
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(output);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(20, 15, 15, 12), QPageLayout::Millimeter));
    printer.setDocName(QStringLiteral("Порядок работы"));
    printer.setCreator(QStringLiteral("АО «Тарнис»"));

    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const qreal mm = printer.resolution() / 25.4;
    const qreal footer = 9 * mm;
    const QSizeF body(page.width(), page.height() - footer);

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&printer);
    doc.setDefaultFont(QFont(family, 10));
    doc.setDocumentMargin(0);
    doc.setMetaInformation(QTextDocument::DocumentUrl,
        QUrl::fromLocalFile(QFileInfo(source).absoluteFilePath()).toString());
    doc.setHtml(html);
    doc.setPageSize(body);
    for (int guard = 0; guard < 100 && keepOneHeadingWithNext(doc, body.height()); ++guard) { }

    const QStringList missing = missingImages(doc);
    if (!missing.isEmpty()) {
        err() << "manualpdf: pictures not found: " << missing.join(QStringLiteral(", ")) << "\n";
        return 1;
    }

    const int pages = doc.pageCount();
    QPainter painter;
    if (!painter.begin(&printer)) {
        err() << "manualpdf: cannot write " << output << "\n";
        return 1;
    }
    QFont footerFont(family, 8);
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            printer.newPage();
        painter.save();
        painter.setClipRect(QRectF(QPointF(0, 0), body));
        painter.translate(0, -i * body.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(QPointF(0, i * body.height()), body);
        doc.documentLayout()->draw(&painter, context);
        painter.restore();

        const qreal lineY = page.height() - footer + 3 * mm;
        painter.setPen(QPen(Qt::gray, 0.2 * mm));
        painter.drawLine(QPointF(0, lineY), QPointF(page.width(), lineY));
        painter.setPen(Qt::black);
        painter.setFont(footerFont);
        const QRectF footerRect(0, lineY + 1 * mm, page.width(), footer - 4 * mm);
        painter.drawText(footerRect, Qt::AlignLeft | Qt::AlignTop,
            QStringLiteral("Конфигуратор зон контроля ZIR Фаргос. Порядок работы"));
        painter.drawText(footerRect, Qt::AlignRight | Qt::AlignTop,
            QStringLiteral("Стр. %1 из %2").arg(i + 1).arg(pages));
    }
    if (!painter.end()) {
        err() << "manualpdf: cannot finish " << output << "\n";
        return 1;
    }

    for (int i = 3; i < args.size(); ++i) {
        QFile::remove(args.at(i));
        if (!QFile::copy(output, args.at(i))) {
            err() << "manualpdf: cannot copy to " << args.at(i) << "\n";
            return 1;
        }
    }
    err() << "manualpdf: " << pages << " pages, font " << family << "\n";
    return 0;
}
