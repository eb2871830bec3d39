#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QRectF>

#include <functional>

class QGraphicsScene;
class QPainter;
class QPdfWriter;
class QPrinter;
class QString;

// Writes a PDF to `path` through SaveFile, so that an existing file is replaced
// only by the complete new one: `setUp` gives the writer its pages and
// metadata, then `paint` draws every page with a painter already begun on it.
// Returns false, with *error saying why, when the file could not be written.
bool writePdfFile(const QString &path, const std::function<void(QPdfWriter &)> &setUp,
    const std::function<void(QPdfWriter &, QPainter &)> &paint, QString *error);

// Drawn on the page after the scene: printable is the printable area in the
// painter's coordinates (device pixels from its top-left corner), drawn the
// part of it the scene took.
using PageOverlay
    = std::function<void(QPainter *painter, const QRectF &printable, const QRectF &drawn)>;

// The part of `area` that a rectangle of `source`'s proportions takes when scaled to fit both
// the width and the height of `area`, anchored at the area's top-left corner.
QRectF fitTopLeft(const QRectF &source, const QRectF &area);

// Renders the scene rectangle into `area` of the painter's device (see fitTopLeft). Items that
// ignore transformations take their millimetre sizes from the device's resolution.
void renderSceneTopLeft(QGraphicsScene *scene, QPainter *painter, const QRectF &area);

// Writes one PDF page of the whole scene rectangle to `path`, with the printer's page size,
// orientation and margins, scaled to fit the printable area from its top-left corner. The
// printer is switched to PDF output and `path` becomes its output file; the file itself is written
// through SaveFile with the printer's layout, resolution, title and creator, so an existing file
// is replaced only by the complete new page. An empty scene rectangle gives a blank page. Returns
// false, with *error saying why, when the file could not be written.
bool exportScenePdf(QGraphicsScene *scene, QPrinter *printer, const QString &path,
    QString *error = nullptr, const PageOverlay &overlay = {});

// The same with a fresh high-resolution printer of the given paper and orientation.
bool exportScenePdf(QGraphicsScene *scene, const QString &path, const QPageSize &pageSize,
    QPageLayout::Orientation orientation, QString *error = nullptr);
