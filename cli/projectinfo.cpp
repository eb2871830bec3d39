#include "cli/projectinfo.h"

#include "cli/jsonwriter.h"
#include "detectors/sensorgraphicsitem2.h"
#include "io/coveragesettings.h"
#include "io/projectdocument.h"
#include "io/projectfile.h"
#include "plan/objectgraphicsitem.h"
#include "scene/geometry.h"

#include <QLineF>
#include <QStringList>

#include <cmath>
#include <optional>
#include <utility>

namespace {

QPolygonF outlinePolygon(const ProjectDocument &project)
{
    return project.plan().mapToScene(project.plan().polygon());
}

QVector<double> rangesOf(const SensorGraphicsItem2 *detector)
{
    const SensorRanges ranges = detector->record().ranges();
    return QVector<double>(ranges.begin(), ranges.end());
}

QString fixed(double value, int decimals)
{
    // A value that rounds to zero reads as 0, never as -0.
    if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals))
        value = 0;
    return QString::number(value, 'f', decimals);
}

QString point(const QPointF &p)
{
    return QStringLiteral("(%1, %2)").arg(fixed(p.x(), 3), fixed(p.y(), 3));
}

QString area(double value, const QString &unit)
{
    return fixed(value, 2) + QLatin1Char(' ') + unit + QStringLiteral("²");
}

// A share of the floor (0 … 1) in percent, as the window rounds it.
QString percent(double share)
{
    return fixed(share * 100, 1) + QStringLiteral(" %");
}

double seenShare(const Coverage &coverage)
{
    return coverage.share(coverage.onceArea + coverage.twiceArea);
}

QString coverageLine(const Coverage &coverage, const QString &unit)
{
    if (!coverage.valid)
        return QStringLiteral("Coverage: none, the plan has no outline");
    auto part = [&](const char *name, double value) {
        return QStringLiteral("%1 %2 (%3)")
            .arg(QString::fromUtf8(name), area(value, unit), percent(coverage.share(value)));
    };
    return QStringLiteral("Coverage: floor %1; %2, %3, %4, %5; ≥1 %6")
        .arg(area(coverage.floorArea, unit), part("not seen", coverage.unseenArea),
            part("one detector", coverage.onceArea), part("two or more", coverage.twiceArea),
            part("three or more", coverage.thriceArea), percent(seenShare(coverage)));
}

// "90.0 % (met)"; the mark only when there are figures to hold to it.
QString targetText(const Coverage &coverage, double share, double target)
{
    QString text = fixed(target, 1) + QStringLiteral(" %");
    if (coverage.valid)
        text += CoverageSettings::meets(share, target) ? QStringLiteral(" (met)")
                                                       : QStringLiteral(" (not met)");
    return text;
}

QString targetsLine(const Coverage &coverage, const CoverageSettings &settings)
{
    return QStringLiteral("Coverage targets: ≥1 %1, ≥2 %2")
        .arg(targetText(coverage, seenShare(coverage), settings.min1),
            settings.min2 ? targetText(coverage, coverage.share(coverage.twiceArea), *settings.min2)
                          : QStringLiteral("none"));
}

QString surfaceName(int index)
{
    if (index == 0)
        return QStringLiteral("outline");
    if (index > 0)
        return QStringLiteral("obstacle %1").arg(index);
    return QStringLiteral("no surface");
}

} // namespace

double polygonPerimeter(const QPolygonF &polygon)
{
    double length = 0;
    const int count = polygon.size();
    for (int i = 0; i < count; ++i)
        length += QLineF(polygon.at(i), polygon.at((i + 1) % count)).length();
    return length;
}

double polygonArea(const QPolygonF &polygon)
{
    return std::fabs(twiceSignedArea(polygon)) / 2;
}

QByteArray projectInfoText(const ProjectDocument &project, const QString &path)
{
    const bool scaled = project.hasScale();
    // Lengths are metres once the scale is set, plain scene units before.
    const QString unit = scaled ? QStringLiteral("m") : QStringLiteral("units");
    QStringList lines;
    lines << QStringLiteral("Project: %1").arg(path);

    const QPixmap &image = project.planPixmap();
    if (image.isNull())
        lines << QStringLiteral("Plan image: none");
    else
        lines << QStringLiteral("Plan image: %1 x %2 px, %3 scene units per pixel")
                     .arg(image.width())
                     .arg(image.height())
                     .arg(QString::number(project.planImage().scale(), 'g', 6));

    if (scaled)
        lines << QStringLiteral("Scale: set, the scale mark measures %1 m")
                     .arg(QString::number(project.caliber().length(), 'g', 6));
    else
        lines << QStringLiteral("Scale: not set");

    const QPolygonF outline = outlinePolygon(project);
    if (outline.isEmpty())
        lines << QStringLiteral("Outline: none");
    else
        lines << QStringLiteral("Outline: %1 corners, perimeter %2 %3, area %4 %3²")
                     .arg(outline.size())
                     .arg(
                         fixed(polygonPerimeter(outline), 2), unit, fixed(polygonArea(outline), 2));

    const Coverage coverage = project.coverage();
    lines << coverageLine(coverage, unit);
    lines << targetsLine(coverage, project.coverageSettings());

    const QList<ObjectGraphicsItem *> &objects = project.objects();
    lines << QStringLiteral("Obstacles: %1").arg(objects.size());
    for (int i = 0; i < objects.size(); ++i) {
        const ObjectGraphicsItem *obstacle = objects.at(i);
        lines << QStringLiteral("  %1. %2, centre %3, %4 x %5 %6")
                     .arg(i + 1)
                     .arg(
                         QString::fromLatin1(ProjectFile::obstacleEntryName(obstacle->shapeKind())),
                         point(obstacle->pos()), fixed(obstacle->size().width(), 3),
                         fixed(obstacle->size().height(), 3), unit);
    }

    const QList<SensorGraphicsItem2 *> &sensors = project.sensors();
    lines << QStringLiteral("Detectors: %1").arg(sensors.size());
    for (int i = 0; i < sensors.size(); ++i) {
        const SensorGraphicsItem2 *detector = sensors.at(i);
        const QString tag = detector->tag().isEmpty()
            ? QStringLiteral("(no tag)")
            : QLatin1Char('"') + detector->tag() + QLatin1Char('"');
        lines << QStringLiteral("  %1. %2 %3").arg(i + 1).arg(tag, detector->record().orderCode());
        lines << QStringLiteral("     mode %1, sensitivity %2 %, height %3 m, turn %4°, tilt %5°")
                     .arg(detector->modeName())
                     .arg(detector->sensitivity())
                     .arg(fixed(detector->height(), 1))
                     .arg(detector->angle())
                     .arg(detector->tilt());
        lines << QStringLiteral("     on the %1, section %2, at %3")
                     .arg(surfaceName(detector->surfaceIndex()))
                     .arg(detector->section())
                     .arg(point(detector->scenePos()));
        if (coverage.valid && i < coverage.detectors.size())
            lines << QStringLiteral("     zone %1 of floor, %2 seen by it alone")
                         .arg(area(coverage.detectors.at(i).zoneArea, unit),
                             area(coverage.detectors.at(i).onlyArea, unit));
    }
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

QByteArray projectInfoJson(const ProjectDocument &project)
{
    JsonWriter json;
    json.beginObject();
    json.key("formatVersion");
    json.value(kProjectInfoFormatVersion);

    json.key("image");
    json.beginObject();
    json.key("width");
    json.value(project.planPixmap().width());
    json.key("height");
    json.value(project.planPixmap().height());
    json.endObject();

    json.key("scale");
    json.value(project.planImage().scale());
    json.key("center");
    json.value(-project.planImage().pos());
    json.key("outline");
    json.value(outlinePolygon(project));

    json.key("obstacles");
    json.beginArray();
    for (const ObjectGraphicsItem *obstacle : project.objects()) {
        json.beginObject();
        json.key("kind");
        json.value(QString::fromLatin1(ProjectFile::obstacleEntryName(obstacle->shapeKind())));
        json.key("x");
        json.value(obstacle->pos().x());
        json.key("y");
        json.value(obstacle->pos().y());
        json.key("width");
        json.value(obstacle->size().width());
        json.key("height");
        json.value(obstacle->size().height());
        json.key("polygon");
        json.value(obstacle->scenePolygon());
        json.endObject();
    }
    json.endArray();

    // Each zone's pieces in the scene, as the coverage takes them.
    const QVector<QVector<QPolygonF>> zones = project.coverageInput().zones;
    json.key("detectors");
    json.beginArray();
    for (int i = 0; i < project.sensors().size(); ++i) {
        const SensorGraphicsItem2 *detector = project.sensors().at(i);
        json.beginObject();
        json.key("tag");
        json.value(detector->tag());
        json.key("surface");
        json.value(detector->surfaceIndex());
        json.key("section");
        json.value(detector->section());
        json.key("pos");
        json.value(detector->position());
        json.key("atRight");
        json.value(detector->atRight());
        json.key("sensor");
        json.value(int(detector->sensor()));
        json.key("analysis");
        json.value(detector->analysis());
        json.key("noiseImmunity");
        json.value(detector->noiseImmunity());
        json.key("sensitivity");
        json.value(int(detector->sensitivity()));
        json.key("height");
        json.value(detector->height());
        json.key("angle");
        json.value(detector->angle());
        json.key("tilt");
        json.value(detector->tilt());
        json.key("orderCode");
        json.value(detector->record().orderCode());
        json.key("modeName");
        json.value(detector->modeName());
        json.key("typeName");
        json.value(detector->typeName());
        json.key("position");
        json.value(detector->scenePos());
        json.key("rotation");
        json.value(detector->rotation());
        json.key("ranges");
        json.value(rangesOf(detector));
        json.key("opticalCentre");
        json.value(detector->opticalCentre());
        json.key("zone");
        json.value(zones.at(i));
        json.endObject();
    }
    json.endArray();

    const CoverageSettings &settings = project.coverageSettings();
    json.key("coverageSettings");
    json.beginObject();
    json.key("min1");
    json.value(settings.min1);
    json.key("min2");
    if (settings.min2)
        json.value(*settings.min2);
    else
        json.nullValue();
    json.key("showMap");
    json.value(settings.showMap);
    json.endObject();

    const Coverage coverage = project.coverage();
    json.key("coverage");
    if (!coverage.valid) {
        json.nullValue();
    } else {
        const double seen = coverage.onceArea + coverage.twiceArea;
        const std::pair<const char *, double> figures[] = { { "floor", coverage.floorArea },
            { "notSeen", coverage.unseenArea }, { "one", coverage.onceArea }, { "atLeast1", seen },
            { "atLeast2", coverage.twiceArea }, { "atLeast3", coverage.thriceArea } };
        const std::pair<const char *, double> shares[]
            = { { "notSeenPercent", coverage.unseenArea }, { "onePercent", coverage.onceArea },
                  { "atLeast1Percent", seen }, { "atLeast2Percent", coverage.twiceArea },
                  { "atLeast3Percent", coverage.thriceArea } };
        json.beginObject();
        for (const auto &figure : figures) {
            json.key(figure.first);
            json.value(figure.second);
        }
        for (const auto &share : shares) {
            json.key(share.first);
            json.value(coverage.share(share.second) * 100);
        }
        json.key("detectors");
        json.beginArray();
        for (const Coverage::Detector &detector : coverage.detectors) {
            json.beginObject();
            json.key("zoneArea");
            json.value(detector.zoneArea);
            json.key("onlyArea");
            json.value(detector.onlyArea);
            json.endObject();
        }
        json.endArray();
        json.endObject();
    }

    json.endObject();
    return json.data();
}

QByteArray coverageCheckLine(
    const ProjectDocument &project, const QString &path, const CoverageSettings &targets, bool *met)
{
    const Coverage coverage = project.coverage();
    if (!coverage.valid) {
        *met = false;
        return (path + QStringLiteral(": no outline, so no coverage: does NOT meet the targets\n"))
            .toUtf8();
    }
    const QString unit = project.hasScale() ? QStringLiteral("m") : QStringLiteral("units");
    auto against = [&](const char *name, double share, const std::optional<double> &target) {
        QString text = QString::fromUtf8(name) + QLatin1Char(' ') + percent(share);
        if (!target)
            return text + QStringLiteral(" (no target)");
        const bool reached = CoverageSettings::meets(share, *target);
        *met = *met && reached;
        return text
            + QStringLiteral(" (target %1 %, %2)")
                  .arg(fixed(*target, 1),
                      reached ? QStringLiteral("met") : QStringLiteral("NOT met"));
    };
    *met = true;
    const QString once = against("≥1", seenShare(coverage), targets.min1);
    const QString twice = against("≥2", coverage.share(coverage.twiceArea), targets.min2);
    return QStringLiteral("%1: %2, %3, not seen %4 of %5: %6\n")
        .arg(path, once, twice, area(coverage.unseenArea, unit), area(coverage.floorArea, unit),
            *met ? QStringLiteral("meets the targets")
                 : QStringLiteral("does NOT meet the targets"))
        .toUtf8();
}
