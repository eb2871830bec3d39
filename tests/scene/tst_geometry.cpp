#include "scene/allcores.h"
#include "scene/geometry.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

class TestGeometry : public QObject
{
    Q_OBJECT
private slots:
    void projectToSegment_data();
    void projectToSegment();
    void nearestPolygonPointChainsOverPolygons();
    void nearestPolygonPointEdgeCases();
    void polygonOrientation();
    void cosmeticPenWidthFollowsDeviceResolution();
    void simplifiedRing_data();
    void simplifiedRing();
    void allCoresRunEveryIndexOnce_data();
    void allCoresRunEveryIndexOnce();
};

void TestGeometry::projectToSegment_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<QLineF>("line");
    QTest::addColumn<bool>("clamp");
    QTest::addColumn<QPointF>("expected");

    const QLineF line(QPointF(0, 0), QPointF(10, 0));
    QTest::newRow("inside") << QPointF(3, 5) << line << true << QPointF(3, 0);
    QTest::newRow("before start clamped") << QPointF(-3, 5) << line << true << QPointF(0, 0);
    QTest::newRow("at start clamped") << QPointF(0, 5) << line << true << QPointF(0, 0);
    QTest::newRow("beyond end clamped") << QPointF(13, -1) << line << true << QPointF(10, 0);
    QTest::newRow("beyond end unclamped") << QPointF(13, -1) << line << false << QPointF(13, 0);
    QTest::newRow("before start unclamped") << QPointF(-3, 5) << line << false << QPointF(-3, 0);
    QTest::newRow("zero length") << QPointF(4, 4) << QLineF(QPointF(1, 2), QPointF(1, 2)) << false
                                 << QPointF(1, 2);
    QTest::newRow("diagonal") << QPointF(0, 2) << QLineF(QPointF(0, 0), QPointF(2, 2)) << true
                              << QPointF(1, 1);
}

void TestGeometry::projectToSegment()
{
    QFETCH(QPointF, point);
    QFETCH(QLineF, line);
    QFETCH(bool, clamp);
    QFETCH(QPointF, expected);
    QCOMPARE(::projectToSegment(point, line, clamp), expected);
}

void TestGeometry::nearestPolygonPointChainsOverPolygons()
{
    const QPolygonF square({ QPointF(0, 0), QPointF(10, 0), QPointF(10, 10), QPointF(0, 10) });
    QPointF best(std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity());
    QCOMPARE(nearestPolygonPoint(square, QPointF(9, 5), best), 1);
    QCOMPARE(best, QPointF(10, 5));

    // A second polygon farther away finds nothing and keeps the best point.
    const QPolygonF far({ QPointF(20, 0), QPointF(30, 0), QPointF(30, 10) });
    QCOMPARE(nearestPolygonPoint(far, QPointF(9, 5), best), -1);
    QCOMPARE(best, QPointF(10, 5));

    // One that is strictly nearer wins; an equally near one does not.
    const QPolygonF nearer({ QPointF(9.5, 0), QPointF(9.5, 10), QPointF(9.6, 10) });
    QCOMPARE(nearestPolygonPoint(nearer, QPointF(9, 5), best), 0);
    QCOMPARE(best, QPointF(9.5, 5));
    QCOMPARE(nearestPolygonPoint(nearer, QPointF(9, 5), best), -1);

    // Ties between edges of one polygon keep the earlier edge: the corner (10, 0) is
    // reached by edges 0 and 1 alike.
    QPointF corner(std::numeric_limits<double>::infinity(), 0);
    QCOMPARE(nearestPolygonPoint(square, QPointF(12, -2), corner), 0);
    QCOMPARE(corner, QPointF(10, 0));
}

void TestGeometry::nearestPolygonPointEdgeCases()
{
    QPointF best(std::numeric_limits<double>::infinity(), 7);
    QCOMPARE(nearestPolygonPoint(QPolygonF(), QPointF(1, 1), best), -1);
    QVERIFY(std::isinf(best.x()));
    QCOMPARE(best.y(), 7.0);

    // One vertex: the only edge runs from the vertex to itself.
    QCOMPARE(
        nearestPolygonPoint(QPolygonF(QVector<QPointF> { QPointF(2, 3) }), QPointF(5, 7), best), 0);
    QCOMPARE(best, QPointF(2, 3));
}

void TestGeometry::polygonOrientation()
{
    QCOMPARE(::polygonOrientation(QPolygonF(QVector<QPointF> { QPointF(0, 0), QPointF(1, 0) })), 0);
    // Zero area counts as -1.
    QCOMPARE(::polygonOrientation(QPolygonF({ QPointF(0, 0), QPointF(1, 1), QPointF(2, 2) })), -1);
    // y points down: (0,0) → (10,0) → (10,10) is clockwise on screen, a positive sum.
    const QPolygonF clockwise({ QPointF(0, 0), QPointF(10, 0), QPointF(10, 10), QPointF(0, 10) });
    QCOMPARE(::polygonOrientation(clockwise), 1);
    QPolygonF reversed;
    for (int i = clockwise.size() - 1; i >= 0; --i)
        reversed << clockwise.at(i);
    QCOMPARE(::polygonOrientation(reversed), -1);
}

void TestGeometry::cosmeticPenWidthFollowsDeviceResolution()
{
    QPen pen(Qt::black);
    pen.setCosmetic(true);
    pen.setWidthF(0.5); // millimetres

    QImage image(10, 10, QImage::Format_ARGB32);
    image.setDotsPerMeterX(qRound(300 / 0.0254));
    image.setDotsPerMeterY(qRound(300 / 0.0254));
    QPainter painter(&image);
    QVERIFY(qAbs(cosmeticPenWidth(pen, &painter) - 0.5 / 25.4 * 300) < 0.01);
    QVERIFY(qAbs(painterPixelsPerMm(&painter) - 300 / 25.4) < 0.01);

    // No device: 96 dpi.
    QCOMPARE(cosmeticPenWidth(pen, nullptr), 0.5 / 25.4 * 96);

    // Zero width draws 0.1 pixel wide.
    pen.setWidthF(0);
    QCOMPARE(cosmeticPenWidth(pen, &painter), 0.1);
}

void TestGeometry::simplifiedRing_data()
{
    QTest::addColumn<QPolygonF>("ring");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<int>("fewest");
    QTest::addColumn<int>("most");

    QPolygonF circle;
    for (int i = 0; i < 2000; ++i)
        circle << 100 * QPointF(std::cos(i * M_PI / 1000), std::sin(i * M_PI / 1000));
    // Four points on each side of a square, from a corner.
    const QPolygonF corners({ { 0, 0 }, { 4, 0 }, { 4, 4 }, { 0, 4 } });
    QPolygonF square;
    for (int c = 0; c < 4; ++c) {
        for (int k = 0; k < 4; ++k)
            square << corners.at(c) + (corners.at((c + 1) % 4) - corners.at(c)) * k / 4;
    }
    QPolygonF closedSquare = square;
    closedSquare << square.first();
    QPolygonF zigzag;
    for (int i = 0; i < 20; ++i)
        zigzag << QPointF(i, i % 2 ? 0.5 : 0);
    zigzag << QPointF(19, 10) << QPointF(0, 10);

    // An arc's sagitta r θ² / 8 within 0.05 over a radius of 100 allows a
    // step of about 3.6°, so about a hundred vertices stay.
    QTest::newRow("fine circle") << circle << 0.05 << 80 << 140;
    QTest::newRow("circle, no tolerance") << circle << 0.0 << 2000 << 2000;
    QTest::newRow("square with points on its sides") << square << 0.01 << 4 << 4;
    QTest::newRow("closed square") << closedSquare << 0.01 << 4 << 4;
    QTest::newRow("zigzag above the tolerance") << zigzag << 0.2 << 22 << 22;
    QTest::newRow("zigzag within the tolerance") << zigzag << 0.6 << 4 << 4;
    QTest::newRow("triangle") << QPolygonF({ { 0, 0 }, { 1, 0 }, { 0, 1 } }) << 10.0 << 3 << 3;
}

// What stays is a subset of the vertices in their order, starting with the
// first, and no vertex lies farther than the tolerance from the ring left.
void TestGeometry::simplifiedRing()
{
    QFETCH(QPolygonF, ring);
    QFETCH(double, tolerance);
    QFETCH(int, fewest);
    QFETCH(int, most);

    const QPolygonF kept = ::simplifiedRing(ring, tolerance);
    QVERIFY2(
        kept.size() >= fewest && kept.size() <= most, qPrintable(QString::number(kept.size())));
    QCOMPARE(kept.first(), ring.first());
    int next = 0;
    for (const QPointF &point : kept) {
        while (next < ring.size() && ring.at(next) != point)
            ++next;
        QVERIFY2(next < ring.size(), "a vertex that is not one of the ring's, or out of order");
        ++next;
    }
    for (const QPointF &point : ring) {
        double nearest = std::numeric_limits<double>::infinity();
        for (int i = 0; i < kept.size(); ++i) {
            const QLineF edge(kept.at(i), kept.at((i + 1) % kept.size()));
            nearest = qMin(nearest, QLineF(point, ::projectToSegment(point, edge, true)).length());
        }
        QVERIFY2(nearest <= tolerance + 1e-12, qPrintable(QString::number(nearest)));
    }
}

void TestGeometry::allCoresRunEveryIndexOnce_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("none") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("two") << 2;
    QTest::newRow("many") << 5000;
}

void TestGeometry::allCoresRunEveryIndexOnce()
{
    QFETCH(int, count);
    const std::thread::id here = std::this_thread::get_id();
    std::vector<std::atomic<int>> runs(size_t(count) + 1);
    std::atomic<int> done { 0 };
    std::atomic<bool> hereBeforeMeanwhile { false };
    int meanwhileRuns = 0;
    bool meanwhileHere = false;
    runOnAllCores(
        count,
        [&](int i) {
            ++runs[size_t(i)];
            ++done;
            if (std::this_thread::get_id() == here && meanwhileRuns == 0)
                hereBeforeMeanwhile = true;
        },
        [&] {
            ++meanwhileRuns;
            meanwhileHere = std::this_thread::get_id() == here;
        });
    // This thread's own step runs once, on it, before it takes an index, even
    // with nothing to share.
    QCOMPARE(meanwhileRuns, 1);
    QVERIFY(meanwhileHere);
    QVERIFY(!hereBeforeMeanwhile);
    for (int i = 0; i < count; ++i)
        QCOMPARE(runs[size_t(i)].load(), 1);
    QCOMPARE(runs[size_t(count)].load(), 0);
    QCOMPARE(done.load(), count);
}

QTEST_MAIN(TestGeometry)
#include "tst_geometry.moc"
