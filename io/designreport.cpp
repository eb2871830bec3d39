#include "io/designreport.h"

#include "detectors/sensorgraphicsitem2.h"
#include "io/coveragepage.h"
#include "io/coveragesettings.h"
#include "io/pdfexport.h"
#include "io/projectdocument.h"
#include "io/reportflow.h"
#include "plan/objectgraphicsitem.h"

#include <QDate>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace {

const int kResolution = 600;
// Wide on the left for binding.
const QMarginsF kMarginsMm(20, 10, 10, 10);
const QString kTitle = QStringLiteral("Отчёт о размещении извещателей пламени");

// A number with a decimal comma, never "-0".
QString decimal(double value, int decimals)
{
    if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals))
        value = 0;
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

// What every part of the report draws from.
struct ReportData
{
    ProjectDocument &document;
    Coverage coverage;
    QString projectName;
    QString date;
    bool metres;
    QString unit; // of lengths
};

QString areaFigure(const ReportData &data, double area)
{
    return data.metres ? coverageFigure(area) : QStringLiteral("—");
}

// The longest round length (1, 2 or 5 times a power of ten metres) at most
// maxLength long on the page.
double scaleBarLength(double pixelsPerMetre, double maxLength)
{
    double best = 0;
    for (int power = -3; power <= 6; ++power) {
        for (const double step : { 1.0, 2.0, 5.0 }) {
            const double metres = step * std::pow(10.0, power);
            if (metres * pixelsPerMetre <= maxLength)
                best = metres;
        }
    }
    return best;
}

// A bar of alternating black and white parts with "0" under its start and the
// length under its end.
void paintScaleBar(
    ReportFlow &flow, const QPointF &topLeft, double pixelsPerMetre, double maxLength)
{
    QPainter *painter = flow.painter();
    const double mm = flow.mm();
    const double metres = scaleBarLength(pixelsPerMetre, maxLength);
    if (metres <= 0)
        return;
    const double first = metres / std::pow(10.0, std::floor(std::log10(metres) + 1e-9));
    const int parts = std::lround(first) == 2 ? 4 : 5;
    const double length = metres * pixelsPerMetre;
    const double barHeight = 1.5 * mm;
    const QFont font = flow.font(2.5);
    const QFontMetricsF metrics(font, painter->device());

    painter->save();
    painter->setPen(QPen(Qt::black, 0.2 * mm));
    for (int i = 0; i < parts; ++i) {
        painter->setBrush(i % 2 == 0 ? Qt::black : Qt::white);
        painter->drawRect(
            QRectF(topLeft.x() + length * i / parts, topLeft.y(), length / parts, barHeight));
    }
    painter->setFont(font);
    const double textTop = topLeft.y() + barHeight + 0.5 * mm;
    const QString end
        = decimal(metres, metres < 1 ? (metres < 0.1 ? 2 : 1) : 0) + QStringLiteral(" м");
    painter->drawText(QPointF(topLeft.x() - metrics.horizontalAdvance(QStringLiteral("0")) / 2,
                          textTop + metrics.ascent()),
        QStringLiteral("0"));
    const double endWidth = metrics.horizontalAdvance(end);
    painter->drawText(
        QPointF(topLeft.x() + length - endWidth / 2, textTop + metrics.ascent()), end);
    painter->restore();
}

// Page 1: the title block, the plan with the coverage map and its legend,
// the scale bar.
void firstPage(ReportFlow &flow, const ReportData &data)
{
    flow.paragraph(kTitle, flow.font(5, true));
    flow.skip(2);
    ReportTable block;
    block.columns = { { QStringLiteral("Проект"), 1.4 }, { QStringLiteral("Дата"), 0.8 },
        { QStringLiteral("Программа"), 2.6 } };
    block.rows = { { data.projectName, data.date, designReportProgram() } };
    flow.table(block, flow.font(3));
    flow.skip(4);

    QPainter *painter = flow.painter();
    if (!painter)
        return;
    const double mm = flow.mm();
    const double barSpace = 10 * mm;
    QRectF area = flow.remaining();
    area.setBottom(area.bottom() - barSpace);
    QGraphicsScene &scene = data.document.scene();
    const bool map = data.coverage.valid;
    const QRectF legend = paintProjectPage(data.document, painter, area, map);
    const QRectF drawn = fitTopLeft(scene.sceneRect(), area);
    if (drawn.isEmpty())
        return;

    QPointF barAt(drawn.left(), drawn.bottom() + 3 * mm);
    const double maxLength = std::min(70 * mm, drawn.width() * 0.45);
    // Under the legend when the legend stands below the plan's left part.
    if (!legend.isEmpty() && legend.top() >= drawn.bottom() - 1
        && legend.left() < drawn.left() + maxLength + 10 * mm)
        barAt.setY(legend.bottom() + 3 * mm);
    if (data.metres) {
        paintScaleBar(flow, barAt, drawn.width() / scene.sceneRect().width(), maxLength);
    } else {
        painter->setFont(flow.font(2.5));
        painter->setPen(Qt::black);
        painter->drawText(QRectF(barAt, QSizeF(drawn.width(), 5 * mm)),
            Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Масштаб плана не задан"));
    }
}

QString resultText(double share, double target)
{
    return CoverageSettings::meets(share, target) ? QStringLiteral("выполнено")
                                                  : QStringLiteral("не выполнено");
}

void coverageSection(ReportFlow &flow, const ReportData &data)
{
    flow.paragraph(QStringLiteral("1. Покрытие"), flow.headingFont());
    flow.skip(2);
    const CoverageSettings &settings = data.document.coverageSettings();
    const Coverage &coverage = data.coverage;
    const QString target2
        = settings.min2 ? coverageFigure(*settings.min2) : QStringLiteral("не задана");
    if (!coverage.valid) {
        flow.paragraph(QStringLiteral("Покрытие не рассчитано: на плане не задан контур "
                                      "помещения. Цели проекта: ≥1 — %1 %, ≥2 — %2.")
                           .arg(coverageFigure(settings.min1), target2),
            flow.font(3));
        return;
    }
    const double once = coverage.share(coverage.onceArea + coverage.twiceArea);
    const double twice = coverage.share(coverage.twiceArea);
    ReportTable table;
    table.columns = { { QStringLiteral("Показатель"), 3.2 },
        { QStringLiteral("Площадь, м²"), 1.1, Qt::AlignHCenter },
        { QStringLiteral("Доля пола, %"), 1.1, Qt::AlignHCenter },
        { QStringLiteral("Цель, %"), 1.1, Qt::AlignHCenter },
        { QStringLiteral("Результат"), 1.4, Qt::AlignHCenter } };
    const QString none = QStringLiteral("—");
    table.rows = {
        { QStringLiteral("Площадь пола без препятствий"), areaFigure(data, coverage.floorArea),
            none, none, none },
        { QStringLiteral("Видит хотя бы один извещатель (≥1)"),
            areaFigure(data, coverage.onceArea + coverage.twiceArea), coverageFigure(once * 100),
            coverageFigure(settings.min1), resultText(once, settings.min1) },
        { QStringLiteral("Видят два и более извещателя (≥2)"), areaFigure(data, coverage.twiceArea),
            coverageFigure(twice * 100), target2,
            settings.min2 ? resultText(twice, *settings.min2) : none },
        { QStringLiteral("Не контролируется"), areaFigure(data, coverage.unseenArea),
            coverageFigure(coverage.share(coverage.unseenArea) * 100), none, none },
    };
    flow.table(table, flow.font(3));
    flow.skip(2);
    const bool met = CoverageSettings::meets(once, settings.min1)
        && (!settings.min2 || CoverageSettings::meets(twice, *settings.min2));
    QString summary = met ? QStringLiteral("Цели покрытия выполнены.")
                          : QStringLiteral("Цели покрытия не выполнены.");
    if (!data.metres)
        summary += QStringLiteral(" Масштаб плана не задан: площади в м² не вычислены, доли "
                                  "даны от площади пола.");
    flow.paragraph(summary, flow.font(3));
}

QString mounting(const SensorGraphicsItem2 *detector)
{
    const int surface = detector->surfaceIndex();
    QString where;
    if (surface == 0)
        where = QStringLiteral("стена %1").arg(detector->section() + 1);
    else if (surface > 0)
        where
            = QStringLiteral("препятствие %1, грань %2").arg(surface).arg(detector->section() + 1);
    else
        return QStringLiteral("не установлен");
    return where
        + QStringLiteral(", %1 м от %2 угла")
              .arg(decimal(detector->position(), 2),
                  detector->atRight() ? QStringLiteral("правого") : QStringLiteral("левого"));
}

void scheduleSection(ReportFlow &flow, const ReportData &data)
{
    const QList<SensorGraphicsItem2 *> &sensors = data.document.sensors();
    ReportTable table;
    table.caption = QStringLiteral("2. Спецификация извещателей");
    if (sensors.isEmpty()) {
        flow.paragraph(table.caption, flow.headingFont());
        flow.paragraph(QStringLiteral("Извещателей на плане нет."), flow.font(3));
        return;
    }
    const Qt::Alignment centre = Qt::AlignHCenter;
    // Widths in millimetres of an A4 page, shared out on other papers; the
    // narrow headers may break at their soft hyphens.
    table.columns = { { QStringLiteral("№"), 5, centre }, { QStringLiteral("Тэг"), 12 },
        { QStringLiteral("Тип"), 25 }, { QStringLiteral("Шифр заказа"), 27 },
        { QStringLiteral("Установка"), 22 }, { QStringLiteral("Высо\u00ADта, м"), 9.5, centre },
        { QStringLiteral("Пово\u00ADрот, °"), 9.5, centre },
        { QStringLiteral("Нак\u00ADлон, °"), 9.5, centre }, { QStringLiteral("Режим"), 22.5 },
        { QStringLiteral("Чувств., %; дальн., м"), 14, centre },
        { QStringLiteral("Зона, м²"), 11, centre },
        { QStringLiteral("Видит только он, м²"), 12.5, centre } };
    for (int i = 0; i < sensors.size(); ++i) {
        const SensorGraphicsItem2 *detector = sensors.at(i);
        const SensorRecord &record = detector->record();
        const bool figures = data.coverage.valid && i < data.coverage.detectors.size();
        const Coverage::Detector zone
            = figures ? data.coverage.detectors.at(i) : Coverage::Detector();
        table.rows << QStringList { QString::number(i + 1),
            record.tag().isEmpty() ? QStringLiteral("—") : record.tag(), record.typeName(),
            record.orderCode(), mounting(detector), decimal(record.height(), 1),
            QString::number(record.angle()), QString::number(record.tilt()), record.modeName(),
            QStringLiteral("%1; %2").arg(record.sensitivity()).arg(record.panelDistance()),
            figures ? areaFigure(data, zone.zoneArea) : QStringLiteral("—"),
            figures ? areaFigure(data, zone.onlyArea) : QStringLiteral("—") };
    }
    flow.table(table, flow.font(2.4, false, true));
}

QString obstacleKind(int kind)
{
    switch (kind) {
    case ObjectGraphicsItem::Ellipse:
        return QStringLiteral("эллипс");
    case ObjectGraphicsItem::Polygon:
        return QStringLiteral("многоугольник");
    default:
        return QStringLiteral("прямоугольник");
    }
}

void obstaclesSection(ReportFlow &flow, const ReportData &data)
{
    const QList<ObjectGraphicsItem *> &objects = data.document.objects();
    ReportTable table;
    table.caption = QStringLiteral("3. Препятствия");
    if (objects.isEmpty()) {
        flow.paragraph(table.caption, flow.headingFont());
        flow.paragraph(QStringLiteral("Препятствий на плане нет."), flow.font(3));
        return;
    }
    const Qt::Alignment centre = Qt::AlignHCenter;
    table.columns = { { QStringLiteral("№"), 0.5, centre }, { QStringLiteral("Вид"), 2 },
        { QStringLiteral("Центр X, %1").arg(data.unit), 1.2, centre },
        { QStringLiteral("Центр Y, %1").arg(data.unit), 1.2, centre },
        { QStringLiteral("Ширина, %1").arg(data.unit), 1.2, centre },
        { QStringLiteral("Длина, %1").arg(data.unit), 1.2, centre } };
    for (int i = 0; i < objects.size(); ++i) {
        const ObjectGraphicsItem *obstacle = objects.at(i);
        table.rows << QStringList { QString::number(i + 1), obstacleKind(obstacle->shapeKind()),
            decimal(obstacle->pos().x(), 2), decimal(obstacle->pos().y(), 2),
            decimal(obstacle->size().width(), 2), decimal(obstacle->size().height(), 2) };
    }
    flow.table(table, flow.font(2.8));
}

// The whole report; returns the number of pages.
int layOut(ReportFlow &flow, const ReportData &data)
{
    firstPage(flow, data);
    flow.newPage();
    coverageSection(flow, data);
    flow.skip(6);
    scheduleSection(flow, data);
    flow.skip(6);
    obstaclesSection(flow, data);
    return flow.page();
}

} // namespace

QString designReportProgram()
{
    return QStringLiteral(ZOR_PRODUCT_NAME ", версия " ZOR_PRODUCT_VERSION);
}

bool exportDesignReport(ProjectDocument &document, const QString &projectPath, const QString &path,
    const QPageSize &pageSize, QString *error)
{
    const bool metres = document.hasScale();
    const ReportData data { document, document.coverage(),
        projectPath.isEmpty() ? QStringLiteral("без имени") : QFileInfo(projectPath).fileName(),
        QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")), metres,
        metres ? QStringLiteral("м") : QStringLiteral("ед.") };

    const QString footer = data.projectName + QStringLiteral(" — ") + kTitle;
    const auto setUp = [&](QPdfWriter &writer) {
        writer.setResolution(kResolution);
        writer.setPageLayout(
            QPageLayout(pageSize, QPageLayout::Portrait, kMarginsMm, QPageLayout::Millimeter));
        writer.setTitle(kTitle + QStringLiteral(": ") + data.projectName);
        writer.setCreator(designReportProgram());
    };
    const auto paint = [&](QPdfWriter &writer, QPainter &painter) {
        const QRectF page(QPointF(0, 0), writer.pageLayout().paintRectPixels(kResolution).size());
        // A first pass counts the pages, for "Лист N из M".
        ReportFlow counting(&writer, nullptr, page, 0, footer);
        const int pages = layOut(counting, data);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        ReportFlow flow(&writer, &painter, page, pages, footer);
        layOut(flow, data);
    };
    return writePdfFile(path, setUp, paint, error);
}
