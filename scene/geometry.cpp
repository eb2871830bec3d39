#include "geometry.h"

#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

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

QPolygonF simplifiedRing(const QPolygonF &ring, double tolerance)
{
    const int count = ring.size();
    if (count <= 3 || !(tolerance > 0))
        return ring;
    // Split at the first vertex and the one farthest from it, then Douglas and
    // Peucker's recursion on each half: a vertex stays when it lies farther
    // than tolerance from the chord between the vertices kept around it.
    int far = 0;
    double farthest = -1;
    for (int i = 1; i < count; ++i) {
        const QPointF d = ring.at(i) - ring.first();
        const double distance2 = QPointF::dotProduct(d, d);
        if (distance2 > farthest) {
            farthest = distance2;
            far = i;
        }
    }
    const double tolerance2 = tolerance * tolerance;
    std::vector<char> keep(count, 0);
    keep[0] = keep[far] = 1;
    // Index count stands for vertex 0 again, closing the ring.
    std::vector<std::pair<int, int>> spans = { { 0, far }, { far, count } };
    while (!spans.empty()) {
        const auto [from, to] = spans.back();
        spans.pop_back();
        const QLineF chord(ring.at(from), ring.at(to % count));
        int worst = -1;
        double worstDistance2 = tolerance2;
        for (int i = from + 1; i < to; ++i) {
            const QPointF d = ring.at(i) - projectToSegment(ring.at(i), chord, true);
            const double distance2 = QPointF::dotProduct(d, d);
            if (distance2 > worstDistance2) {
                worstDistance2 = distance2;
                worst = i;
            }
        }
        if (worst < 0)
            continue;
        keep[worst] = 1;
        spans.push_back({ from, worst });
        spans.push_back({ worst, to });
    }
    QPolygonF kept;
    kept.reserve(int(std::count(keep.begin(), keep.end(), 1)));
    for (int i = 0; i < count; ++i) {
        if (keep[i])
            kept.append(ring.at(i));
    }
    return kept;
}
