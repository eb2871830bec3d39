#include "helper_planbench.h"

#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/objectlistmodel.h"
#include "scene/geometry.h"
#include "scene/graphicspolygonitem2.h"
#include "scene/view.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {

// Fifty pixels per metre.
constexpr double kZoom = 50;

bool near(const QPointF &a, const QPointF &b)
{
    return QLineF(a, b).length() < 1e-9;
}

} // namespace

class TestObjectGraphicsItem : public QObject
{
    Q_OBJECT

private slots:
    void newObstaclesTakeTheLastSize();
    void rectanglePolygon();
    void ellipsePolygon();
    void listRows_data();
    void listRows();
    void listModelFollowsTheList();
    void creationFollowsPointerAndSnapsByCorners_data();
    void creationFollowsPointerAndSnapsByCorners();
    void smallCorrectionsStillSnap_data();
    void smallCorrectionsStillSnap();
    void clickSelectsAndShowsHandles();
    void releaseOutsideSelectsNothing();
    void clickEndsOtherEditing();
    void bodyDragJumpsToPointer();
    void handleDragResizes();
    void handlesStopShortOfOppositeSide_data();
    void handlesStopShortOfOppositeSide();
    void arrowKeysNudge_data();
    void arrowKeysNudge();
    void deletedObstacleLeavesNoTrace();
};

void TestObjectGraphicsItem::newObstaclesTakeTheLastSize()
{
    QCOMPARE(ObjectGraphicsItem::lastSize, QSizeF(5, 5));
    ObjectGraphicsItem first(ObjectGraphicsItem::Rect);
    QCOMPARE(first.size(), QSizeF(5, 5));
    first.setGeometry(1, 1, 2, 3);
    ObjectGraphicsItem ellipse(ObjectGraphicsItem::Ellipse);
    QCOMPARE(ellipse.size(), QSizeF(2, 3));
    QCOMPARE(ellipse.pos(), QPointF(0, 0));
    ellipse.setSize(QSizeF(4, 1));
    QCOMPARE(ObjectGraphicsItem::lastSize, QSizeF(4, 1));
    ObjectGraphicsItem third(ObjectGraphicsItem::Rect);
    QCOMPARE(third.size(), QSizeF(4, 1));
}

void TestObjectGraphicsItem::rectanglePolygon()
{
    ObjectGraphicsItem object(ObjectGraphicsItem::Rect);
    object.setGeometry(10, 20, 2, 1);
    QCOMPARE(object.pos(), QPointF(10, 20));
    QCOMPARE(object.shapeRect(), QRectF(-1, -0.5, 2, 1));
    const QPolygonF surface = object.scenePolygon();
    QCOMPARE(surface, QPolygonF({ { 9, 19.5 }, { 11, 19.5 }, { 11, 20.5 }, { 9, 20.5 } }));
    QCOMPARE(polygonOrientation(surface), 1);
    // Section 1 is the right side.
    QPointF best(qInf(), qInf());
    QCOMPARE(nearestPolygonPoint(surface, QPointF(12, 20), best), 1);
    QCOMPARE(best, QPointF(11, 20));
    QCOMPARE(object.zValue(), 3.0);
    QVERIFY(object.pen().isCosmetic());
    QCOMPARE(object.brush().color(), QColor(192, 192, 192, 192));
    QCOMPARE(object.cursor().shape(), Qt::PointingHandCursor);
}

void TestObjectGraphicsItem::ellipsePolygon()
{
    ObjectGraphicsItem object(ObjectGraphicsItem::Ellipse);
    object.setGeometry(3, -2, 4, 2);
    const QPolygonF shape = object.polygon();
    QCOMPARE(shape.size(), 16);
    QCOMPARE(polygonOrientation(shape), 1);
    for (int i = 0; i < shape.size(); ++i) {
        const double angle = (2 * i + 1) * M_PI / 16;
        QVERIFY(near(shape.at(i), QPointF(2 * std::cos(angle), std::sin(angle))));
    }
    QVERIFY(near(object.scenePolygon().first(), QPointF(3, -2) + shape.first()));

    ObjectGraphicsItem polygon(ObjectGraphicsItem::Polygon);
    QVERIFY(polygon.polygon().isEmpty());
    QVERIFY(polygon.shapeRect().isEmpty());
}

void TestObjectGraphicsItem::listRows_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<QString>("text");
    QTest::newRow("half up") << 2.25 << 1.0 << QStringLiteral("Препятствие: [2.3 м * 1 м]");
    QTest::newRow("default") << 5.0 << 5.0 << QStringLiteral("Препятствие: [5 м * 5 м]");
    QTest::newRow("small") << 0.14 << 0.05 << QStringLiteral("Препятствие: [0.1 м * 0.1 м]");
    QTest::newRow("large") << 1234.56 << 10.04 << QStringLiteral("Препятствие: [1234.6 м * 10 м]");
}

void TestObjectGraphicsItem::listRows()
{
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(QString, text);
    QList<ObjectGraphicsItem *> objects;
    ObjectListModel model(&objects);
    ObjectGraphicsItem object(ObjectGraphicsItem::Rect);
    object.setGeometry(0, 0, width, height);
    objects << &object;
    model.reset();
    QCOMPARE(model.data(model.index(0), Qt::DisplayRole).toString(), text);
    QCOMPARE(ObjectListModel::rowText(width, height), text);
}

void TestObjectGraphicsItem::listModelFollowsTheList()
{
    QList<ObjectGraphicsItem *> objects;
    ObjectListModel model(&objects);
    QCOMPARE(model.rowCount(), 0);
    ObjectGraphicsItem rect(ObjectGraphicsItem::Rect);
    ObjectGraphicsItem polygon(ObjectGraphicsItem::Polygon);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    objects << &rect << &polygon;
    model.reset();
    QCOMPARE(reset.size(), 1);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(1)).toString(), QStringLiteral("Препятствие: [0 м * 0 м]"));
    QVERIFY(!model.data(model.index(0), Qt::EditRole).isValid());
    QVERIFY(!model.data(model.index(0), Qt::ToolTipRole).isValid());
    QVERIFY(!model.data(model.index(2)).isValid());

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    rect.setSize(QSizeF(1, 2));
    model.updateRow(&rect);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex().row(), 0);
    QCOMPARE(changed.first().at(2).value<QVector<int>>(),
        QVector<int>({ Qt::DisplayRole, Qt::EditRole }));
    QCOMPARE(model.data(model.index(0)).toString(), QStringLiteral("Препятствие: [1 м * 2 м]"));
    ObjectGraphicsItem stranger(ObjectGraphicsItem::Rect);
    model.updateRow(&stranger);
    QCOMPARE(changed.size(), 1);
}

void TestObjectGraphicsItem::creationFollowsPointerAndSnapsByCorners_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<bool>("snapped");
    // The new obstacle's right side comes near the other one's left side.
    QTest::newRow("rectangle 9 px off") << int(ObjectGraphicsItem::Rect) << QPoint(9, 0) << true;
    QTest::newRow("rectangle 10 px off") << int(ObjectGraphicsItem::Rect) << QPoint(10, 0) << false;
    QTest::newRow("ellipse 9 px off") << int(ObjectGraphicsItem::Ellipse) << QPoint(-9, 0) << true;
}

void TestObjectGraphicsItem::creationFollowsPointerAndSnapsByCorners()
{
    QFETCH(int, kind);
    QFETCH(QPoint, offset);
    QFETCH(bool, snapped);
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    ObjectGraphicsItem *other
        = bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(3, 0.5), QSizeF(2, 2));
    ObjectGraphicsItem::lastSize = QSizeF(2, 1);

    ObjectGraphicsItem *object = bench.createObstacle(kind);
    QSignalSpy creating(object, &ObjectGraphicsItem::creating);
    QSignalSpy created(object, &ObjectGraphicsItem::created);
    QVERIFY(!object->isVisible());
    QVERIFY(object->isCreating());
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, object);
    QCOMPARE(bench.editingItem, object);
    QCOMPARE(object->size(), QSizeF(2, 1));

    // Centre at x = 1 puts the right side at 2, on the other's left side.
    const QPoint pointer = bench.viewPoint(QPointF(1, 0.3)) + offset;
    bench.moveTo(pointer);
    QVERIFY(object->isVisible());
    const QPointF raw = bench.scenePoint(pointer);
    QCOMPARE(object->pos().y(), raw.y());
    if (snapped)
        QCOMPARE(object->pos().x(), 1.0);
    else
        QCOMPARE(object->pos().x(), raw.x());

    bench.click(pointer);
    QCOMPARE(created.size(), 1);
    QCOMPARE(creating.size(), 1);
    QCOMPARE(creating.first().at(0).toBool(), false);
    QVERIFY(!object->isCreating());
    QVERIFY(!object->isEditing());
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, nullptr);
    QCOMPARE(bench.editingItem, nullptr);
    QCOMPARE(bench.objects, QList<ObjectGraphicsItem *>({ other, object }));
    QCOMPARE(object->cursor().shape(), Qt::PointingHandCursor);

    // Placed, it no longer follows the pointer.
    const QPointF placed = object->pos();
    bench.moveTo(pointer + QPoint(40, 40));
    QCOMPARE(object->pos(), placed);
}

void TestObjectGraphicsItem::smallCorrectionsStillSnap_data()
{
    QTest::addColumn<int>("pixels");
    // At 1000 pixels a metre one pixel is a millimetre.
    QTest::newRow("5 mm") << 5;
    QTest::newRow("2 mm, the other way") << -2;
}

void TestObjectGraphicsItem::smallCorrectionsStillSnap()
{
    QFETCH(int, pixels);
    PlanBench bench;
    bench.view->scale(1000, 1000);
    bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(3, 0.5), QSizeF(2, 2));
    ObjectGraphicsItem::lastSize = QSizeF(2, 1);
    bench.view->centerOn(1, 0.3);
    ObjectGraphicsItem *object = bench.createObstacle(ObjectGraphicsItem::Rect);

    // Centre at x = 1 puts the right side on the other's left side at 2.
    const QPoint pointer = bench.viewPoint(QPointF(1, 0.3)) + QPoint(pixels, 0);
    bench.moveTo(pointer);
    const QPointF raw = bench.scenePoint(pointer);
    QVERIFY(qAbs(raw.x() - (1 + pixels / 1000.0)) < 0.0006);
    QCOMPARE(object->pos().x(), 1.0);
    QCOMPARE(object->pos().y(), raw.y());
    bench.click(pointer);
}

void TestObjectGraphicsItem::clickSelectsAndShowsHandles()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    ObjectGraphicsItem *object
        = bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(1, 1), QSizeF(2, 3));
    ObjectGraphicsItem::lastSize = QSizeF(5, 5);
    QSignalSpy editing(object, &ObjectGraphicsItem::editing);

    bench.click(QPointF(1.5, 1.5));
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, object);
    QVERIFY(object->isEditing());
    QVERIFY(object->isSelected());
    QCOMPARE(bench.editingItem, object);
    QCOMPARE(editing.last().at(0).toBool(), true);
    QCOMPARE(ObjectGraphicsItem::lastSize, QSizeF(2, 3));
    QCOMPARE(object->cursor().shape(), Qt::SizeAllCursor);

    const QPointF expected[8] = { { 0, -0.5 }, { 1, -0.5 }, { 2, -0.5 }, { 0, 1 }, { 2, 1 },
        { 0, 2.5 }, { 1, 2.5 }, { 2, 2.5 } };
    for (int i = 0; i < 8; ++i) {
        GraphicsPolygonItem2 *handle = ObjectGraphicsItem::handle(i);
        QVERIFY(handle);
        QCOMPARE(handle->scene(), &bench.scene);
        QCOMPARE(handle->pos(), expected[i]);
        QVERIFY(handle->flags() & QGraphicsItem::ItemIgnoresTransformations);
    }
    QCOMPARE(ObjectGraphicsItem::handle(0)->cursor().shape(), Qt::SizeFDiagCursor);
    QCOMPARE(ObjectGraphicsItem::handle(6)->cursor().shape(), Qt::SizeVerCursor);

    // A press on empty ground deselects it and takes the handles away.
    bench.click(QPointF(-4, -4));
    QVERIFY(!object->isEditing());
    QVERIFY(!object->isSelected());
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, nullptr);
    QCOMPARE(bench.editingItem, nullptr);
    QCOMPARE(ObjectGraphicsItem::handle(0)->scene(), nullptr);
    QCOMPARE(editing.last().at(0).toBool(), false);
}

void TestObjectGraphicsItem::releaseOutsideSelectsNothing()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    ObjectGraphicsItem *object
        = bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(0, 0), QSizeF(2, 2));
    const QPoint inside = bench.viewPoint(QPointF(0.5, 0.5));
    const QPoint outside = bench.viewPoint(QPointF(3, 3));
    bench.moveTo(inside);
    bench.press(inside);
    bench.moveTo(outside);
    bench.release(outside);
    QVERIFY(!object->isEditing());
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, nullptr);
    QCOMPARE(object->pos(), QPointF(0, 0));
}

void TestObjectGraphicsItem::clickEndsOtherEditing()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    ObjectGraphicsItem *first
        = bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(-2, 0), QSizeF(1, 1));
    ObjectGraphicsItem *second
        = bench.addObstacle(ObjectGraphicsItem::Ellipse, QPointF(2, 0), QSizeF(1, 1));
    bench.click(QPointF(-2, 0));
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, first);
    bench.click(QPointF(2, 0));
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, second);
    QVERIFY(!first->isEditing());
    QVERIFY(!first->isSelected());
    QCOMPARE(bench.editingItem, second);
}

void TestObjectGraphicsItem::bodyDragJumpsToPointer()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    ObjectGraphicsItem *object
        = bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(0, 0), QSizeF(2, 2));
    bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(4, -3), QSizeF(1, 1));
    bench.click(QPointF(0.5, 0.5));
    QVERIFY(object->isEditing());
    QSignalSpy changed(object, &ObjectGraphicsItem::changed);

    // Dragged from off-centre: the centre lands on the pointer.
    const QPoint to = bench.viewPoint(QPointF(0.7, -1.3));
    bench.drag(bench.viewPoint(QPointF(0.5, 0.5)), to);
    QCOMPARE(object->pos(), bench.scenePoint(to));
    QVERIFY(!changed.isEmpty());
    QCOMPARE(ObjectGraphicsItem::handle(0)->pos(), object->pos() + QPointF(-1, -1));

    // Near the other obstacle, the top-right corner locks to its bottom-left
    // corner's x and y, within 9 pixels each.
    const QPoint near = bench.viewPoint(QPointF(3.5 - 1, -2.5 + 1)) + QPoint(-6, 5);
    bench.drag(bench.viewPoint(object->pos()), near);
    QCOMPARE(object->pos(), QPointF(2.5, -1.5));
    QVERIFY(object->isEditing());
}

void TestObjectGraphicsItem::handleDragResizes()
{
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    ObjectGraphicsItem *object
        = bench.addObstacle(ObjectGraphicsItem::Ellipse, QPointF(0, 0), QSizeF(4, 2));
    bench.click(QPointF(0, 0));
    QVERIFY(object->isEditing());
    QSignalSpy changed(object, &ObjectGraphicsItem::changed);

    // The bottom-right handle pulled to (3, 2): left and top stay.
    const QPoint handle = bench.viewPoint(ObjectGraphicsItem::handle(7)->pos());
    bench.drag(handle, bench.viewPoint(QPointF(3, 2)));
    QCOMPARE(object->size(), QSizeF(5, 3));
    QCOMPARE(object->pos(), QPointF(0.5, 0.5));
    QCOMPARE(object->polygon().size(), 16);
    QCOMPARE(ObjectGraphicsItem::lastSize, QSizeF(5, 3));
    QCOMPARE(ObjectGraphicsItem::handle(1)->pos(), QPointF(0.5, -1));
    QVERIFY(!changed.isEmpty());

    // The middle-left handle moves the left side only.
    const QPoint left = bench.viewPoint(ObjectGraphicsItem::handle(3)->pos());
    bench.drag(left, left + QPoint(50, 30));
    QCOMPARE(object->size(), QSizeF(4, 3));
    QCOMPARE(object->pos(), QPointF(1, 0.5));
    QVERIFY(object->isEditing());
}

void TestObjectGraphicsItem::handlesStopShortOfOppositeSide_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QPointF>("target");
    QTest::addColumn<QRectF>("result");
    // The obstacle spans (-1, -1)-(1, 1); each handle is pulled far past the
    // opposite side.
    QTest::newRow("top-left") << 0 << QPointF(3, 3) << QRectF(0.9, 0.9, 0.1, 0.1);
    QTest::newRow("top-middle") << 1 << QPointF(2, 3) << QRectF(-1, 0.9, 2, 0.1);
    QTest::newRow("top-right") << 2 << QPointF(-3, 3) << QRectF(-1, 0.9, 0.1, 0.1);
    QTest::newRow("middle-left") << 3 << QPointF(3, -2) << QRectF(0.9, -1, 0.1, 2);
    QTest::newRow("middle-right") << 4 << QPointF(-3, 2) << QRectF(-1, -1, 0.1, 2);
    QTest::newRow("bottom-left") << 5 << QPointF(3, -3) << QRectF(0.9, -1, 0.1, 0.1);
    QTest::newRow("bottom-middle") << 6 << QPointF(-2, -3) << QRectF(-1, -1, 2, 0.1);
    QTest::newRow("bottom-right") << 7 << QPointF(-3, -3) << QRectF(-1, -1, 0.1, 0.1);
}

void TestObjectGraphicsItem::handlesStopShortOfOppositeSide()
{
    QFETCH(int, index);
    QFETCH(QPointF, target);
    QFETCH(QRectF, result);
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    ObjectGraphicsItem *object
        = bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(0, 0), QSizeF(2, 2));
    bench.click(QPointF(0.2, 0.3));
    bench.drag(bench.viewPoint(ObjectGraphicsItem::handle(index)->pos()), bench.viewPoint(target));
    const QRectF got = object->shapeRect().translated(object->pos());
    QVERIFY2(qAbs(got.left() - result.left()) < 1e-9 && qAbs(got.top() - result.top()) < 1e-9
            && qAbs(got.width() - result.width()) < 1e-9
            && qAbs(got.height() - result.height()) < 1e-9,
        qPrintable(QStringLiteral("%1,%2 %3x%4")
                       .arg(got.left())
                       .arg(got.top())
                       .arg(got.width())
                       .arg(got.height())));
    QVERIFY(object->size().width() >= 0.1 - 1e-9 && object->size().height() >= 0.1 - 1e-9);
}

void TestObjectGraphicsItem::arrowKeysNudge_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QPointF>("step");
    QTest::newRow("up") << int(Qt::Key_Up) << QPointF(0, -0.01);
    QTest::newRow("down") << int(Qt::Key_Down) << QPointF(0, 0.01);
    QTest::newRow("left") << int(Qt::Key_Left) << QPointF(-0.01, 0);
    QTest::newRow("right") << int(Qt::Key_Right) << QPointF(0.01, 0);
    QTest::newRow("other key") << int(Qt::Key_A) << QPointF(0, 0);
}

void TestObjectGraphicsItem::arrowKeysNudge()
{
    QFETCH(int, key);
    QFETCH(QPointF, step);
    PlanBench bench;
    bench.view->scale(kZoom, kZoom);
    ObjectGraphicsItem *object
        = bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(2, 3), QSizeF(1, 1));
    // A corner 0.005 away from the other obstacle's would snap if keys snapped.
    bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(3.505, 3.5), QSizeF(1, 1));
    object->startEdit();
    QSignalSpy changed(object, &ObjectGraphicsItem::changed);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    press.ignore();
    bench.scene.sendEvent(object, &press);
    QCOMPARE(object->pos(), QPointF(2, 3) + step);
    QCOMPARE(changed.size(), step.isNull() ? 0 : 1);
    QCOMPARE(press.isAccepted(), !step.isNull());
    QCOMPARE(ObjectGraphicsItem::handle(7)->pos(), object->pos() + QPointF(0.5, 0.5));
    object->stopEdit();
}

void TestObjectGraphicsItem::deletedObstacleLeavesNoTrace()
{
    {
        PlanBench bench;
        ObjectGraphicsItem *object
            = bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(0, 0), QSizeF(2, 2));
        object->startEdit();
        QCOMPARE(ObjectGraphicsItem::handle(0)->scene(), &bench.scene);
        delete object;
        bench.objects.clear();
        bench.editingItem = nullptr;
        QCOMPARE(ObjectGraphicsItem::selectedObstacle, nullptr);
        QCOMPARE(ObjectGraphicsItem::handle(0)->scene(), nullptr);

        // The scene goes while an obstacle is edited and takes it along.
        bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(0, 0), QSizeF(2, 2))->startEdit();
        bench.editingItem = nullptr;
    }
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, nullptr);
    PlanBench bench;
    ObjectGraphicsItem *object
        = bench.addObstacle(ObjectGraphicsItem::Rect, QPointF(0, 0), QSizeF(2, 2));
    object->startEdit();
    for (int i = 0; i < 8; ++i)
        QCOMPARE(ObjectGraphicsItem::handle(i)->scene(), &bench.scene);
    object->stopEdit();
}

QTEST_MAIN(TestObjectGraphicsItem)
#include "tst_objectgraphicsitem.moc"
