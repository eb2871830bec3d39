#include "io/pdfexport.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QPrinter>
#include <QtMath>

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
    scene->render(painter, target, source, Qt::IgnoreAspectRatio);
}

bool exportScenePdf(QGraphicsScene *scene, QPrinter *printer, const QString &path)
{
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);

    QPainter painter;
    if (!painter.begin(printer))
        return false;
    // The painter's origin is the top-left corner of the printable area.
    const QRectF printable = printer->pageRect(QPrinter::DevicePixel);
    renderSceneTopLeft(scene, &painter, QRectF(QPointF(0, 0), printable.size()));
    return painter.end();
}

bool exportScenePdf(QGraphicsScene *scene, const QString &path, const QPageSize &pageSize,
    QPageLayout::Orientation orientation)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(pageSize);
    printer.setPageOrientation(orientation);
    return exportScenePdf(scene, &printer, path);
}
