#include "app/mainwindow.h"
#include "common/mouseinput.h"
#include "common/scriptedprompts.h"
#include "common/testwindow.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/zonegraphicsitem.h"
#include "io/pdfexport.h"
#include "io/projectfile.h"
#include "io/sceneimage.h"
#include "io/treenode.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "scene/doublespinboxchange.h"
#include "scene/view.h"

#include <QAction>
#include <QBuffer>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListView>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <sstream>

// The undo side of the main window, for the tests.
struct MainWindowPeek
{
    explicit MainWindowPeek(MainWindow &window)
        : window(window)
    {
    }
    ProjectDocument &document() const { return window.document; }
    bool load(const QString &path) { return window.loadProject(path); }
    bool pending() const { return window.stepPending; }
    void calibrate(double k) { window.on_caliberSetted(k); }
    void deleteSelection() { window.on_shortcutDelete(); }
    MainWindow &window;
};

namespace {

QByteArray pngBase64(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toBase64();
}

// A calibrated 40 m × 30 m room with an image, two obstacles and two detectors,
// A on the outline and B on the ellipse.
QByteArray projectText()
{
    const QByteArray sensor = "\t<Sensor>\r\n\t\tTag=\"%1\"\r\n\t\tSurface=%2\r\n\t\tSection=0\r\n"
                              "\t\tPos=3\r\n\t\tAtRight=0\r\n\t\tSensor=51\r\n\t\tHeight=3\r\n"
                              "\t\tAngle=0\r\n\t\tTilt=0\r\n\t</>\r\n";
    return "App=\"ZOR-51ma Position\"\r\nImage=\"" + pngBase64(40, 30)
        + "\"\r\nCenter=20,15\r\nScale=1\r\nRoulette=-10,0,20,0,1\r\n"
          "<Outline>\r\n\t1=-20,-15\r\n\t2=20,-15\r\n\t3=20,15\r\n\t4=-20,15\r\n</>\r\n"
          "<Objects>\r\n\tRect=5,5,3,3\r\n\tEllipse=-5,0,7,1\r\n</>\r\n<Sensors>\r\n"
        + QByteArray(sensor).replace("%1", "A").replace("%2", "0")
        + QByteArray(sensor).replace("%1", "B").replace("%2", "2") + "</>\r\n";
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyKindOfStep_data();
    void everyKindOfStep();
    void aDragIsOneStep();
    void aDragPaintsZonesQuickly_data();
    void aDragPaintsZonesQuickly();
    void typedValueIsOneStep();
    void modifiedMarkFollowsTheHistory();
    void newAndOpenClearTheHistory();

private:
    QAction *action(const char *name) const
    {
        return window->findChild<QAction *>(QString::fromLatin1(name));
    }
    View *view() const { return window->findChild<View *>(QStringLiteral("graphicsView")); }
    std::string savedTree() const;
    void settle();
    void click(const QPointF &scenePos) const;
    void selectRow(const char *list, int row) const;

    QTemporaryDir dir;
    MainWindow *window = nullptr;
    ScriptedPrompts *prompts = nullptr;
};

Q_DECLARE_METATYPE(std::function<void(TestUndo &)>)

void TestUndo::initTestCase()
{
    QVERIFY(dir.isValid());
}

void TestUndo::init()
{
    TestWindow::clearSettings();
    window = TestWindow::open(&prompts, QSize(1400, 900));
    QVERIFY(window);
    const QString path = dir.filePath(QStringLiteral("hall.prj"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(projectText()) > 0);
    file.close();
    MainWindowPeek peek(*window);
    QVERIFY(peek.load(path));
    QVERIFY(!window->isWindowModified());
    QVERIFY(!action("actionUndo")->isEnabled());
}

void TestUndo::cleanup()
{
    const QString unused = TestWindow::close(window, prompts);
    QVERIFY2(unused.isEmpty(), qPrintable(unused));
}

std::string TestUndo::savedTree() const
{
    MainWindowPeek peek(*window);
    TreeNode root;
    ProjectFile::writeProject(peek.document().parts(), root);
    std::ostringstream stream;
    root.write(stream, -1);
    return stream.str();
}

// Lets the window record what it noted.
void TestUndo::settle()
{
    MainWindowPeek peek(*window);
    QTRY_VERIFY(!peek.pending());
}

void TestUndo::click(const QPointF &scenePos) const
{
    const MouseInput input(view());
    const QPoint at = view()->mapFromScene(scenePos);
    input.moveTo(at);
    input.click(at);
}

void TestUndo::selectRow(const char *list, int row) const
{
    auto *view = window->findChild<QListView *>(QString::fromLatin1(list));
    view->setCurrentIndex(view->model()->index(row, 0));
}

void TestUndo::everyKindOfStep_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::function<void(TestUndo &)>>("change");

    QTest::newRow("image") << "выбор изображения плана"
                           << std::function<void(TestUndo &)>([](TestUndo &t) {
                                  const QString path = t.dir.filePath(QStringLiteral("new.png"));
                                  QImage image(60, 20, QImage::Format_RGB32);
                                  image.fill(Qt::red);
                                  QVERIFY(image.save(path));
                                  t.prompts->answerOpenFile(path);
                                  t.action("planImageOpenAction")->trigger();
                              });
    QTest::newRow("calibration") << "калибровка масштаба"
                                 << std::function<void(TestUndo &)>([](TestUndo &t) {
                                        MainWindowPeek peek(*t.window);
                                        peek.document().caliber().setMeasurement(
                                            QPointF(-10, 0), QPointF(20, 0), 1);
                                        peek.calibrate(2);
                                    });
    QTest::newRow("outline cleared")
        << "очистка контура плана" << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.prompts->answerQuestion(QMessageBox::Yes);
               t.action("planPathClearAction")->trigger();
           });
    QTest::newRow("outline traced")
        << "обводка контура плана" << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.prompts->answerQuestion(QMessageBox::Yes);
               t.action("planPathSetAction")->trigger();
               for (const QPointF &vertex :
                   { QPointF(-15, -10), QPointF(15, -10), QPointF(15, 10), QPointF(-15, -10) })
                   t.click(vertex);
           });
    QTest::newRow("obstacle created")
        << "создание препятствия" << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.action("objectCreateAction")->trigger();
               t.click(QPointF(-10, 8));
           });
    QTest::newRow("obstacle moved")
        << "перемещение препятствия" << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.selectRow("objectsList", 0);
               t.window->findChild<DoubleSpinBoxChange *>("objectX")->setValue(9);
           });
    QTest::newRow("obstacle resized")
        << "изменение размеров препятствия" << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.selectRow("objectsList", 0);
               t.window->findChild<DoubleSpinBoxChange *>("objectW")->setValue(4.5);
           });
    QTest::newRow("obstacle deleted with its detector")
        << "удаление препятствия" << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.selectRow("objectsList", 1);
               t.prompts->answerQuestion(QMessageBox::Yes);
               MainWindowPeek(*t.window).deleteSelection();
           });
    QTest::newRow("detector created")
        << "создание извещателя" << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.action("sensorCreateAction")->trigger();
               t.click(QPointF(0, -15));
           });
    QTest::newRow("detector turned")
        << "поворот извещателя" << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.selectRow("sensorsList", 0);
               t.window->findChild<DoubleSpinBoxChange *>("sensorAngle")->setValue(20);
           });
    QTest::newRow("detector edited")
        << "изменение высоты установки извещателя"
        << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.selectRow("sensorsList", 1);
               t.window->findChild<DoubleSpinBoxChange *>("sensorHeight")->setValue(5.5);
           });
    QTest::newRow("detector deleted")
        << "удаление извещателя" << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.selectRow("sensorsList", 0);
               MainWindowPeek(*t.window).deleteSelection();
           });
    QTest::newRow("coverage target")
        << "изменение целей покрытия" << std::function<void(TestUndo &)>([](TestUndo &t) {
               t.window->findChild<QDoubleSpinBox *>("coverageTarget1")->setValue(80);
           });
    QTest::newRow("callout moved")
        << "перемещение выноски" << std::function<void(TestUndo &)>([](TestUndo &t) {
               // The end of a drag of the callout, as the label reports it.
               SensorGraphicsItem2 *detector
                   = MainWindowPeek(*t.window).document().sensors().first();
               detector->setLabelPos(detector->record().labelOffset() + QPointF(2, 1));
               emit detector->label()->changed();
           });
}

void TestUndo::everyKindOfStep()
{
    QFETCH(QString, name);
    QFETCH(std::function<void(TestUndo &)>, change);

    const std::string before = savedTree();
    change(*this);
    if (QTest::currentTestFailed())
        return;
    settle();
    const std::string after = savedTree();
    QVERIFY(after != before);
    QVERIFY(window->isWindowModified());
    QAction *undo = action("actionUndo");
    QAction *redo = action("actionRedo");
    QVERIFY(undo->isEnabled());
    QVERIFY(!redo->isEnabled());
    QCOMPARE(undo->toolTip(), QStringLiteral("Отменить: ") + name);

    undo->trigger();
    QCOMPARE(savedTree(), before);
    QVERIFY(!window->isWindowModified());
    QVERIFY(!undo->isEnabled());
    QCOMPARE(redo->toolTip(), QStringLiteral("Повторить: ") + name);
    // The lists follow the restored project.
    MainWindowPeek peek(*window);
    QCOMPARE(peek.document().objectModel().rowCount(), peek.document().objects().size());
    QCOMPARE(peek.document().sensorModel().rowCount(), peek.document().sensors().size());

    redo->trigger();
    QCOMPARE(savedTree(), after);
    QVERIFY(window->isWindowModified());
    settle();
    // Nothing was recorded on the way: one step, undone and redone.
    QCOMPARE(peek.document().history().count(), 1);
}

void TestUndo::aDragIsOneStep()
{
    MainWindowPeek peek(*window);
    const std::string before = savedTree();
    ObjectGraphicsItem *obstacle = peek.document().objects().first();
    selectRow("objectsList", 0);
    const QPointF start = obstacle->pos();
    const MouseInput input(view());
    input.drag(view()->mapFromScene(start), view()->mapFromScene(start + QPointF(6, 4)));
    settle();
    QVERIFY(obstacle->pos() != start);
    QCOMPARE(peek.document().history().count(), 1);
    QCOMPARE(action("actionUndo")->toolTip(), QStringLiteral("Отменить: перемещение препятствия"));
    action("actionUndo")->trigger();
    QCOMPARE(savedTree(), before);
}

void TestUndo::aDragPaintsZonesQuickly_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("released") << false;
    QTest::newRow("cancelled") << true;
}

// During a drag the view fills zones without antialiasing; an exported image
// is the same as outside the drag, and the drag's end, by release or Escape,
// brings the normal painting back.
void TestUndo::aDragPaintsZonesQuickly()
{
    QFETCH(bool, escape);
    MainWindowPeek peek(*window);
    QGraphicsScene *scene = &peek.document().scene();
    ObjectGraphicsItem *obstacle = peek.document().objects().first();
    selectRow("objectsList", 0);
    const QRectF rect = scene->sceneRect();
    // The scene drawn as the view draws it, not through an export.
    const auto viewImage = [scene, rect] {
        QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        scene->render(&painter, QRectF(image.rect()), rect);
        return image;
    };

    const MouseInput input(view());
    const QPointF start = obstacle->pos();
    const QPoint from = view()->mapFromScene(start);
    const QPoint to = view()->mapFromScene(start + QPointF(0, -3));
    input.moveTo(from);
    input.press(from);
    QVERIFY(!ZoneGraphicsItem::dragPainting(scene));
    for (int i = 1; i <= 3; ++i)
        input.moveTo(from + (to - from) * i / 3);
    QVERIFY(obstacle->pos() != start);
    QVERIFY(ZoneGraphicsItem::dragPainting(scene));

    const QImage quickView = viewImage();
    QImage smoothView;
    {
        const ZoneGraphicsItem::NormalPainting normal(scene);
        QVERIFY(!ZoneGraphicsItem::dragPainting(scene));
        smoothView = viewImage();
    }
    QVERIFY(ZoneGraphicsItem::dragPainting(scene));
    QVERIFY(quickView != smoothView);

    // A page draws the scene through the same call as the PDF export.
    const auto pageImage = [scene] {
        QImage image(500, 400, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderSceneTopLeft(scene, &painter, QRectF(image.rect()));
        return image;
    };
    const QImage exportedInDrag = renderSceneToImage(scene, rect);
    const QImage pageInDrag = pageImage();
    QVERIFY(!exportedInDrag.isNull());
    QVERIFY(ZoneGraphicsItem::dragPainting(scene));
    ZoneGraphicsItem::setDragPainting(scene, false);
    QCOMPARE(renderSceneToImage(scene, rect), exportedInDrag);
    QCOMPARE(pageImage(), pageInDrag);
    QCOMPARE(viewImage(), smoothView);
    ZoneGraphicsItem::setDragPainting(scene, true);

    if (escape)
        QTest::keyClick(window, Qt::Key_Escape);
    else
        input.release(to);
    QVERIFY(!ZoneGraphicsItem::dragPainting(scene));
    if (escape)
        input.release(to);
    QVERIFY(!ZoneGraphicsItem::dragPainting(scene));
    settle();
}

void TestUndo::typedValueIsOneStep()
{
    MainWindowPeek peek(*window);
    const std::string before = savedTree();
    selectRow("sensorsList", 0);
    auto *tag = window->findChild<QLineEdit *>(QStringLiteral("sensorTag"));
    tag->setFocus();
    tag->selectAll();
    QTest::keyClicks(tag, QStringLiteral("T-12"));
    settle();
    QCOMPARE(peek.document().sensors().first()->tag(), QStringLiteral("T-12"));
    QCOMPARE(peek.document().history().count(), 1);
    QCOMPARE(action("actionUndo")->toolTip(),
        QStringLiteral("Отменить: изменение обозначения извещателя"));
    // Another field afterwards is a step of its own.
    window->findChild<DoubleSpinBoxChange *>(QStringLiteral("sensorHeight"))->setValue(4);
    window->findChild<DoubleSpinBoxChange *>(QStringLiteral("sensorHeight"))->setValue(4.5);
    settle();
    QCOMPARE(peek.document().history().count(), 2);
    action("actionUndo")->trigger();
    action("actionUndo")->trigger();
    QCOMPARE(savedTree(), before);
    QCOMPARE(peek.document().sensors().first()->tag(), QStringLiteral("A"));
}

void TestUndo::modifiedMarkFollowsTheHistory()
{
    MainWindowPeek peek(*window);
    selectRow("sensorsList", 0);
    auto *angle = window->findChild<DoubleSpinBoxChange *>(QStringLiteral("sensorAngle"));
    angle->setValue(10);
    settle();
    angle->setValue(20);
    settle();
    QCOMPARE(peek.document().history().count(), 1);

    // Saved after the run: the next value is a step of its own.
    const QString saved = dir.filePath(QStringLiteral("saved.prj"));
    prompts->answerSaveFile(saved);
    action("actionSave")->trigger();
    QVERIFY(!window->isWindowModified());
    selectRow("sensorsList", 0);
    angle->setValue(30);
    settle();
    QVERIFY(window->isWindowModified());
    QCOMPARE(peek.document().history().count(), 2);

    action("actionUndo")->trigger();
    QVERIFY(!window->isWindowModified());
    action("actionUndo")->trigger();
    QVERIFY(window->isWindowModified());
    action("actionRedo")->trigger();
    QVERIFY(!window->isWindowModified());
    action("actionRedo")->trigger();
    QVERIFY(window->isWindowModified());
}

void TestUndo::newAndOpenClearTheHistory()
{
    MainWindowPeek peek(*window);
    selectRow("sensorsList", 0);
    window->findChild<DoubleSpinBoxChange *>(QStringLiteral("sensorAngle"))->setValue(10);
    settle();
    QVERIFY(action("actionUndo")->isEnabled());

    prompts->answerQuestion(QMessageBox::Yes);
    action("actionNew")->trigger();
    QVERIFY(!action("actionUndo")->isEnabled());
    QVERIFY(!action("actionRedo")->isEnabled());
    QVERIFY(!window->isWindowModified());
    QCOMPARE(peek.document().history().count(), 0);

    QVERIFY(peek.load(dir.filePath(QStringLiteral("hall.prj"))));
    QVERIFY(!action("actionUndo")->isEnabled());
    QCOMPARE(peek.document().history().count(), 0);
}

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
