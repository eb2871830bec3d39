#include "cli/projectinfo.h"

#include "cli/jsonwriter.h"
#include "detectors/sensorgraphicsitem2.h"
#include "io/projectdocument.h"
#include "io/projectfile.h"
#include "plan/objectgraphicsitem.h"
#include "scene/graphicspolygonitem2.h"

#include <QLineF>
#include <QStringList>

#include <cmath>

namespace {

QPolygonF outlinePolygon(const ProjectDocument &project)
{
    return project.plan().mapToScene(project.plan().polygon());
}

QPolygonF zonePolygon(const SensorGraphicsItem2 *detector)
{
    const GraphicsPolygonItem2 *zone = detector->zone();
    return zone ? zone->mapToScene(zone->polygon()) : QPolygonF();
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
    double twice = 0;
    const int count = polygon.size();
    for (int i = 0; i < count; ++i) {
        const QPointF &a = polygon.at(i);
        const QPointF &b = polygon.at((i + 1) % count);
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return std::fabs(twice) / 2;
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
    }
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

QByteArray projectInfoJson(const ProjectDocument &project)
{
    JsonWriter json;
    json.beginObject();

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

    json.key("detectors");
    json.beginArray();
    for (const SensorGraphicsItem2 *detector : project.sensors()) {
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
        json.key("zone");
        json.value(zonePolygon(detector));
        json.endObject();
    }
    json.endArray();

    json.endObject();
    return json.data();
}
