// The sight index and the zones' directions only leave out edges that cannot
// change a zone: with them every zone comes out vertex for vertex as testing
// every edge leaves it.
#include "detectors/clipframe.h"
#include "detectors/sensorzone.h"
#include "detectors/sightindex.h"
#include "detectors/sightpolygon.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <random>

namespace {

constexpr double kPi = 3.141592653589793;

QPolygonF rect(double left, double top, double right, double bottom)
{
    return QPolygonF(
        { QPointF(left, top), QPointF(right, top), QPointF(right, bottom), QPointF(left, bottom) });
}

// A polygon of n corners round centre, turned by turn radians.
QPolygonF ellipse(const QPointF &centre, double rx, double ry, int n, double turn)
{
    QPolygonF polygon;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * kPi * i / n;
        const QPointF p(rx * std::cos(a), ry * std::sin(a));
        polygon.append(centre
            + QPointF(p.x() * std::cos(turn) - p.y() * std::sin(turn),
                p.x() * std::sin(turn) + p.y() * std::cos(turn)));
    }
    return polygon;
}

// What a layout holds besides the hall.
enum Layout
{
    Boxes, // turned boxes and round columns
    ThinWalls, // partitions a few centimetres thick, some touching each other
    OnAnObstacle, // the detector mounted on an obstacle's face
    AcrossTheSeam, // detectors looking towards -x, where directions wrap round
    NearTheCentre, // edges passing within millimetres of the optical centre
};

struct Case
{
    ZoneParameters parameters;
    QPointF pivot;
    double rotation = 0;
    QVector<QPolygonF> obstacles;
    QPolygonF outline;
};

// A random detector in a random hall of the given kind.
Case randomCase(Layout layout, std::mt19937 &random)
{
    std::uniform_real_distribution<double> unit(0, 1);
    const auto between = [&](double low, double high) { return low + (high - low) * unit(random); };
    Case c;
    c.parameters.sensor = unit(random) < 0.5 ? '3' : '4';
    c.parameters.noiseImmunity = unit(random) < 0.3;
    c.parameters.sensitivity = 25 * (1 + int(between(0, 4)));
    c.parameters.height = between(1.5, 9);
    c.parameters.tilt = int(between(-20, 60));
    c.parameters.angle = int(between(-60, 60));
    const double width = between(20, 80);
    const double depth = between(15, 60);
    c.outline = rect(-width / 2, -depth, width / 2, 0);
    c.pivot = QPointF(between(-width / 3, width / 3), -0.07);
    c.rotation = 0;
    const int count = 5 + int(between(0, 25));
    for (int i = 0; i < count; ++i) {
        const QPointF centre(between(-width / 2, width / 2), between(-depth, 0));
        switch (layout) {
        case ThinWalls: {
            const double turn = unit(random) < 0.5 ? 0 : between(0, kPi);
            c.obstacles.append(ellipse(centre, between(1, 8), 0.03, 4, turn));
            break;
        }
        default:
            if (i % 3 == 2)
                c.obstacles.append(ellipse(centre, between(0.2, 1), between(0.2, 1), 24, 0));
            else
                c.obstacles.append(
                    ellipse(centre, between(0.3, 2), between(0.3, 2), 4, between(0, kPi)));
            break;
        }
    }
    switch (layout) {
    case OnAnObstacle: {
        // On the far face of a box, looking away from it.
        const QPointF centre(between(-width / 4, width / 4), between(-depth / 2, -3));
        const QPolygonF box = rect(centre.x() - 1, centre.y() - 1, centre.x() + 1, centre.y() + 1);
        c.obstacles.prepend(box);
        c.pivot = QPointF(centre.x() + between(-0.9, 0.9), centre.y() - 1 - 0.07);
        break;
    }
    case AcrossTheSeam:
        // On the right wall, turned to look towards -x.
        c.outline = rect(-width, -depth / 2, 0, depth / 2);
        c.pivot = QPointF(-0.07, between(-depth / 3, depth / 3));
        c.rotation = -90;
        for (QPolygonF &obstacle : c.obstacles)
            obstacle.translate(-width / 2, depth / 2);
        break;
    case NearTheCentre: {
        // A wall end and a post corner within millimetres of where the
        // optical centre stands (it lies a few centimetres off the pivot).
        const SensorZone free = computeSensorZone(c.parameters, c.pivot, 0, {});
        const QPointF eye = c.pivot + free.opticalCentre;
        const double gap = between(-0.003, 0.003);
        c.obstacles.append(rect(eye.x() + gap, eye.y() - 3, eye.x() + gap + 0.05, eye.y() - 0.5));
        c.obstacles.append(QPolygonF(
            { eye + QPointF(0.002, -0.001), eye + QPointF(2, -4), eye + QPointF(3, -3) }));
        break;
    }
    default:
        break;
    }
    return c;
}

QString describe(const Case &c)
{
    return QStringLiteral("sensor %1, height %2, tilt %3, angle %4, pivot %5 %6, %7 obstacles")
        .arg(QChar::fromLatin1(c.parameters.sensor))
        .arg(c.parameters.height)
        .arg(c.parameters.tilt)
        .arg(c.parameters.angle)
        .arg(c.pivot.x())
        .arg(c.pivot.y())
        .arg(c.obstacles.size());
}

// Empty when both zones are the same to the last bit; else where they part.
QString difference(const SensorZone &a, const SensorZone &b)
{
    if (a.polygon != b.polygon)
        return QStringLiteral("clipped polygon: %1 against %2 vertices")
            .arg(a.polygon.size())
            .arg(b.polygon.size());
    if (a.pieces.size() != b.pieces.size())
        return QStringLiteral("%1 against %2 pieces").arg(a.pieces.size()).arg(b.pieces.size());
    for (int i = 0; i < a.pieces.size(); ++i) {
        if (a.pieces.at(i) != b.pieces.at(i))
            return QStringLiteral("piece %1").arg(i);
    }
    return QString();
}

// The area of a zone's pieces: holes run the other way round.
double area(const QVector<QPolygonF> &pieces)
{
    double twice = 0;
    for (const QPolygonF &piece : pieces) {
        for (int i = 0; i < piece.size(); ++i) {
            const QPointF &a = piece.at(i);
            const QPointF &b = piece.at((i + 1) % piece.size());
            twice += a.x() * b.y() - b.x() * a.y();
        }
    }
    return std::abs(twice / 2);
}

double perimeter(const QVector<QPolygonF> &pieces)
{
    double length = 0;
    for (const QPolygonF &piece : pieces) {
        for (int i = 0; i < piece.size(); ++i)
            length += QLineF(piece.at(i), piece.at((i + 1) % piece.size())).length();
    }
    return length;
}

bool crosses(const QPointF &from, const QPointF &to, const QPointF &p1, const QPointF &p2)
{
    QPointF at;
    return QLineF(from, to).intersects(QLineF(p1, p2), &at) == QLineF::BoundedIntersection;
}

} // namespace

class TestSightIndex : public QObject
{
    Q_OBJECT

private slots:
    void zonesAsWithEveryEdge_data();
    void zonesAsWithEveryEdge();
    void zonesAtAnyTurnAsWithEveryEdge();
    void shadowedZoneKeepsTheFloorBesideTheShadow();
    void obstaclesOfEveryShapeCastTheirShadows_data();
    void obstaclesOfEveryShapeCastTheirShadows();
    void candidatesHoldEveryCrossedSegment_data();
    void candidatesHoldEveryCrossedSegment();
    void straightenedPathsClipAlike();
    void quickArctangentWithinItsError_data();
    void quickArctangentWithinItsError();
    void quickArctangentOfZerosAndInfinities();
};

void TestSightIndex::zonesAsWithEveryEdge_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("seed");
    const struct
    {
        const char *name;
        Layout layout;
    } layouts[]
        = { { "boxes", Boxes }, { "thin walls", ThinWalls }, { "on an obstacle", OnAnObstacle },
              { "across the seam", AcrossTheSeam }, { "near the centre", NearTheCentre } };
    for (const auto &l : layouts) {
        for (int seed = 1; seed <= 4; ++seed)
            QTest::addRow("%s %d", l.name, seed) << int(l.layout) << seed;
    }
}

void TestSightIndex::zonesAsWithEveryEdge()
{
    QFETCH(int, layout);
    QFETCH(int, seed);
    std::mt19937 random(quint32(seed * 7919 + layout));
    int shadowed = 0;
    for (int i = 0; i < 12; ++i) {
        const Case c = randomCase(Layout(layout), random);
        const SensorZone indexed
            = computeSensorZone(c.parameters, c.pivot, c.rotation, c.obstacles, c.outline);
        const SensorZone every = computeSensorZone(
            c.parameters, c.pivot, c.rotation, c.obstacles, c.outline, EdgeSearch::EveryEdge);
        const QString floor = difference(indexed, every);
        QVERIFY2(floor.isEmpty(), qPrintable(describe(c) + QStringLiteral(": ") + floor));
        // The outlines as plain walls.
        QVector<QPolygonF> walls = c.obstacles;
        walls.append(c.outline);
        const QString plain
            = difference(computeSensorZone(c.parameters, c.pivot, c.rotation, walls),
                computeSensorZone(c.parameters, c.pivot, c.rotation, walls, EdgeSearch::EveryEdge));
        QVERIFY2(plain.isEmpty(), qPrintable(describe(c) + QStringLiteral(": walls, ") + plain));
        // The room among the walls holds the eye: all its edges count, while
        // of an obstacle the eye stands outside only the near edges do.
        const SensorZone wallsEvery
            = computeSensorZone(c.parameters, c.pivot, c.rotation, walls, EdgeSearch::EveryEdge);
        const SensorZone wallsShadows
            = computeSensorZone(c.parameters, c.pivot, c.rotation, walls, EdgeSearch::EveryShadow);
        QVERIFY2(std::abs(area(wallsShadows.pieces) - area(wallsEvery.pieces))
                <= 4e-6 * perimeter(wallsShadows.pieces),
            qPrintable(describe(c)
                + QStringLiteral(": walls, %1 against %2 m²")
                      .arg(area(wallsEvery.pieces), 0, 'f', 9)
                      .arg(area(wallsShadows.pieces), 0, 'f', 9)));
        if (every.pieces.size() != 1 || every.pieces.first() != every.polygon)
            ++shadowed;
        // Every shadow cast: the floor left out was never hidden, so the
        // same floor but for the clipping library's rounding (micrometres).
        const SensorZone all = computeSensorZone(
            c.parameters, c.pivot, c.rotation, c.obstacles, c.outline, EdgeSearch::EveryShadow);
        QVERIFY2(all.polygon == every.polygon, qPrintable(describe(c)));
        QCOMPARE(all.pieces.size(), every.pieces.size());
        const double rounding = 4e-6 * perimeter(all.pieces);
        QVERIFY2(std::abs(area(all.pieces) - area(every.pieces)) <= rounding,
            qPrintable(describe(c)
                + QStringLiteral(": %1 against %2 m²")
                      .arg(area(every.pieces), 0, 'f', 9)
                      .arg(area(all.pieces), 0, 'f', 9)));
    }
    // The layouts do hide floor, so the shadows are compared too.
    QVERIFY2(shadowed >= 3, qPrintable(QString::number(shadowed)));
}

// Detectors turned every way, among posts all round them: a sight line's
// direction is taken from the zone's own directions turned by the detector's
// angle, which must find the same edges however the turn wraps round.
void TestSightIndex::zonesAtAnyTurnAsWithEveryEdge()
{
    std::mt19937 random(2718);
    std::uniform_real_distribution<double> unit(0, 1);
    QVector<QPolygonF> posts;
    for (int i = 0; i < 40; ++i) {
        const QPointF centre(-20 + 40 * unit(random), -20 + 40 * unit(random));
        if (std::abs(centre.x()) + std::abs(centre.y()) > 2)
            posts.append(
                ellipse(centre, 0.2 + unit(random), 0.2 + unit(random), 4, kPi * unit(random)));
    }
    const QPolygonF room = rect(-25, -25, 25, 25);
    const double turns[] = { 0, 90, -90, 180, -180, 179.99999999, -179.99999999, 270, -270, 360,
        45.5, -135.25 };
    int shadowed = 0;
    for (int i = 0; i < 36; ++i) {
        ZoneParameters p;
        p.sensor = i % 2 ? '3' : '4';
        p.height = 2 + i % 5;
        p.angle = -40 + 10 * (i % 9);
        p.tilt = 5 * (i % 4);
        const double rotation = i < 12 ? turns[i] : -360 + 720 * unit(random);
        const SensorZone indexed = computeSensorZone(p, QPointF(), rotation, posts, room);
        const SensorZone every
            = computeSensorZone(p, QPointF(), rotation, posts, room, EdgeSearch::EveryEdge);
        const QString floor = difference(indexed, every);
        QVERIFY2(floor.isEmpty(), qPrintable(QStringLiteral("turned %1: ").arg(rotation) + floor));
        shadowed += indexed.pieces.size() != 1 || indexed.pieces.first() != indexed.polygon;
    }
    QVERIFY2(shadowed > 18, qPrintable(QString::number(shadowed)));
}

void TestSightIndex::shadowedZoneKeepsTheFloorBesideTheShadow()
{
    // A 6 m detector in the middle of the near wall of a 60 × 50 m hall with a
    // 1 m box in the gap before its floor begins, as the tool's test has it,
    // and the same box moved across the axis in steps.
    for (double shift = -1.5; shift <= 1.5; shift += 0.125) {
        ZoneParameters p;
        p.sensor = '4';
        p.height = 6;
        const QPolygonF box = rect(shift - 0.5, -2.5, shift + 0.5, -1.5);
        const QPolygonF hall = rect(-30, -50, 30, 0);
        const SensorZone indexed = computeSensorZone(p, QPointF(0, -0.07), 0, { box }, hall);
        const SensorZone every
            = computeSensorZone(p, QPointF(0, -0.07), 0, { box }, hall, EdgeSearch::EveryEdge);
        QVERIFY2(difference(indexed, every).isEmpty(), qPrintable(QString::number(shift)));
        if (shift == 0)
            QCOMPARE(indexed.pieces.size(), 2);
    }
}

void TestSightIndex::obstaclesOfEveryShapeCastTheirShadows_data()
{
    QTest::addColumn<QPolygonF>("obstacle");
    const auto star = [](int points, int step, double radius, bool clockwise) {
        QPolygonF polygon;
        for (int i = 0; i < points; ++i) {
            const double a = (clockwise ? -1 : 1) * 2 * M_PI * i * step / points;
            polygon.append(QPointF(radius * std::sin(a), -6 + radius * std::cos(a)));
        }
        return polygon;
    };
    QTest::newRow("box") << rect(-1, -7, 1, -5);
    QTest::newRow("box, the other way round")
        << QPolygonF({ QPointF(-1, -7), QPointF(-1, -5), QPointF(1, -5), QPointF(1, -7) });
    QTest::newRow("octagon") << star(8, 1, 1.5, false);
    QTest::newRow("five-pointed star") << star(5, 2, 1.5, false);
    QTest::newRow("five-pointed star, the other way round") << star(5, 2, 1.5, true);
    QTest::newRow("seven-pointed star") << star(7, 3, 1.5, false);
    QTest::newRow("L") << QPolygonF({ QPointF(-1.5, -7), QPointF(1.5, -7), QPointF(1.5, -6.5),
        QPointF(-1, -6.5), QPointF(-1, -5), QPointF(-1.5, -5) });
    QTest::newRow("with a point repeated") << QPolygonF(
        { QPointF(-1, -7), QPointF(1, -7), QPointF(1, -7), QPointF(1, -5), QPointF(-1, -5) });
}

// Whatever its shape or the way it runs round, an obstacle before a detector
// hides the same floor as when every one of its edges casts a shadow.
void TestSightIndex::obstaclesOfEveryShapeCastTheirShadows()
{
    QFETCH(QPolygonF, obstacle);
    ZoneParameters p;
    p.sensor = '4';
    p.height = 4;
    const QPolygonF hall = rect(-30, -50, 30, 0);
    for (double shift = -4; shift <= 4; shift += 2) {
        const QPolygonF moved = obstacle.translated(shift, 0);
        const SensorZone indexed = computeSensorZone(p, QPointF(0, -0.07), 0, { moved }, hall);
        const SensorZone all
            = computeSensorZone(p, QPointF(0, -0.07), 0, { moved }, hall, EdgeSearch::EveryShadow);
        QCOMPARE(indexed.pieces.size(), all.pieces.size());
        QVERIFY2(std::abs(area(indexed.pieces) - area(all.pieces)) <= 4e-6 * perimeter(all.pieces),
            qPrintable(QStringLiteral("shifted by %1: %2 against %3 m²")
                           .arg(shift)
                           .arg(area(indexed.pieces), 0, 'f', 9)
                           .arg(area(all.pieces), 0, 'f', 9)));
        QVERIFY(
            area(all.pieces) < area(computeSensorZone(p, QPointF(0, -0.07), 0, {}, hall).pieces));
    }
}

void TestSightIndex::candidatesHoldEveryCrossedSegment_data()
{
    QTest::addColumn<QPointF>("eye");
    QTest::addColumn<double>("spread");
    QTest::newRow("eye at the origin") << QPointF(0, 0) << 10.0;
    QTest::newRow("eye far from the origin") << QPointF(1234.5, -987.25) << 30.0;
    QTest::newRow("segments close round the eye") << QPointF(3, 4) << 0.01;
}

void TestSightIndex::candidatesHoldEveryCrossedSegment()
{
    QFETCH(QPointF, eye);
    QFETCH(double, spread);
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> around(-spread, spread);
    std::vector<std::pair<QPointF, QPointF>> segments;
    for (int i = 0; i < 400; ++i) {
        const QPointF p1 = eye + QPointF(around(random), around(random));
        // Some segments end on the eye's own horizontal line to its left,
        // where the directions wrap round.
        const QPointF p2 = i % 5 == 0 ? eye + QPointF(-std::abs(around(random)), 0)
                                      : eye + QPointF(around(random), around(random));
        segments.emplace_back(p1, p2);
    }
    const SightIndex index(eye, segments);
    int crossings = 0;
    for (int j = 0; j < 2000; ++j) {
        // Half of the targets exactly towards -x, the seam itself.
        const QPointF to = j % 2 == 0 ? eye + QPointF(-2 * spread * (1 + j % 7), 0)
                                      : eye + 2 * QPointF(around(random), around(random));
        if (index.isShort(to))
            continue;
        const auto candidates = index.candidates(to);
        const std::vector<int> listed(candidates.first, candidates.second);
        QVERIFY(std::is_sorted(listed.begin(), listed.end()));
        // The same direction a turn away, as a zone's turned directions
        // come: at the seam the other end's sector, holding the same.
        const double direction = std::atan2(to.y() - eye.y(), to.x() - eye.x());
        const auto turned = index.candidatesAt(direction + (direction < 0 ? 2 : -2) * kPi);
        const std::vector<int> alsoListed(turned.first, turned.second);
        for (int i = 0; i < int(segments.size()); ++i) {
            if (!crosses(eye, to, segments[size_t(i)].first, segments[size_t(i)].second))
                continue;
            ++crossings;
            QVERIFY2(std::binary_search(listed.begin(), listed.end(), i)
                    && std::binary_search(alsoListed.begin(), alsoListed.end(), i),
                qPrintable(
                    QStringLiteral("segment %1, target %2 %3").arg(i).arg(to.x()).arg(to.y())));
        }
    }
    QVERIFY(crossings > 1000);
}

// The clipping library, handed a path without the vertices that lie
// straight between their neighbours, gives back the very same paths: for
// zones cut short on walls and posts, and for paths made to trip it up.
void TestSightIndex::straightenedPathsClipAlike()
{
    const auto clip = [](const ClipperLib::Path &subject, const ClipperLib::Paths &clip,
                          ClipperLib::ClipType type) {
        ClipperLib::Clipper clipper;
        clipper.AddPath(subject, ClipperLib::ptSubject, true);
        clipper.AddPaths(clip, ClipperLib::ptClip, true);
        ClipperLib::Paths result;
        clipper.Execute(type, result, ClipperLib::pftEvenOdd, ClipperLib::pftNonZero);
        return result;
    };
    std::vector<std::pair<ClipperLib::Path, ClipperLib::Paths>> cases;
    std::mt19937 random(4242);
    int shortened = 0;
    for (int layout = Boxes; layout <= NearTheCentre; ++layout) {
        for (int i = 0; i < 8; ++i) {
            const Case c = randomCase(Layout(layout), random);
            QVector<QPolygonF> walls = c.obstacles;
            walls.append(c.outline);
            const SensorZone zone = computeSightLineZone(c.parameters, c.pivot, c.rotation, walls);
            const QTransform toScene = zoneTransform(c.pivot, c.rotation);
            const ClipFrame frame(toScene.map(zone.opticalCentre), 200);
            ClipperLib::Paths obstacles;
            for (const QPolygonF &obstacle : c.obstacles)
                obstacles.push_back(ClipFrame::positive(frame.toPath(obstacle)));
            const ClipperLib::Path path = frame.toPath(toScene.map(zone.polygon));
            shortened += ClipFrame::straightened(path).size() < path.size() / 2;
            cases.emplace_back(path, ClipperLib::Paths { frame.toPath(c.outline) });
            cases.emplace_back(path, obstacles);
            // And the floor the eye sees, as the zone is cut to it.
            std::vector<std::pair<QPointF, QPointF>> edges;
            for (const QPolygonF &wall : walls) {
                for (int j = 0; j < wall.size(); ++j)
                    edges.emplace_back(wall.at(j), wall.at((j + 1) % wall.size()));
            }
            SightIndex::Interval everywhere;
            everywhere.everywhere = true;
            const QPolygonF sight
                = sightPolygon(toScene.map(zone.opticalCentre), edges, 150, everywhere);
            cases.emplace_back(path, ClipperLib::Paths { frame.toPath(sight) });
        }
    }
    QVERIFY2(shortened > 10, qPrintable(QString::number(shortened)));
    // Runs along a line, turning back on it, repeated points, a run across
    // the first vertex, and a path that is all one line.
    const ClipperLib::Path runs { { 0, 0 }, { 10, 0 }, { 20, 0 }, { 30, 0 }, { 30, 10 },
        { 30, 20 }, { 30, 15 }, { 30, 30 }, { 20, 30 }, { 20, 30 }, { 10, 30 }, { 0, 30 },
        { 0, 20 }, { 0, 10 } };
    const ClipperLib::Path spike { { 0, 0 }, { 40, 0 }, { 40, 40 }, { 20, 40 }, { 20, 60 },
        { 20, 50 }, { 20, 40 }, { 0, 40 } };
    const ClipperLib::Path across { { 5, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 }, { 0, 0 },
        { 2, 0 } };
    const ClipperLib::Path line { { 0, 0 }, { 10, 0 }, { 20, 0 }, { 5, 0 } };
    const ClipperLib::Path bow { { 0, 0 }, { 10, 10 }, { 20, 20 }, { 20, 0 }, { 10, 10 },
        { 0, 20 } };
    const ClipperLib::Paths windows { { { 5, 5 }, { 25, 5 }, { 25, 25 }, { 5, 25 } },
        { { -5, 15 }, { 45, 15 }, { 45, 45 }, { -5, 45 } } };
    for (const ClipperLib::Path &path : { runs, spike, across, line, bow }) {
        cases.emplace_back(path, ClipperLib::Paths { windows[0] });
        cases.emplace_back(path, ClipperLib::Paths { windows[1] });
    }
    for (const auto &c : cases) {
        const ClipperLib::Path straight = ClipFrame::straightened(c.first);
        QCOMPARE(straight.front(), c.first.front());
        for (const ClipperLib::ClipType type :
            { ClipperLib::ctIntersection, ClipperLib::ctDifference })
            QVERIFY(clip(straight, c.second, type) == clip(c.first, c.second, type));
    }
}

void TestSightIndex::quickArctangentWithinItsError_data()
{
    // Directions spread over the whole turn, or crowded where the arctangent
    // changes its reduction: near the axes, the diagonals and tan(π/12).
    QTest::addColumn<double>("centre"); // radians; NaN: anywhere
    QTest::addColumn<double>("spread");
    QTest::addColumn<double>("scale"); // the length of (x, y)
    const double nan = std::nan("");
    const double pi = SightIndex::kPi;
    QTest::newRow("whole turn") << nan << 0.0 << 1.0;
    QTest::newRow("whole turn, tiny") << nan << 0.0 << 1e-300;
    QTest::newRow("whole turn, huge") << nan << 0.0 << 1e300;
    for (int k = -4; k <= 4; ++k) {
        const QByteArray name = "quarter turns " + QByteArray::number(k);
        QTest::newRow(name + ", near") << k * pi / 2 << 1e-3 << 3.0;
        QTest::newRow(name + ", nearer") << k * pi / 2 << 1e-12 << 3.0;
        QTest::newRow(name + " and an eighth") << (k + 0.5) * pi / 2 << 1e-9 << 3.0;
    }
    QTest::newRow("a twelfth of a half turn") << pi / 12 << 1e-9 << 5.0;
    QTest::newRow("five twelfths") << 5 * pi / 12 << 1e-9 << 5.0;
    QTest::newRow("seven twelfths, below") << -7 * pi / 12 << 1e-9 << 5.0;
}

void TestSightIndex::quickArctangentWithinItsError()
{
    QFETCH(double, centre);
    QFETCH(double, spread);
    QFETCH(double, scale);
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> unit(-1, 1);
    double worst = 0;
    for (int i = 0; i < 20000; ++i) {
        const double angle = std::isnan(centre) ? SightIndex::kPi * unit(random)
                                                : centre + spread * unit(random);
        const double length = scale * (1 + 0.5 * unit(random));
        const double x = length * std::cos(angle);
        const double y = length * std::sin(angle);
        double error = std::abs(SightIndex::quickAtan2(y, x) - std::atan2(y, x));
        // ±π are one direction.
        error = std::min(error, std::abs(error - 2 * SightIndex::kPi));
        worst = std::max(worst, error);
    }
    QVERIFY2(worst <= SightIndex::kQuickAtan2Error, QByteArray::number(worst).constData());
}

void TestSightIndex::quickArctangentOfZerosAndInfinities()
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    const double values[] = { 0.0, -0.0, 1.0, -1.0, 1e-310, -1e-310, inf, -inf, nan };
    for (double y : values) {
        for (double x : values) {
            const double expected = std::atan2(y, x);
            const double quick = SightIndex::quickAtan2(y, x);
            if (std::isnan(expected)) {
                QVERIFY(std::isnan(quick));
                continue;
            }
            // The library's own where it matters, the sign of ±π and ±0 too;
            // to within the error elsewhere.
            if (y == 0 || x == 0 || std::isinf(x) || std::isinf(y))
                QCOMPARE(std::signbit(quick), std::signbit(expected));
            QVERIFY2(std::abs(quick - expected) <= SightIndex::kQuickAtan2Error,
                QByteArray::number(y) + ", " + QByteArray::number(x));
        }
    }
}

QTEST_APPLESS_MAIN(TestSightIndex)
#include "tst_sightindex.moc"
