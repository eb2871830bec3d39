#include "cli/clisupport.h"

#include "io/projectdocument.h"
#include "plan/pdfplan.h"

#include <QFileInfo>
#include <QImageReader>

#include <cmath>

// The new command: a project from a plan image or a page of a PDF drawing.
namespace Cli {

bool isImageName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("jpg")
        || suffix == QLatin1String("jpeg") || suffix == QLatin1String("bmp");
}

namespace {

    bool isPdfName(const QString &path)
    {
        return QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
    }

    QString pdfProblem(const PdfPlan &pdf, PdfPlan::Error error, int page, int dpi)
    {
        switch (error) {
        case PdfPlan::NoError:
            break;
        case PdfPlan::FileNotFound:
            return QStringLiteral("no such file");
        case PdfPlan::Unreadable:
            return QStringLiteral("cannot be read: damaged or not a PDF document");
        case PdfPlan::PasswordProtected:
            return QStringLiteral("is protected by a password; not read");
        case PdfPlan::NoPages:
            return QStringLiteral("has no pages");
        case PdfPlan::PageOutOfRange:
            return QStringLiteral("has no page %1 (pages: %2)").arg(page).arg(pdf.pageCount());
        case PdfPlan::TooLarge: {
            const QSize size = PdfPlan::renderedSize(pdf.pageSize(page), dpi);
            return QStringLiteral("page %1 at %2 dpi is too large (%3 x %4 pixels); "
                                  "use a lower --dpi")
                .arg(page)
                .arg(dpi)
                .arg(size.width())
                .arg(size.height());
        }
        case PdfPlan::RenderFailed:
            return QStringLiteral("page %1 cannot be rendered").arg(page);
        }
        return QString();
    }

    // The plan of new as an image: a PDF page or an image file within the cap.
    // *metresPerPixel is set for a PDF with a drawing scale.
    QImage readPlan(const Invocation &call, double *metresPerPixel, Failure *failure)
    {
        *metresPerPixel = 0;
        const QString &path = call.plan;
        if (!isPdfName(path)) {
            QImageReader reader(path);
            const QSize size = reader.size();
            if (size.isValid() && !PdfPlan::fitsCap(size)) {
                *failure = { FileError,
                    QStringLiteral("the image is too large (%1 x %2 pixels); not read")
                        .arg(size.width())
                        .arg(size.height()) };
                return QImage();
            }
            const QImage image = reader.read();
            if (image.isNull() || image.width() == 0 || image.height() == 0)
                *failure = { FileError,
                    QStringLiteral("cannot be read as an image: %1").arg(reader.errorString()) };
            return image;
        }
        PdfPlan pdf;
        const int page = call.page > 0 ? call.page : 1;
        const int dpi = call.dpi > 0 ? call.dpi : 200;
        PdfPlan::Error error = pdf.open(path);
        QImage image;
        if (error == PdfPlan::NoError)
            image = pdf.render(page, dpi, &error);
        if (error != PdfPlan::NoError) {
            *failure = { error == PdfPlan::PageOutOfRange ? BadUsage : FileError,
                pdfProblem(pdf, error, page, dpi) };
            return QImage();
        }
        if (call.drawingScale > 0)
            *metresPerPixel
                = PdfPlan::metresPerPixel(call.drawingScale, pdf.pageSize(page), image.size());
        return image;
    }

    // new: a project holding only the plan, placed as the window places a first
    // plan image. With a drawing scale it is calibrated as the window calibrates
    // it: in metres, the scale mark along a round length at the bottom left.
} // namespace

int newProject(const Invocation &call, Output &output)
{
    const QString &out = call.files.at(0);
    if (call.plan.isEmpty())
        return usageError(output, QStringLiteral("new needs --plan PLAN"));
    if (!isPdfName(call.plan)) {
        if (!isImageName(call.plan)) {
            output.err += line(aboutFile(call.plan,
                QStringLiteral("unknown plan type: a .png, .jpg, .jpeg, .bmp or .pdf file")));
            return BadUsage;
        }
        if (call.page > 0 || call.dpi > 0 || call.drawingScale > 0)
            return usageError(output,
                QStringLiteral("--page, --dpi and --drawing-scale apply to a PDF plan only"));
    }
    if (isSameFile(call.plan, out)) {
        output.err += line(
            aboutFile(out, QStringLiteral("is the plan itself; write the project elsewhere")));
        return BadUsage;
    }
    if (!QFileInfo::exists(call.plan)) {
        output.err += line(aboutFile(call.plan, QStringLiteral("no such file")));
        return FileError;
    }

    double metresPerPixel = 0;
    Failure failure { Success, QString() };
    const QImage image = readPlan(call, &metresPerPixel, &failure);
    if (image.isNull()) {
        output.err += line(aboutFile(call.plan, failure.message));
        return failure.status;
    }
    ProjectDocument project;
    const double scale
        = metresPerPixel > 0 ? metresPerPixel : 100.0 / qMax(image.width(), image.height());
    project.planImage().setScale(scale);
    project.setPlanImage(
        QPixmap::fromImage(image), QPointF(image.width() / 2 * scale, image.height() / 2 * scale));
    if (metresPerPixel > 0) {
        const PdfPlan::ScaleMark mark = PdfPlan::scaleMark(image.size(), metresPerPixel);
        project.caliber().setMeasurement(project.planImage().mapToScene(mark.start),
            project.planImage().mapToScene(mark.end), 0);
    }
    QString why;
    if (!ProjectFile::saveProject(project.parts(), out, &why)) {
        output.err
            += line(aboutFile(out, why.isEmpty() ? QStringLiteral("cannot be written") : why));
        return FileError;
    }
    return Success;
}

} // namespace Cli
