#include "io/coveragepage.h"

#include "detectors/coveragemapitem.h"
#include "io/coveragesettings.h"
#include "io/pdfexport.h"
#include "io/projectdocument.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QVector>

#include <algorithm>

QString coverageFigure(double value)
{
    QString text = QString::number(value, 'f', 1);
    if (text == QLatin1String("-0.0"))
        text = QStringLiteral("0.0");
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

CoverageMapOnPage::CoverageMapOnPage(ProjectDocument &document, bool shown, double zoneOpacity)
    : m_document(document)
    , m_wasShown(document.coverageMapShown())
    , m_wasZoneOpacity(document.mapZoneOpacity())
{
    document.showCoverageMap(shown, zoneOpacity);
    m_coverage = document.coverage();
}

CoverageMapOnPage::~CoverageMapOnPage()
{
    m_document.showCoverageMap(m_wasShown, m_wasZoneOpacity);
}

namespace {

struct LegendLine
{
    int swatch = -1; // a CoverageMapItem::Class, or none
    QString text;
    bool bold = false;
};

QString targetText(double share, double target)
{
    return QStringLiteral(" (цель %1 %) %2")
        .arg(coverageFigure(target),
            CoverageSettings::meets(share, target) ? QStringLiteral("✓") : QStringLiteral("✗"));
}

QVector<LegendLine> legendLines(
    const Coverage &coverage, const CoverageSettings &settings, bool squareMetres)
{
    auto classLine = [&](int which, const QString &name, double area) {
        const QString share = coverageFigure(coverage.share(area) * 100) + QStringLiteral(" %");
        return LegendLine { which,
            squareMetres ? QStringLiteral("%1: %2 м² (%3)").arg(name, coverageFigure(area), share)
                         : QStringLiteral("%1: %2").arg(name, share),
            false };
    };
    const double once = coverage.share(coverage.onceArea + coverage.twiceArea);
    const double twice = coverage.share(coverage.twiceArea);
    QVector<LegendLine> lines;
    lines << LegendLine { -1, QStringLiteral("Карта покрытия"), true };
    lines << classLine(
        CoverageMapItem::NotSeen, QStringLiteral("не видит ни один"), coverage.unseenArea);
    lines << classLine(CoverageMapItem::SeenOnce, QStringLiteral("один"), coverage.onceArea);
    lines << classLine(
        CoverageMapItem::SeenTwiceOrMore, QStringLiteral("два и более"), coverage.twiceArea);
    lines << LegendLine { -1,
        QStringLiteral("≥1: %1 %").arg(coverageFigure(once * 100))
            + targetText(once, settings.min1),
        false };
    lines << LegendLine { -1,
        QStringLiteral("≥2: %1 %").arg(coverageFigure(twice * 100))
            + (settings.min2 ? targetText(twice, *settings.min2) : QString()),
        false };
    if (squareMetres)
        lines << LegendLine { -1,
            QStringLiteral("Площадь пола: %1 м²").arg(coverageFigure(coverage.floorArea)), false };
    return lines;
}

} // namespace

QRectF paintCoverageLegend(QPainter *painter, const QRectF &printable, const QRectF &drawn,
    const Coverage &coverage, const CoverageSettings &settings, bool squareMetres)
{
    if (!coverage.valid || !painter->device())
        return QRectF();
    const double mm = painter->device()->logicalDpiY() / 25.4;
    const QVector<LegendLine> lines = legendLines(coverage, settings, squareMetres);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, int(3.0 * mm)));
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF metrics(font, painter->device());
    const QFontMetricsF boldMetrics(bold, painter->device());

    const double padding = 2 * mm;
    const double lineHeight = metrics.height() * 1.25;
    const double swatchWidth = 5 * mm;
    const double swatchGap = 1.5 * mm;
    double textWidth = 0;
    for (const LegendLine &line : lines) {
        const double width = (line.bold ? boldMetrics : metrics).horizontalAdvance(line.text);
        textWidth = std::max(textWidth, width + (line.swatch >= 0 ? swatchWidth + swatchGap : 0));
    }
    const QSizeF size(textWidth + 2 * padding, lines.size() * lineHeight + 2 * padding);

    const double gap = 3 * mm;
    QPointF topLeft;
    if (printable.bottom() - drawn.bottom() >= size.height() + gap)
        topLeft = QPointF(
            std::max(printable.left(), drawn.right() - size.width()), drawn.bottom() + gap);
    else if (printable.right() - drawn.right() >= size.width() + gap)
        topLeft = QPointF(
            drawn.right() + gap, std::max(printable.top(), drawn.bottom() - size.height()));
    else
        topLeft = QPointF(std::max(printable.left(), drawn.right() - size.width() - gap),
            std::max(printable.top(), drawn.bottom() - size.height() - gap));
    const QRectF box(topLeft, size);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    QPen frame(QColor(0x2C, 0x3E, 0x50), 0.3 * mm);
    painter->setPen(frame);
    painter->setBrush(Qt::white);
    painter->drawRect(box);

    double y = box.top() + padding;
    for (const LegendLine &line : lines) {
        double x = box.left() + padding;
        if (line.swatch >= 0) {
            const double swatchHeight = metrics.ascent() * 0.9;
            const QRectF swatch(x, y + (lineHeight - swatchHeight) / 2, swatchWidth, swatchHeight);
            CoverageMapItem::paintSwatch(painter, swatch, CoverageMapItem::Class(line.swatch));
            x += swatchWidth + swatchGap;
        }
        painter->setFont(line.bold ? bold : font);
        painter->setPen(Qt::black);
        painter->drawText(
            QRectF(x, y, box.right() - x, lineHeight), Qt::AlignLeft | Qt::AlignVCenter, line.text);
        y += lineHeight;
    }
    painter->restore();
    return box;
}

QRectF paintProjectPage(
    ProjectDocument &document, QPainter *painter, const QRectF &area, bool coverageMap)
{
    const CoverageMapOnPage page(document, coverageMap);
    renderSceneTopLeft(&document.scene(), painter, area);
    if (!coverageMap)
        return QRectF();
    return paintCoverageLegend(painter, area, fitTopLeft(document.scene().sceneRect(), area),
        page.coverage(), document.coverageSettings(), document.hasScale());
}

bool exportProjectPdf(ProjectDocument &document, QPrinter *printer, const QString &path,
    bool coverageMap, QString *error)
{
    const CoverageMapOnPage page(document, coverageMap);
    if (!coverageMap)
        return exportScenePdf(&document.scene(), printer, path, error);
    const Coverage &coverage = page.coverage();
    const CoverageSettings settings = document.coverageSettings();
    const bool squareMetres = document.hasScale();
    return exportScenePdf(&document.scene(), printer, path, error,
        [&](QPainter *painter, const QRectF &printable, const QRectF &drawn) {
            paintCoverageLegend(painter, printable, drawn, coverage, settings, squareMetres);
        });
}
