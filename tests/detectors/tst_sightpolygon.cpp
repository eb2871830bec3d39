// The sight polygon against the question it answers, point by point: a point
// is inside it exactly when no segment crosses its line from the eye.
#include "detectors/sightpolygon.h"

#include <QLineF>
#include <QtTest>

#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.141592653589793;

using Segments = std::vector<std::pair<QPointF, QPointF>>;

bool blocked(const QPointF &eye, const QPointF &p, const Segments &segments)
{
    for (const auto &s : segments) {
        QPointF at;
        if (QLineF(eye, p).intersects(QLineF(s.first, s.second), &at)
            == QLineF::BoundedIntersection)
            return true;
    }
    return false;
}

// Too close to a segment, to the polygon's boundary or to a sight line
// grazing a segment's end for the answer to be decided by rounding.
bool undecided(const QPointF &eye, const QPointF &p, const Segments &segments,
    const QPolygonF &polygon, double margin)
{
    for (const auto &s : segments) {
        if (distanceToSegment(p, s.first, s.second) < margin
            || distanceToSegment(s.first, eye, p) < margin
            || distanceToSegment(s.second, eye, p) < margin)
            return true;
    }
    for (int i = 0; i < polygon.size(); ++i) {
        if (distanceToSegment(p, polygon.at(i), polygon.at((i + 1) % polygon.size())) < margin)
            return true;
    }
    return false;
}

enum Layout
{
    Scattered, // random segments round the eye
    Boxes, // closed boxes, some overlapping, some crossing each other
    Close, // segments passing within millimetres of the eye
};

Segments randomSegments(Layout layout, std::mt19937 &random, const QPointF &eye)
{
    std::uniform_real_distribution<double> unit(0, 1);
    const auto between = [&](double low, double high) { return low + (high - low) * unit(random); };
    Segments segments;
    const int count = 3 + int(between(0, 40));
    for (int i = 0; i < count; ++i) {
        const QPointF centre = eye + QPointF(between(-20, 20), between(-20, 20));
        switch (layout) {
        case Scattered:
            segments.emplace_back(centre, centre + QPointF(between(-6, 6), between(-6, 6)));
            break;
        case Boxes: {
            const double w = between(0.2, 4), h = between(0.2, 4), turn = between(0, kPi);
            QPointF corners[4] = { { -w, -h }, { w, -h }, { w, h }, { -w, h } };
            for (QPointF &c : corners)
                c = centre
                    + QPointF(c.x() * std::cos(turn) - c.y() * std::sin(turn),
                        c.x() * std::sin(turn) + c.y() * std::cos(turn));
            for (int k = 0; k < 4; ++k)
                segments.emplace_back(corners[k], corners[(k + 1) % 4]);
            break;
        }
        case Close: {
            if (i >= 2) { // two of them close, the rest scattered
                segments.emplace_back(centre, centre + QPointF(between(-3, 3), between(-3, 3)));
                break;
            }
            const double a = between(-kPi, kPi);
            const QPointF near = eye + QPointF(std::cos(a), std::sin(a)) * between(0.0005, 0.005);
            const QPointF along(-std::sin(a), std::cos(a));
            segments.emplace_back(
                near - along * between(0.01, 0.5), near + along * between(0.01, 0.5));
            break;
        }
        }
    }
    return segments;
}

} // namespace

class TestSightPolygon : public QObject
{
    Q_OBJECT

private slots:
    void pointsInsideAreThoseInSight_data();
    void pointsInsideAreThoseInSight();
    void nothingInTheWay();
    void edgeOnAndBrokenSegmentsBlockNothing();
};

void TestSightPolygon::pointsInsideAreThoseInSight_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<int>("seed");
    const struct
    {
        const char *name;
        Layout layout;
    } layouts[] = { { "scattered", Scattered }, { "boxes", Boxes }, { "close", Close } };
    for (const auto &l : layouts) {
        for (bool whole : { true, false }) {
            for (int seed = 1; seed <= 4; ++seed)
                QTest::addRow("%s, %s %d", l.name, whole ? "whole turn" : "window", seed)
                    << int(l.layout) << whole << seed;
        }
    }
}

void TestSightPolygon::pointsInsideAreThoseInSight()
{
    QFETCH(int, layout);
    QFETCH(bool, whole);
    QFETCH(int, seed);
    std::mt19937 random(quint32(seed * 104729 + layout * 2 + whole));
    std::uniform_real_distribution<double> unit(0, 1);
    const QPointF eye(100 * unit(random) - 50, 100 * unit(random) - 50);
    const Segments segments = randomSegments(Layout(layout), random, eye);
    const double radius = 25;
    SightIndex::Interval window;
    window.everywhere = whole;
    if (!whole) {
        window.low = -kPi + 2 * kPi * unit(random);
        window.high = window.low + 0.2 + 5 * unit(random);
    }
    const QPolygonF polygon = sightPolygon(eye, segments, radius, window);
    QVERIFY(polygon.size() >= 3);
    int checked = 0, seen = 0;
    for (int i = 0; i < 4000; ++i) {
        const double a = window.everywhere ? 2 * kPi * unit(random)
                                           : window.low + (window.high - window.low) * unit(random);
        const QPointF p
            = eye + QPointF(std::cos(a), std::sin(a)) * radius * std::sqrt(unit(random));
        if (undecided(eye, p, segments, polygon, 1e-6))
            continue;
        const bool inSight = !blocked(eye, p, segments);
        QVERIFY2(polygon.containsPoint(p, Qt::OddEvenFill) == inSight,
            qPrintable(QStringLiteral("point %1 %2 (%3)")
                           .arg(p.x(), 0, 'g', 17)
                           .arg(p.y(), 0, 'g', 17)
                           .arg(inSight ? "in sight" : "hidden")));
        ++checked;
        seen += inSight;
    }
    QVERIFY(checked > 3000);
    // Two segments a few millimetres off the eye may hide a whole window.
    QVERIFY(seen > 0 || (layout == Close && !whole));
    // Nothing outside the window, nothing beyond the circle's polygon.
    for (const QPointF &p : polygon) {
        const QPointF d = p - eye;
        if (!whole && d != QPointF()) {
            double a = std::atan2(d.y(), d.x());
            while (a < window.low - 1e-9)
                a += 2 * kPi;
            QVERIFY2(a <= window.high + 1e-9, qPrintable(QString::number(a)));
        }
        QVERIFY(std::hypot(d.x(), d.y()) <= radius / std::cos(kPi / 8) + 1e-9
            || !blocked(eye, eye + d * 0.999999, segments));
    }
}

void TestSightPolygon::nothingInTheWay()
{
    // The circle of the radius lies inside, and the polygon not far beyond.
    SightIndex::Interval whole;
    whole.everywhere = true;
    const QPolygonF polygon = sightPolygon(QPointF(3, 4), {}, 10, whole);
    for (int i = 0; i < 360; ++i) {
        const double a = i * kPi / 180;
        const QPointF d(std::cos(a), std::sin(a));
        QVERIFY(polygon.containsPoint(QPointF(3, 4) + d * 9.999, Qt::OddEvenFill));
        QVERIFY(!polygon.containsPoint(QPointF(3, 4) + d * 10.83, Qt::OddEvenFill));
    }
    // A window: the eye is a corner, the other side is left out.
    SightIndex::Interval window;
    window.low = 0;
    window.high = kPi / 2;
    const QPolygonF quarter = sightPolygon(QPointF(), {}, 10, window);
    QCOMPARE(quarter.first(), QPointF());
    QVERIFY(quarter.containsPoint(QPointF(5, 5), Qt::OddEvenFill));
    QVERIFY(!quarter.containsPoint(QPointF(-5, 5), Qt::OddEvenFill));
    QVERIFY(!quarter.containsPoint(QPointF(5, -5), Qt::OddEvenFill));
}

void TestSightPolygon::edgeOnAndBrokenSegmentsBlockNothing()
{
    SightIndex::Interval whole;
    whole.everywhere = true;
    const Segments segments = { { QPointF(1, 0), QPointF(5, 0) }, // edge-on
        { QPointF(2, 2), QPointF(2, 2) }, // no length
        { QPointF(NAN, 1), QPointF(3, 3) }, { QPointF(-1, INFINITY), QPointF(-3, 3) } };
    const QPolygonF polygon = sightPolygon(QPointF(), segments, 10, whole);
    const QPolygonF free = sightPolygon(QPointF(), {}, 10, whole);
    QCOMPARE(polygon, free);
}

QTEST_APPLESS_MAIN(TestSightPolygon)
#include "tst_sightpolygon.moc"
