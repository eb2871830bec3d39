#pragma once

#include <QImage>
#include <QPointF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <memory>

class QPdfDocument;

// A plan drawing in a PDF file: its pages, their physical size and their
// rendering into a plan image. Page numbers count from 1. A page is rendered
// only when its image fits the cap on a plan image's decoded size.
class PdfPlan
{
public:
    enum Error
    {
        NoError,
        FileNotFound,
        // Not a PDF, damaged, or empty.
        Unreadable,
        PasswordProtected,
        NoPages,
        PageOutOfRange,
        TooLarge,
        RenderFailed
    };

    // The largest plan image in bytes, decoded at 4 bytes a pixel.
    static constexpr qint64 kMaxImageBytes = qint64(256) * 1024 * 1024;

    PdfPlan();
    ~PdfPlan();
    PdfPlan(const PdfPlan &) = delete;
    PdfPlan &operator=(const PdfPlan &) = delete;

    // Opens path; a file without a single page is refused with NoPages.
    Error open(const QString &path);
    const QString &path() const { return m_path; }
    int pageCount() const;
    // The page's size in PDF points (1/72 inch); empty for a page out of range.
    QSizeF pageSize(int page) const;
    // The page at dpi on white, refused (null, *error set) for a page out of
    // range or an image over the cap, checked before anything is rendered.
    QImage render(int page, double dpi, Error *error = nullptr) const;
    // The page scaled to fit into box, for a preview.
    QImage renderPreview(int page, const QSize &box) const;

    // The user's message for an error, naming the file (and the page and
    // resolution where they matter).
    QString errorText(Error error, int page = 0, double dpi = 0) const;

    // The pixel size of a page of pagePoints at dpi.
    static QSize renderedSize(const QSizeF &pagePoints, double dpi);
    // Whether an image of this size is within kMaxImageBytes.
    static bool fitsCap(const QSize &pixels);

    // Floor metres per PDF point of a drawing at 1:drawingScale: a point is
    // 25.4/72 mm on paper and drawingScale times that on the floor.
    static double metresPerPoint(double drawingScale);
    // Floor metres per pixel of a page of pagePoints rendered into imagePixels,
    // the mean of both axes (they differ by the rounding to whole pixels).
    static double metresPerPixel(
        double drawingScale, const QSizeF &pagePoints, const QSize &imagePixels);

    // Where the scale mark of a plan drawn to scale goes: along a round length
    // (1, 2 or 5 times a power of ten metres, at most a quarter of the image's
    // width) from near the bottom-left corner to the right, in image pixels.
    struct ScaleMark
    {
        QPointF start;
        QPointF end;
        double metres = 0;
    };
    static ScaleMark scaleMark(const QSize &imagePixels, double metresPerPixel);

private:
    std::unique_ptr<QPdfDocument> m_document;
    QString m_path;
    int m_pageCount = 0;
};
