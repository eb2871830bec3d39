#include "helper_sensorbench.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/sensorzone.h"
#include "detectors/zonegraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/graphicslineitem.h"
#include "scene/graphicspolygonitem2.h"
#include "scene/view.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// A room of 40 m × 30 m around the origin, drawn clockwise on screen.
const QPolygonF kRoom({ { -20, -15 }, { 20, -15 }, { 20, 15 }, { -20, 15 } });

bool near(const QPointF &a, const QPointF &b, double tolerance = 1e-9)
{
    return QLineF(a, b).length() < tolerance;
}

// The direction the detector faces, in the scene.
QPointF facing(const SensorGraphicsItem2 *detector)
{
    return detector->mapToScene(QPointF(0, -1)) - detector->mapToScene(QPointF(0, 0));
}

QPointF centroid(const QPolygonF &polygon)
{
    QPointF sum;
    for (const QPointF &p : polygon)
        sum += p;
    return polygon.isEmpty() ? sum : sum / polygon.size();
}

} // namespace

class TestSensorPlacement : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void facesAwayFromItsWall_data();
    void facesAwayFromItsWall();
    void positionIsClampedToTheSection_data();
    void positionIsClampedToTheSection();
    void zeroLengthSectionKeepsThePosition();
    void togglingTheCornerKeepsThePlace();
    void invalidSectionsAreRefused();
    void creationFollowsThePointerAndSnaps();
    void creationWithoutSurfaceKeepsFollowing();
    void dragSlidesAcrossSurfaces();
    void rayPointTurnsTheDetector_data();
    void rayPointTurnsTheDetector();
    void dragPaintsZonesQuickly_data();
    void dragPaintsZonesQuickly();
    void pressingAnotherZoneSwitchesEditing();
    void zoneFollowsObstaclesAndFlags();
    void surfaceChangesKeepTheDistance();
    void calibrationScalesPositionAndLabel();
    void deletingRemovesEveryPart();
};

void TestSensorPlacement::init()
{
    SensorRecord::resetInheritedDefaults();
    SensorGraphicsItem2::showRay = true;
    SensorLabelGraphicsItem::showLabels = true;
    SensorLabelGraphicsItem::lastOffset = QPointF(1, 0);
    SensorLabelGraphicsItem::lastScale = 0.01;
}

void TestSensorPlacement::facesAwayFromItsWall_data()
{
    QTest::addColumn<bool>("onOutline");
    QTest::addColumn<int>("section");
    QTest::addColumn<QPointF>("direction");

    QTest::newRow("obstacle top") << false << 0 << QPointF(0, -1);
    QTest::newRow("obstacle right") << false << 1 << QPointF(1, 0);
    QTest::newRow("obstacle bottom") << false << 2 << QPointF(0, 1);
    QTest::newRow("obstacle left") << false << 3 << QPointF(-1, 0);
    QTest::newRow("outline top") << true << 0 << QPointF(0, 1);
    QTest::newRow("outline right") << true << 1 << QPointF(-1, 0);
    QTest::newRow("outline bottom") << true << 2 << QPointF(0, -1);
    QTest::newRow("outline left") << true << 3 << QPointF(1, 0);
}

void TestSensorPlacement::facesAwayFromItsWall()
{
    QFETCH(bool, onOutline);
    QFETCH(int, section);
    QFETCH(QPointF, direction);

    SensorBench bench;
    bench.plan->setPath(kRoom);
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(4, 2));
    QGraphicsItem *surface = onOutline ? static_cast<QGraphicsItem *>(bench.plan) : obstacle;
    SensorGraphicsItem2 *detector = bench.addSensor(surface, section, 1);
    detector->setAngle(20);

    QVERIFY2(near(facing(detector), direction, 1e-9),
        qPrintable(
            QStringLiteral("faces (%1, %2)").arg(facing(detector).x()).arg(facing(detector).y())));
    QCOMPARE(detector->headMarker()->rotation(), detector->rotation() + 20);
    // The zone lies on the side the detector faces.
    detector->setAngle(0);
    detector->updateZone();
    const QPolygonF zone = detector->zone()->mapToScene(detector->zone()->polygon());
    QVERIFY(!zone.isEmpty());
    const QPointF towards = centroid(zone) - detector->zone()->scenePos();
    QVERIFY(QPointF::dotProduct(towards, direction) > 1);
}

void TestSensorPlacement::positionIsClampedToTheSection_data()
{
    QTest::addColumn<double>("requested");
    QTest::addColumn<bool>("atRight");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QPointF>("place");

    // The top of a 10 m × 4 m obstacle: from (-5, -2) to (5, -2).
    QTest::newRow("inside") << 3.0 << false << 3.0 << QPointF(-2, -2);
    QTest::newRow("from the right") << 3.0 << true << 3.0 << QPointF(2, -2);
    QTest::newRow("beyond the end") << 12.0 << false << 10.0 << QPointF(5, -2);
    QTest::newRow("before the start") << -3.0 << false << 0.0 << QPointF(-5, -2);
    QTest::newRow("beyond, from the right") << 12.0 << true << 10.0 << QPointF(-5, -2);
}

void TestSensorPlacement::positionIsClampedToTheSection()
{
    QFETCH(double, requested);
    QFETCH(bool, atRight);
    QFETCH(double, stored);
    QFETCH(QPointF, place);

    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 1);
    QCOMPARE(detector->sectionLength(), 10.0);
    QSignalSpy changed(detector, &SensorGraphicsItem2::changed);
    detector->setPosition(requested, atRight);
    QCOMPARE(detector->position(), stored);
    QCOMPARE(detector->atRight(), atRight);
    QVERIFY(near(detector->pos(), place));
    QVERIFY(changed.count() >= 1);
    QVERIFY(qAbs(detector->positionFromPoint() - stored) < 1e-9);
}

void TestSensorPlacement::zeroLengthSectionKeepsThePosition()
{
    SensorBench bench;
    // Section 1 runs from (20, -15) to the same point.
    bench.plan->setPath(
        QPolygonF({ { -20, -15 }, { 20, -15 }, { 20, -15 }, { 20, 15 }, { -20, 15 } }));
    auto *detector = bench.addSensor(bench.plan, 1, 0);
    QCOMPARE(detector->sectionLength(), 0.0);
    detector->setPosition(4, false);
    QCOMPARE(detector->position(), 4.0);
    QVERIFY(near(detector->pos(), QPointF(20, -15)));
    detector->setPosition(-3, true);
    QCOMPARE(detector->position(), 0.0);
    QVERIFY(near(detector->pos(), QPointF(20, -15)));
}

void TestSensorPlacement::togglingTheCornerKeepsThePlace()
{
    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 3);
    const QPointF place = detector->pos();
    detector->setPosition(detector->sectionLength() - detector->position(), true);
    QCOMPARE(detector->position(), 7.0);
    QVERIFY(detector->atRight());
    QVERIFY(near(detector->pos(), place));
    detector->updateLabelText();
    QVERIFY(detector->labelText().contains(QStringLiteral("Положение: 7.0м от правого угла")));
}

void TestSensorPlacement::invalidSectionsAreRefused()
{
    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 detector(bench.objects, bench.plan);
    QCOMPARE(detector.section(), -1);
    QCOMPARE(detector.surfaceIndex(), -1);
    QVERIFY(!detector.setSurface(obstacle, 4));
    QVERIFY(!detector.setSurface(obstacle, -1));
    QVERIFY(!detector.setSurface(bench.plan, 0)); // no outline yet
    QVERIFY(!detector.setSurface(nullptr, 0));
    QCOMPARE(detector.section(), -1);
    QVERIFY(!detector.surface());
    // Without a surface a position is only remembered as a corner.
    detector.setPosition(5, true);
    QCOMPARE(detector.position(), 0.0);
    QCOMPARE(detector.positionFromPoint(), 0.0);
    QCOMPARE(detector.sectionLength(), 0.0);

    QVERIFY(detector.setSurface(obstacle, 3));
    QCOMPARE(detector.surfaceIndex(), 1);
    QVERIFY(!detector.setSurface(obstacle, 7));
    QCOMPARE(detector.section(), 3);
}

void TestSensorPlacement::creationFollowsThePointerAndSnaps()
{
    SensorBench bench;
    bench.plan->setPath(kRoom);
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(4, 2));
    SensorGraphicsItem2 *detector = bench.createSensor();
    QCOMPARE(detector->mode(), 1);
    QVERIFY(!detector->isVisible());
    QVERIFY(bench.editingItem == detector);

    bench.moveTo(QPointF(0.5, -1.6));
    QVERIFY(detector->isVisible());
    QCOMPARE(detector->surface(), static_cast<QGraphicsItem *>(obstacle));
    QCOMPARE(detector->section(), 0);
    QCOMPARE(detector->pos().y(), -1.0);
    QVERIFY(qAbs(detector->pos().x() - 0.5) < 0.06);
    QVERIFY(near(facing(detector), QPointF(0, -1)));
    QVERIFY(detector->zone()->scene() == &bench.scene);
    QVERIFY(detector->zone()->isVisible());

    // Nearer the room's right wall the detector jumps there and faces left.
    bench.moveTo(QPointF(18.8, 3));
    QCOMPARE(detector->surface(), static_cast<QGraphicsItem *>(bench.plan));
    QCOMPARE(detector->section(), 1);
    QCOMPARE(detector->pos().x(), 20.0);
    QVERIFY(near(facing(detector), QPointF(-1, 0)));

    bench.click(QPointF(18.8, 3));
    QCOMPARE(bench.createdCount, 1);
    QCOMPARE(detector->mode(), 0);
    QVERIFY(!bench.editingItem);
    // The stored distance is that of the place where the detector was fixed.
    QVERIFY(qAbs(detector->position() - detector->positionFromPoint()) < 1e-9);
    // Measured from the left corner as the detector sees it: the bottom end.
    QVERIFY(qAbs(detector->position() - 12) < 0.06);
    QVERIFY(detector->label()->scene() == &bench.scene);
    QVERIFY(detector->label()->toPlainText().startsWith(QStringLiteral("Тэг: \nТип: ")));
    QVERIFY(near(detector->label()->pos(), detector->pos() + QPointF(1, 0)));
}

void TestSensorPlacement::creationWithoutSurfaceKeepsFollowing()
{
    SensorBench bench;
    SensorGraphicsItem2 *detector = bench.createSensor();
    bench.moveTo(QPointF(3, 4));
    QVERIFY(!detector->surface());
    QVERIFY(qAbs(detector->pos().x() - 3) < 0.06);
    QVERIFY(qAbs(detector->pos().y() - 4) < 0.06);
    // A right click neither fixes nor cancels it.
    QTest::mousePress(bench.view->window()->windowHandle(), Qt::RightButton, Qt::NoModifier,
        bench.view->viewport()->mapTo(bench.view->window(), bench.viewPoint(QPointF(3, 4))));
    QCOMPARE(detector->mode(), 1);
    QTest::mouseRelease(bench.view->window()->windowHandle(), Qt::RightButton, Qt::NoModifier,
        bench.view->viewport()->mapTo(bench.view->window(), bench.viewPoint(QPointF(3, 4))));
    detector->stopEdit();
    QCOMPARE(bench.createdCount, 0);
    bench.sensors.append(detector);
}

void TestSensorPlacement::dragSlidesAcrossSurfaces()
{
    SensorBench bench;
    bench.plan->setPath(kRoom);
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(4, 2));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 2);
    QVERIFY(near(detector->pos(), QPointF(0, -1)));

    // The head marker stands 2 mm in front of the pivot.
    const QPoint head = bench.viewPoint(detector->mapToScene(QPointF(0, -0.07))) + QPoint(0, -6);
    bench.click(head);
    QCOMPARE(SensorGraphicsItem2::editedSensor(), detector);
    QCOMPARE(detector->mode(), 2);
    QVERIFY(bench.editingItem == detector);
    QVERIFY(SensorGraphicsItem2::rayPoint()->scene() == &bench.scene);
    QVERIFY(detector->headMarker()->isSelected());

    QSignalSpy changed(detector, &SensorGraphicsItem2::changed);
    bench.drag(head, bench.viewPoint(QPointF(1.2, -1.5)));
    QCOMPARE(detector->surface(), static_cast<QGraphicsItem *>(obstacle));
    QCOMPARE(detector->section(), 0);
    QCOMPARE(detector->pos().y(), -1.0);
    QVERIFY(qAbs(detector->pos().x() - 1.2) < 0.06);
    QVERIFY(qAbs(detector->position() - detector->positionFromPoint()) < 1e-9);
    QVERIFY(changed.count() > 0);

    // Across the room to its bottom wall.
    const QPoint from = bench.viewPoint(detector->mapToScene(QPointF(0, -0.07))) + QPoint(0, -6);
    bench.drag(from, bench.viewPoint(QPointF(-6, 14)));
    QCOMPARE(detector->surface(), static_cast<QGraphicsItem *>(bench.plan));
    QCOMPARE(detector->section(), 2);
    QCOMPARE(detector->pos().y(), 15.0);
    QVERIFY(near(facing(detector), QPointF(0, -1)));
    QVERIFY(qAbs(detector->position() - detector->positionFromPoint()) < 1e-9);
    // The label keeps its offset from the detector.
    QVERIFY(near(detector->label()->pos(), detector->pos() + detector->labelOffset()));
    // The zone starts at the new head pivot.
    QVERIFY(near(detector->zone()->scenePos(), detector->mapToScene(QPointF(0, -0.07))));
}

void TestSensorPlacement::rayPointTurnsTheDetector_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<QPointF>("pointer"); // relative to the head pivot
    QTest::addColumn<int>("angle");

    // On the top of the obstacle the detector faces up the screen.
    QTest::newRow("ahead") << 0 << QPointF(0, -6) << 0;
    QTest::newRow("right, 45") << 0 << QPointF(6, -6) << 45;
    QTest::newRow("left, 45") << 0 << QPointF(-6, -6) << -45;
    QTest::newRow("along the wall, right") << 0 << QPointF(6, 0) << 90;
    QTest::newRow("behind, right") << 0 << QPointF(6, 1) << 90;
    QTest::newRow("behind, left") << 0 << QPointF(-6, 1) << -90;
    // On the right side it faces right; turning right is clockwise on screen.
    QTest::newRow("right side, down") << 1 << QPointF(6, 6) << 45;
    QTest::newRow("right side, behind") << 1 << QPointF(-1, -6) << -90;
}

void TestSensorPlacement::rayPointTurnsTheDetector()
{
    QFETCH(int, section);
    QFETCH(QPointF, pointer);
    QFETCH(int, angle);

    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(4, 2));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, section, 1);
    detector->startEdit();
    GraphicsPolygonItem2 *rayPoint = SensorGraphicsItem2::rayPoint();
    QVERIFY(rayPoint->scene() == &bench.scene);
    const QPointF rayEnd = detector->ray()->mapToScene(detector->ray()->line().p2());
    QVERIFY(near(rayPoint->scenePos(), rayEnd));

    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    QSignalSpy changed(detector, &SensorGraphicsItem2::changed);
    bench.drag(bench.viewPoint(rayPoint->scenePos()), bench.viewPoint(pivot + pointer));
    QCOMPARE(detector->angle(), angle);
    QVERIFY(changed.count() > 0);
    // The ray point stays on the end of the (turned) ray.
    const QPointF newEnd = detector->ray()->mapToScene(detector->ray()->line().p2());
    QVERIFY(near(rayPoint->scenePos(), newEnd, 1e-6));
    QCOMPARE(detector->ray()->rotation(), detector->rotation() + angle);
    QCOMPARE(detector->headMarker()->rotation(), detector->rotation() + angle);
    // The ray and its point are where the one placement of the ray puts them.
    const SensorRay placed
        = placeSensorRay(detector->ray()->line(), pivot, detector->rotation(), angle);
    QCOMPARE(detector->ray()->pos(), placed.pos);
    QCOMPARE(detector->ray()->rotation(), placed.rotation);
    QCOMPARE(rayPoint->scenePos(), placed.sceneEnd);
    // The detector itself did not move.
    QCOMPARE(detector->section(), section);
    QVERIFY(qAbs(detector->position() - 1) < 1e-9);
}

void TestSensorPlacement::dragPaintsZonesQuickly_data()
{
    QTest::addColumn<bool>("turn");
    QTest::newRow("moved along the wall") << false;
    QTest::newRow("turned by the ray point") << true;
}

// While the left button drags a detector, or turns it by its ray point, every
// zone of the scene is filled without antialiasing; the release brings the
// smooth painting back, and an image drawn meanwhile is drawn as outside a drag.
void TestSensorPlacement::dragPaintsZonesQuickly()
{
    QFETCH(bool, turn);
    SensorBench bench;
    bench.plan->setPath(kRoom);
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(4, 2));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 2);
    bench.addSensor(bench.plan, 2, 10);
    detector->startEdit();
    const auto viewImage = [&bench] {
        QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        bench.scene.render(&painter, QRectF(image.rect()), QRectF(-20, -15, 40, 30));
        return image;
    };

    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    const QPoint from = turn ? bench.viewPoint(SensorGraphicsItem2::rayPoint()->scenePos())
                             : bench.viewPoint(pivot) + QPoint(0, -6);
    const QPoint to
        = turn ? bench.viewPoint(pivot + QPointF(6, -6)) : bench.viewPoint(QPointF(1.2, -1.5));
    bench.moveTo(from);
    bench.press(from);
    QVERIFY(!ZoneGraphicsItem::dragPainting(&bench.scene));
    for (int i = 1; i <= 3; ++i)
        bench.moveTo(from + (to - from) * i / 3);
    QVERIFY(turn ? detector->angle() == 45 : detector->pos().x() > 1);
    QVERIFY(ZoneGraphicsItem::dragPainting(&bench.scene));

    const QImage quick = viewImage();
    QImage smooth;
    {
        const ZoneGraphicsItem::NormalPainting normal(&bench.scene);
        smooth = viewImage();
    }
    QVERIFY(ZoneGraphicsItem::dragPainting(&bench.scene));
    QVERIFY(quick != smooth);

    bench.release(to);
    QVERIFY(!ZoneGraphicsItem::dragPainting(&bench.scene));
    QCOMPARE(viewImage(), smooth);
    // A click that moves nothing paints nothing quickly.
    bench.click(to);
    QVERIFY(!ZoneGraphicsItem::dragPainting(&bench.scene));
}

void TestSensorPlacement::pressingAnotherZoneSwitchesEditing()
{
    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(4, 2));
    SensorGraphicsItem2 *up = bench.addSensor(obstacle, 0, 2);
    SensorGraphicsItem2 *down = bench.addSensor(obstacle, 2, 2);
    up->startEdit();
    QCOMPARE(SensorGraphicsItem2::editedSensor(), up);

    // Pressing inside the lower detector's zone, away from everything else.
    bench.click(QPointF(0, 6));
    QCOMPARE(SensorGraphicsItem2::editedSensor(), down);
    QCOMPARE(up->mode(), 0);
    QCOMPARE(down->mode(), 2);
    QVERIFY(!up->headMarker()->isSelected());
    QVERIFY(bench.editingItem == down);
    QVERIFY(near(SensorGraphicsItem2::rayPoint()->scenePos(),
        down->ray()->mapToScene(down->ray()->line().p2())));

    // Pressing its own zone again keeps it edited; pressing empty floor ends it.
    bench.click(QPointF(0, 6));
    QCOMPARE(SensorGraphicsItem2::editedSensor(), down);
    bench.click(QPointF(-15, -3));
    QVERIFY(!SensorGraphicsItem2::editedSensor());
    QCOMPARE(down->mode(), 0);
    QVERIFY(!SensorGraphicsItem2::rayPoint()->scene());
    QVERIFY(!bench.editingItem);
}

void TestSensorPlacement::zoneFollowsObstaclesAndFlags()
{
    SensorBench bench;
    ObjectGraphicsItem *wall = bench.addObstacle(QPointF(0, 0), QSizeF(4, 2));
    SensorGraphicsItem2 *detector = bench.addSensor(wall, 0, 2);
    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    auto reach = [&]() {
        double farthest = 0;
        const QPolygonF zone = detector->zone()->mapToScene(detector->zone()->polygon());
        for (const QPointF &p : zone)
            farthest = qMax(farthest, QLineF(pivot, p).length());
        return farthest;
    };
    const double open = reach();
    QVERIFY(open > 30);
    // Its zone is exactly the computation for its place and the plan's outlines.
    const SensorZone expected = computeSensorZone(detector->record(), pivot, detector->rotation(),
        { wall->mapToScene(wall->polygon()), QPolygonF() });
    QCOMPARE(detector->zone()->polygon(), expected.polygon);
    QCOMPARE(detector->ray()->line(), expected.ray);

    // An obstacle straddling the axis 10 m ahead shortens the zone.
    bench.addObstacle(QPointF(0, -11), QSizeF(6, 2));
    detector->updateZone();
    QVERIFY(reach() < open);

    // Without any direction reaching the floor the zone hides, the ray stays.
    detector->setSensor('3');
    detector->setNoiseImmunity(true);
    detector->setSensitivity(0);
    detector->setHeight(20);
    detector->updateZone();
    QVERIFY(!detector->zone()->isVisible());
    QVERIFY(detector->ray()->isVisible());

    SensorGraphicsItem2::showRay = false;
    detector->startEdit();
    QVERIFY(!detector->ray()->isVisible());
    QVERIFY(!SensorGraphicsItem2::rayPoint()->isVisible());
    SensorGraphicsItem2::showRay = true;
    detector->updateZone();
    QVERIFY(detector->ray()->isVisible());
    QVERIFY(SensorGraphicsItem2::rayPoint()->isVisible());
}

void TestSensorPlacement::surfaceChangesKeepTheDistance()
{
    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 1, 1.5, true);
    QVERIFY(near(detector->pos(), QPointF(5, 0.5)));
    obstacle->setGeometry(3, 4, 6, 8);
    detector->replaceOnSurface();
    QCOMPARE(detector->position(), 1.5);
    QVERIFY(detector->atRight());
    // The right side now runs from (6, 0) to (6, 8); from the right corner, the bottom.
    QVERIFY(near(detector->pos(), QPointF(6, 6.5)));
    QVERIFY(near(facing(detector), QPointF(1, 0)));
}

void TestSensorPlacement::calibrationScalesPositionAndLabel()
{
    SensorBench bench;
    bench.plan->setPath(kRoom);
    SensorGraphicsItem2 *detector = bench.addSensor(bench.plan, 0, 8);
    detector->setLabelPos(QPointF(2, 4));
    detector->setLabelScale(0.04);
    const QPointF labelOnScreen = detector->label()->pos();

    // The plan shrinks by 20 about the origin, as a calibration does.
    const double s = 1.0 / 20;
    QPolygonF room;
    for (const QPointF &p : kRoom)
        room << p * s;
    bench.plan->setPath(room);
    detector->rescale(s);
    detector->updateZone();
    QVERIFY(qAbs(detector->position() - 0.4) < 1e-12);
    QVERIFY(near(detector->pos(), QPointF(20 - 8, -15) * s));
    QVERIFY(qAbs(detector->labelScale() - 0.002) < 1e-15);
    QVERIFY(near(detector->labelOffset(), QPointF(0.1, 0.2)));
    QVERIFY(near(detector->label()->pos(), labelOnScreen * s));
}

void TestSensorPlacement::deletingRemovesEveryPart()
{
    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(4, 2));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 2);
    detector->startEdit();
    QVERIFY(SensorGraphicsItem2::rayPoint()->scene());
    const int before = bench.scene.items().size();
    QVERIFY(before > 0);
    bench.editingItem = nullptr;
    bench.sensors.removeAll(detector);
    delete detector;
    QVERIFY(!SensorGraphicsItem2::editedSensor());
    QVERIFY(!SensorGraphicsItem2::rayPoint()->scene());
    for (QGraphicsItem *item : bench.scene.items()) {
        QVERIFY(!dynamic_cast<SensorLabelGraphicsItem *>(item));
        QVERIFY(!dynamic_cast<GraphicsLineItem *>(item));
    }

    // The next detector to edit brings the ray point back.
    SensorGraphicsItem2 *next = bench.addSensor(obstacle, 2, 1);
    next->startEdit();
    QVERIFY(SensorGraphicsItem2::rayPoint()->scene() == &bench.scene);
}

QTEST_MAIN(TestSensorPlacement)
#include "tst_sensorplacement.moc"
