#include "io/pdfexport.h"

#include "detectors/zonegraphicsitem.h"
#include "io/savefile.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QtMath>

bool writePdfFile(const QString &path, const std::function<void(QPdfWriter &)> &setUp,
    const std::function<void(QPdfWriter &, QPainter &)> &paint, QString *error)
{
    SaveFile file(path);
    QIODevice *device = file.open();
    if (!device) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QPdfWriter writer(device);
    setUp(writer);
    QPainter painter;
    bool painted = painter.begin(&writer);
    if (painted) {
        paint(writer, painter);
        painted = painter.end();
    }
    if (painted && file.commit())
        return true;
    if (error)
        *error = painted ? file.errorString() : QStringLiteral("cannot be written");
    return false;
}

QRectF fitTopLeft(const QRectF &source, const QRectF &area)
{
    if (source.width() <= 0 || source.height() <= 0 || area.width() <= 0 || area.height() <= 0)
        return QRectF(area.topLeft(), QSizeF(0, 0));
    const qreal factor = qMin(area.width() / source.width(), area.height() / source.height());
    return QRectF(area.topLeft(), source.size() * factor);
}

void renderSceneTopLeft(QGraphicsScene *scene, QPainter *painter, const QRectF &area)
{
    const QRectF source = scene->sceneRect();
    if (!qIsFinite(source.x()) || !qIsFinite(source.y()) || !qIsFinite(source.width())
        || !qIsFinite(source.height()))
        return;
    const QRectF target = fitTopLeft(source, area);
    if (target.isEmpty())
        return;
    const ZoneGraphicsItem::NormalPainting normalPainting(scene);
    scene->render(painter, target, source, Qt::IgnoreAspectRatio);
}

bool exportScenePdf(QGraphicsScene *scene, QPrinter *printer, const QString &path, QString *error,
    const PageOverlay &overlay)
{
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);

    // The printer's own PDF engine writes straight into the named file and
    // ignores write errors; the same engine behind a PDF writer on a save file
    // gives the same page and lets a failed write be seen.
    const auto setUp = [printer](QPdfWriter &writer) {
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion(printer->pdfVersion()));
        writer.setResolution(printer->resolution());
        writer.setPageLayout(printer->pageLayout());
        writer.setTitle(printer->docName());
        writer.setCreator(printer->creator());
    };
    const auto paint = [scene, &overlay](QPdfWriter &writer, QPainter &painter) {
        // The painter's origin is the top-left corner of the printable area.
        const QRectF printable = writer.pageLayout().paintRectPixels(writer.resolution());
        const QRectF area(QPointF(0, 0), printable.size());
        renderSceneTopLeft(scene, &painter, area);
        if (overlay)
            overlay(&painter, area, fitTopLeft(scene->sceneRect(), area));
    };
    return writePdfFile(path, setUp, paint, error);
}

bool exportScenePdf(QGraphicsScene *scene, const QString &path, const QPageSize &pageSize,
    QPageLayout::Orientation orientation, QString *error)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(pageSize);
    printer.setPageOrientation(orientation);
    return exportScenePdf(scene, &printer, path, error);
}
