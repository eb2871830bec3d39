#include "helper_planbench.h"

#include "plan/dimensionline.h"
#include "plan/plangraphicsitem.h"
#include "plan/roulettegraphicsitem.h"
#include "scene/fixedsizetextitem2.h"
#include "scene/graphicslineitem.h"
#include "scene/graphicspolygonitem2.h"
#include "scene/view.h"

#include <QGraphicsItemGroup>
#include <QSignalSpy>
#include <QtTest>

class TestRouletteGraphicsItem : public QObject
{
    Q_OBJECT

private slots:
    void measuresBetweenTwoClicks();
    void sameSpotTwiceHides();
    void otherButtonEndsPlacement();
    void endsSnapToOutlineVertices();
};

void TestRouletteGraphicsItem::measuresBetweenTwoClicks()
{
    PlanBench bench;
    // Fifty pixels per metre.
    bench.view->scale(50, 50);
    RouletteGraphicsItem *tape = bench.roulette;
    QSignalSpy editing(tape, &RouletteGraphicsItem::editing);
    QSignalSpy visibled(tape, &RouletteGraphicsItem::rouletteVisibled);

    tape->startEdit();
    QCOMPARE(editing.takeFirst().at(0).toBool(), true);
    QCOMPARE(visibled.last().at(0).toBool(), true);
    QVERIFY(tape->isVisible());
    QCOMPARE(tape->zValue(), 10.0);

    // Before the first click both ends follow the pointer.
    bench.moveTo(QPointF(-1, -1));
    QCOMPARE(tape->startPoint(), QPointF(-1, -1));
    QCOMPARE(tape->endPoint(), QPointF(-1, -1));
    const DimensionLine &parts = tape->dimensionLine();
    QVERIFY(parts.startHead->isVisible());
    QVERIFY(!parts.endHead->isVisible());

    bench.click(QPointF(0, 0));
    bench.moveTo(QPointF(3, 4));
    QCOMPARE(tape->startPoint(), QPointF(0, 0));
    QCOMPARE(tape->endPoint(), QPointF(3, 4));
    QCOMPARE(tape->text(), QStringLiteral("5 м"));
    QVERIFY(parts.endHead->isVisible());
    QVERIFY(parts.line->isVisible());
    QCOMPARE(parts.group->rotation(), -QLineF(0, 0, 3, 4).angle());
    QCOMPARE(parts.endHead->mapToScene(QPointF()), QPointF(3, 4));
    QVERIFY(editing.isEmpty());

    bench.click(QPointF(3, 4));
    QCOMPARE(editing.takeFirst().at(0).toBool(), false);
    QVERIFY(!tape->isPlacing());
    QVERIFY(tape->isVisible());
    QCOMPARE(tape->length(), 5.0);
    QCOMPARE(bench.editingItem, nullptr);

    // An idle tape ignores the pointer.
    bench.moveTo(QPointF(-2, 1));
    QCOMPARE(tape->endPoint(), QPointF(3, 4));

    tape->reset();
    QVERIFY(!tape->isVisible());
    QCOMPARE(tape->length(), 0.0);
    QCOMPARE(visibled.last().at(0).toBool(), false);
}

void TestRouletteGraphicsItem::sameSpotTwiceHides()
{
    PlanBench bench;
    RouletteGraphicsItem *tape = bench.roulette;
    tape->startEdit();
    bench.click(QPointF(10, 10));
    bench.click(QPointF(10, 10));
    QVERIFY(!tape->isPlacing());
    QVERIFY(!tape->isVisible());
    QVERIFY(!tape->isRouletteVisible());
}

void TestRouletteGraphicsItem::otherButtonEndsPlacement()
{
    PlanBench bench;
    RouletteGraphicsItem *tape = bench.roulette;
    QSignalSpy editing(tape, &RouletteGraphicsItem::editing);
    tape->startEdit();
    bench.click(QPointF(10, 10));
    bench.moveTo(QPointF(40, 10));
    bench.press(bench.viewPoint(QPointF(40, 10)), Qt::XButton1);
    QCOMPARE(editing.last().at(0).toBool(), false);
    QVERIFY(!tape->isPlacing());
    QVERIFY(tape->isVisible());
    QCOMPARE(tape->text(), QStringLiteral("30 м"));
}

void TestRouletteGraphicsItem::endsSnapToOutlineVertices()
{
    PlanBench bench;
    bench.view->scale(20, 20);
    bench.plan->setPath(QPolygonF({ { 0, 0 }, { 12.3456789, 0 }, { 12.3456789, 5 }, { 0, 5 } }));
    RouletteGraphicsItem *tape = bench.roulette;
    tape->startEdit();
    // A few pixels off each end of the wall.
    bench.click(bench.viewPoint(QPointF(0, 0)) + QPoint(3, 2));
    const QPoint end = bench.viewPoint(QPointF(12.3456789, 0)) + QPoint(-2, 4);
    bench.moveTo(end);
    bench.click(end);
    QCOMPARE(tape->startPoint(), QPointF(0, 0));
    QCOMPARE(tape->endPoint(), QPointF(12.3456789, 0));
    QCOMPARE(tape->text(), QStringLiteral("12.346 м"));
}

QTEST_MAIN(TestRouletteGraphicsItem)
#include "tst_roulettegraphicsitem.moc"
