#include "scene/geometry.h"

#include <QPainter>
#include <QImage>
#include <QPen>
#include <QtTest>

#include <limits>

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
    const QPolygonF square({QPointF(0, 0), QPointF(10, 0), QPointF(10, 10), QPointF(0, 10)});
    QPointF best(std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity());
    QCOMPARE(nearestPolygonPoint(square, QPointF(9, 5), best), 1);
    QCOMPARE(best, QPointF(10, 5));

    // A second polygon farther away finds nothing and keeps the best point.
    const QPolygonF far({QPointF(20, 0), QPointF(30, 0), QPointF(30, 10)});
    QCOMPARE(nearestPolygonPoint(far, QPointF(9, 5), best), -1);
    QCOMPARE(best, QPointF(10, 5));

    // One that is strictly nearer wins; an equally near one does not.
    const QPolygonF nearer({QPointF(9.5, 0), QPointF(9.5, 10), QPointF(9.6, 10)});
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
    QCOMPARE(nearestPolygonPoint(QPolygonF(QVector<QPointF>{QPointF(2, 3)}), QPointF(5, 7), best), 0);
    QCOMPARE(best, QPointF(2, 3));
}

void TestGeometry::polygonOrientation()
{
    QCOMPARE(::polygonOrientation(QPolygonF(QVector<QPointF>{QPointF(0, 0), QPointF(1, 0)})), 0);
    // Zero area counts as -1.
    QCOMPARE(::polygonOrientation(QPolygonF({QPointF(0, 0), QPointF(1, 1), QPointF(2, 2)})), -1);
    // y points down: (0,0) → (10,0) → (10,10) is clockwise on screen, a positive sum.
    const QPolygonF clockwise({QPointF(0, 0), QPointF(10, 0), QPointF(10, 10), QPointF(0, 10)});
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

QTEST_MAIN(TestGeometry)
#include "tst_geometry.moc"
