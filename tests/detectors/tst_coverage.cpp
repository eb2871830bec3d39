#include "detectors/clipframe.h"
#include "detectors/coverage.h"
#include "detectors/coveragecount.h"
#include "detectors/sensorzone.h"

#include <QtTest>

#include <cmath>
#include <random>

namespace {

QPolygonF rect(double left, double top, double right, double bottom)
{
    return QPolygonF(
        { QPointF(left, top), QPointF(right, top), QPointF(right, bottom), QPointF(left, bottom) });
}

bool inPieces(const QVector<QPolygonF> &pieces, const QPointF &p)
{
    bool inside = false;
    for (const QPolygonF &piece : pieces)
        inside ^= piece.containsPoint(p, Qt::OddEvenFill);
    return inside;
}

ZoneParameters irUv(double height, int tilt, int angle)
{
    ZoneParameters p;
    p.sensor = '4';
    p.height = height;
    p.tilt = tilt;
    p.angle = angle;
    return p;
}

// A detector's zone pieces in the scene, as the item shows them.
QVector<QPolygonF> sceneZone(const ZoneParameters &p, const QPointF &pivot, double rotation,
    const QVector<QPolygonF> &obstacles, const QPolygonF &outline)
{
    const SensorZone zone = computeSensorZone(p, pivot, rotation, obstacles, outline);
    QVector<QPolygonF> pieces;
    for (const QPolygonF &piece : zone.pieces)
        pieces.append(zoneTransform(pivot, rotation).map(piece));
    return pieces;
}

// The area of rings filled by the odd-even rule, holes turned against their
// outer rings as the clipping library gives them.
double ringsArea(const QVector<QPolygonF> &rings)
{
    double twice = 0;
    for (const QPolygonF &ring : rings) {
        for (int i = 0; i < ring.size(); ++i) {
            const QPointF &a = ring.at(i);
            const QPointF &b = ring.at((i + 1) % ring.size());
            twice += a.x() * b.y() - b.x() * a.y();
        }
    }
    return std::abs(twice) / 2;
}

QPolygonF ellipse(double left, double top, double width, double height)
{
    QPolygonF polygon;
    for (int i = 0; i < 48; ++i) {
        const double a = 2 * M_PI * i / 48;
        polygon.append(
            QPointF(left + width / 2 * (1 + std::cos(a)), top + height / 2 * (1 + std::sin(a))));
    }
    return polygon;
}

ClipperLib::Paths clip(ClipperLib::ClipType type, const ClipperLib::Paths &subject,
    ClipperLib::PolyFillType subjectFill, const ClipperLib::Paths &other,
    ClipperLib::PolyFillType otherFill)
{
    ClipperLib::Clipper clipper;
    clipper.AddPaths(subject, ClipperLib::ptSubject, true);
    clipper.AddPaths(other, ClipperLib::ptClip, true);
    ClipperLib::Paths out;
    clipper.Execute(type, out, subjectFill, otherFill);
    return out;
}

// The floor: inside the outline, outside every obstacle.
ClipperLib::Paths floorOf(
    const ClipFrame &frame, const QPolygonF &outline, const QVector<QPolygonF> &obstacles)
{
    using namespace ClipperLib;
    Paths holes;
    for (const QPolygonF &obstacle : obstacles)
        holes.push_back(ClipFrame::positive(frame.toPath(obstacle)));
    return clip(ctDifference, { frame.toPath(outline) }, pftEvenOdd, holes, pftNonZero);
}

// The figures straight from the clipping library, no outline simplified and
// the whole floor swept at once: the answer the fast count must stay near.
Coverage exactCoverage(const QPolygonF &outline, const QVector<QPolygonF> &obstacles,
    const QVector<QVector<QPolygonF>> &zones)
{
    using namespace ClipperLib;
    const QRectF box = outline.boundingRect();
    const ClipFrame frame(box.center(), std::max(box.width(), box.height()) / 2 + 1);
    const Paths floor = floorOf(frame, outline, obstacles);
    Coverage c;
    c.valid = true;
    c.floorArea = frame.area(floor);
    QVector<Paths> seen;
    Paths all;
    for (const QVector<QPolygonF> &zone : zones) {
        Paths pieces;
        for (const QPolygonF &piece : zone)
            pieces.push_back(frame.toPath(piece));
        seen.append(clip(ctIntersection, pieces, pftEvenOdd, floor, pftNonZero));
        all.insert(all.end(), seen.last().begin(), seen.last().end());
        c.detectors.append({ frame.area(seen.last()), 0 });
    }
    Paths atLeast[3];
    for (int k = 0; k < 3; ++k) {
        Paths rings = all;
        for (int r = 0; r < k; ++r)
            rings.push_back(frame.reversedBox());
        atLeast[k] = clip(ctUnion, rings, pftPositive, {}, pftPositive);
    }
    c.unseenArea = c.floorArea - frame.area(atLeast[0]);
    c.onceArea = frame.area(atLeast[0]) - frame.area(atLeast[1]);
    c.twiceArea = frame.area(atLeast[1]);
    c.thriceArea = frame.area(atLeast[2]);
    const Paths once = clip(ctDifference, atLeast[0], pftNonZero, atLeast[1], pftNonZero);
    for (int i = 0; i < seen.size(); ++i)
        c.detectors[i].onlyArea
            = frame.area(clip(ctIntersection, seen.at(i), pftNonZero, once, pftNonZero));
    return c;
}

void checkSums(const Coverage &c)
{
    const double tolerance = 1e-6 * (1 + c.floorArea);
    QVERIFY(std::abs(c.unseenArea + c.onceArea + c.twiceArea - c.floorArea) < tolerance);
    QVERIFY(c.thriceArea <= c.twiceArea + tolerance);
    // What each detector alone sees, with what two or more see, is all that is seen.
    double only = 0;
    for (const Coverage::Detector &d : c.detectors)
        only += d.onlyArea;
    QVERIFY2(std::abs(only + c.twiceArea - (c.onceArea + c.twiceArea)) < tolerance,
        qPrintable(QStringLiteral("%1 + %2 vs %3").arg(only).arg(c.twiceArea).arg(c.onceArea)));
}

} // namespace

class TestCoverage : public QObject
{
    Q_OBJECT
private slots:
    void noOutlineNoFigures();
    void handComputed_data();
    void handComputed();
    void fullyShadowedDetector();
    void realZonesAgainstAGrid();
    void stripsAgreeWithOneSweep_data();
    void stripsAgreeWithOneSweep();
    void busyPlanNearTheExactAnswer_data();
    void busyPlanNearTheExactAnswer();
    void frameRoundsHalvesAwayFromZero();
    void countOfPostsSeenFromEveryWall_data();
    void countOfPostsSeenFromEveryWall();
    void splitGivesBothCuts();
    void viewpointsChangeNoFigure_data();
    void viewpointsChangeNoFigure();
};

void TestCoverage::noOutlineNoFigures()
{
    const QVector<QVector<QPolygonF>> zones { { rect(0, 0, 5, 5) } };
    QVERIFY(!computeCoverage(QPolygonF(), {}, zones).valid);
    QVERIFY(
        !computeCoverage(QPolygonF(QVector<QPointF> { QPointF(0, 0), QPointF(5, 5) }), {}, zones)
             .valid);
}

void TestCoverage::handComputed_data()
{
    QTest::addColumn<QVector<QPolygonF>>("obstacles");
    QTest::addColumn<QVector<QVector<QPolygonF>>>("zones");
    QTest::addColumn<double>("floor");
    QTest::addColumn<double>("unseen");
    QTest::addColumn<double>("once");
    QTest::addColumn<double>("twice");
    QTest::addColumn<double>("thrice");
    QTest::addColumn<QVector<double>>("zoneAreas");
    QTest::addColumn<QVector<double>>("onlyAreas");
    // All in a 20 × 10 m room.
    QTest::newRow("no detectors") << QVector<QPolygonF> { rect(9, 4, 11, 6) }
                                  << QVector<QVector<QPolygonF>>() << 196.0 << 196.0 << 0.0 << 0.0
                                  << 0.0 << QVector<double>() << QVector<double>();
    // Two wedges from the middles of the end walls, each widening to the
    // opposite wall: they share a diamond of 20 × 5 / 2 = 50 m².
    const QPolygonF fromLeft({ QPointF(0, 5), QPointF(20, 0), QPointF(20, 10) });
    const QPolygonF fromRight({ QPointF(20, 5), QPointF(0, 0), QPointF(0, 10) });
    QTest::newRow("facing each other")
        << QVector<QPolygonF>() << QVector<QVector<QPolygonF>> { { fromLeft }, { fromRight } }
        << 200.0 << 50.0 << 100.0 << 50.0 << 0.0 << QVector<double> { 100, 100 }
        << QVector<double> { 50, 50 };
    // The same with a 2 × 2 m column on the diamond's centre, the wedges not
    // yet cut by it: the column's floor is no floor.
    QTest::newRow("facing each other, column")
        << QVector<QPolygonF> { rect(9, 4, 11, 6) }
        << QVector<QVector<QPolygonF>> { { fromLeft }, { fromRight } } << 196.0 << 50.0 << 100.0
        << 46.0 << 0.0 << QVector<double> { 96, 96 } << QVector<double> { 50, 50 };
    // Three overlapping strips, one reaching out of the room, one in two
    // pieces with a hole in the first.
    QTest::newRow("three strips") << QVector<QPolygonF>()
                                  << QVector<QVector<QPolygonF>> { { rect(0, 0, 12, 10) },
                                         { rect(8, 0, 25, 10) },
                                         { rect(9, 0, 11, 10), rect(10, 2, 11, 4),
                                             rect(15, 0, 16, 10) } }
                                  << 200.0 << 0.0 << 150.0 << 50.0 << 18.0
                                  << QVector<double> { 120, 120, 28 }
                                  << QVector<double> { 80, 70, 0 };
    // Eighteen 3 m wide strips a metre apart, enough outline vertices that the
    // count halves the room into boxes, and a column where three overlap.
    QVector<QVector<QPolygonF>> strips;
    QVector<double> stripAreas;
    QVector<double> stripOnly;
    for (int i = 0; i < 18; ++i) {
        strips.append({ rect(i, 0, i + 3, 10) });
        const double underColumn = std::max(0, std::min(i + 3, 11) - std::max(i, 9)) * 2.0;
        stripAreas.append(30 - underColumn);
        stripOnly.append(i == 0 || i == 17 ? 10 : 0);
    }
    QTest::newRow("eighteen strips, column")
        << QVector<QPolygonF> { rect(9, 4, 11, 6) } << strips << 196.0 << 0.0 << 20.0 << 176.0
        << 156.0 << stripAreas << stripOnly;
}

void TestCoverage::handComputed()
{
    QFETCH(QVector<QPolygonF>, obstacles);
    QFETCH(QVector<QVector<QPolygonF>>, zones);
    QFETCH(double, floor);
    QFETCH(double, unseen);
    QFETCH(double, once);
    QFETCH(double, twice);
    QFETCH(double, thrice);
    QFETCH(QVector<double>, zoneAreas);
    QFETCH(QVector<double>, onlyAreas);
    const Coverage c = computeCoverage(rect(0, 0, 20, 10), obstacles, zones);
    QVERIFY(c.valid);
    const double e = 1e-6;
    QVERIFY(std::abs(c.floorArea - floor) < e);
    QVERIFY(std::abs(c.unseenArea - unseen) < e);
    QVERIFY(std::abs(c.onceArea - once) < e);
    QVERIFY(std::abs(c.twiceArea - twice) < e);
    QVERIFY(std::abs(c.thriceArea - thrice) < e);
    QVERIFY(std::abs(c.share(c.unseenArea) - unseen / floor) < e);
    QCOMPARE(c.detectors.size(), zoneAreas.size());
    for (int i = 0; i < zoneAreas.size(); ++i) {
        QVERIFY2(std::abs(c.detectors.at(i).zoneArea - zoneAreas.at(i)) < e,
            qPrintable(QString::number(c.detectors.at(i).zoneArea)));
        QVERIFY2(std::abs(c.detectors.at(i).onlyArea - onlyAreas.at(i)) < e,
            qPrintable(QString::number(c.detectors.at(i).onlyArea)));
    }
    checkSums(c);
    QVERIFY(c.map.unseen.isEmpty() && c.map.once.isEmpty() && c.map.twiceOrMore.isEmpty());

    // The map paints the same areas in its three classes.
    const Coverage m = computeCoverage(rect(0, 0, 20, 10), obstacles, zones, true);
    QVERIFY2(std::abs(ringsArea(m.map.unseen) - unseen) < 1e-4,
        qPrintable(QString::number(ringsArea(m.map.unseen))));
    QVERIFY2(std::abs(ringsArea(m.map.once) - once) < 1e-4,
        qPrintable(QString::number(ringsArea(m.map.once))));
    QVERIFY2(std::abs(ringsArea(m.map.twiceOrMore) - twice) < 1e-4,
        qPrintable(QString::number(ringsArea(m.map.twiceOrMore))));
}

void TestCoverage::fullyShadowedDetector()
{
    const QPolygonF room = rect(-30, -50, 30, 0);
    // A screen across the room just before the floor the first detector sees.
    const QVector<QPolygonF> obstacles { rect(-30, -0.5, 30, -0.45) };
    const QVector<QPolygonF> blind
        = sceneZone(irUv(3, 0, 0), QPointF(0, -0.07), 0, obstacles, room);
    QVERIFY(blind.isEmpty());
    // The second hangs on the far wall, facing the screen.
    const QVector<QPolygonF> seeing
        = sceneZone(irUv(3, 0, 0), QPointF(0, -49.93), 180, obstacles, room);
    QVERIFY(!seeing.isEmpty());
    const Coverage c = computeCoverage(room, obstacles, { blind, seeing });
    QVERIFY(c.valid);
    QCOMPARE(c.detectors.at(0).zoneArea, 0.0);
    QCOMPARE(c.detectors.at(0).onlyArea, 0.0);
    QVERIFY(c.detectors.at(1).zoneArea > 100);
    QVERIFY(std::abs(c.detectors.at(1).onlyArea - c.detectors.at(1).zoneArea) < 1e-9);
    QCOMPARE(c.twiceArea, 0.0);
    checkSums(c);
}

// Zones of real detectors in a room with columns, against counts on a grid of
// points: the figures agree to well within 0.1 % of the floor.
void TestCoverage::realZonesAgainstAGrid()
{
    const QPolygonF room({ QPointF(0, 0), QPointF(40, 0), QPointF(40, 16), QPointF(24, 16),
        QPointF(24, 24), QPointF(0, 24) });
    const QVector<QPolygonF> columns { rect(10, 6, 10.6, 6.6), rect(20, 9, 21, 10),
        rect(30, 5, 30.5, 7), rect(8, 18, 12, 19) };
    struct Mount
    {
        QPointF pivot;
        double rotation;
        int angle, tilt;
        double height;
    };
    // On the walls, facing into the room (rotation turns the -y axis).
    const QVector<Mount> mounts { { QPointF(6, 0.07), 180, 20, 10, 4 },
        { QPointF(39.93, 8), 90, -10, 0, 6 }, { QPointF(12, 23.93), 0, 0, 20, 3 },
        { QPointF(0.07, 10), 270, 30, 0, 5 }, { QPointF(24.07, 20), 90, 40, 0, 2 },
        { QPointF(18, 0.07), 180, 0, 0, 3 }, { QPointF(26, 0.07), 180, -20, 10, 3 } };
    QVector<QVector<QPolygonF>> zones;
    for (const Mount &m : mounts)
        zones.append(
            sceneZone(irUv(m.height, m.tilt, m.angle), m.pivot, m.rotation, columns, room));
    const Coverage c = computeCoverage(room, columns, zones);
    QVERIFY(c.valid);
    QVERIFY(std::abs(c.floorArea - (40 * 16 + 24 * 8 - 0.36 - 1 - 1 - 4)) < 1e-6);

    const double step = 0.05;
    double counted[4] = {};
    QVector<double> zoneCounted(zones.size());
    QVector<double> onlyCounted(zones.size());
    for (double y = step / 2; y < 24; y += step) {
        for (double x = step / 2; x < 40; x += step) {
            const QPointF p(x, y);
            if (!room.containsPoint(p, Qt::OddEvenFill))
                continue;
            bool floor = true;
            for (const QPolygonF &column : columns)
                floor = floor && !column.containsPoint(p, Qt::OddEvenFill);
            if (!floor)
                continue;
            int count = 0;
            int last = -1;
            for (int i = 0; i < zones.size(); ++i) {
                if (inPieces(zones.at(i), p)) {
                    ++count;
                    last = i;
                    zoneCounted[i] += step * step;
                }
            }
            counted[std::min(count, 3)] += step * step;
            if (count == 1)
                onlyCounted[last] += step * step;
        }
    }
    const double tolerance = 0.001 * c.floorArea;
    QVERIFY2(std::abs(counted[0] - c.unseenArea) < tolerance,
        qPrintable(QStringLiteral("%1 vs %2").arg(counted[0]).arg(c.unseenArea)));
    QVERIFY(std::abs(counted[1] - c.onceArea) < tolerance);
    QVERIFY(std::abs(counted[2] + counted[3] - c.twiceArea) < tolerance);
    QVERIFY(std::abs(counted[3] - c.thriceArea) < tolerance);
    for (int i = 0; i < zones.size(); ++i) {
        QVERIFY(std::abs(zoneCounted.at(i) - c.detectors.at(i).zoneArea) < tolerance);
        QVERIFY(std::abs(onlyCounted.at(i) - c.detectors.at(i).onlyArea) < tolerance);
    }
    // Every class is present, so that the comparison means something.
    QVERIFY2(c.unseenArea > 10 && c.onceArea > 10 && c.thriceArea > 1,
        qPrintable(QStringLiteral("%1 %2 %3 %4")
                       .arg(c.unseenArea)
                       .arg(c.onceArea)
                       .arg(c.twiceArea)
                       .arg(c.thriceArea)));
    checkSums(c);
}

void TestCoverage::stripsAgreeWithOneSweep_data()
{
    QTest::addColumn<int>("detectors");
    QTest::addColumn<double>("length");
    // Enough zone vertices that the counts run in several strips, and zones
    // that reach across the strips' borders.
    QTest::newRow("12 detectors in a 60 m hall") << 12 << 60.0;
    QTest::newRow("30 detectors in a 60 m hall") << 30 << 60.0;
    QTest::newRow("40 detectors in a 150 m hall") << 40 << 150.0;
}

// The figures counted in strips (without the map) against one sweep over the
// whole floor (with the map): the same but for rounding on the grid.
void TestCoverage::stripsAgreeWithOneSweep()
{
    QFETCH(int, detectors);
    QFETCH(double, length);
    const QPolygonF hall = rect(0, 0, length, 40);
    QVector<QPolygonF> columns;
    for (double x = 7; x < length; x += 13)
        columns.append(rect(x, 17, x + 1, 18.5));
    QVector<QVector<QPolygonF>> zones;
    for (int i = 0; i < detectors; ++i) {
        // Along both long walls in turn, facing into the hall.
        const bool near = i % 2 == 0;
        const double x = length * (i / 2 + 0.5) / ((detectors + 1) / 2);
        zones.append(sceneZone(irUv(3 + i % 4, i % 3 * 10, (i % 5) * 15 - 30),
            QPointF(x, near ? 0.07 : 39.93), near ? 180 : 0, columns, hall));
    }
    const Coverage strips = computeCoverage(hall, columns, zones);
    const Coverage whole = computeCoverage(hall, columns, zones, true);
    QVERIFY(strips.valid && whole.valid);
    const double tolerance = 1e-6 * strips.floorArea;
    QCOMPARE(strips.floorArea, whole.floorArea);
    QVERIFY(std::abs(strips.unseenArea - whole.unseenArea) < tolerance);
    QVERIFY(std::abs(strips.onceArea - whole.onceArea) < tolerance);
    QVERIFY(std::abs(strips.twiceArea - whole.twiceArea) < tolerance);
    QVERIFY(std::abs(strips.thriceArea - whole.thriceArea) < tolerance);
    for (int i = 0; i < detectors; ++i) {
        QCOMPARE(strips.detectors.at(i).zoneArea, whole.detectors.at(i).zoneArea);
        QVERIFY(
            std::abs(strips.detectors.at(i).onlyArea - whole.detectors.at(i).onlyArea) < tolerance);
    }
    // The map's classes hold the same floor.
    QVERIFY(std::abs(ringsArea(whole.map.twiceOrMore) - whole.twiceArea) < tolerance);
    QVERIFY(std::abs(ringsArea(whole.map.once) - whole.onceArea) < tolerance);
    QVERIFY2(strips.onceArea > 1 && strips.thriceArea > 1 && strips.unseenArea > 1,
        qPrintable(QStringLiteral("%1 %2 %3")
                       .arg(strips.unseenArea)
                       .arg(strips.onceArea)
                       .arg(strips.thriceArea)));
    checkSums(strips);
    checkSums(whole);
}

void TestCoverage::busyPlanNearTheExactAnswer_data()
{
    QTest::addColumn<int>("detectors");
    QTest::addColumn<int>("obstacles");
    QTest::newRow("30 detectors, 20 obstacles") << 30 << 20;
    QTest::newRow("12 detectors, 20 obstacles") << 12 << 20;
    QTest::newRow("40 detectors, 8 obstacles") << 40 << 8;
}

// A 60 m × 40 m room with rows of columns, rectangles and ellipses in turn,
// detectors on the columns' sides and along the walls: every figure, counted
// fast with simplified zone outlines, stays within 0.08 % of the floor (and a
// step's rounding) of the figures straight from the clipping library.
void TestCoverage::busyPlanNearTheExactAnswer()
{
    QFETCH(int, detectors);
    QFETCH(int, obstacles);
    const QPolygonF room = rect(0, 0, 60, 40);
    QVector<QPolygonF> columns;
    QVector<QRectF> boxes;
    for (int i = 0; i < obstacles; ++i) {
        const int row = i / 5;
        const int column = i % 5;
        const QRectF box(8.5 + column * 10, 7 + row * 8, 3, 2);
        boxes.append(box);
        columns.append((row + column) % 2 == 0
                ? rect(box.left(), box.top(), box.right(), box.bottom())
                : ellipse(box.left(), box.top(), 3, 2));
    }
    // Facing away from a column's side or into the room from a wall: up,
    // right, down, left; rotation 0 faces up.
    const double rotations[4] = { 0, 270, 180, 90 };
    QVector<QVector<QPolygonF>> zones;
    for (int i = 0; i < detectors; ++i) {
        const int side = i % 4;
        QPointF pivot;
        if (i < std::min(obstacles, 2 * detectors / 3)) {
            const QRectF &b = boxes.at(i);
            const QPointF sides[4] = { QPointF(b.center().x(), b.top() - 0.07),
                QPointF(b.right() + 0.07, b.center().y()),
                QPointF(b.center().x(), b.bottom() + 0.07),
                QPointF(b.left() - 0.07, b.center().y()) };
            pivot = sides[side];
        } else {
            const double along = 0.1 + 0.8 * ((i * 7) % 11) / 10.0;
            const QPointF walls[4] = { QPointF(60 * along, 39.93), QPointF(0.07, 40 * along),
                QPointF(60 * along, 0.07), QPointF(59.93, 40 * along) };
            pivot = walls[side];
        }
        zones.append(sceneZone(
            irUv(3 + i % 4, i % 3 * 10, (i % 7) * 10 - 30), pivot, rotations[side], columns, room));
    }
    const Coverage fast = computeCoverage(room, columns, zones);
    const Coverage exact = exactCoverage(room, columns, zones);
    QVERIFY(fast.valid);
    QVERIFY(std::abs(fast.floorArea - exact.floorArea) < 1e-6);
    const double bound = 0.0008 * exact.floorArea + 1e-3;
    const auto near = [bound](const char *what, double got, double want) {
        if (std::abs(got - want) <= bound)
            return true;
        qWarning("%s: %.4f against %.4f, off by more than %.4f", what, got, want, bound);
        return false;
    };
    QVERIFY(near("unseen", fast.unseenArea, exact.unseenArea));
    QVERIFY(near("once", fast.onceArea, exact.onceArea));
    QVERIFY(near("twice", fast.twiceArea, exact.twiceArea));
    QVERIFY(near("thrice", fast.thriceArea, exact.thriceArea));
    QCOMPARE(fast.detectors.size(), exact.detectors.size());
    for (int i = 0; i < detectors; ++i) {
        QVERIFY(near("zone", fast.detectors.at(i).zoneArea, exact.detectors.at(i).zoneArea));
        QVERIFY(near("only", fast.detectors.at(i).onlyArea, exact.detectors.at(i).onlyArea));
    }
    // Every class is present, so that the comparison means something.
    QVERIFY2(exact.unseenArea > 1 && exact.onceArea > 1 && exact.thriceArea > 1,
        qPrintable(QStringLiteral("%1 %2 %3")
                       .arg(exact.unseenArea)
                       .arg(exact.onceArea)
                       .arg(exact.thriceArea)));
    checkSums(fast);
    checkSums(exact);
}

// Points go to the grid as std::llround takes them: halves away from zero.
void TestCoverage::frameRoundsHalvesAwayFromZero()
{
    // A half-size whose scale is 2^19 steps a unit, so that k / 2^20 units
    // is exactly k halves of a step.
    const double halfSize = 1e9 / 524288;
    const ClipFrame frame(QPointF(0, 0), halfSize);
    QCOMPARE(frame.step(), 1.0 / 524288);
    for (int k = -9; k <= 9; ++k) {
        const double x = k / 1048576.0;
        const ClipperLib::Path path = frame.toPath(QPolygonF({ QPointF(x, -x) }));
        QCOMPARE(path.size(), size_t(1));
        QCOMPARE(path[0].X, ClipperLib::cInt(std::llround(k / 2.0)));
        QCOMPARE(path[0].Y, ClipperLib::cInt(std::llround(-k / 2.0)));
    }
    // And anywhere in the frame, near its edges too.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> anywhere(-halfSize, halfSize);
    for (int i = 0; i < 10000; ++i) {
        const QPointF p(anywhere(random), i % 2 ? halfSize * (1 - 1e-12 * i) : anywhere(random));
        const ClipperLib::Path path = frame.toPath(QPolygonF({ p }));
        QCOMPARE(path.size(), size_t(1));
        QCOMPARE(path[0].X, ClipperLib::cInt(std::llround(p.x() * 524288)));
        QCOMPARE(path[0].Y, ClipperLib::cInt(std::llround(p.y() * 524288)));
    }
}

void TestCoverage::countOfPostsSeenFromEveryWall_data()
{
    QTest::addColumn<int>("postsPerRow");
    QTest::addColumn<int>("detectors");
    QTest::newRow("6 × 6 posts, 24 detectors") << 6 << 24;
    QTest::newRow("12 × 12 posts, 120 detectors") << 12 << 120;
}

// A forest of 0.4 m posts 2 m apart, detectors all round the walls: every
// zone's outline runs round the posts and out along the shadows behind them,
// so near each post the outlines of nearly all zones cross. The count, given
// the very rings the library sweeps at once, finds the same areas but for
// its sliver allowance and the rounding of its cuts.
void TestCoverage::countOfPostsSeenFromEveryWall()
{
    QFETCH(int, postsPerRow);
    QFETCH(int, detectors);
    using namespace ClipperLib;
    const double side = 2.0 * postsPerRow + 2;
    const QPolygonF room = rect(0, 0, side, side);
    QVector<QPolygonF> posts;
    for (int i = 0; i < postsPerRow * postsPerRow; ++i) {
        const double x = 2 + 2 * (i % postsPerRow), y = 2 + 2 * (i / postsPerRow);
        posts.append(rect(x - 0.2, y - 0.2, x + 0.2, y + 0.2));
    }
    const ClipFrame frame(QPointF(side / 2, side / 2), side / 2 + 1);
    const Paths floor = floorOf(frame, room, posts);
    // Facing into the room from each wall in turn: bottom, left, top, right.
    const double rotations[4] = { 0, 90, 180, 270 };
    std::vector<Paths> seen;
    Paths all;
    for (int i = 0; i < detectors; ++i) {
        const int wall = i % 4;
        const double along = side * (i / 4 + 0.5) / ((detectors + 3) / 4);
        const QPointF pivots[4] = { QPointF(along, side - 0.07), QPointF(0.07, along),
            QPointF(along, 0.07), QPointF(side - 0.07, along) };
        Paths pieces;
        for (const QPolygonF &piece : sceneZone(
                 irUv(3 + i % 3, 0, (i % 5) * 10 - 20), pivots[wall], rotations[wall], posts, room))
            pieces.push_back(frame.toPath(piece));
        seen.push_back(clip(ctIntersection, pieces, pftNonZero, floor, pftNonZero));
        all.insert(all.end(), seen.back().begin(), seen.back().end());
    }
    const double floorArea = frame.area(floor);
    const double allowance = 5e-7 * floorArea / (frame.step() * frame.step());
    const CoverageCount count(seen, floor, allowance);
    double perimeters = 0;
    for (const Path &ring : all)
        perimeters += ClipFrame::perimeter(frame.toPolygon(ring));
    // Each cut rounds a crossing by at most a step; at most every outline is
    // cut along its whole length a few times over.
    const double bound = 5e-7 * floorArea + 8 * frame.step() * perimeters;
    for (int k = 1; k <= 3; ++k) {
        Paths rings = all;
        for (int r = 1; r < k; ++r)
            rings.push_back(frame.reversedBox());
        const double want = frame.area(clip(ctUnion, rings, pftPositive, {}, pftPositive));
        const double got = count.atLeast(k) * frame.step() * frame.step();
        QVERIFY2(std::abs(got - want) <= bound,
            qPrintable(QStringLiteral("seen at least %1 times: %2 against %3, bound %4")
                           .arg(k)
                           .arg(got, 0, 'f', 6)
                           .arg(want, 0, 'f', 6)
                           .arg(bound, 0, 'f', 6)));
    }
    // Some of the floor is seen fewer than three times, so that all three
    // comparisons mean something.
    QVERIFY(count.atLeast(3) * frame.step() * frame.step() < floorArea - 1e-3);
}

void TestCoverage::viewpointsChangeNoFigure_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("viewpoints");
    for (const char *layout : { "forest", "columns", "column in a hall" }) {
        for (const char *viewpoints :
            { "eyes", "pivots", "far away", "anywhere", "in obstacles", "on zone corners" })
            QTest::newRow(QByteArray(layout) + ", " + viewpoints) << layout << viewpoints;
    }
}

// The viewpoints only spare the count obstacles a zone cannot meet: every
// figure is the same to the bit as without them, from wherever they are.
void TestCoverage::viewpointsChangeNoFigure()
{
    QFETCH(QString, layout);
    QFETCH(QString, viewpoints);
    QPolygonF room;
    QVector<QPolygonF> obstacles;
    if (layout == QLatin1String("forest")) {
        room = rect(0, 0, 18, 18);
        for (int i = 0; i < 64; ++i) {
            const double x = 2 + 2 * (i % 8), y = 2 + 2 * (i / 8);
            obstacles.append(rect(x - 0.2, y - 0.2, x + 0.2, y + 0.2));
        }
    } else if (layout == QLatin1String("column in a hall")) {
        // Zones round a column, all of them nearer it than any wall: the
        // outline winds round every viewpoint out of their reach.
        room = rect(0, 0, 120, 100);
        obstacles.append(rect(59, 49, 61, 51));
        for (int i = 0; i < 12; ++i)
            obstacles.append(rect(20 + 8 * i, 20, 21 + 8 * i, 21));
    } else {
        room = rect(0, 0, 60, 40);
        for (int i = 0; i < 15; ++i) {
            const QRectF box(8.5 + i % 5 * 10, 7 + i / 5 * 8, 3, 2);
            obstacles.append(i % 2 ? ellipse(box.left(), box.top(), 3, 2)
                                   : rect(box.left(), box.top(), box.right(), box.bottom()));
        }
    }
    const QRectF bounds = room.boundingRect();
    const double rotations[4] = { 0, 270, 180, 90 };
    QVector<QVector<QPolygonF>> zones;
    QVector<QPointF> eyes, pivots;
    for (int i = 0; i < 24; ++i) {
        const int side = i % 4;
        const double along = 0.05 + 0.9 * ((i * 7) % 23) / 22.0;
        const QPointF walls[4] = { QPointF(bounds.width() * along, bounds.bottom() - 0.07),
            QPointF(0.07, bounds.height() * along), QPointF(bounds.width() * along, 0.07),
            QPointF(bounds.right() - 0.07, bounds.height() * along) };
        const QPointF faces[4] = { QPointF(60, 51.07), QPointF(58.93, 50), QPointF(60, 48.93),
            QPointF(61.07, 50) };
        const QPointF pivot = layout == QLatin1String("column in a hall") ? faces[(side + 2) % 4]
                                                                          : walls[side];
        const ZoneParameters p = irUv(3 + i % 4, i % 3 * 10, (i % 7) * 10 - 30);
        const SensorZone zone = computeSensorZone(p, pivot, rotations[side], obstacles, room);
        const QTransform toScene = zoneTransform(pivot, rotations[side]);
        QVector<QPolygonF> pieces;
        for (const QPolygonF &piece : zone.pieces)
            pieces.append(toScene.map(piece));
        zones.append(pieces);
        eyes.append(toScene.map(zone.opticalCentre));
        pivots.append(pivot);
    }
    QVector<QPointF> given;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < zones.size(); ++i) {
        if (viewpoints == QLatin1String("eyes"))
            given.append(eyes.at(i));
        else if (viewpoints == QLatin1String("pivots"))
            given.append(pivots.at(i));
        else if (viewpoints == QLatin1String("far away"))
            given.append(QPointF(1e6, -1e6 * i));
        else if (viewpoints == QLatin1String("anywhere"))
            given.append(QPointF(bounds.width() * unit(random), bounds.height() * unit(random)));
        else if (viewpoints == QLatin1String("in obstacles"))
            given.append(obstacles.at(i % obstacles.size()).boundingRect().center());
        else
            given.append(zones.at(i).isEmpty() ? QPointF() : zones.at(i).first().first());
    }

    const Coverage without = computeCoverage(room, obstacles, zones);
    const Coverage with = computeCoverage(room, obstacles, zones, false, given);
    QVERIFY(without.valid && with.valid);
    QVERIFY(without.onceArea > 1 && without.twiceArea > 1);
    const auto same = [](double a, double b) { return a == b; };
    QVERIFY(same(with.floorArea, without.floorArea));
    QVERIFY(same(with.unseenArea, without.unseenArea));
    QVERIFY(same(with.onceArea, without.onceArea));
    QVERIFY(same(with.twiceArea, without.twiceArea));
    QVERIFY(same(with.thriceArea, without.thriceArea));
    QCOMPARE(with.detectors.size(), without.detectors.size());
    for (int i = 0; i < zones.size(); ++i) {
        QVERIFY2(same(with.detectors.at(i).zoneArea, without.detectors.at(i).zoneArea),
            qPrintable(QString::number(i)));
        QVERIFY2(same(with.detectors.at(i).onlyArea, without.detectors.at(i).onlyArea),
            qPrintable(QString::number(i)));
    }
    // The map too.
    const Coverage mapWithout = computeCoverage(room, obstacles, zones, true);
    const Coverage mapWith = computeCoverage(room, obstacles, zones, true, given);
    QCOMPARE(mapWith.map.once, mapWithout.map.once);
    QCOMPARE(mapWith.map.twiceOrMore, mapWithout.map.twiceOrMore);
    QCOMPARE(mapWith.map.unseen, mapWithout.map.unseen);
}

QTEST_GUILESS_MAIN(TestCoverage)
// One pass for both halves must give what cutting each side does, vertex for
// vertex: rings on a coarse lattice put many vertices and whole edges on the
// line, and cross it both ways.
void TestCoverage::splitGivesBothCuts()
{
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> coarse(-4, 4);
    std::uniform_int_distribution<int> fine(-1000000, 1000000);
    std::uniform_int_distribution<int> length(0, 40);
    int crossing = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        const bool lattice = trial % 2 == 0;
        ClipperLib::Path ring;
        const int n = length(random);
        for (int i = 0; i < n; ++i) {
            ring.emplace_back(lattice ? coarse(random) : fine(random),
                lattice ? coarse(random) : fine(random));
        }
        const bool vertical = trial % 4 < 2;
        const ClipperLib::cInt at = lattice ? coarse(random) : fine(random) / 10;
        ClipperLib::Path low { { 9, 9 } }, high { { 9, 9 } };
        CoverageCount::split(ring, vertical, at, low, high);
        QCOMPARE(low, CoverageCount::cut(ring, vertical, at, true));
        QCOMPARE(high, CoverageCount::cut(ring, vertical, at, false));
        crossing += !low.empty() && !high.empty() && low.size() + high.size() > ring.size();
    }
    // Most rings do cross the line.
    QVERIFY(crossing > 1000);
}

#include "tst_coverage.moc"
