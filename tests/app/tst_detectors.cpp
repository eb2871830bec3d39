#include "app/mainwindow.h"
#include "common/mouseinput.h"
#include "common/scriptedprompts.h"
#include "common/testwindow.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/sensorlistmodel.h"
#include "io/projectlimits.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/checkboxchange.h"
#include "scene/comboboxchange.h"
#include "scene/doublespinboxchange.h"
#include "scene/graphicslineitem.h"
#include "scene/graphicspolygonitem2.h"
#include "scene/radiobuttonchange.h"
#include "scene/slider.h"
#include "scene/spinboxchange.h"
#include "scene/view.h"

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The detectors' side of the main window, for the tests.
struct SensorWindowPeek
{
    explicit SensorWindowPeek(MainWindow &window)
        : window(window)
    {
    }
    QList<SensorGraphicsItem2 *> &sensors() const { return window.sensors; }
    QList<ObjectGraphicsItem *> &objects() const { return window.objects; }
    SensorListModel &sensorModel() const { return window.sensorModel; }
    PlanGraphicsItem &plan() const { return window.plan; }
    CaliberGraphicsItem &caliber() const { return window.caliber; }
    QGraphicsScene &scene() const { return window.scene; }
    BaseGraphicsItem *editingItem() const { return window.editingItem; }
    MainWindow &window;
};

namespace {

// A room 40 m × 30 m around the origin, clockwise on screen; its top wall is
// section 0 and, measured from the left corner as a detector there sees it,
// runs from (20, -15) to (-20, -15).
const QPolygonF kRoom({ { -20, -15 }, { 20, -15 }, { 20, 15 }, { -20, 15 } });
// Fifteen pixels per metre.
constexpr double kZoom = 15;

bool near(const QPointF &a, const QPointF &b, double tolerance = 1e-9)
{
    return QLineF(a, b).length() < tolerance;
}

QList<SensorGraphicsItem2 *> detectorsIn(QGraphicsScene &scene)
{
    QList<SensorGraphicsItem2 *> found;
    for (QGraphicsItem *item : scene.items())
        if (auto *detector = dynamic_cast<SensorGraphicsItem2 *>(item))
            found << detector;
    return found;
}

QRectF labelRect(const SensorGraphicsItem2 *detector)
{
    const SensorLabelGraphicsItem *label = detector->label();
    return label->mapRectToScene(label->boundingRect());
}

} // namespace

class TestDetectors : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void refusedWithoutSurface();
    void placedDetectorJoinsTheList();
    void escapeDiscardsTheDetectorBeingPlaced();
    void selectingShowsThePanel();
    void sensitivityCouplings();
    void modeAndModelSwitching();
    void orderingAttributes();
    void cornerToggleKeepsThePlace();
    void heightTurnTiltAndInheritance();
    void deleteKeyRemovesTheEditedDetector();
    void obstacleDeletionTakesItsDetectors_data();
    void obstacleDeletionTakesItsDetectors();
    void movedObstacleCarriesItsDetectors();
    void clearingTheOutlineAsksFirst_data();
    void clearingTheOutlineAsksFirst();
    void calibrationKeepsDetectorsInPlace();
    void controlResizesEveryLabel_data();
    void controlResizesEveryLabel();
    void rayAndLabelSwitches();
    void typedDecimalsReachTheDetector_data();
    void typedDecimalsReachTheDetector();
    void calloutFollowsEveryChange_data();
    void calloutFollowsEveryChange();
    void switchesKeepTheViewInPlace_data();
    void switchesKeepTheViewInPlace();
    void selectionSetsTheHeightSlider();
    void noMoreThanTheFileHolds_data();
    void noMoreThanTheFileHolds();

private:
    template <class T> T *widget(const char *name) const { return window->findChild<T *>(name); }
    QAction *action(const char *name) const { return window->findChild<QAction *>(name); }
    View *view() const { return widget<View>("graphicsView"); }
    // An image and a scale of one scene unit per metre.
    void preparePlan(bool withOutline);
    ObjectGraphicsItem *placeObstacle(const QPointF &centre);
    // Runs "Добавить извещатель" and clicks at a scene point.
    SensorGraphicsItem2 *placeDetector(const QPointF &at);
    void select(SensorGraphicsItem2 *detector);
    void mouse(int kind, const QPoint &viewPos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Arrives from a pixel aside: a move onto the point where the pointer already is
    // would be no move at all.
    void moveTo(const QPointF &scenePos)
    {
        mouse(0, view()->mapFromScene(scenePos) + QPoint(1, 1));
        mouse(0, view()->mapFromScene(scenePos));
    }
    void click(const QPoint &viewPos);
    void click(const QPointF &scenePos) { click(view()->mapFromScene(scenePos)); }
    void key(Qt::Key key);

    QTemporaryDir scratch;
    MainWindow *window = nullptr;
    ScriptedPrompts *prompts = nullptr;
};

void TestDetectors::initTestCase()
{
    QVERIFY(scratch.isValid());
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("config")).toLocal8Bit());
}

void TestDetectors::init()
{
    TestWindow::clearSettings();
    SensorRecord::resetInheritedDefaults();
    SensorLabelGraphicsItem::lastOffset = QPointF(1, 0);
    SensorLabelGraphicsItem::lastScale = 0.01;
    window = TestWindow::open(&prompts, QSize(1400, 1000));
    QVERIFY(window);
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCoreApplication::processEvents();
}

void TestDetectors::cleanup()
{
    const QString unused = TestWindow::close(window, prompts);
    QVERIFY2(unused.isEmpty(), qPrintable(unused));
}

void TestDetectors::preparePlan(bool withOutline)
{
    const QString path = scratch.filePath(QStringLiteral("plan.png"));
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QVERIFY(image.save(path));
    prompts->answerOpenFile(path);
    action("planImageOpenAction")->trigger();
    SensorWindowPeek peek(*window);
    peek.caliber().setMeasurement(QPointF(0, 0), QPointF(1, 0), 0);
    if (withOutline)
        peek.plan().setPath(kRoom);
    view()->resetTransform();
    view()->scale(kZoom, kZoom);
    view()->centerOn(0, 0);
}

void TestDetectors::mouse(int kind, const QPoint &viewPos, Qt::KeyboardModifiers modifiers)
{
    const MouseInput input(view());
    if (kind == 0)
        input.moveTo(viewPos, modifiers);
    else if (kind == 1)
        input.press(viewPos, Qt::LeftButton, modifiers);
    else
        input.release(viewPos, Qt::LeftButton, modifiers);
}

void TestDetectors::click(const QPoint &viewPos)
{
    mouse(0, viewPos);
    mouse(1, viewPos);
    mouse(2, viewPos);
}

void TestDetectors::key(Qt::Key key)
{
    QTest::keyClick(view(), key);
}

ObjectGraphicsItem *TestDetectors::placeObstacle(const QPointF &centre)
{
    SensorWindowPeek peek(*window);
    const int before = peek.objects().size();
    action("objectCreateAction")->trigger();
    moveTo(centre);
    click(centre);
    if (peek.objects().size() != before + 1)
        return nullptr;
    return peek.objects().last();
}

SensorGraphicsItem2 *TestDetectors::placeDetector(const QPointF &at)
{
    SensorWindowPeek peek(*window);
    const int before = peek.sensors().size();
    action("sensorCreateAction")->trigger();
    if (!action("sensorCreateAction")->isChecked())
        return nullptr;
    moveTo(at);
    click(at);
    if (peek.sensors().size() != before + 1)
        return nullptr;
    return peek.sensors().last();
}

void TestDetectors::select(SensorGraphicsItem2 *detector)
{
    // The head marker stands a few millimetres in front of the pivot.
    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    const QPointF ahead = detector->mapToScene(QPointF(0, -1)) - detector->pos();
    const QPoint at = view()->mapFromScene(pivot) + (ahead * 6).toPoint();
    click(at);
}

void TestDetectors::refusedWithoutSurface()
{
    preparePlan(false);
    prompts->answerInformation();
    action("sensorCreateAction")->trigger();
    QVERIFY(!action("sensorCreateAction")->isChecked());
    QCOMPARE(prompts->calls().size(), 2);
    QCOMPARE(prompts->calls().last().kind, ScriptedPrompts::Information);
    QCOMPARE(prompts->calls().last().title, QStringLiteral("Извещатель"));
    QCOMPARE(prompts->calls().last().text,
        QStringLiteral("Нет ни одной поверхности для размещения извещателя.\n"
                       "Обозначте контур плана или поставьте препятствия"));
    SensorWindowPeek peek(*window);
    QVERIFY(detectorsIn(peek.scene()).isEmpty());
    QVERIFY(!peek.editingItem());
}

void TestDetectors::placedDetectorJoinsTheList()
{
    preparePlan(true);
    window->setWindowModified(false);
    action("sensorCreateAction")->trigger();
    QVERIFY(action("sensorCreateAction")->isChecked());
    SensorWindowPeek peek(*window);
    QCOMPARE(detectorsIn(peek.scene()).size(), 1);
    SensorGraphicsItem2 *detector = detectorsIn(peek.scene()).first();
    QVERIFY(peek.editingItem() == detector);
    QVERIFY(peek.sensors().isEmpty());

    moveTo(QPointF(2, -13));
    QCOMPARE(detector->surface(), static_cast<QGraphicsItem *>(&peek.plan()));
    QCOMPARE(detector->section(), 0);
    QCOMPARE(detector->pos().y(), -15.0);
    QVERIFY(detector->zone()->isVisible());
    click(QPointF(2, -13));

    QCOMPARE(peek.sensors().size(), 1);
    QCOMPARE(peek.sensors().first(), detector);
    QVERIFY(!action("sensorCreateAction")->isChecked());
    QVERIFY(!peek.editingItem());
    auto *list = widget<QListView>("sensorsList");
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("Извещатель: "));
    QVERIFY(window->isWindowModified());
    QVERIFY(detector->label()->isVisible());
    QVERIFY(qAbs(detector->position() - 18) < 0.1);
}

void TestDetectors::escapeDiscardsTheDetectorBeingPlaced()
{
    preparePlan(true);
    SensorWindowPeek peek(*window);
    auto lines = [&]() {
        int count = 0;
        for (QGraphicsItem *item : peek.scene().items())
            count += dynamic_cast<GraphicsLineItem *>(item) ? 1 : 0;
        return count;
    };
    const int planLines = lines();
    action("sensorCreateAction")->trigger();
    moveTo(QPointF(2, -13));
    QVERIFY(lines() > planLines);
    QCOMPARE(detectorsIn(peek.scene()).size(), 1);
    key(Qt::Key_Escape);
    QVERIFY(detectorsIn(peek.scene()).isEmpty());
    QVERIFY(peek.sensors().isEmpty());
    QVERIFY(!peek.editingItem());
    QVERIFY(!action("sensorCreateAction")->isChecked());
    QCOMPARE(lines(), planLines); // no ray left behind
    // The command works again afterwards.
    QVERIFY(placeDetector(QPointF(2, -13)));
}

void TestDetectors::selectingShowsThePanel()
{
    preparePlan(true);
    SensorGraphicsItem2 *first = placeDetector(QPointF(2, -13));
    SensorGraphicsItem2 *second = placeDetector(QPointF(18, 3));
    QVERIFY(first && second);
    auto *list = widget<QListView>("sensorsList");

    select(second);
    QCOMPARE(SensorGraphicsItem2::editedSensor(), second);
    QVERIFY(widget<QFrame>("sensorPanel")->isVisible());
    QVERIFY(!widget<QGroupBox>("objectGroup")->isVisible());
    QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(list->selectionModel()->selectedRows().first().row(), 1);
    QCOMPARE(widget<DoubleSpinBoxChange>("sensorPos")->value(), second->position());

    // Choosing the other row edits the other detector.
    list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
    QCOMPARE(SensorGraphicsItem2::editedSensor(), first);
    QCOMPARE(second->mode(), 0);
    QVERIFY(widget<QFrame>("sensorPanel")->isVisible());

    // Clicking the empty floor (outside both zones) ends editing and hides the panel.
    click(QPointF(19.5, -14.5));
    QVERIFY(!SensorGraphicsItem2::editedSensor());
    QVERIFY(!widget<QFrame>("sensorPanel")->isVisible());
    QVERIFY(list->selectionModel()->selectedRows().isEmpty());
    QVERIFY(widget<QGroupBox>("objectGroup")->isVisible());
}

void TestDetectors::sensitivityCouplings()
{
    preparePlan(true);
    SensorGraphicsItem2 *detector = placeDetector(QPointF(2, -13));
    select(detector);
    widget<ComboBoxChange>("sensorType")->setCurrentIndex(1);
    QCOMPARE(detector->sensor(), '4');
    auto *slider = widget<Slider>("sensorSensitivitySlider");
    auto *percent = widget<DoubleSpinBoxChange>("sensorSensitivity");
    auto *distance = widget<SpinBoxChange>("sensorSensitivityLen");
    QCOMPARE(distance->minimum(), 18);
    QCOMPARE(distance->maximum(), 40);
    QCOMPARE(slider->lowerLabels.size(), 12);

    slider->setValue(35);
    QCOMPARE(int(detector->sensitivity()), 35);
    QCOMPARE(percent->value(), 35.0);
    QCOMPARE(distance->value(), 26);
    // The zone follows the tables, not the panel's straight line: 25 m ahead.
    const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
    double reach = 0;
    for (const QPointF &p : detector->zone()->mapToScene(detector->zone()->polygon()))
        reach = qMax(reach, QLineF(pivot, p).length());
    QVERIFY2(reach > 24 && reach < 25.2, qPrintable(QString::number(reach)));
    QVERIFY(detector->label()->toPlainText().contains(QStringLiteral("Чувствительность: 35")));

    distance->setValue(40);
    QCOMPARE(int(detector->sensitivity()), 100);
    QCOMPARE(slider->value(), 100);
    QCOMPARE(percent->value(), 100.0);
    distance->setValue(18);
    QCOMPARE(int(detector->sensitivity()), 0);
    QCOMPARE(slider->value(), 0);
    QCOMPARE(distance->value(), 18);

    percent->setValue(78);
    QCOMPARE(slider->value(), 78);
    QCOMPARE(distance->value(), 35);
    QCOMPARE(int(detector->sensitivity()), 78);
}

void TestDetectors::modeAndModelSwitching()
{
    preparePlan(true);
    SensorGraphicsItem2 *detector = placeDetector(QPointF(2, -13));
    select(detector);
    auto *type = widget<ComboBoxChange>("sensorType");
    auto *mode = widget<ComboBoxChange>("sensorAnalysisType");
    auto *slider = widget<Slider>("sensorSensitivitySlider");
    auto *distance = widget<SpinBoxChange>("sensorSensitivityLen");

    type->setCurrentIndex(1);
    QCOMPARE(mode->count(), 5);
    mode->setCurrentIndex(4);
    QCOMPARE(detector->analysis(), 0);
    QVERIFY(detector->noiseImmunity());
    QCOMPARE(distance->minimum(), 18);
    QCOMPARE(distance->maximum(), 25);
    QCOMPARE(slider->lowerLabels, QStringList({ "18", "19", "20", "21", "22", "23", "24", "25" }));
    QVERIFY(detector->label()->toPlainText().contains(
        QStringLiteral("Режим: ИК и УФ (повышенная помехозащищенность)")));

    mode->setCurrentIndex(2);
    QCOMPARE(detector->analysis(), 2);
    QVERIFY(!detector->noiseImmunity());
    QCOMPARE(distance->maximum(), 40);
    QCOMPARE(slider->lowerLabels.size(), 12);

    // The infrared model keeps Analysis; its mode entry follows noise immunity alone.
    type->setCurrentIndex(0);
    QCOMPARE(detector->sensor(), '3');
    QCOMPARE(detector->analysis(), 2);
    QCOMPARE(mode->count(), 2);
    QCOMPARE(mode->itemText(0), QStringLiteral("3 ИК"));
    QCOMPARE(mode->currentIndex(), 0);
    QCOMPARE(distance->minimum(), 17);
    QCOMPARE(distance->maximum(), 50);
    QCOMPARE(slider->lowerLabels.first(), QStringLiteral("17"));
    QCOMPARE(slider->lowerLabels.last(), QStringLiteral("50"));
    mode->setCurrentIndex(1);
    QVERIFY(detector->noiseImmunity());
    QCOMPARE(detector->analysis(), 0);
    QCOMPARE(slider->lowerLabels.size(), 9);
    QCOMPARE(distance->maximum(), 25);
    QVERIFY(detector->label()->toPlainText().contains(
        QStringLiteral("Тип: ZIR-51мa-RS-330-1 \"Фаргос-3 ИК\"")));
}

void TestDetectors::orderingAttributes()
{
    preparePlan(true);
    SensorGraphicsItem2 *detector = placeDetector(QPointF(2, -13));
    select(detector);
    auto *in1 = widget<ComboBoxChange>("sensorIn1");
    auto *body = widget<ComboBoxChange>("sensorBody");
    auto *picture = widget<QLabel>("labelSensorImage");
    QVERIFY(picture->text().contains(QStringLiteral(":/icons/Resources/Icons/Sensor3Ir.ico")));

    const QPolygonF zone = detector->zone()->polygon();
    body->setCurrentIndex(body->findText(QStringLiteral("Нержавеющая сталь")));
    QCOMPARE(detector->body(), QStringLiteral("Нержавеющая сталь"));
    QVERIFY(picture->text().contains(QStringLiteral(":/icons/Resources/Icons/Sensor3IrN.ico")));
    widget<ComboBoxChange>("sensorType")->setCurrentIndex(1);
    QVERIFY(picture->text().contains(QStringLiteral(":/icons/Resources/Icons/SensorIrUvN.ico")));

    in1->setCurrentIndex(in1->findText(QStringLiteral("КВМ20-Н")));
    QCOMPARE(detector->in1(), QStringLiteral("КВМ20-Н"));
    widget<ComboBoxChange>("sensorInterface")->setCurrentIndex(2);
    QCOMPARE(detector->interfaceName(), QStringLiteral("HART"));
    widget<ComboBoxChange>("sensorCertificate")->setCurrentIndex(1);
    QCOMPARE(detector->certificate(), QStringLiteral("РКО"));
    widget<CheckBoxChange>("sensorOptionRS2")->setChecked(true);
    QVERIFY(detector->optionRS2());
    widget<QLineEdit>("sensorTag")->setText(QStringLiteral("ИП-12"));
    QCOMPARE(detector->tag(), QStringLiteral("ИП-12"));
    QCOMPARE(widget<QListView>("sensorsList")->model()->index(0, 0).data().toString(),
        QStringLiteral("Извещатель: ИП-12"));
    QVERIFY(detector->label()->toPlainText().startsWith(QStringLiteral("Тэг: ИП-12\n")));

    // A text that is not in the list (from a file) shows "Нет" but stays stored.
    detector->setIn1(QStringLiteral("КВБ99"));
    QCOMPARE(in1->currentIndex(), 0);
    QCOMPARE(in1->currentText(), QStringLiteral("Нет"));
    QCOMPARE(detector->in1(), QStringLiteral("КВБ99"));

    // The next detector inherits the ordering attributes, not the tag.
    SensorGraphicsItem2 *next = placeDetector(QPointF(18, 3));
    QCOMPARE(next->body(), QStringLiteral("Нержавеющая сталь"));
    QCOMPARE(next->interfaceName(), QStringLiteral("HART"));
    QVERIFY(next->optionRS2());
    QCOMPARE(next->tag(), QString());
    Q_UNUSED(zone);
}

void TestDetectors::cornerToggleKeepsThePlace()
{
    preparePlan(false);
    SensorWindowPeek peek(*window);
    // A 10 m top wall from (5, -15) to (-5, -15) as the detector sees it.
    peek.plan().setPath(QPolygonF({ { -5, -15 }, { 5, -15 }, { 5, 15 }, { -5, 15 } }));
    SensorGraphicsItem2 *detector = placeDetector(QPointF(0, -14));
    select(detector);
    auto *pos = widget<DoubleSpinBoxChange>("sensorPos");
    QCOMPARE(pos->maximum(), 10.0);
    pos->setValue(3);
    QCOMPARE(detector->position(), 3.0);
    QVERIFY(near(detector->pos(), QPointF(2, -15)));
    const QPointF place = detector->pos();
    QVERIFY(detector->label()->toPlainText().contains(
        QStringLiteral("Положение: 3.0м от левого угла")));

    widget<RadioButtonChange>("sensorAtRight")->setChecked(true);
    QVERIFY(detector->atRight());
    QCOMPARE(detector->position(), 7.0);
    QVERIFY(near(detector->pos(), place));
    QCOMPARE(pos->value(), 7.0);
    QVERIFY(widget<RadioButtonChange>("sensorAtRight")->isChecked());
    QVERIFY(detector->label()->toPlainText().contains(
        QStringLiteral("Положение: 7.0м от правого угла")));

    widget<RadioButtonChange>("sensorAtLeft")->setChecked(true);
    QVERIFY(!detector->atRight());
    QCOMPARE(detector->position(), 3.0);
    QVERIFY(near(detector->pos(), place));
}

void TestDetectors::heightTurnTiltAndInheritance()
{
    preparePlan(true);
    SensorGraphicsItem2 *detector = placeDetector(QPointF(2, -13));
    select(detector);
    widget<DoubleSpinBoxChange>("sensorHeight")->setValue(5);
    QCOMPARE(detector->height(), 5.0);
    QCOMPARE(widget<QSlider>("sensorHeightSlider")->value(), 500);
    widget<QSlider>("sensorHeightSlider")->setValue(726);
    QCOMPARE(detector->height(), 7.26);
    QCOMPARE(widget<DoubleSpinBoxChange>("sensorHeight")->value(), 7.26);

    const QPolygonF straight = detector->zone()->polygon();
    widget<QSlider>("sensorAngleSlider")->setValue(-30);
    QCOMPARE(detector->angle(), -30);
    QCOMPARE(widget<DoubleSpinBoxChange>("sensorAngle")->value(), -30.0);
    QCOMPARE(detector->headMarker()->rotation(), detector->rotation() - 30);
    QVERIFY(detector->zone()->polygon() != straight);
    widget<DoubleSpinBoxChange>("sensorTilt")->setValue(12);
    QCOMPARE(detector->tilt(), 12);
    QCOMPARE(widget<QSlider>("sensorTiltSlider")->value(), 12);
    QVERIFY(detector->label()->toPlainText().endsWith(
        QStringLiteral("Высота: 7.3м\nПоворот: 30° влево. Наклон: 12°")));

    // A new detector starts with the height and tilt, but not the turn.
    SensorGraphicsItem2 *next = placeDetector(QPointF(18, 3));
    QCOMPARE(next->height(), 7.26);
    QCOMPARE(next->tilt(), 12);
    QCOMPARE(next->angle(), 0);
}

void TestDetectors::deleteKeyRemovesTheEditedDetector()
{
    preparePlan(true);
    SensorGraphicsItem2 *first = placeDetector(QPointF(2, -13));
    SensorGraphicsItem2 *second = placeDetector(QPointF(18, 3));
    select(first);
    key(Qt::Key_Delete);
    SensorWindowPeek peek(*window);
    QCOMPARE(peek.sensors(), QList<SensorGraphicsItem2 *>({ second }));
    QCOMPARE(detectorsIn(peek.scene()), QList<SensorGraphicsItem2 *>({ second }));
    QCOMPARE(widget<QListView>("sensorsList")->model()->rowCount(), 1);
    QVERIFY(!peek.editingItem());
    QVERIFY(!SensorGraphicsItem2::editedSensor());
    QVERIFY(!SensorGraphicsItem2::rayPoint()->scene());
    // Without an edited detector Delete removes nothing.
    key(Qt::Key_Delete);
    QCOMPARE(peek.sensors().size(), 1);
}

void TestDetectors::obstacleDeletionTakesItsDetectors_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestDetectors::obstacleDeletionTakesItsDetectors()
{
    QFETCH(bool, confirm);
    preparePlan(true);
    SensorWindowPeek peek(*window);
    ObjectGraphicsItem *obstacle = placeObstacle(QPointF(0, 0));
    QVERIFY(obstacle);
    const QRectF box = obstacle->sceneBoundingRect();
    SensorGraphicsItem2 *top = placeDetector(QPointF(0, box.top() - 0.5));
    SensorGraphicsItem2 *right = placeDetector(QPointF(box.right() + 0.5, 0));
    SensorGraphicsItem2 *wall = placeDetector(QPointF(2, -14));
    QCOMPARE(top->surface(), static_cast<QGraphicsItem *>(obstacle));
    QCOMPARE(right->surface(), static_cast<QGraphicsItem *>(obstacle));
    QCOMPARE(wall->surface(), static_cast<QGraphicsItem *>(&peek.plan()));

    click(QPointF(-1, 1));
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, obstacle);
    prompts->answerQuestion(confirm ? QMessageBox::Yes : QMessageBox::No);
    key(Qt::Key_Delete);
    QCOMPARE(prompts->calls().last().title, QStringLiteral("Удаление препятствия"));
    QCOMPARE(prompts->calls().last().text,
        QStringLiteral("Вместе с препятсивием будут удалены извещатели. Вы действительно "
                       "хотите удалить препятствие?"));
    if (confirm) {
        QVERIFY(peek.objects().isEmpty());
        QCOMPARE(peek.sensors(), QList<SensorGraphicsItem2 *>({ wall }));
        QCOMPARE(detectorsIn(peek.scene()), QList<SensorGraphicsItem2 *>({ wall }));
        QCOMPARE(widget<QListView>("sensorsList")->model()->rowCount(), 1);
        QCOMPARE(widget<QListView>("objectsList")->model()->rowCount(), 0);
    } else {
        QCOMPARE(peek.objects().size(), 1);
        QCOMPARE(peek.sensors().size(), 3);
        // Declining ends the whole command: even with a detector in editing mode
        // (a state editing one element at a time normally rules out, so it is set
        // up directly) nothing is deleted.
        wall->startEdit();
        ObjectGraphicsItem::selectedObstacle = obstacle;
        QCOMPARE(SensorGraphicsItem2::editedSensor(), wall);
        prompts->answerQuestion(QMessageBox::No);
        key(Qt::Key_Delete);
        QCOMPARE(peek.objects().size(), 1);
        QCOMPARE(peek.sensors().size(), 3);
    }
}

void TestDetectors::movedObstacleCarriesItsDetectors()
{
    preparePlan(true);
    SensorWindowPeek peek(*window);
    ObjectGraphicsItem *obstacle = placeObstacle(QPointF(0, 0));
    QVERIFY(obstacle);
    const QRectF box = obstacle->sceneBoundingRect();
    SensorGraphicsItem2 *top = placeDetector(QPointF(box.left() + 1, box.top() - 0.5));
    const double distance = top->position();
    click(QPointF(-1, 1));
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, obstacle);
    auto *x = widget<DoubleSpinBoxChange>("objectX");
    x->setValue(x->value() + 4);
    QCOMPARE(top->position(), distance);
    QCOMPARE(top->pos().y(), obstacle->scenePolygon().at(0).y());
    QVERIFY(qAbs(top->pos().x() - (box.left() + 5)) < 0.1);
    QVERIFY(near(top->zone()->scenePos(), top->mapToScene(QPointF(0, -0.07))));
}

void TestDetectors::clearingTheOutlineAsksFirst_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestDetectors::clearingTheOutlineAsksFirst()
{
    QFETCH(bool, confirm);
    preparePlan(true);
    SensorWindowPeek peek(*window);
    ObjectGraphicsItem *obstacle = placeObstacle(QPointF(0, 0));
    const QRectF box = obstacle->sceneBoundingRect();
    SensorGraphicsItem2 *onObstacle = placeDetector(QPointF(0, box.top() - 0.5));
    placeDetector(QPointF(2, -14));
    placeDetector(QPointF(18, 3));
    QCOMPARE(peek.sensors().size(), 3);

    prompts->answerQuestion(confirm ? QMessageBox::Yes : QMessageBox::No);
    action("planPathClearAction")->trigger();
    QCOMPARE(prompts->calls().last().title, QStringLiteral("Очистка контура плана"));
    QCOMPARE(prompts->calls().last().text,
        QStringLiteral("Вместе с контуром будут удалены извещатели. Вы действительно "
                       "хотите очистить контур?"));
    if (confirm) {
        QVERIFY(!peek.plan().hasPath());
        QCOMPARE(peek.sensors(), QList<SensorGraphicsItem2 *>({ onObstacle }));
        QCOMPARE(detectorsIn(peek.scene()).size(), 1);
    } else {
        QVERIFY(peek.plan().hasPath());
        QCOMPARE(peek.sensors().size(), 3);
        QVERIFY(!action("planPathSetAction")->isChecked());
    }
}

void TestDetectors::calibrationKeepsDetectorsInPlace()
{
    preparePlan(true);
    SensorWindowPeek peek(*window);
    SensorGraphicsItem2 *detector = placeDetector(QPointF(12, -13));
    select(detector);
    widget<DoubleSpinBoxChange>("sensorPos")->setValue(8);
    click(QPointF(-10, 10));
    const double labelScale = detector->labelScale();
    emit peek.caliber().caliberSetted(20);
    QVERIFY(qAbs(detector->position() - 0.4) < 1e-12);
    QVERIFY(near(detector->pos(), QPointF(12, -15) / 20));
    QCOMPARE(detector->section(), 0);
    QVERIFY(qAbs(detector->labelScale() - labelScale / 20) < 1e-15);
    QVERIFY(near(detector->zone()->scenePos(), detector->mapToScene(QPointF(0, -0.07))));
    QVERIFY(window->isWindowModified());
}

void TestDetectors::controlResizesEveryLabel_data()
{
    QTest::addColumn<bool>("control");
    QTest::newRow("alone") << false;
    QTest::newRow("with Ctrl") << true;
}

void TestDetectors::controlResizesEveryLabel()
{
    QFETCH(bool, control);
    preparePlan(true);
    SensorGraphicsItem2 *first = placeDetector(QPointF(-10, -13));
    SensorGraphicsItem2 *second = placeDetector(QPointF(10, 13));
    SensorGraphicsItem2 *third = placeDetector(QPointF(18, 0));
    QCOMPARE(second->labelScale(), 0.01);

    click(labelRect(first).center());
    QCOMPARE(SensorLabelGraphicsItem::editedLabel(), first->label());
    GraphicsPolygonItem2 *handle = SensorLabelGraphicsItem::resizeHandle();
    const QPoint corner = view()->mapFromScene(handle->scenePos());
    const Qt::KeyboardModifiers modifiers = control ? Qt::ControlModifier : Qt::NoModifier;
    mouse(0, corner, modifiers);
    mouse(1, corner, modifiers);
    mouse(0, corner + QPoint(60, 40), modifiers);
    mouse(2, corner + QPoint(60, 40), modifiers);

    const double grown = first->labelScale();
    QVERIFY(grown > 0.01);
    if (control) {
        QCOMPARE(second->labelScale(), grown);
        QCOMPARE(third->labelScale(), grown);
        QCOMPARE(third->label()->scale(), grown);
    } else {
        QCOMPARE(second->labelScale(), 0.01);
        QCOMPARE(third->labelScale(), 0.01);
    }
    QVERIFY(window->isWindowModified());
}

void TestDetectors::rayAndLabelSwitches()
{
    preparePlan(true);
    SensorGraphicsItem2 *first = placeDetector(QPointF(-10, -13));
    SensorGraphicsItem2 *second = placeDetector(QPointF(10, 13));
    action("actionSensorRay")->trigger();
    QVERIFY(!SensorGraphicsItem2::showRay);
    QVERIFY(!first->ray()->isVisible());
    QVERIFY(!second->ray()->isVisible());
    action("actionLabel")->trigger();
    QVERIFY(!first->label()->isVisible());
    QVERIFY(!second->label()->leader()->isVisible());
    const QRectF bare = SensorWindowPeek(*window).scene().sceneRect();
    action("actionSensorRay")->trigger();
    action("actionLabel")->trigger();
    QVERIFY(SensorGraphicsItem2::showRay);
    QVERIFY(SensorLabelGraphicsItem::showLabels);
    QVERIFY(first->ray()->isVisible());
    QVERIFY(second->label()->isVisible());
    // The scene rectangle takes the detectors' zones, rays and labels in.
    const QRectF full = SensorWindowPeek(*window).scene().sceneRect();
    QVERIFY(full.contains(bare));
    QVERIFY(full.contains(labelRect(second).center() * 1.0));
}

void TestDetectors::typedDecimalsReachTheDetector_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("expected");
    QTest::newRow("position") << "sensorPos"
                              << "2.25" << 2.25;
    QTest::newRow("height") << "sensorHeight"
                            << "7.26" << 7.26;
}

void TestDetectors::typedDecimalsReachTheDetector()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(double, expected);
    preparePlan(true);
    SensorGraphicsItem2 *detector = placeDetector(QPointF(12, -13));
    select(detector);
    auto *box = widget<DoubleSpinBoxChange>(field.toLatin1().constData());
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, box->rect().center());
    box->selectAll();
    QTest::keyClicks(box, typed);
    QCOMPARE(box->value(), expected);
    QCOMPARE(box->text(), typed + QStringLiteral(" м"));
    QCOMPARE(
        field == QLatin1String("sensorPos") ? detector->position() : detector->height(), expected);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->value(), expected);
    QCOMPARE(detector->label()->toPlainText(), detector->labelText());
}

void TestDetectors::calloutFollowsEveryChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("shows");
    QTest::newRow("dragged round a corner") << "drag" << QString();
    QTest::newRow("calibrated") << "calibration"
                                << QStringLiteral("Положение: 0.4м от левого угла");
    QTest::newRow("obstacle narrowed") << "obstacle" << QStringLiteral("Положение: 1.0м");
    QTest::newRow("turned from outside the panel")
        << "setter" << QStringLiteral("Поворот: 20°вправо");
}

void TestDetectors::calloutFollowsEveryChange()
{
    QFETCH(QString, change);
    QFETCH(QString, shows);
    preparePlan(true);
    SensorWindowPeek peek(*window);
    SensorGraphicsItem2 *detector = nullptr;
    if (change == QLatin1String("obstacle")) {
        ObjectGraphicsItem *obstacle = placeObstacle(QPointF(0, 0));
        QVERIFY(obstacle);
        const QRectF box = obstacle->sceneBoundingRect();
        detector = placeDetector(QPointF(box.right() - 0.5, box.top() - 0.5));
        QVERIFY(detector);
        QCOMPARE(detector->surface(), static_cast<QGraphicsItem *>(obstacle));
        QVERIFY(detector->position() > 3.5);
        click(QPointF(-1, 1));
        QCOMPARE(ObjectGraphicsItem::selectedObstacle, obstacle);
        widget<DoubleSpinBoxChange>("objectW")->setValue(1);
        QCOMPARE(detector->position(), 1.0);
    } else {
        detector = placeDetector(QPointF(12, -13));
        QVERIFY(detector);
        QCOMPARE(detector->position(), 8.0);
        select(detector);
        widget<DoubleSpinBoxChange>("sensorPos")->setValue(8);
        key(Qt::Key_Escape);
        QVERIFY(!SensorGraphicsItem2::editedSensor());
    }
    QVERIFY(detector->label()->toPlainText().contains(QStringLiteral("Положение: ")));

    if (change == QLatin1String("drag")) {
        select(detector);
        const QPoint head
            = view()->mapFromScene(detector->mapToScene(QPointF(0, -0.07))) + QPoint(0, 6);
        MouseInput(view()).drag(head, view()->mapFromScene(QPointF(19.5, -2)));
        QCOMPARE(detector->section(), 1);
        QVERIFY(detector->position() > 10);
    } else if (change == QLatin1String("calibration")) {
        emit peek.caliber().caliberSetted(20);
    } else if (change == QLatin1String("setter")) {
        detector->setAngle(20);
    }
    QCOMPARE(detector->label()->toPlainText(), detector->labelText());
    if (!shows.isEmpty())
        QVERIFY2(detector->label()->toPlainText().contains(shows),
            qPrintable(detector->label()->toPlainText()));
    // The leader still ends at the detector.
    const GraphicsLineItem *leader = detector->label()->leader();
    QVERIFY(near(leader->mapToScene(leader->line().p2()), detector->pos(), 1e-6));
}

void TestDetectors::switchesKeepTheViewInPlace_data()
{
    QTest::addColumn<QString>("switchName");
    QTest::addColumn<QPointF>("looking");
    // The callout reaches past the plan's left edge; the view looks at that end.
    QTest::newRow("callouts") << "actionLabel" << QPointF(-50, 0);
}

void TestDetectors::switchesKeepTheViewInPlace()
{
    QFETCH(QString, switchName);
    QFETCH(QPointF, looking);
    preparePlan(false);
    view()->centerOn(40, 0);
    ObjectGraphicsItem *obstacle = placeObstacle(QPointF(40, 0));
    QVERIFY(obstacle);
    // On the obstacle's right side, facing out of the plan.
    SensorGraphicsItem2 *detector = placeDetector(QPointF(43, 0));
    QVERIFY(detector);
    detector->setLabelPos(QPointF(-100, 0));
    action("actionAllView")->trigger();
    view()->scale(3, 3);
    view()->centerOn(looking);
    const QPoint probe = view()->viewport()->rect().center();
    const QPointF shown = view()->mapToScene(probe);
    QAction *toggle = action(switchName.toLatin1().constData());
    const QRectF before = SensorWindowPeek(*window).scene().sceneRect();
    toggle->trigger();
    QVERIFY(!toggle->isChecked());
    QVERIFY(SensorWindowPeek(*window).scene().sceneRect() != before);
    QCOMPARE(view()->mapToScene(probe), shown);
    toggle->trigger();
    QVERIFY(toggle->isChecked());
    QCOMPARE(view()->mapToScene(probe), shown);
}

void TestDetectors::selectionSetsTheHeightSlider()
{
    preparePlan(true);
    SensorGraphicsItem2 *first = placeDetector(QPointF(2, -13));
    SensorGraphicsItem2 *second = placeDetector(QPointF(18, 3));
    first->setHeight(7.26);
    second->setHeight(3.5);
    auto *slider = widget<QSlider>("sensorHeightSlider");
    auto *height = widget<DoubleSpinBoxChange>("sensorHeight");
    select(first);
    QCOMPARE(SensorGraphicsItem2::editedSensor(), first);
    QCOMPARE(slider->value(), 726);
    QCOMPARE(height->value(), 7.26);
    select(second);
    QCOMPARE(SensorGraphicsItem2::editedSensor(), second);
    QCOMPARE(slider->value(), 350);
    QCOMPARE(height->value(), 3.5);
}

QTEST_MAIN(TestDetectors)
#include "tst_detectors.moc"

void TestDetectors::noMoreThanTheFileHolds_data()
{
    QTest::addColumn<bool>("obstacles");
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("obstacles") << true << QStringLiteral("objectCreateAction")
                               << QStringLiteral("Препятствие")
                               << QStringLiteral(
                                      "В проекте уже 300 препятствий, больше файл проекта не "
                                      "вмещает.\nЧтобы поставить новое препятствие, удалите одно "
                                      "из прежних.");
    QTest::newRow("detectors") << false << QStringLiteral("sensorCreateAction")
                               << QStringLiteral("Извещатель")
                               << QStringLiteral(
                                      "В проекте уже 300 извещателей, больше файл проекта не "
                                      "вмещает.\nЧтобы поставить новый извещатель, удалите один "
                                      "из прежних.");
}

// What the window places, the loader reads back: the lists stop at its limits.
void TestDetectors::noMoreThanTheFileHolds()
{
    QFETCH(bool, obstacles);
    QFETCH(QString, actionName);
    QFETCH(QString, title);
    QFETCH(QString, text);
    preparePlan(true);
    SensorWindowPeek peek(*window);
    const int limit = obstacles ? ProjectLimits::maxObstacles : ProjectLimits::maxDetectors;
    QCOMPARE(limit, 300);
    // One short of the limit: placing through the window works.
    for (int i = 1; i < limit; ++i) {
        if (obstacles) {
            auto *obstacle = new ObjectGraphicsItem(ObjectGraphicsItem::Rect);
            peek.scene().addItem(obstacle);
            peek.objects().append(obstacle);
        } else {
            auto *detector = new SensorGraphicsItem2(peek.objects(), &peek.plan());
            peek.scene().addItem(detector);
            peek.sensors().append(detector);
        }
    }
    const int itemsBefore = peek.scene().items().size();
    if (obstacles)
        QVERIFY(placeObstacle(QPointF(5, 5)));
    else
        QVERIFY(placeDetector(QPointF(2, -13)));
    QCOMPARE(obstacles ? peek.objects().size() : peek.sensors().size(), limit);

    const int itemsAtLimit = peek.scene().items().size();
    QVERIFY(itemsAtLimit > itemsBefore);
    const int callsBefore = prompts->calls().size();
    prompts->answerWarning();
    QAction *create = window->findChild<QAction *>(actionName);
    QVERIFY(create);
    create->trigger();
    QVERIFY(!create->isChecked());
    QCOMPARE(prompts->calls().size(), callsBefore + 1);
    QCOMPARE(prompts->calls().last().kind, ScriptedPrompts::Warning);
    QCOMPARE(prompts->calls().last().title, title);
    QCOMPARE(prompts->calls().last().text, text);
    QCOMPARE(peek.scene().items().size(), itemsAtLimit);
    QVERIFY(!peek.editingItem());
    QCOMPARE(obstacles ? peek.objects().size() : peek.sensors().size(), limit);
}
