#include "plan/pdfplan.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfDocument>

#include <cmath>
#include <limits>

PdfPlan::PdfPlan() = default;
PdfPlan::~PdfPlan() = default;

PdfPlan::Error PdfPlan::open(const QString &path)
{
    m_path = path;
    m_pageCount = 0;
    m_document = std::make_unique<QPdfDocument>();
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return FileNotFound;
    switch (m_document->load(path)) {
    case QPdfDocument::NoError:
        break;
    case QPdfDocument::FileNotFoundError:
        return FileNotFound;
    case QPdfDocument::IncorrectPasswordError:
    case QPdfDocument::UnsupportedSecuritySchemeError:
        return PasswordProtected;
    default:
        return Unreadable;
    }
    m_pageCount = m_document->pageCount();
    return m_pageCount > 0 ? NoError : NoPages;
}

int PdfPlan::pageCount() const
{
    return m_pageCount;
}

QSizeF PdfPlan::pageSize(int page) const
{
    if (page < 1 || page > m_pageCount)
        return QSizeF();
    return m_document->pageSize(page - 1);
}

QImage PdfPlan::render(int page, double dpi, Error *error) const
{
    Error dummy;
    if (!error)
        error = &dummy;
    if (page < 1 || page > m_pageCount) {
        *error = PageOutOfRange;
        return QImage();
    }
    const QSize size = renderedSize(pageSize(page), dpi);
    if (!fitsCap(size)) {
        *error = TooLarge;
        return QImage();
    }
    // The page comes out transparent where nothing is drawn; a plan is on white.
    QImage image = m_document->render(page - 1, size);
    if (image.isNull() || image.size() != size) {
        *error = RenderFailed;
        return QImage();
    }
    QImage plan(size, QImage::Format_RGB32);
    plan.fill(Qt::white);
    {
        QPainter painter(&plan);
        painter.drawImage(0, 0, image);
    }
    *error = NoError;
    return plan;
}

QImage PdfPlan::renderPreview(int page, const QSize &box) const
{
    const QSizeF points = pageSize(page);
    if (points.isEmpty() || box.isEmpty())
        return QImage();
    const QSize size = points.scaled(box, Qt::KeepAspectRatio).toSize().expandedTo(QSize(1, 1));
    return render(page, 72.0 * size.width() / points.width());
}

QString PdfPlan::errorText(Error error, int page, double dpi) const
{
    const QString file = QDir::toNativeSeparators(m_path);
    switch (error) {
    case NoError:
        return QString();
    case FileNotFound:
        return QStringLiteral("Файл %1 не найден.").arg(file);
    case Unreadable:
        return QStringLiteral("Не удалось прочитать чертёж %1: файл повреждён или не является "
                              "документом PDF.")
            .arg(file);
    case PasswordProtected:
        return QStringLiteral("Чертёж %1 защищён паролем, он не открыт.").arg(file);
    case NoPages:
        return QStringLiteral("В чертеже %1 нет ни одной страницы.").arg(file);
    case PageOutOfRange:
        return QStringLiteral("В чертеже %1 нет страницы %2 (страниц: %3).")
            .arg(file)
            .arg(page)
            .arg(m_pageCount);
    case TooLarge: {
        const QSize size = renderedSize(pageSize(page), dpi);
        return QStringLiteral("Страница %1 чертежа %2 при %3 точек на дюйм слишком велика "
                              "(%4 × %5 точек), она не открыта.")
            .arg(page)
            .arg(file)
            .arg(dpi)
            .arg(size.width())
            .arg(size.height());
    }
    case RenderFailed:
        return QStringLiteral("Не удалось отрисовать страницу %1 чертежа %2.").arg(page).arg(file);
    }
    return QString();
}

QSize PdfPlan::renderedSize(const QSizeF &pagePoints, double dpi)
{
    const auto pixels = [dpi](double points) {
        const double value = std::round(points * dpi / 72.0);
        if (!(value > 0))
            return 0;
        return value < std::numeric_limits<int>::max() ? int(value)
                                                       : std::numeric_limits<int>::max();
    };
    return QSize(pixels(pagePoints.width()), pixels(pagePoints.height()));
}

bool PdfPlan::fitsCap(const QSize &pixels)
{
    // Counted in pixels: the bytes of the largest sizes would overflow.
    return !pixels.isEmpty() && qint64(pixels.width()) * pixels.height() <= kMaxImageBytes / 4;
}

double PdfPlan::metresPerPoint(double drawingScale)
{
    return drawingScale * 25.4 / 72.0 / 1000.0;
}

double PdfPlan::metresPerPixel(
    double drawingScale, const QSizeF &pagePoints, const QSize &imagePixels)
{
    if (imagePixels.isEmpty())
        return 0;
    const double pointsPerPixel
        = (pagePoints.width() / imagePixels.width() + pagePoints.height() / imagePixels.height())
        / 2;
    return metresPerPoint(drawingScale) * pointsPerPixel;
}

PdfPlan::ScaleMark PdfPlan::scaleMark(const QSize &imagePixels, double metresPerPixel)
{
    ScaleMark mark;
    if (imagePixels.isEmpty() || !(metresPerPixel > 0))
        return mark;
    const double widest = imagePixels.width() * metresPerPixel / 4;
    double decade = std::pow(10.0, std::floor(std::log10(widest)));
    // log10 may land just below a power of ten.
    if (decade * 10 <= widest)
        decade *= 10;
    else if (decade > widest)
        decade /= 10;
    for (const double step : { 5.0, 2.0, 1.0 }) {
        if (step * decade <= widest) {
            mark.metres = step * decade;
            break;
        }
    }
    const double margin = std::min(imagePixels.width(), imagePixels.height()) * 0.05;
    mark.start = QPointF(margin, imagePixels.height() - margin);
    mark.end = mark.start + QPointF(mark.metres / metresPerPixel, 0);
    return mark;
}
