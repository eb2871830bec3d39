#include "geometry.h"

#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QScreen>

#include <cmath>
#include <limits>

QPointF projectToSegment(const QPointF &point, const QLineF &line, bool clamp)
{
    const QPointF p1 = line.p1();
    const QPointF d = line.p2() - p1;
    const double length2 = QPointF::dotProduct(d, d);
    if (length2 == 0)
        return p1;
    const double t = QPointF::dotProduct(point - p1, d) / length2;
    if (clamp) {
        if (t > 1)
            return line.p2();
        if (t <= 0)
            return p1;
    }
    return p1 + t * d;
}

int nearestPolygonPoint(const QPolygonF &polygon, const QPointF &point, QPointF &best)
{
    if (polygon.isEmpty())
        return -1;
    bool haveDistance = !(std::isinf(best.x()) && best.x() > 0);
    double distance
        = haveDistance ? QLineF(point, best).length() : std::numeric_limits<double>::infinity();
    int found = -1;
    const int count = polygon.size();
    for (int i = 0; i < count; ++i) {
        const QLineF edge(polygon.at(i), polygon.at((i + 1) % count));
        const QPointF c = projectToSegment(point, edge, true);
        const double d = QLineF(point, c).length();
        if (!haveDistance || d < distance) {
            haveDistance = true;
            distance = d;
            best = c;
            found = i;
        }
    }
    return found;
}

double twiceSignedArea(const QPolygonF &polygon)
{
    double twice = 0;
    const int count = polygon.size();
    for (int i = 0; i < count; ++i) {
        const QPointF &a = polygon.at(i);
        const QPointF &b = polygon.at((i + 1) % count);
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return twice;
}

int polygonOrientation(const QPolygonF &polygon)
{
    if (polygon.size() < 3)
        return 0;
    return twiceSignedArea(polygon) > 0 ? 1 : -1;
}

double screenPixelsPerMm()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return kDefaultPixelsPerMm;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return kDefaultPixelsPerMm;
    return screen->logicalDotsPerInchX() / 25.4;
}

static double deviceDpi(const QPainter *painter)
{
    const QPaintDevice *device = painter ? painter->device() : nullptr;
    if (!device)
        return 96.0;
    const double dpi = device->logicalDpiX();
    if (std::abs(dpi) < 1e-12)
        return 96.0;
    return dpi;
}

double painterPixelsPerMm(const QPainter *painter)
{
    return deviceDpi(painter) / 25.4;
}

double cosmeticPenWidth(const QPen &pen, const QPainter *painter)
{
    const double width = pen.widthF() / 25.4 * deviceDpi(painter);
    return width < 0.1 ? 0.1 : width;
}
