#include "helper_sensorbench.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/sensorlistmodel.h"
#include "plan/objectgraphicsitem.h"
#include "scene/graphicslineitem.h"
#include "scene/graphicspolygonitem2.h"
#include "scene/view.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

bool near(const QPointF &a, const QPointF &b, double tolerance = 1e-9)
{
    return QLineF(a, b).length() < tolerance;
}

QRectF sceneRect(const SensorLabelGraphicsItem *label)
{
    return label->mapRectToScene(label->boundingRect());
}

} // namespace

class TestSensorLabel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void textLines_data();
    void textLines();
    void fullText();
    void hiddenLabelsStillRefresh();
    void newLabelsTakeTheLastScale();
    void clickStartsEditingAndDragMovesTheLabel();
    void handleResizesInSteps_data();
    void handleResizesInSteps();
    void arrowKeysNudge();
    void deletingTheDetectorEndsTheLabelEdit();
    void listRows();
    void listRowUpdates();
};

void TestSensorLabel::init()
{
    SensorRecord::resetInheritedDefaults();
    SensorGraphicsItem2::showRay = true;
    SensorLabelGraphicsItem::showLabels = true;
    SensorLabelGraphicsItem::lastOffset = QPointF(1, 0);
    SensorLabelGraphicsItem::lastScale = 0.01;
}

void TestSensorLabel::textLines_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<bool>("atRight");
    QTest::addColumn<QString>("position");
    QTest::addColumn<QString>("turn");

    const QString left = QStringLiteral("Положение: 3.0м от левого угла");
    const QString right = QStringLiteral("Положение: 7.0м от правого угла");
    QTest::newRow("turned left") << -15 << false << left
                                 << QStringLiteral("Поворот: 15° влево. Наклон: 10°");
    QTest::newRow("straight") << 0 << false << left << QStringLiteral("Поворот: 0°. Наклон: 10°");
    QTest::newRow("turned right") << 15 << false << left
                                  << QStringLiteral("Поворот: 15°вправо. Наклон: 10°");
    QTest::newRow("from the right corner")
        << 90 << true << right << QStringLiteral("Поворот: 90°вправо. Наклон: 10°");
}

void TestSensorLabel::textLines()
{
    QFETCH(int, angle);
    QFETCH(bool, atRight);
    QFETCH(QString, position);
    QFETCH(QString, turn);

    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, atRight ? 7 : 3, atRight);
    detector->setAngle(angle);
    detector->setTilt(10);
    detector->updateLabelText();
    const QStringList lines = detector->label()->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines.at(4), position);
    QCOMPARE(lines.at(6), turn);
}

void TestSensorLabel::fullText()
{
    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 2.24);
    detector->setTag(QStringLiteral("ИП-7"));
    detector->setSensor('4');
    detector->setAnalysis(3);
    detector->setSensitivity(78);
    detector->setHeight(4.26);
    detector->updateLabelText();
    QCOMPARE(detector->label()->toPlainText(),
        QStringLiteral("Тэг: ИП-7\n"
                       "Тип: ZIR-51ма-RS-329/330-1 \"Фаргос-ИК/УФ\"\n"
                       "Режим: ИК или УФ\n"
                       "Чувствительность: 78\n"
                       "Положение: 2.2м от левого угла\n"
                       "Высота: 4.3м\n"
                       "Поворот: 0°. Наклон: 0°"));
    // Text edits leave the zone alone but the label follows the tag.
    const QPolygonF zone = detector->zone()->polygon();
    detector->setTag(QStringLiteral("X"));
    detector->updateLabelText();
    QVERIFY(detector->label()->toPlainText().startsWith(QStringLiteral("Тэг: X\n")));
    QCOMPARE(detector->zone()->polygon(), zone);
}

void TestSensorLabel::hiddenLabelsStillRefresh()
{
    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 3);
    SensorLabelGraphicsItem *label = detector->label();
    QVERIFY(label->isVisible());
    QVERIFY(label->leader()->isVisible());
    QVERIFY(label->leader()->scene() == &bench.scene);

    SensorLabelGraphicsItem::showLabels = false;
    detector->setTag(QStringLiteral("hidden"));
    detector->updateLabelText();
    QVERIFY(!label->isVisible());
    QVERIFY(!label->leader()->isVisible());
    QVERIFY(label->toPlainText().startsWith(QStringLiteral("Тэг: hidden\n")));
    SensorLabelGraphicsItem::showLabels = true;
    detector->updateLabelText();
    QVERIFY(label->isVisible());
    QVERIFY(label->leader()->isVisible());
    // The leader runs from the label's centre to the detector.
    const QPointF centre = sceneRect(label).center();
    QVERIFY(near(label->leader()->scenePos(), centre));
    QVERIFY(near(label->leader()->mapToScene(label->leader()->line().p2()), detector->pos()));
}

void TestSensorLabel::newLabelsTakeTheLastScale()
{
    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *first = bench.addSensor(obstacle, 0, 3);
    QCOMPARE(first->labelScale(), 0.01);
    QCOMPARE(first->labelOffset(), QPointF(1, 0));
    first->setLabelScale(0.05);
    first->setLabelPos(QPointF(-2, -3));
    QVERIFY(near(first->label()->pos(), first->pos() + QPointF(-2, -3)));
    QCOMPARE(first->label()->scale(), 0.05);

    // The new detector's label is drawn, and stored, at the last scale; its offset
    // starts at (1, 0) once it is placed.
    SensorGraphicsItem2 *second = bench.addSensor(obstacle, 2, 3);
    QCOMPARE(second->labelScale(), 0.05);
    QCOMPARE(second->label()->scale(), 0.05);
    QCOMPARE(second->labelOffset(), QPointF(1, 0));
    QVERIFY(near(second->label()->pos(), second->pos() + QPointF(1, 0)));
}

void TestSensorLabel::clickStartsEditingAndDragMovesTheLabel()
{
    SensorBench bench(40);
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 3);
    detector->setLabelScale(0.02);
    SensorLabelGraphicsItem *label = detector->label();
    QSignalSpy editing(label, &SensorLabelGraphicsItem::editing);

    const QPoint centre = bench.viewPoint(sceneRect(label).center());
    bench.click(centre);
    QCOMPARE(SensorLabelGraphicsItem::editedLabel(), label);
    QCOMPARE(label->editState(), 1);
    QVERIFY(bench.editingItem == label);
    QVERIFY(!editing.isEmpty());
    QCOMPARE(editing.last().at(0).toBool(), true);
    GraphicsPolygonItem2 *handle = SensorLabelGraphicsItem::resizeHandle();
    QVERIFY(handle->scene() == &bench.scene);
    QVERIFY(near(handle->scenePos(), sceneRect(label).bottomRight()));

    // Dragged, the label centres itself under the pointer.
    const QPointF target(4, -6);
    QSignalSpy labelChanged(label, &SensorLabelGraphicsItem::changed);
    bench.drag(centre, bench.viewPoint(target));
    QVERIFY(labelChanged.count() > 0);
    const QRectF moved = sceneRect(label);
    QVERIFY2(QLineF(moved.center(), target).length() < 0.05,
        qPrintable(
            QStringLiteral("centre (%1, %2)").arg(moved.center().x()).arg(moved.center().y())));
    QVERIFY(near(detector->labelOffset(), label->pos() - detector->pos()));
    QVERIFY(near(label->leader()->scenePos(), moved.center()));
    QVERIFY(near(handle->scenePos(), moved.bottomRight()));

    // Moving the detector keeps the label's offset; that is no change of the label.
    labelChanged.clear();
    detector->setPosition(5, false);
    QCOMPARE(labelChanged.count(), 0);
    QVERIFY(near(label->pos(), detector->pos() + detector->labelOffset()));

    // Clicking the floor ends the edit and takes the handle away.
    bench.click(QPointF(-8, 6));
    QCOMPARE(label->editState(), 0);
    QVERIFY(!SensorLabelGraphicsItem::editedLabel());
    QVERIFY(!handle->scene());
    QVERIFY(!bench.editingItem);
}

void TestSensorLabel::handleResizesInSteps_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("grow"); // factor applied to the label's size
    QTest::addColumn<double>("expected");

    QTest::newRow("grow one step") << 0.01 << 1.5 << 0.0125;
    QTest::newRow("shrink one step") << 0.01 << 0.6 << 0.008;
    QTest::newRow("small change") << 0.01 << 1.1 << 0.01;
    QTest::newRow("largest") << 0.2 << 1.5 << 0.2;
    QTest::newRow("just below largest") << 0.19 << 1.5 << 0.19 * 1.25;
    QTest::newRow("smallest") << 0.005 << 0.6 << 0.005;
    QTest::newRow("just above smallest") << 0.006 << 0.6 << 0.006 / 1.25;
}

void TestSensorLabel::handleResizesInSteps()
{
    QFETCH(double, scale);
    QFETCH(double, grow);
    QFETCH(double, expected);

    // Zoomed so that the label spans about the same pixels at every scale.
    SensorBench bench(0.4 / scale);
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 3);
    detector->setLabelScale(scale);
    SensorLabelGraphicsItem *label = detector->label();
    QSignalSpy scaled(label, &SensorLabelGraphicsItem::labelScaleChanged);
    bench.click(bench.viewPoint(sceneRect(label).center()));
    QCOMPARE(label->editState(), 1);

    // Hovering the handle lets it resize the label.
    GraphicsPolygonItem2 *handle = SensorLabelGraphicsItem::resizeHandle();
    bench.moveTo(handle->scenePos());
    const QRectF before = sceneRect(label);
    handle->setPos(before.topLeft() + QPointF(before.width() * grow, before.height() * grow));
    QVERIFY(qAbs(detector->labelScale() - expected) < 1e-15);
    QVERIFY(qAbs(label->scale() - expected) < 1e-15);
    if (expected != scale) {
        QCOMPARE(scaled.count(), 1);
        QVERIFY(qAbs(scaled.first().at(0).toDouble() - expected) < 1e-15);
    } else {
        QCOMPARE(scaled.count(), 0);
    }
    // The handle lands on the label's new corner; the label keeps its offset.
    QVERIFY(near(handle->scenePos(), sceneRect(label).bottomRight(), 1e-9));
    QVERIFY(near(label->pos(), detector->pos() + detector->labelOffset()));
}

void TestSensorLabel::arrowKeysNudge()
{
    SensorBench bench(40);
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 3);
    SensorLabelGraphicsItem *label = detector->label();
    bench.click(bench.viewPoint(sceneRect(label).center()));
    const QPointF start = label->pos();
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    emit label->keyPress(&up);
    QVERIFY(up.isAccepted());
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    emit label->keyPress(&right);
    QVERIFY(near(label->pos(), start + QPointF(0.01, -0.01)));
    QVERIFY(near(label->leader()->scenePos(), sceneRect(label).center()));
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    other.ignore();
    emit label->keyPress(&other);
    QVERIFY(!other.isAccepted());
}

void TestSensorLabel::deletingTheDetectorEndsTheLabelEdit()
{
    SensorBench bench(40);
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorGraphicsItem2 *detector = bench.addSensor(obstacle, 0, 3);
    bench.click(bench.viewPoint(sceneRect(detector->label()).center()));
    QVERIFY(SensorLabelGraphicsItem::editedLabel());
    bench.editingItem->stopEdit();
    QVERIFY(!bench.editingItem);
    bench.click(bench.viewPoint(sceneRect(detector->label()).center()));
    QVERIFY(SensorLabelGraphicsItem::editedLabel());
    bench.editingItem = nullptr;
    bench.sensors.removeAll(detector);
    delete detector;
    QVERIFY(!SensorLabelGraphicsItem::editedLabel());
    QVERIFY(!SensorLabelGraphicsItem::resizeHandle()->scene());
}

void TestSensorLabel::listRows()
{
    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorListModel model(&bench.sensors);
    QCOMPARE(model.rowCount(), 0);
    SensorGraphicsItem2 *first = bench.addSensor(obstacle, 0, 3);
    SensorGraphicsItem2 *second = bench.addSensor(obstacle, 1, 1);
    first->setTag(QStringLiteral("ИП-101"));
    model.reset();
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("Извещатель: ИП-101"));
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("Извещатель: "));
    QVERIFY(!model.data(model.index(0, 0), Qt::EditRole).isValid());
    QVERIFY(!model.data(model.index(0, 0), Qt::ToolTipRole).isValid());
    QVERIFY(!model.data(model.index(2, 0)).isValid());
    QVERIFY(!model.data(QModelIndex()).isValid());
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
    Q_UNUSED(second);
}

void TestSensorLabel::listRowUpdates()
{
    SensorBench bench;
    ObjectGraphicsItem *obstacle = bench.addObstacle(QPointF(0, 0), QSizeF(10, 4));
    SensorListModel model(&bench.sensors);
    bench.addSensor(obstacle, 0, 3);
    SensorGraphicsItem2 *second = bench.addSensor(obstacle, 1, 1);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    second->setTag(QStringLiteral("B"));
    model.updateRow(second);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex().row(), 1);
    QCOMPARE(changed.first().at(1).toModelIndex().row(), 1);
    const auto roles = changed.first().at(2).value<QVector<int>>();
    QCOMPARE(roles, QVector<int>({ Qt::DisplayRole, Qt::EditRole }));
    QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("Извещатель: B"));

    SensorGraphicsItem2 stray(bench.objects, bench.plan);
    model.updateRow(&stray);
    QCOMPARE(changed.count(), 1);
    model.reset();
    QCOMPARE(reset.count(), 1);
}

QTEST_MAIN(TestSensorLabel)
#include "tst_sensorlabel.moc"
