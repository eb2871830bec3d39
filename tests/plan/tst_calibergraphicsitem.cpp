#include "helper_planbench.h"
#include "helper_scriptedprompts.h"

#include "plan/calibergraphicsitem.h"
#include "plan/dimensionline.h"
#include "scene/fixedsizetextitem2.h"
#include "scene/graphicslineitem.h"
#include "scene/graphicspolygonitem2.h"
#include "scene/view.h"

#include <QGraphicsItemGroup>
#include <QSignalSpy>
#include <QtTest>

class TestCaliberGraphicsItem : public QObject
{
    Q_OBJECT

private slots:
    void calibrationExample();
    void cancelledDistanceResets();
    void recalibrationInMetresChangesNothing();
    void zeroLengthGivesNoScale();
    void labelText_data();
    void labelText();
    void partsFollowVisibilityAndOffset();
    void offsetSignFollowsSide_data();
    void offsetSignFollowsSide();
    void secondPointLocksToAxis_data();
    void secondPointLocksToAxis();
    void otherButtonEndsPlacement();
};

void TestCaliberGraphicsItem::calibrationExample()
{
    PlanBench bench;
    ScriptedDistance prompts;
    prompts.answer = 6;
    CaliberGraphicsItem *caliber = bench.caliber;
    QSignalSpy editing(caliber, &CaliberGraphicsItem::editing);
    QSignalSpy setted(caliber, &CaliberGraphicsItem::caliberSetted);
    QSignalSpy visibled(caliber, &CaliberGraphicsItem::caliberVisibled);

    caliber->startEdit();
    QCOMPARE(editing.takeFirst().at(0).toBool(), true);
    QCOMPARE(bench.editingItem, caliber);
    QVERIFY(caliber->isVisible());
    QCOMPARE(visibled.last().at(0).toBool(), true);

    bench.moveTo(QPointF(0, 0));
    bench.click(QPointF(0, 0));
    bench.moveTo(QPointF(300, 0));
    QCOMPARE(caliber->endPoint(), QPointF(300, 0));
    QCOMPARE(caliber->text(), QStringLiteral("300 м"));
    bench.click(QPointF(300, 0));
    // The offset follows the pointer: 40 below the line.
    bench.moveTo(QPointF(150, 40));
    QCOMPARE(caliber->lineOffset(), 40.0);
    QVERIFY(setted.isEmpty());

    const double viewScaleBefore = bench.view->transform().m11();
    bench.click(QPointF(150, 40));

    QCOMPARE(
        prompts.asked, QStringList(QStringLiteral("Масштаб плана|Укажите расстояние в метрах:")));
    QCOMPARE(prompts.initial, 300.0);
    QCOMPARE(prompts.minimum, 1.0);
    QCOMPARE(prompts.maximum, 1000.0);
    QCOMPARE(prompts.precision, 3);
    QCOMPARE(editing.size(), 1);
    QCOMPARE(editing.takeFirst().at(0).toBool(), false);
    QCOMPARE(bench.editingItem, nullptr);

    QCOMPARE(setted.size(), 1);
    QCOMPARE(setted.first().at(0).toDouble(), 50.0);
    QCOMPARE(caliber->startPoint(), QPointF(0, 0));
    QCOMPARE(caliber->endPoint(), QPointF(6, 0));
    QCOMPARE(caliber->lineOffset(), 0.8);
    QCOMPARE(caliber->length(), 6.0);
    QCOMPARE(caliber->text(), QStringLiteral("6 м"));
    QCOMPARE(bench.view->transform().m11(), viewScaleBefore * 50);
    QCOMPARE(bench.view->transform().m22(), viewScaleBefore * 50);
    QVERIFY(caliber->isVisible());
    QVERIFY(!caliber->isPlacing());
}

void TestCaliberGraphicsItem::cancelledDistanceResets()
{
    PlanBench bench;
    ScriptedDistance prompts;
    prompts.confirm = false;
    CaliberGraphicsItem *caliber = bench.caliber;
    QSignalSpy setted(caliber, &CaliberGraphicsItem::caliberSetted);

    caliber->startEdit();
    bench.click(QPointF(-100, 50));
    bench.moveTo(QPointF(100, 50));
    bench.click(QPointF(100, 50));
    bench.click(QPointF(0, 80));

    QCOMPARE(prompts.asked.size(), 1);
    QVERIFY(setted.isEmpty());
    QVERIFY(!caliber->isVisible());
    QVERIFY(!caliber->isCaliberVisible());
    QCOMPARE(caliber->startPoint(), QPointF());
    QCOMPARE(caliber->endPoint(), QPointF());
    QCOMPARE(caliber->lineOffset(), 0.0);
    QCOMPARE(bench.view->transform().m11(), 1.0);
}

void TestCaliberGraphicsItem::recalibrationInMetresChangesNothing()
{
    PlanBench bench;
    CaliberGraphicsItem *caliber = bench.caliber;
    QSignalSpy setted(caliber, &CaliberGraphicsItem::caliberSetted);
    caliber->setMeasurement(QPointF(1, 2), QPointF(7, 2), -0.5);
    QVERIFY(caliber->isCaliberVisible());
    caliber->applyScale(6);
    QCOMPARE(setted.size(), 1);
    QCOMPARE(setted.first().at(0).toDouble(), 1.0);
    QCOMPARE(caliber->startPoint(), QPointF(1, 2));
    QCOMPARE(caliber->endPoint(), QPointF(7, 2));
    QCOMPARE(caliber->lineOffset(), -0.5);
    QCOMPARE(bench.view->transform().m11(), 1.0);
}

void TestCaliberGraphicsItem::zeroLengthGivesNoScale()
{
    PlanBench bench;
    ScriptedDistance prompts;
    prompts.answer = 6;
    CaliberGraphicsItem *caliber = bench.caliber;
    QSignalSpy setted(caliber, &CaliberGraphicsItem::caliberSetted);

    caliber->startEdit();
    bench.click(QPointF(20, 20));
    bench.click(QPointF(20, 20));
    bench.click(QPointF(20, 20));

    // Both points on one spot: the mark hid itself when placing ended.
    QCOMPARE(setted.size(), 1);
    QCOMPARE(setted.first().at(0).toDouble(), 0.0);
    QVERIFY(!caliber->isVisible());
    QCOMPARE(bench.view->transform().m11(), 1.0);
}

void TestCaliberGraphicsItem::labelText_data()
{
    QTest::addColumn<double>("length");
    QTest::addColumn<QString>("text");
    QTest::newRow("thousandths") << 12.3456789 << QStringLiteral("12.346 м");
    QTest::newRow("six digits") << 1234.5678 << QStringLiteral("1234.57 м");
    QTest::newRow("whole") << 6.0 << QStringLiteral("6 м");
    QTest::newRow("half a thousandth up") << 0.0005 << QStringLiteral("0.001 м");
    QTest::newRow("below a thousandth") << 0.0004 << QStringLiteral("0 м");
}

void TestCaliberGraphicsItem::labelText()
{
    QFETCH(double, length);
    QFETCH(QString, text);
    QCOMPARE(DimensionLine::lengthText(length), text);

    PlanBench bench;
    bench.caliber->setMeasurement(QPointF(0, 0), QPointF(0, length), 0);
    QCOMPARE(bench.caliber->text(), text);
}

void TestCaliberGraphicsItem::partsFollowVisibilityAndOffset()
{
    PlanBench bench;
    CaliberGraphicsItem *caliber = bench.caliber;
    const DimensionLine &parts = caliber->dimensionLine();

    caliber->setMeasurement(QPointF(0, 0), QPointF(0, -10), 0);
    QVERIFY(!caliber->startExtension()->isVisible());
    QVERIFY(!caliber->endExtension()->isVisible());
    QVERIFY(parts.startHead->isVisible());
    QVERIFY(parts.endHead->isVisible());
    QVERIFY(parts.line->isVisible());
    QVERIFY(parts.label->isVisible());
    // Measured straight up: everything turns by -90 degrees.
    QCOMPARE(parts.group->rotation(), -90.0);
    QCOMPARE(parts.label->rotation(), -90.0);

    caliber->setMeasurement(QPointF(0, 0), QPointF(10, 0), 3);
    QVERIFY(caliber->startExtension()->isVisible());
    QVERIFY(caliber->endExtension()->isVisible());
    QCOMPARE(caliber->endExtension()->pos(), QPointF(10, 0));
    QCOMPARE(caliber->endExtension()->line(), QLineF(0, 0, 0, 3));
    QCOMPARE(parts.line->line(), QLineF(0, 3, 10, 3));
    QCOMPARE(parts.endHead->pos(), QPointF(10, 3));
    QCOMPARE(parts.label->pos(), QPointF(5, 3));
    QCOMPARE(parts.group->rotation(), 0.0);

    // A visible mark of zero length shows only its start mark.
    caliber->setMeasurement(QPointF(4, 4), QPointF(4, 4), 3);
    QVERIFY(parts.startHead->isVisible());
    QVERIFY(!parts.endHead->isVisible());
    QVERIFY(!parts.line->isVisible());
    QVERIFY(!parts.label->isVisible());
    QVERIFY(!caliber->startExtension()->isVisible());

    caliber->setMeasurement(QPointF(0, 0), QPointF(10, 0), 3);
    caliber->setCaliberVisible(false);
    QVERIFY(!caliber->isVisible());
    QVERIFY(!parts.startHead->isVisible());
    QVERIFY(!parts.line->isVisible());

    caliber->setCaliberVisible(true);
    const QRectF lines = caliber->linesSceneRect();
    QVERIFY(lines.contains(QPointF(5, 3)));
    QVERIFY(lines.contains(QPointF(10, 0)));
}

void TestCaliberGraphicsItem::offsetSignFollowsSide_data()
{
    QTest::addColumn<QPointF>("first");
    QTest::addColumn<QPointF>("second");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<double>("offset");
    QTest::newRow("below a left-to-right line")
        << QPointF(0, 0) << QPointF(10, 0) << QPointF(3, 4) << 4.0;
    QTest::newRow("above a left-to-right line")
        << QPointF(0, 0) << QPointF(10, 0) << QPointF(3, -4) << -4.0;
    QTest::newRow("below a right-to-left line")
        << QPointF(10, 0) << QPointF(0, 0) << QPointF(3, 4) << -4.0;
    QTest::newRow("beyond the end") << QPointF(0, 0) << QPointF(0, 10) << QPointF(-2, 30) << 2.0;
}

void TestCaliberGraphicsItem::offsetSignFollowsSide()
{
    QFETCH(QPointF, first);
    QFETCH(QPointF, second);
    QFETCH(QPointF, point);
    QFETCH(double, offset);
    PlanBench bench;
    bench.caliber->setMeasurement(first, second, 0);
    bench.caliber->setOffsetFromPoint(point);
    QCOMPARE(bench.caliber->lineOffset(), offset);
    // The dimension line passes through the point.
    const DimensionLine &parts = bench.caliber->dimensionLine();
    const QLineF drawn(parts.line->mapToScene(parts.line->line().p1()),
        parts.line->mapToScene(parts.line->line().p2()));
    QVERIFY(qAbs(QLineF(drawn.p1(), drawn.p2()).length() - QLineF(first, second).length()) < 1e-9);
    const QPointF foot = drawn.p1()
        + (drawn.p2() - drawn.p1())
            * QPointF::dotProduct(point - drawn.p1(), drawn.p2() - drawn.p1())
            / QPointF::dotProduct(drawn.p2() - drawn.p1(), drawn.p2() - drawn.p1());
    QVERIFY(QLineF(foot, point).length() < 1e-9);
}

void TestCaliberGraphicsItem::secondPointLocksToAxis_data()
{
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<bool>("locked");
    QTest::newRow("9 px below") << QPoint(100, 9) << true;
    QTest::newRow("10 px below") << QPoint(100, 10) << false;
    QTest::newRow("9 px above") << QPoint(100, -9) << true;
    QTest::newRow("9 px right of the vertical") << QPoint(9, -100) << true;
    QTest::newRow("10 px left of the vertical") << QPoint(-10, 100) << false;
}

void TestCaliberGraphicsItem::secondPointLocksToAxis()
{
    QFETCH(QPoint, offset);
    QFETCH(bool, locked);
    PlanBench bench;
    // Half a metre per pixel, so that pixels and scene units differ.
    bench.view->scale(2, 2);
    CaliberGraphicsItem *caliber = bench.caliber;
    caliber->startEdit();
    const QPoint first = bench.viewPoint(QPointF(10, 10));
    bench.click(first);
    bench.moveTo(first + offset);

    const QPointF pointer = bench.scenePoint(first + offset);
    QPointF expected = pointer;
    if (locked) {
        if (qAbs(offset.y()) < qAbs(offset.x()))
            expected.setY(caliber->startPoint().y());
        else
            expected.setX(caliber->startPoint().x());
    }
    QCOMPARE(caliber->endPoint(), expected);
    QCOMPARE(caliber->endPoint() != pointer, locked);
}

void TestCaliberGraphicsItem::otherButtonEndsPlacement()
{
    PlanBench bench;
    CaliberGraphicsItem *caliber = bench.caliber;
    QSignalSpy editing(caliber, &CaliberGraphicsItem::editing);
    caliber->startEdit();
    bench.click(QPointF(30, 30));
    bench.press(bench.viewPoint(QPointF(30, 30)), Qt::XButton1);
    QVERIFY(!caliber->isPlacing());
    QCOMPARE(editing.last().at(0).toBool(), false);
    QCOMPARE(bench.editingItem, nullptr);
    // Both points on one spot: the mark disappears.
    QVERIFY(!caliber->isVisible());
}

QTEST_MAIN(TestCaliberGraphicsItem)
#include "tst_calibergraphicsitem.moc"
