#include "common/testdrawing.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace TestDrawing {

namespace {

    double darkness(const QImage &image, int x, int y)
    {
        return 1.0 - qGray(image.pixel(x, y)) / 255.0;
    }

    // The darkness-weighted middle of the line crossing the run of pixels from
    // first to last (inclusive) along one row (horizontal) or column.
    double lineMiddle(const QImage &image, bool alongRow, int fixed, int first, int last)
    {
        double sum = 0;
        double weighted = 0;
        for (int i = first; i <= last; ++i) {
            const double d = alongRow ? darkness(image, i, fixed) : darkness(image, fixed, i);
            sum += d;
            weighted += d * (i + 0.5);
        }
        return sum > 0 ? weighted / sum : -1;
    }

} // namespace

Page roomAt100()
{
    Page page;
    page.rectsMm << QRectF(30, 40, 100, 50);
    return page;
}

bool writePdf(const QString &path, const QVector<Page> &pages)
{
    QPdfWriter writer(path);
    // One device unit a hundredth of a point, so nothing is rounded away.
    writer.setResolution(7200);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    if (!pages.isEmpty())
        writer.setPageSize(QPageSize(pages.first().paperMm, QPageSize::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const double unitsPerMm = 7200 / 25.4;
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            writer.setPageSize(QPageSize(pages.at(i).paperMm, QPageSize::Millimeter));
            writer.newPage();
        }
        // A 0.2 mm line.
        painter.setPen(QPen(Qt::black, 0.2 * unitsPerMm));
        painter.setBrush(Qt::NoBrush);
        for (const QRectF &mm : pages.at(i).rectsMm)
            painter.drawRect(QRectF(mm.topLeft() * unitsPerMm, mm.size() * unitsPerMm));
    }
    return painter.end();
}

bool writeEncryptedPdf(const QString &path)
{
    // The standard security handler with a user password the empty one does not
    // match: the file opens only with that password.
    const QByteArray o = QByteArray(32, 'A').toHex();
    const QByteArray u = QByteArray(32, 'B').toHex();
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>",
        "<< /Filter /Standard /V 1 /R 2 /Length 40 /P -4 /O <" + o + "> /U <" + u + "> >>",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QList<int> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const int xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    const QByteArray id = "<00112233445566778899aabbccddeeff>";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1)
        + " /Root 1 0 R /Encrypt 4 0 R /ID [" + id + " " + id + "] >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size();
}

QRectF outlinedRect(const QImage &image)
{
    const QImage grey = image.convertToFormat(QImage::Format_RGB32);
    int left = grey.width();
    int right = -1;
    int top = grey.height();
    int bottom = -1;
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            if (darkness(grey, x, y) > 0.1) {
                left = qMin(left, x);
                right = qMax(right, x);
                top = qMin(top, y);
                bottom = qMax(bottom, y);
            }
        }
    }
    if (right < left || bottom < top)
        return QRectF();
    // Across each side, halfway along it, over a band of a few pixels.
    const int midY = (top + bottom) / 2;
    const int midX = (left + right) / 2;
    const int band = 6;
    const double x0 = lineMiddle(grey, true, midY, qMax(0, left - 1), left + band);
    const double x1 = lineMiddle(grey, true, midY, right - band, qMin(grey.width() - 1, right + 1));
    const double y0 = lineMiddle(grey, false, midX, qMax(0, top - 1), top + band);
    const double y1
        = lineMiddle(grey, false, midX, bottom - band, qMin(grey.height() - 1, bottom + 1));
    return QRectF(QPointF(x0, y0), QPointF(x1, y1));
}

} // namespace TestDrawing
