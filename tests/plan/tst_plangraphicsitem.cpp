#include "helper_planbench.h"

#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/geometry.h"
#include "scene/view.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// Ten pixels per scene unit.
constexpr double kZoom = 10;

QPolygonF reversed(QPolygonF polygon)
{
    std::reverse(polygon.begin(), polygon.end());
    return polygon;
}

} // namespace

class TestPlanGraphicsItem : public QObject
{
    Q_OBJECT

private slots:
    void tracingClosesNearFirstVertex_data();
    void tracingClosesNearFirstVertex();
    void twoVerticesAreDiscarded();
    void firstPressWithoutMoveFixesThePressedPoint();
    void handCursorOnlyOnceThreeAreFixed();
    void cancelKeepsFixedVertices();
    void squareIsStoredClockwise();
    void rubberBandSnapsToVertexAxes_data();
    void rubberBandSnapsToVertexAxes();
    void snapsOntoFirstVertexWhileTracing();
    void setPathAndClear();
    void pressOnOutlineReachesItemsBeneath();
};

void TestPlanGraphicsItem::tracingClosesNearFirstVertex_data()
{
    QTest::addColumn<QPolygonF>("clicked");
    QTest::addColumn<QPoint>("closeOffset");
    QTest::addColumn<QPolygonF>("outline");
    const QPolygonF clockwise({ { 0, 0 }, { 20, 0 }, { 20, 15 } });
    QTest::newRow("clockwise kept") << clockwise << QPoint(6, 7) << clockwise;
    QTest::newRow("anticlockwise reversed") << reversed(clockwise) << QPoint(-5, 5) << clockwise;
    const QPolygonF four({ { -10, -10 }, { 10, -12 }, { 12, 10 }, { -8, 9 } });
    QTest::newRow("four, on the vertex") << four << QPoint(0, 0) << four;
}

void TestPlanGraphicsItem::tracingClosesNearFirstVertex()
{
    QFETCH(QPolygonF, clicked);
    QFETCH(QPoint, closeOffset);
    QFETCH(QPolygonF, outline);
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    PlanGraphicsItem *plan = bench.plan;
    QSignalSpy editing(plan, &PlanGraphicsItem::editing);
    QSignalSpy visibled(plan, &PlanGraphicsItem::pathVisibled);

    plan->startEdit();
    QCOMPARE(editing.takeFirst().at(0).toBool(), true);
    QVERIFY(plan->isTracing());
    QCOMPARE(plan->zValue(), 2.0);
    QCOMPARE(bench.view->viewport()->cursor().shape(), Qt::CrossCursor);
    QVERIFY(!bench.view->testAttribute(Qt::WA_Hover));

    for (const QPointF &vertex : clicked) {
        bench.moveTo(vertex);
        bench.click(vertex);
    }
    QCOMPARE(plan->polygon().size(), clicked.size() + 1);
    const QPoint close = bench.viewPoint(clicked.first()) + closeOffset;
    bench.moveTo(close);
    bench.click(close);

    QVERIFY(!plan->isTracing());
    QCOMPARE(plan->polygon(), outline);
    QCOMPARE(polygonOrientation(plan->polygon()), 1);
    QVERIFY(plan->hasPath());
    QVERIFY(plan->isVisible());
    QCOMPARE(visibled.last().at(0).toBool(), true);
    QCOMPARE(plan->zValue(), 0.0);
    QCOMPARE(bench.view->viewport()->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(bench.view->testAttribute(Qt::WA_Hover));
    QCOMPARE(editing.size(), 1);
    QCOMPARE(editing.first().at(0).toBool(), false);
    QCOMPARE(bench.editingItem, nullptr);
}

void TestPlanGraphicsItem::twoVerticesAreDiscarded()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    PlanGraphicsItem *plan = bench.plan;
    QSignalSpy editing(plan, &PlanGraphicsItem::editing);
    QSignalSpy visibled(plan, &PlanGraphicsItem::pathVisibled);
    plan->startEdit();
    bench.click(QPointF(0, 0));
    bench.click(QPointF(20, 0));
    const QPoint nearFirst = bench.viewPoint(QPointF(0, 0)) + QPoint(3, 3);
    bench.moveTo(nearFirst);
    bench.click(nearFirst);
    QVERIFY(!plan->isTracing());
    QVERIFY(plan->polygon().isEmpty());
    QVERIFY(!plan->hasPath());
    QVERIFY(!plan->isVisible());
    QCOMPARE(visibled.last().at(0).toBool(), false);
    QCOMPARE(editing.last().at(0).toBool(), false);
}

void TestPlanGraphicsItem::firstPressWithoutMoveFixesThePressedPoint()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    PlanGraphicsItem *plan = bench.plan;
    plan->startEdit();
    // Tracing started with the pointer resting over the view: the first press
    // arrives with no move before it.
    const QPoint at = bench.viewPoint(QPointF(7, -4));
    QMouseEvent press(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QVERIFY(plan->viewMousePress(&press));
    QCOMPARE(plan->polygon().size(), 2);
    QCOMPARE(plan->polygon().first(), bench.scenePoint(at));
    QCOMPARE(plan->polygon().last(), bench.scenePoint(at));
    plan->stopEdit();
}

void TestPlanGraphicsItem::handCursorOnlyOnceThreeAreFixed()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    PlanGraphicsItem *plan = bench.plan;
    const QPoint nearFirst = bench.viewPoint(QPointF(0, 0)) + QPoint(4, 4);
    plan->startEdit();
    bench.click(QPointF(0, 0));
    bench.click(QPointF(20, 0));
    bench.moveTo(nearFirst);
    QCOMPARE(bench.view->viewport()->cursor().shape(), Qt::CrossCursor);
    bench.moveTo(QPointF(20, 20));
    bench.click(QPointF(20, 20));
    bench.moveTo(nearFirst);
    QCOMPARE(bench.view->viewport()->cursor().shape(), Qt::PointingHandCursor);
    // Ten pixels away is no longer near.
    bench.moveTo(bench.viewPoint(QPointF(0, 0)) + QPoint(0, 10));
    QCOMPARE(bench.view->viewport()->cursor().shape(), Qt::CrossCursor);
    plan->stopEdit();
}

void TestPlanGraphicsItem::cancelKeepsFixedVertices()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    PlanGraphicsItem *plan = bench.plan;
    const QPolygonF four({ { 0, 0 }, { 20, 0 }, { 20, 20 }, { 0, 20 } });
    plan->startEdit();
    for (const QPointF &vertex : four)
        bench.click(vertex);
    bench.moveTo(QPointF(-10, 10));
    bench.editingItem->stopEdit();
    QCOMPARE(plan->polygon(), four);
    QVERIFY(plan->isVisible());
    QCOMPARE(bench.editingItem, nullptr);
}

void TestPlanGraphicsItem::squareIsStoredClockwise()
{
    PlanBench bench;
    bench.view->scale(20, 20);
    PlanGraphicsItem *plan = bench.plan;
    plan->startEdit();
    for (const QPointF &vertex : QPolygonF({ { 0, 0 }, { 0, 10 }, { 10, 10 }, { 10, 0 } }))
        bench.click(vertex);
    bench.click(QPointF(0, 0));
    const QPolygonF stored({ { 10, 0 }, { 10, 10 }, { 0, 10 }, { 0, 0 } });
    QCOMPARE(plan->polygon(), stored);
    // Section 0 is the right wall, section 3 the top one.
    QPointF best(qInf(), qInf());
    QCOMPARE(nearestPolygonPoint(plan->polygon(), QPointF(11, 5), best), 0);
    best = QPointF(qInf(), qInf());
    QCOMPARE(nearestPolygonPoint(plan->polygon(), QPointF(5, -1), best), 3);
}

void TestPlanGraphicsItem::rubberBandSnapsToVertexAxes_data()
{
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<bool>("snappedX");
    QTest::addColumn<bool>("snappedY");
    QTest::newRow("9 px right of the vertical") << QPoint(9, 120) << true << false;
    QTest::newRow("10 px right of the vertical") << QPoint(10, 120) << false << false;
    QTest::newRow("9 px above the horizontal") << QPoint(-150, -9) << false << true;
    QTest::newRow("10 px below the horizontal") << QPoint(-150, 10) << false << false;
}

void TestPlanGraphicsItem::rubberBandSnapsToVertexAxes()
{
    QFETCH(QPoint, offset);
    QFETCH(bool, snappedX);
    QFETCH(bool, snappedY);
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    PlanGraphicsItem *plan = bench.plan;
    plan->startEdit();
    bench.click(QPointF(-20, -10));
    bench.click(QPointF(5, -10));
    const QPointF vertex(5, -10);
    const QPoint pointer = bench.viewPoint(vertex) + offset;
    bench.moveTo(pointer);
    const QPointF raw = bench.scenePoint(pointer);
    const QPointF rubber = plan->polygon().last();
    QCOMPARE(rubber.x(), snappedX ? vertex.x() : raw.x());
    QCOMPARE(rubber.y(), snappedY ? vertex.y() : raw.y());

    // The click fixes the point where the pointer is, not where it snapped;
    // the snapped vertex stays where it was.
    bench.click(pointer);
    QCOMPARE(plan->polygon().at(2), rubber);
    QCOMPARE(plan->polygon().size(), 4);
    plan->stopEdit();
}

void TestPlanGraphicsItem::snapsOntoFirstVertexWhileTracing()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    PlanGraphicsItem *plan = bench.plan;
    plan->startEdit();
    bench.click(QPointF(0, 0));
    bench.click(QPointF(20, 0));
    bench.click(QPointF(20, 20));
    bench.moveTo(bench.viewPoint(QPointF(0, 0)) + QPoint(6, 7));
    QCOMPARE(plan->polygon().last(), QPointF(0, 0));
    bench.moveTo(bench.viewPoint(QPointF(0, 0)) + QPoint(8, 7));
    QVERIFY(plan->polygon().last() != QPointF(0, 0));
    plan->stopEdit();
}

void TestPlanGraphicsItem::setPathAndClear()
{
    PlanBench bench;
    PlanGraphicsItem *plan = bench.plan;
    QSignalSpy visibled(plan, &PlanGraphicsItem::pathVisibled);
    QSignalSpy editing(plan, &PlanGraphicsItem::editing);

    plan->setPath(QPolygonF(QVector<QPointF> { { 0, 0 }, { 1, 1 } }));
    QVERIFY(!plan->hasPath());
    QVERIFY(plan->polygon().isEmpty());
    QCOMPARE(visibled.takeLast().at(0).toBool(), false);

    const QPolygonF triangle({ { 0, 0 }, { 5, 0 }, { 5, 5 } });
    plan->setPath(triangle);
    QVERIFY(plan->hasPath());
    QCOMPARE(plan->polygon(), triangle);
    QCOMPARE(visibled.takeLast().at(0).toBool(), true);

    plan->setPathVisible(false);
    QCOMPARE(visibled.takeLast().at(0).toBool(), false);
    QVERIFY(plan->hasPath());

    plan->clearPath();
    QVERIFY(!plan->hasPath());
    QVERIFY(!plan->isVisible());
    QVERIFY(editing.isEmpty());

    // An idle outline takes no view input.
    QMouseEvent press(
        QEvent::MouseButtonPress, QPointF(1, 1), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QVERIFY(!plan->viewMousePress(&press));
    QVERIFY(!plan->viewMouseMove(&press));
    plan->stopEdit();
    QCOMPARE(editing.size(), 1);
}

void TestPlanGraphicsItem::pressOnOutlineReachesItemsBeneath()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    ObjectGraphicsItem *object
        = bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(0, 0), QSizeF(10, 10));
    bench.plan->setPath(QPolygonF({ { -20, 0 }, { 20, 0 }, { 20, 20 }, { -20, 20 } }));
    bench.plan->setZValue(4);
    bench.click(QPointF(0, 0));
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, object);
    QVERIFY(object->isEditing());
    object->stopEdit();
}

QTEST_MAIN(TestPlanGraphicsItem)
#include "tst_plangraphicsitem.moc"
