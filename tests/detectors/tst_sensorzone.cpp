#include "detectors/sensorrecord.h"
#include "detectors/sensorzone.h"
#include "detectors/windingindex.h"

#include <QtTest>

#include <climits>
#include <cmath>
#include <limits>
#include <random>

Q_DECLARE_METATYPE(ZoneParameters)

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

ZoneParameters irUv(double height = 3, int tilt = 0, int angle = 0)
{
    ZoneParameters p;
    p.sensor = '4';
    p.height = height;
    p.tilt = tilt;
    p.angle = angle;
    return p;
}

QPolygonF rect(double left, double top, double right, double bottom)
{
    return QPolygonF(
        { QPointF(left, top), QPointF(right, top), QPointF(right, bottom), QPointF(left, bottom) });
}

double minY(const QPolygonF &p)
{
    double m = kInf;
    for (const QPointF &v : p)
        m = std::min(m, v.y());
    return m;
}

double maxY(const QPolygonF &p)
{
    double m = -kInf;
    for (const QPointF &v : p)
        m = std::max(m, v.y());
    return m;
}

bool allFinite(const QPolygonF &p)
{
    for (const QPointF &v : p) {
        if (!std::isfinite(v.x()) || !std::isfinite(v.y()))
            return false;
    }
    return true;
}

// The optical centre of an unturned detector, in zone coordinates.
const QPointF kCentre(0, -0.07 - 0.15);

// A point is in the zone when it lies inside an odd number of its pieces.
bool inPieces(const QVector<QPolygonF> &pieces, const QPointF &p)
{
    bool inside = false;
    for (const QPolygonF &piece : pieces)
        inside ^= piece.containsPoint(p, Qt::OddEvenFill);
    return inside;
}

double area(const QPolygonF &p)
{
    double twice = 0;
    for (int i = 0; i < p.size(); ++i)
        twice += p.at(i).x() * p.at((i + 1) % p.size()).y()
            - p.at((i + 1) % p.size()).x() * p.at(i).y();
    return twice / 2;
}

// Holes run the other way round, so the signed sum is the zone's area.
double area(const QVector<QPolygonF> &pieces)
{
    double sum = 0;
    for (const QPolygonF &piece : pieces)
        sum += area(piece);
    return std::abs(sum);
}

// Whether the straight line from the eye to p crosses an edge of any outline.
bool hidden(const QPointF &eye, const QPointF &p, const QVector<QPolygonF> &outlines)
{
    const QLineF sight(eye, p);
    for (const QPolygonF &outline : outlines) {
        for (int j = 0; j < outline.size(); ++j) {
            if (sight.intersects(
                    QLineF(outline.at(j), outline.at((j + 1) % outline.size())), nullptr)
                == QLineF::BoundedIntersection)
                return true;
        }
    }
    return false;
}

double distanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF ab = b - a;
    const double l2 = QPointF::dotProduct(ab, ab);
    const double t = l2 > 0 ? qBound(0.0, QPointF::dotProduct(p - a, ab) / l2, 1.0) : 0;
    const QPointF q = a + ab * t - p;
    return std::hypot(q.x(), q.y());
}

// Near a boundary of the zone, the outlines or a shadow the two answers may
// differ by the rounding of either; such points are not compared.
bool nearAnEdge(const QPointF &p, const QPointF &eye, const QPolygonF &polygon,
    const QVector<QPolygonF> &outlines, double margin)
{
    for (int i = 0; i < polygon.size(); ++i) {
        if (distanceToSegment(p, polygon.at(i), polygon.at((i + 1) % polygon.size())) < margin)
            return true;
    }
    for (const QPolygonF &outline : outlines) {
        for (int j = 0; j < outline.size(); ++j) {
            const QPointF q = outline.at(j);
            if (distanceToSegment(p, q, outline.at((j + 1) % outline.size())) < margin)
                return true;
            // The shadow line from the corner away from the eye.
            if (distanceToSegment(p, q, q + (q - eye) * 1000) < margin)
                return true;
        }
    }
    return false;
}

} // namespace

class TestSensorZone : public QObject
{
    Q_OBJECT
private slots:
    void figures_data();
    void figures();
    void rayFollowsTheOnAxisRange();
    void clampedTurn();
    void steepUpwardTiltsStayInFrontOfTheWall_data();
    void steepUpwardTiltsStayInFrontOfTheWall();
    void quietInfraredAtZero();
    void obstacleAcrossTheAxisShortens();
    void obstacleBeforeTheFloorRemoves();
    void outlineClipsATurnedDetectorAtItsWall();
    void sceneFrameFollowsPivotAndRotation();
    void clippingMatchesTheDirectProcedure();
    void hostileInputs_data();
    void hostileInputs();
    void hostileOutlines();
    void windingIndexAgreesWithQt();
    void windingGridAgreesWithQt_data();
    void windingGridAgreesWithQt();
    void obstacleInTheGapCastsAShadow_data();
    void obstacleInTheGapCastsAShadow();
    void columnBesideTheAxisKeepsTheFigures();
    void wholeZoneSeenStaysExact_data();
    void wholeZoneSeenStaysExact();
    void mountedOnAnObstacle();
    void nothingSeen_data();
    void nothingSeen();
    void piecesFollowTheLineOfSight();
    void keptShapesFollowEveryParameter_data();
    void keptShapesFollowEveryParameter();
};

void TestSensorZone::figures_data()
{
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("tilt");
    QTest::addColumn<double>("ahead");
    QTest::addColumn<double>("nearest");
    QTest::addColumn<int>("vertices");
    // Ahead is -y in zone coordinates; nearest is the vertex closest to the
    // pivot along the axis (negative: behind it).
    QTest::newRow("3 m, tilt 0") << 3.0 << 0 << 39.62 << 0.85 << 1328;
    QTest::newRow("2 m, tilt 0") << 2.0 << 0 << 39.70 << 0.42 << 1388;
    QTest::newRow("2 m, tilt 45") << 2.0 << 45 << 35.33 << -1.24 << 606;
}

void TestSensorZone::figures()
{
    QFETCH(double, height);
    QFETCH(int, tilt);
    QFETCH(double, ahead);
    QFETCH(double, nearest);
    QFETCH(int, vertices);
    const SensorZone zone = computeSensorZone(irUv(height, tilt), QPointF(), 0, {});
    QCOMPARE(zone.polygon, zone.sampled);
    QCOMPARE(zone.polygon.size(), vertices);
    QCOMPARE(std::round(-minY(zone.polygon) * 100) / 100, ahead);
    QCOMPARE(std::round(-maxY(zone.polygon) * 100) / 100, nearest);
    // Symmetric about the axis: vertex k mirrors vertex n - 1 - k.
    const int n = zone.polygon.size();
    for (int k = 0; k < n; ++k) {
        const QPointF a = zone.polygon.at(k);
        const QPointF b = zone.polygon.at(n - 1 - k);
        QVERIFY(qAbs(a.x() + b.x()) < 1e-9 && qAbs(a.y() - b.y()) < 1e-9);
    }
}

void TestSensorZone::rayFollowsTheOnAxisRange()
{
    const SensorZone zone = computeSensorZone(irUv(), QPointF(), 0, {});
    QCOMPARE(zone.ray.p1(), QPointF(0, -0.15));
    QCOMPARE(zone.ray.p2(), QPointF(0, -0.15 - 0.2 * (40 - 0.15)));
    // The ray point sits on the ray's end in the scene, turned with Angle.
    const SensorRay ray = placeSensorRay(zone.ray, QPointF(10, 5), 90, -90);
    QCOMPARE(ray.pos, QPointF(10, 5));
    QCOMPARE(ray.rotation, 0.0);
    QCOMPARE(ray.line, zone.ray);
    const QPointF end = ray.sceneEnd;
    QVERIFY(qAbs(end.x() - 10) < 1e-12 && qAbs(end.y() - (5 - 0.15 - 0.2 * 39.85)) < 1e-12);
    QVERIFY(qAbs(ray.sceneStart.x() - 10) < 1e-12 && qAbs(ray.sceneStart.y() - (5 - 0.15)) < 1e-12);
}

void TestSensorZone::clampedTurn()
{
    // A turn of 90° acts as 89.99°: the axis runs along +x, and any larger
    // turn is the same.
    const SensorZone at90 = computeSensorZone(irUv(3, 0, 90), QPointF(), 0, {});
    const SensorZone at89 = computeSensorZone(irUv(3, 0, 89), QPointF(), 0, {});
    const SensorZone huge = computeSensorZone(irUv(3, 0, INT_MAX), QPointF(), 0, {});
    const SensorZone minus = computeSensorZone(irUv(3, 0, INT_MIN), QPointF(), 0, {});
    QVERIFY(!at90.sampled.isEmpty());
    QCOMPARE(huge.sampled, at90.sampled);
    QVERIFY(at89.sampled != at90.sampled);
    double maxX = -kInf;
    for (const QPointF &v : at90.sampled)
        maxX = std::max(maxX, v.x());
    QVERIFY(maxX > 39.99 && maxX < 40.0);
    // The other way round the same clamping holds, with the axis along -x.
    QCOMPARE(minus.sampled, computeSensorZone(irUv(3, 0, -90), QPointF(), 0, {}).sampled);
    QVERIFY(minus.sampled != computeSensorZone(irUv(3, 0, -89), QPointF(), 0, {}).sampled);
    double minX = kInf;
    for (const QPointF &v : minus.sampled)
        minX = std::min(minX, v.x());
    QVERIFY(minX < -39.99 && minX > -40.0);
    // Tilts beyond the limit are clamped too.
    ZoneParameters steep = irUv(3, 90);
    ZoneParameters steeper = irUv(3, 100000);
    QCOMPARE(computeSensorZone(steeper, QPointF(), 0, {}).sampled,
        computeSensorZone(steep, QPointF(), 0, {}).sampled);
}

void TestSensorZone::steepUpwardTiltsStayInFrontOfTheWall_data()
{
    QTest::addColumn<int>("tilt");
    QTest::newRow("-135") << -135;
    QTest::newRow("-150") << -150;
    QTest::newRow("-180") << -180;
    QTest::newRow("-100000") << -100000;
}

void TestSensorZone::steepUpwardTiltsStayInFrontOfTheWall()
{
    // A file may hold any tilt; upward beyond -89.99° the head acts as at -89.99°,
    // never as if it looked back over its shoulder.
    QFETCH(int, tilt);
    const QPolygonF room = rect(-20, -50, 20, 1);
    const SensorZone steep = computeSensorZone(irUv(3, tilt, 0), QPointF(), 0, { room });
    const SensorZone clamped = computeSensorZone(irUv(3, -90, 0), QPointF(), 0, { room });
    QCOMPARE(steep.sampled, clamped.sampled);
    QCOMPARE(steep.polygon, clamped.polygon);
    QCOMPARE(steep.ray, clamped.ray);
    // Behind the wall (y > 0 in the detector's frame) lies nothing.
    for (const QPointF &p : steep.sampled)
        QVERIFY2(p.y() <= 0, qPrintable(QStringLiteral("%1, %2").arg(p.x()).arg(p.y())));
    QVERIFY(steep.ray.p2().y() <= 0);
}

void TestSensorZone::quietInfraredAtZero()
{
    ZoneParameters p;
    p.sensor = '3';
    p.noiseImmunity = true;
    p.sensitivity = 0;
    const SensorZone zone = computeSensorZone(p, QPointF(), 0, {});
    QCOMPARE(zone.threshold, 117.0);
    QCOMPARE(zone.ranges[0], 17.0);
    QCOMPARE(zone.ranges[5], 0.0);
    // Directions from 75.1° on have slant range 0: ten directions for each of
    // 0° … 74° and only 75.0° of the next reach the floor at most.
    QVERIFY(zone.sampled.size() <= 2 * (75 * 10 + 1));
    QVERIFY(!zone.sampled.isEmpty());
    const SensorZone same = computeSensorZone(p, QPointF(), 0, {});
    QCOMPARE(same.sampled, zone.sampled);
}

void TestSensorZone::obstacleAcrossTheAxisShortens()
{
    // A box 2 m wide straddling the axis, its near face 10 m ahead.
    const QPolygonF box = rect(-1, -12, 1, -10);
    const SensorZone zone = computeSensorZone(irUv(), QPointF(), 0, { box });
    QCOMPARE(zone.polygon.size(), zone.sampled.size());
    int shortened = 0;
    for (int k = 0; k < zone.sampled.size(); ++k) {
        const QPointF v = zone.sampled.at(k);
        // Where the sight line from the optical centre meets the near face.
        const double t = (-10 - kCentre.y()) / (v.y() - kCentre.y());
        const double x = kCentre.x() + t * (v.x() - kCentre.x());
        if (t > 0 && t <= 1 && qAbs(x) <= 1) {
            ++shortened;
            QVERIFY(qAbs(zone.polygon.at(k).x() - x) < 1e-9);
            QVERIFY(qAbs(zone.polygon.at(k).y() + 10) < 1e-9);
        } else {
            QCOMPARE(zone.polygon.at(k), v);
        }
    }
    QVERIFY(shortened > 20);
}

void TestSensorZone::obstacleBeforeTheFloorRemoves()
{
    // The covered floor begins 0.85 m ahead; a post 0.4 … 0.6 m ahead hides
    // the vertices behind it entirely.
    const QPolygonF post = rect(-0.3, -0.6, 0.3, -0.4);
    const SensorZone zone = computeSensorZone(irUv(), QPointF(), 0, { post });
    QPolygonF expected;
    for (const QPointF &v : zone.sampled) {
        bool blocked = false;
        const QLineF sight(kCentre, v);
        for (int j = 0; j < 4; ++j) {
            if (sight.intersects(QLineF(post.at(j), post.at((j + 1) % 4)), nullptr)
                == QLineF::BoundedIntersection)
                blocked = true;
        }
        if (!blocked)
            expected.append(v);
    }
    QVERIFY(expected.size() < zone.sampled.size() - 20);
    QCOMPARE(zone.polygon, expected);
}

void TestSensorZone::outlineClipsATurnedDetectorAtItsWall()
{
    // A 12 × 8 m room; the detector hangs on the bottom wall (y = 8) facing
    // into the room, turned 80° so that its zone reaches behind its wall.
    const QPolygonF room = rect(0, 0, 12, 8);
    const QPointF pivot(6, 8 - 0.07);
    const ZoneParameters p = irUv(3, 0, 80);
    const SensorZone free = computeSensorZone(p, pivot, 0, {});
    const SensorZone zone = computeSensorZone(p, pivot, 0, { QPolygonF(), room });
    const QTransform toScene = zoneTransform(pivot, 0);
    bool behindWall = false;
    for (const QPointF &v : free.sampled)
        behindWall = behindWall || toScene.map(v).y() > 8.01;
    QVERIFY(behindWall);
    int onOwnWall = 0;
    int onOtherWalls = 0;
    for (const QPointF &v : zone.polygon) {
        const QPointF s = toScene.map(v);
        QVERIFY(s.x() > -1e-9 && s.x() < 12 + 1e-9 && s.y() > -1e-9 && s.y() < 8 + 1e-9);
        if (qAbs(s.y() - 8) < 1e-9)
            ++onOwnWall;
        else if (qAbs(s.x() - 12) < 1e-9 || qAbs(s.y()) < 1e-9 || qAbs(s.x()) < 1e-9)
            ++onOtherWalls;
    }
    QVERIFY(onOwnWall > 0);
    QVERIFY(onOtherWalls > 0);
    QVERIFY(zone.polygon.size() <= free.sampled.size());
}

void TestSensorZone::sceneFrameFollowsPivotAndRotation()
{
    // The same room and detector, moved and turned as a whole, clips alike.
    const QPolygonF room = rect(0, 0, 12, 8);
    const QPolygonF box = rect(4, 2, 5, 3);
    const ZoneParameters p = irUv(3, 20, -30);
    const SensorZone here = computeSensorZone(p, QPointF(6, 7.93), 0, { box, room });
    QTransform move;
    move.translate(100, -50);
    move.rotate(90);
    const SensorZone there
        = computeSensorZone(p, move.map(QPointF(6, 7.93)), 90, { move.map(box), move.map(room) });
    QCOMPARE(there.polygon.size(), here.polygon.size());
    for (int k = 0; k < here.polygon.size(); ++k)
        QVERIFY((there.polygon.at(k) - here.polygon.at(k)).manhattanLength() < 1e-9);
    QVERIFY(here.polygon.size() < here.sampled.size());
}

// The clipping step done the plain way, with the toolkit's own segment and
// polygon tests: the fast path must give the very same vertices.
void TestSensorZone::clippingMatchesTheDirectProcedure()
{
    std::mt19937 random(5);
    std::uniform_real_distribution<double> unit(0, 1);
    int clipped = 0;
    for (int round = 0; round < 12; ++round) {
        QVector<QPolygonF> outlines;
        for (int k = 0; k < 20; ++k) {
            const double x = unit(random) * 11;
            const double y = unit(random) * 7;
            outlines.append(rect(x, y, x + 0.2 + unit(random), y + 0.2 + unit(random)));
        }
        outlines.append(rect(0, 0, 12, 8));
        ZoneParameters p
            = irUv(1 + unit(random) * 5, int(unit(random) * 45), int(unit(random) * 179) - 89);
        p.sensitivity = int(unit(random) * 100);
        const QPointF pivot(1 + unit(random) * 10, 8 - 0.07);
        const double rotation = round % 2 ? 0 : 37.5;
        const SensorZone zone = computeSensorZone(p, pivot, rotation, outlines);

        const QTransform toScene = zoneTransform(pivot, rotation);
        const QTransform fromScene = toScene.inverted();
        const double turn = p.angle * 3.141592653589793 / 180;
        const QPointF centre(0.15 * std::sin(turn), -0.07 - 0.15 * std::cos(turn));
        const QPointF centreScene = toScene.map(centre);
        QPolygonF expected;
        for (QPointF v : zone.sampled) {
            bool touched = false;
            bool inside = false;
            for (const QPolygonF &outline : outlines) {
                for (int j = 0; j < outline.size(); ++j) {
                    const QLineF edge(outline.at(j), outline.at((j + 1) % outline.size()));
                    QPointF crossing;
                    if (QLineF(centreScene, toScene.map(v)).intersects(edge, &crossing)
                        == QLineF::BoundedIntersection) {
                        v = fromScene.map(crossing);
                        touched = true;
                        if (zone.sampled.containsPoint(v, Qt::WindingFill))
                            inside = true;
                    }
                }
            }
            if (!touched || inside)
                expected.append(v);
        }
        QCOMPARE(zone.polygon.size(), expected.size());
        for (int k = 0; k < expected.size(); ++k) {
            QVERIFY(zone.polygon.at(k).x() == expected.at(k).x());
            QVERIFY(zone.polygon.at(k).y() == expected.at(k).y());
        }
        clipped += zone.sampled.size() - zone.polygon.size();
    }
    QVERIFY(clipped > 100);
}

void TestSensorZone::hostileInputs_data()
{
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("sensitivity");
    QTest::addColumn<int>("tilt");
    QTest::addColumn<double>("pivotX");
    QTest::addColumn<double>("rotation");
    QTest::addColumn<bool>("empty");
    QTest::newRow("height nan") << kNaN << 100 << 0 << 0.0 << 0.0 << true;
    QTest::newRow("height inf") << kInf << 100 << 0 << 0.0 << 0.0 << true;
    QTest::newRow("height -inf") << -kInf << 100 << 0 << 0.0 << 0.0 << true;
    QTest::newRow("height 1e200") << 1e200 << 100 << 0 << 0.0 << 0.0 << true;
    QTest::newRow("height 1e6") << 1e6 << 100 << 0 << 0.0 << 0.0 << true;
    QTest::newRow("height 0") << 0.0 << 100 << 0 << 0.0 << 0.0 << false;
    QTest::newRow("height negative") << -3.0 << 100 << 0 << 0.0 << 0.0 << false;
    QTest::newRow("sensitivity 65535") << 3.0 << 65535 << 0 << 0.0 << 0.0 << false;
    // Pointing straight down or up, no cut of the detector's cones at their
    // slant range reaches the floor.
    QTest::newRow("tilt INT_MAX") << 3.0 << 100 << INT_MAX << 0.0 << 0.0 << true;
    QTest::newRow("tilt INT_MIN") << 3.0 << 100 << INT_MIN << 0.0 << 0.0 << true;
    QTest::newRow("pivot nan") << 3.0 << 100 << 0 << kNaN << 0.0 << true;
    QTest::newRow("pivot inf") << 3.0 << 100 << 0 << kInf << 0.0 << true;
    QTest::newRow("rotation nan") << 3.0 << 100 << 0 << 0.0 << kNaN << true;
    QTest::newRow("rotation 1e300") << 3.0 << 100 << 0 << 0.0 << 1e300 << false;
}

void TestSensorZone::hostileInputs()
{
    QFETCH(double, height);
    QFETCH(int, sensitivity);
    QFETCH(int, tilt);
    QFETCH(double, pivotX);
    QFETCH(double, rotation);
    QFETCH(bool, empty);
    ZoneParameters p = irUv(height, tilt);
    p.sensitivity = sensitivity;
    const QPolygonF room = rect(-20, -50, 20, 1);
    const SensorZone zone = computeSensorZone(p, QPointF(pivotX, 0), rotation, { room });
    QVERIFY(allFinite(zone.polygon));
    QVERIFY(allFinite(zone.sampled));
    QVERIFY(std::isfinite(zone.ray.p2().y()));
    QCOMPARE(zone.polygon.isEmpty(), empty);
    if (sensitivity > 100)
        QCOMPARE(zone.polygon, computeSensorZone(irUv(), QPointF(), 0, { room }).polygon);
}

void TestSensorZone::hostileOutlines()
{
    const QPolygonF room = rect(-20, -50, 20, 1);
    const SensorZone clean = computeSensorZone(irUv(), QPointF(), 0, { room });
    // Vertices that are not finite contribute no edges; huge ones cannot make
    // a vertex non-finite.
    QPolygonF poisoned = rect(-1, -12, 1, -10);
    poisoned[1] = QPointF(kNaN, -12);
    QPolygonF infinite = rect(-1, -22, 1, -20);
    infinite[0] = QPointF(-kInf, -22);
    QPolygonF huge = rect(-1e300, -1e300, 1e300, -1e299);
    QPolygonF single({ QPointF(0, -5) });
    const SensorZone zone = computeSensorZone(
        irUv(), QPointF(), 0, { poisoned, infinite, huge, single, QPolygonF(), room });
    QVERIFY(allFinite(zone.polygon));
    QCOMPARE(zone.polygon.size(), clean.polygon.size());
    // The near faces of both boxes keep their finite edges and still clip.
    int onNearFace = 0;
    for (const QPointF &v : zone.polygon)
        onNearFace += qAbs(v.y() + 10) < 1e-9 && qAbs(v.x()) <= 1;
    QVERIFY(onNearFace > 20);
    // The huge square's edges lie far beyond every sight line.
    const SensorZone alone = computeSensorZone(irUv(), QPointF(), 0, { huge, room });
    QCOMPARE(alone.polygon, clean.polygon);
}

void TestSensorZone::windingIndexAgreesWithQt()
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> coordinate(-10, 10);
    std::uniform_int_distribution<int> grid(-4, 4);
    int checked = 0;
    int insideCount = 0;
    for (int round = 0; round < 300; ++round) {
        QPolygonF polygon;
        const int n = 3 + round % 40;
        for (int i = 0; i < n; ++i) {
            // Grid points give horizontal edges, shared vertices and points
            // exactly on edges; the rest are arbitrary, self-intersecting.
            if (round % 3 == 0)
                polygon.append(QPointF(grid(random), grid(random)));
            else
                polygon.append(QPointF(coordinate(random), coordinate(random)));
        }
        if (round % 5 == 0)
            polygon.append(polygon.first());
        const WindingIndex index(polygon);
        for (int q = 0; q < 400; ++q) {
            QPointF point = round % 3 == 0 ? QPointF(grid(random) * 0.5, grid(random) * 0.5)
                                           : QPointF(coordinate(random), coordinate(random));
            if (q % 10 == 0)
                point = polygon.at(q % polygon.size());
            const bool expected = polygon.containsPoint(point, Qt::WindingFill);
            QCOMPARE(index.contains(point), expected);
            insideCount += expected;
            ++checked;
        }
        QVERIFY(!index.contains(QPointF(kNaN, 0)));
        QCOMPARE(index.contains(QPointF(0, kInf)),
            polygon.containsPoint(QPointF(0, kInf), Qt::WindingFill));
    }
    // And over the sampled zone itself, on a grid across its extent.
    const QPolygonF zone = computeSensorZone(irUv(2, 45), QPointF(), 0, {}).sampled;
    const WindingIndex index(zone);
    for (double y = -36; y <= 2; y += 0.173) {
        for (double x = -15; x <= 15; x += 0.211) {
            const bool expected = zone.containsPoint(QPointF(x, y), Qt::WindingFill);
            QCOMPARE(index.contains(QPointF(x, y)), expected);
            insideCount += expected;
            ++checked;
        }
    }
    for (const QPointF &v : zone)
        QCOMPARE(index.contains(v), zone.containsPoint(v, Qt::WindingFill));
    QVERIFY(insideCount > checked / 10);
    QVERIFY(!WindingIndex(QPolygonF()).contains(QPointF()));
    // Large enough for cells, too thin to part them: still the toolkit's answers.
    QPolygonF thin;
    for (int i = 0; i < 100; ++i)
        thin.append(QPointF(i, (i % 2) * 4e-310));
    thin.append(QPointF(50, 1e-309));
    const WindingIndex thinIndex(thin);
    for (const QPointF &point : { QPointF(10.5, 1e-310), QPointF(50, 5e-310), QPointF(-1, 0),
             QPointF(120, 1e-310), QPointF(50.2, 9e-310) })
        QCOMPARE(thinIndex.contains(point), thin.containsPoint(point, Qt::WindingFill));
}

void TestSensorZone::windingGridAgreesWithQt_data()
{
    QTest::addColumn<QPolygonF>("polygon");
    // Query points: across the box, and on and beside the edges.
    QTest::addColumn<double>("nudge");
    const auto circle = [](int n, const QPointF &centre, double radius) {
        QPolygonF polygon;
        for (int i = 0; i < n; ++i) {
            const double a = 2 * M_PI * i / n;
            polygon.append(centre + QPointF(radius * std::cos(a), radius * std::sin(a)));
        }
        return polygon;
    };
    QTest::newRow("sampled zone")
        << computeSensorZone(irUv(4, 20), QPointF(), 0, {}).sampled << 1e-12;
    QTest::newRow("sampled zone far from the origin")
        << computeSensorZone(irUv(7, 45, 30), QPointF(), 0, {})
               .sampled.translated(51234.5, -8765.25)
        << 1e-9;
    std::mt19937 random(5);
    std::uniform_real_distribution<double> coordinate(-10, 10);
    QPolygonF tangle;
    for (int i = 0; i < 150; ++i)
        tangle.append(QPointF(coordinate(random), coordinate(random)));
    QTest::newRow("self-crossing tangle") << tangle << 1e-12;
    std::uniform_int_distribution<int> lattice(-6, 6);
    QPolygonF grid;
    for (int i = 0; i < 120; ++i)
        grid.append(QPointF(lattice(random), lattice(random)));
    QTest::newRow("lattice points, level edges") << grid << 0.0;
    // Ends a hair short of its start: the toolkit leaves it open.
    QPolygonF open = circle(100, QPointF(1, 2), 5);
    std::rotate(open.begin(), open.begin() + 25, open.end()); // from the bottom
    open.append(open.first() + QPointF(3e-13, 5e-12));
    QTest::newRow("open by a hair") << open << 1e-12;
    // An edge so nearly level that the toolkit passes over it, at the foot
    // of a notch in a block whose floor zigzags in many short edges.
    QPolygonF notch;
    for (int i = 0; i <= 80; ++i)
        notch.append(QPointF(1.25 * i, 0.25 * (i % 2)));
    notch << QPointF(100, 10) << QPointF(60, 10) << QPointF(60, 5 + 4e-12) << QPointF(30, 5)
          << QPointF(30, 10) << QPointF(0, 10);
    QTest::newRow("nearly level edge") << notch << 1e-12;
}

// Larger polygons are answered from a grid of cells where no edge comes near:
// the same answers as the toolkit's own test, near the edges and away from
// them, and level with gaps the toolkit leaves in the outline.
void TestSensorZone::windingGridAgreesWithQt()
{
    QFETCH(QPolygonF, polygon);
    QFETCH(double, nudge);
    const WindingIndex index(polygon);
    const QRectF box = polygon.boundingRect();
    QVector<QPointF> points;
    std::mt19937 random(17);
    std::uniform_real_distribution<double> unit(-0.05, 1.05);
    for (int i = 0; i < 20000; ++i)
        points.append(
            box.topLeft() + QPointF(box.width() * unit(random), box.height() * unit(random)));
    for (int i = 0; i < polygon.size(); ++i) {
        const QPointF &a = polygon.at(i);
        const QPointF &b = polygon.at((i + 1) % polygon.size());
        const QPointF middle = (a + b) / 2;
        points << a << middle << middle + QPointF(nudge, 0) << middle - QPointF(nudge, 0)
               << middle + QPointF(0, nudge) << middle - QPointF(0, nudge);
    }
    // Level with edges all but level, and with the join back to the start,
    // where the toolkit may leave the outline open.
    for (int i = 0; i < polygon.size(); ++i) {
        const QPointF &a = polygon.at(i);
        const QPointF &b = polygon.at((i + 1) % polygon.size());
        if (a.y() == b.y() || std::abs(a.y() - b.y()) > 1e-9 * (1 + std::abs(a.y())))
            continue;
        for (double x = box.left() - 1; x <= box.right() + 1; x += box.width() / 997)
            points << QPointF(x, (a.y() + b.y()) / 2);
    }
    int inside = 0;
    for (const QPointF &point : points) {
        const bool expected = polygon.containsPoint(point, Qt::WindingFill);
        QVERIFY2(index.contains(point) == expected,
            qPrintable(
                QStringLiteral("%1 %2").arg(point.x(), 0, 'g', 17).arg(point.y(), 0, 'g', 17)));
        inside += expected;
    }
    QVERIFY(inside > points.size() / 20);
    QVERIFY(inside < points.size() - points.size() / 20);
}

void TestSensorZone::obstacleInTheGapCastsAShadow_data()
{
    QTest::addColumn<double>("height");
    QTest::addColumn<QPolygonF>("obstacle");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("hiddenAtLeast");
    // A detector in the middle of the near wall of a 60 × 50 m hall, tilt 0.
    // Its floor begins some metres ahead; the obstacle stands in that gap.
    // The clipping along sampled sight lines alone drops the blocked vertices
    // and joins their neighbours, so it kept the whole wedge behind the
    // obstacle (m², at least).
    QTest::newRow("box before a 6 m detector")
        << 6.0 << rect(-0.5, -2.5, 0.5, -1.5) << 2.45 << 500.0;
    QTest::newRow("plate before a 3 m detector")
        << 3.0 << rect(-0.15, -0.8, 0.15, -0.75) << 0.85 << 100.0;
}

void TestSensorZone::obstacleInTheGapCastsAShadow()
{
    QFETCH(double, height);
    QFETCH(QPolygonF, obstacle);
    QFETCH(double, start);
    QFETCH(double, hiddenAtLeast);
    const QPolygonF hall = rect(-30, -50, 30, 0);
    const SensorZone zone
        = computeSensorZone(irUv(height), QPointF(0, -0.07), 0, { obstacle }, hall);
    QCOMPARE(std::round(-maxY(zone.sampled) * 100) / 100, start);
    QCOMPARE(zone.opticalCentre, kCentre);
    const double hiddenArea = area(zone.polygon) - area(zone.pieces);
    QVERIFY2(hiddenArea > hiddenAtLeast, qPrintable(QString::number(hiddenArea)));
    // The shadow splits the zone into its two flanks.
    QCOMPARE(zone.pieces.size(), 2);
    // Scene coordinates; the zone's are the same shifted by the pivot.
    const QPointF eye = kCentre + QPointF(0, -0.07);
    const double halfWidth = (obstacle.at(1).x() - obstacle.at(0).x()) / 2;
    const double nearFace = -obstacle.at(2).y();
    int behind = 0;
    int beside = 0;
    for (double y = -1; y > -45; y -= 0.37) {
        const double depth = -(y - eye.y()); // ahead of the eye
        // Half-width of the shadow wedge at this depth, from the near face on.
        const double wedge = halfWidth * depth / (nearFace + eye.y());
        for (double x = -25; x < 25; x += 0.23) {
            const QPointF p(x, y + 0.07);
            if (!zone.polygon.containsPoint(p, Qt::OddEvenFill))
                continue;
            if (std::abs(x) < wedge - 0.01) {
                QVERIFY2(
                    !inPieces(zone.pieces, p), qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
                ++behind;
            } else if (std::abs(x) > wedge + 0.01 && std::abs(x) < 20) {
                QVERIFY2(
                    inPieces(zone.pieces, p), qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
                ++beside;
            }
        }
    }
    QVERIFY(behind > 500);
    QVERIFY(beside > 500);
    // The same obstacle with the outlines as plain walls: the same pieces.
    const SensorZone walls
        = computeSensorZone(irUv(height), QPointF(0, -0.07), 0, { obstacle, hall });
    QCOMPARE(walls.pieces, zone.pieces);
}

void TestSensorZone::columnBesideTheAxisKeepsTheFigures()
{
    // A 0.4 m column 10 m ahead, 4 m beside the axis of a 3 m detector.
    const QPolygonF column = rect(3.8, -10.4, 4.2, -10);
    const SensorZone free = computeSensorZone(irUv(), QPointF(), 0, {});
    const SensorZone zone = computeSensorZone(irUv(), QPointF(), 0, { column }, QPolygonF());
    QCOMPARE(zone.pieces.size(), 1);
    const QPolygonF &piece = zone.pieces.first();
    // Reach and start as without the column.
    QCOMPARE(std::round(-minY(piece) * 100) / 100, 39.62);
    QCOMPARE(std::round(-maxY(piece) * 100) / 100, 0.85);
    // Its shadow, from the column to the zone's far edge, is cut out.
    const double lost = area(free.sampled) - area(zone.pieces);
    QVERIFY2(lost > 20 && lost < 45, qPrintable(QString::number(lost)));
    for (double t = 1.05; t < 3.5; t += 0.1) {
        const QPointF behind = kCentre + (QPointF(4, -10.2) - kCentre) * t;
        if (free.sampled.containsPoint(behind, Qt::OddEvenFill))
            QVERIFY(!inPieces(zone.pieces, behind));
    }
    // Every sampled vertex well outside the shadow is still a vertex.
    int kept = 0;
    for (const QPointF &v : free.sampled) {
        const double angle = std::atan2(v.x() - kCentre.x(), -(v.y() - kCentre.y()));
        if (std::abs(angle - std::atan2(4.0, 10.0)) < 0.05)
            continue;
        bool found = false;
        for (const QPointF &w : piece)
            found = found || (w - v).manhattanLength() < 1e-5;
        QVERIFY(found);
        ++kept;
    }
    QVERIFY(kept > 1000);
}

void TestSensorZone::wholeZoneSeenStaysExact_data()
{
    QTest::addColumn<QVector<QPolygonF>>("obstacles");
    QTest::addColumn<QPolygonF>("outline");
    QTest::addColumn<int>("angle");
    const QPolygonF hall = rect(-30, -50, 30, 0);
    QTest::newRow("open floor") << QVector<QPolygonF>() << QPolygonF() << 0;
    QTest::newRow("hall") << QVector<QPolygonF>() << hall << 0;
    QTest::newRow("narrow room clips at the walls")
        << QVector<QPolygonF>() << rect(-4, -12, 4, 0) << 30;
    QTest::newRow("turned against its own wall") << QVector<QPolygonF>() << hall << 80;
    QTest::newRow("obstacles behind and far beyond")
        << QVector<QPolygonF> { rect(-2, 0, 2, 3), rect(-5, -48, 5, -45) } << hall << 0;
}

void TestSensorZone::wholeZoneSeenStaysExact()
{
    QFETCH(QVector<QPolygonF>, obstacles);
    QFETCH(QPolygonF, outline);
    QFETCH(int, angle);
    const SensorZone zone
        = computeSensorZone(irUv(3, 0, angle), QPointF(0, -0.07), 0, obstacles, outline);
    QVERIFY(zone.polygon.size() > 100);
    QCOMPARE(zone.pieces, QVector<QPolygonF> { zone.polygon });
}

void TestSensorZone::mountedOnAnObstacle()
{
    // A detector on the front face (y = -10) of a 2 × 2 m box in a hall.
    const QPolygonF hall = rect(-30, -50, 30, 0);
    const QPolygonF box = rect(-1, -10, 1, -8);
    const QPointF pivot(0, -10 - 0.07);
    // Facing away from the box, it sees its whole zone.
    const SensorZone straight = computeSensorZone(irUv(), pivot, 0, { box }, hall);
    QCOMPARE(straight.pieces, QVector<QPolygonF> { straight.polygon });
    // Turned 80° along the face, its zone reaches behind the face's line: the
    // box's own side hides the floor behind it.
    const SensorZone turned = computeSensorZone(irUv(3, 20, 80), pivot, 0, { box }, hall);
    QVERIFY(!turned.pieces.isEmpty());
    const QTransform toScene = zoneTransform(pivot, 0);
    const QPointF eye = toScene.map(turned.opticalCentre);
    int inBox = 0;
    int checked = 0;
    for (double y = -12; y < -5; y += 0.05) {
        for (double x = -2; x < 30; x += 0.1) {
            const QPointF s(x, y);
            const QPointF z = toScene.inverted().map(s);
            if (!turned.polygon.containsPoint(z, Qt::OddEvenFill))
                continue;
            ++checked;
            const bool seen = inPieces(turned.pieces, z);
            if (box.containsPoint(s, Qt::OddEvenFill))
                inBox += seen;
            else if (!nearAnEdge(s, eye, toScene.map(turned.polygon), { box }, 0.01))
                QCOMPARE(seen, !hidden(eye, s, { box }));
        }
    }
    QCOMPARE(inBox, 0);
    QVERIFY(checked > 1000);
}

void TestSensorZone::nothingSeen_data()
{
    QTest::addColumn<QVector<QPolygonF>>("obstacles");
    QTest::addColumn<QPolygonF>("outline");
    QTest::addColumn<QPointF>("pivot");
    const QPolygonF hall = rect(-30, -50, 30, 0);
    // A screen across the whole hall just before the floor begins.
    QTest::newRow("screen before the floor")
        << QVector<QPolygonF> { rect(-30, -0.5, 30, -0.45) } << hall << QPointF(0, -0.07);
    // An L-shaped room; the detector hangs outside its notch, looking in.
    QTest::newRow("outside the room") << QVector<QPolygonF>()
                                      << QPolygonF({ QPointF(0, 0), QPointF(12, 0), QPointF(12, -6),
                                             QPointF(6, -6), QPointF(6, -12), QPointF(0, -12) })
                                      << QPointF(9, -8);
    QTest::newRow("inside another obstacle")
        << QVector<QPolygonF> { rect(-1, -3, 1, -0.01) } << hall << QPointF(0, -0.07);
}

void TestSensorZone::nothingSeen()
{
    QFETCH(QVector<QPolygonF>, obstacles);
    QFETCH(QPolygonF, outline);
    QFETCH(QPointF, pivot);
    const SensorZone zone = computeSensorZone(irUv(), pivot, 0, obstacles, outline);
    QVERIFY(!zone.sampled.isEmpty());
    QVERIFY(zone.pieces.isEmpty());
}

// The pieces against an independent line-of-sight test: a point of the
// clipped polygon is in the zone exactly when it is floor (inside the room,
// outside every obstacle) and no edge crosses its line from the eye.
void TestSensorZone::piecesFollowTheLineOfSight()
{
    std::mt19937 random(17);
    std::uniform_real_distribution<double> unit(0, 1);
    const QPolygonF room({ QPointF(0, 0), QPointF(24, 0), QPointF(24, 10), QPointF(14, 10),
        QPointF(14, 16), QPointF(0, 16) });
    int compared = 0;
    int hiddenCount = 0;
    for (int round = 0; round < 6; ++round) {
        QVector<QPolygonF> obstacles;
        for (int k = 0; k < 12; ++k) {
            const double x = unit(random) * 22;
            const double y = unit(random) * 8;
            obstacles.append(rect(x, y, x + 0.1 + unit(random), y + 0.1 + unit(random)));
        }
        ZoneParameters p
            = irUv(1 + unit(random) * 5, int(unit(random) * 30), int(unit(random) * 120) - 60);
        const QPointF pivot(2 + unit(random) * 20, 16 - 0.07);
        const double rotation = round % 2 ? 0 : 12.5;
        const SensorZone zone = computeSensorZone(p, pivot, rotation, obstacles, room);
        const QTransform toScene = zoneTransform(pivot, rotation);
        const QTransform fromScene = toScene.inverted();
        const QPointF eye = toScene.map(zone.opticalCentre);
        const QPolygonF drawn = toScene.map(zone.polygon);
        QVector<QPolygonF> walls = obstacles;
        walls.append(room);
        for (double y = 0.11; y < 16; y += 0.29) {
            for (double x = 0.13; x < 24; x += 0.31) {
                const QPointF s(x, y);
                if (!drawn.containsPoint(s, Qt::OddEvenFill)
                    || nearAnEdge(s, eye, drawn, walls, 2e-3))
                    continue;
                bool floor = room.containsPoint(s, Qt::OddEvenFill);
                for (const QPolygonF &o : qAsConst(obstacles))
                    floor = floor && !o.containsPoint(s, Qt::OddEvenFill);
                const bool expected = floor && !hidden(eye, s, walls);
                QVERIFY2(inPieces(zone.pieces, fromScene.map(s)) == expected,
                    qPrintable(QStringLiteral("round %1 at %2, %3").arg(round).arg(x).arg(y)));
                ++compared;
                hiddenCount += !expected;
            }
        }
    }
    QVERIFY(compared > 2000);
    QVERIFY(hiddenCount > compared / 10);
}

void TestSensorZone::keptShapesFollowEveryParameter_data()
{
    // Parameter sets differing from the first in one field each, and how
    // many other sets are computed between the first and its repetition:
    // more than are kept, the first is computed afresh.
    QTest::addColumn<ZoneParameters>("other");
    QTest::addColumn<int>("between");
    const ZoneParameters base = irUv(3, 10, 20);
    ZoneParameters p = base;
    p.sensor = '3';
    QTest::newRow("sensor") << p << 0;
    p = base;
    p.noiseImmunity = true;
    QTest::newRow("noise immunity") << p << 0;
    p = base;
    p.sensitivity = 50;
    QTest::newRow("sensitivity") << p << 0;
    p = base;
    p.height = 3.5;
    QTest::newRow("height") << p << 0;
    p = base;
    p.angle = 21;
    QTest::newRow("angle") << p << 0;
    p = base;
    p.tilt = 11;
    QTest::newRow("tilt") << p << 0;
    QTest::newRow("all kept sets replaced") << base << 100;
}

void TestSensorZone::keptShapesFollowEveryParameter()
{
    QFETCH(ZoneParameters, other);
    QFETCH(int, between);
    const ZoneParameters base = irUv(3, 10, 20);
    // A post before the detector, so that the clipping uses the shape's
    // inside test and directions too.
    const QVector<QPolygonF> posts { rect(-1, -6, 1, -5) };
    const QPolygonF outline = rect(-50, -50, 50, 1);
    const auto zoneOf = [&](const ZoneParameters &p, double x) {
        return computeSensorZone(p, QPointF(x, 0), 0, posts, outline);
    };
    const SensorZone first = zoneOf(base, 0);
    const SensorZone second = zoneOf(other, 0);
    if (between == 0) {
        QVERIFY(second.sampled != first.sampled);
        QVERIFY(second.polygon != first.polygon);
    }
    for (int i = 0; i < between; ++i)
        zoneOf(irUv(2 + 0.01 * i), 0);
    // The same set again, here and elsewhere, gives the same zone.
    const SensorZone again = zoneOf(base, 0);
    QCOMPARE(again.sampled, first.sampled);
    QCOMPARE(again.polygon, first.polygon);
    QCOMPARE(again.pieces, first.pieces);
    QCOMPARE(zoneOf(other, 0).polygon, second.polygon);
    const SensorZone moved = zoneOf(base, 0.5);
    QCOMPARE(moved.sampled, first.sampled);
    QVERIFY(moved.polygon != first.polygon);
}

QTEST_GUILESS_MAIN(TestSensorZone)
#include "tst_sensorzone.moc"
