#include "app/mainwindow.h"
#include "common/mainwindowpeek.h"
#include "common/mouseinput.h"
#include "common/scriptedprompts.h"
#include "common/testwindow.h"

#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"
#include "plan/roulettegraphicsitem.h"
#include "scene/doublespinboxchange.h"
#include "scene/view.h"

#include <QAction>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QListView>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QWindow>
#include <QtEndian>
#include <QtTest>

namespace {

const QString kImageQuestion = QStringLiteral("Изображение плана не выбрано. Выбрать?");
const QString kScaleQuestion = QStringLiteral("Масштаб не обозначен. Обозначить?");

template <class Item> Item *findItem(QGraphicsScene &scene)
{
    for (QGraphicsItem *item : scene.items())
        if (auto *found = dynamic_cast<Item *>(item))
            return found;
    return nullptr;
}

QList<ObjectGraphicsItem *> obstaclesIn(QGraphicsScene &scene)
{
    QList<ObjectGraphicsItem *> found;
    for (QGraphicsItem *item : scene.items())
        if (auto *object = dynamic_cast<ObjectGraphicsItem *>(item))
            found << object;
    return found;
}

// A BMP header announcing width × height pixels of 24 bits, with no pixels after it.
QByteArray bmpHeader(qint32 width, qint32 height)
{
    QByteArray bytes(54, '\0');
    char *d = bytes.data();
    d[0] = 'B';
    d[1] = 'M';
    qToLittleEndian<quint32>(54 + quint32(width) * 3 * quint32(height), d + 2);
    qToLittleEndian<quint32>(54, d + 10);
    qToLittleEndian<quint32>(40, d + 14);
    qToLittleEndian<qint32>(width, d + 18);
    qToLittleEndian<qint32>(height, d + 22);
    qToLittleEndian<quint16>(1, d + 26);
    qToLittleEndian<quint16>(24, d + 28);
    return bytes;
}

} // namespace

class TestPlanCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstImageIsScaledAndCentred();
    void unreadableImageChangesNothing_data();
    void unreadableImageChangesNothing();
    void imageViewSwitch();
    void preconditionQuestions_data();
    void preconditionQuestions();
    void yesToTheImageQuestionOpensTheDialog();
    void calibrationRescalesThePlan();
    void sceneRectIsScaledAboutTheOrigin();
    void wheelZoomStopsAtTheLimit();
    void rightDragPansPastTheEdges();
    void statusBarShowsTheCursor();
    void obstacleCommandsListAndPanel();
    void escapeAbandonsHalfPlacedElements();
    void deleteRemovesTheSelectedObstacle();
    void outlineCommands();
    void tapeCommand();
    void typedDecimalsReachTheObstacle_data();
    void typedDecimalsReachTheObstacle();
    void unfinishedCalibrationKeepsTheScale_data();
    void unfinishedCalibrationKeepsTheScale();
    void tracingWithoutImageKeepsTheViewStill();
    void escapeEndsTheTapeCommand_data();
    void escapeEndsTheTapeCommand();

private:
    QAction *action(const char *name) const { return window->findChild<QAction *>(name); }
    View *view() const { return window->findChild<View *>(QStringLiteral("graphicsView")); }
    QString writeImage(const QString &name, int width, int height);
    void openImage(const QString &path);
    // A scale of one scene unit per metre, without rescaling anything.
    void setUnitScale();
    void mouse(int action, const QPoint &viewPos, Qt::MouseButton button = Qt::LeftButton);
    void click(const QPointF &scenePos);
    void moveTo(const QPointF &scenePos);

    QTemporaryDir scratch;
    MainWindow *window = nullptr;
    ScriptedPrompts *prompts = nullptr;
    QGraphicsScene *scene = nullptr;
    CaliberGraphicsItem *caliber = nullptr;
    PlanGraphicsItem *plan = nullptr;
    RouletteGraphicsItem *roulette = nullptr;
};

void TestPlanCommands::initTestCase()
{
    QVERIFY(scratch.isValid());
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("config")).toLocal8Bit());
}

void TestPlanCommands::init()
{
    TestWindow::clearSettings();
    window = TestWindow::open(&prompts);
    QVERIFY(window);
    MainWindowPeek peek(*window);
    scene = &peek.scene();
    caliber = findItem<CaliberGraphicsItem>(*scene);
    plan = findItem<PlanGraphicsItem>(*scene);
    roulette = findItem<RouletteGraphicsItem>(*scene);
    QVERIFY(caliber && plan && roulette);
}

void TestPlanCommands::cleanup()
{
    const QString unused = TestWindow::close(window, prompts);
    QVERIFY2(unused.isEmpty(), qPrintable(unused));
}

QString TestPlanCommands::writeImage(const QString &name, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QString path = scratch.filePath(name);
    if (!image.save(path))
        qWarning("Cannot write %s", qPrintable(path));
    return path;
}

void TestPlanCommands::openImage(const QString &path)
{
    prompts->answerOpenFile(path);
    action("planImageOpenAction")->trigger();
}

void TestPlanCommands::setUnitScale()
{
    caliber->setMeasurement(QPointF(0, 0), QPointF(1, 0), 0);
}

void TestPlanCommands::mouse(int kind, const QPoint &viewPos, Qt::MouseButton button)
{
    const MouseInput input(view());
    if (kind == 0)
        input.moveTo(viewPos);
    else if (kind == 1)
        input.press(viewPos, button);
    else
        input.release(viewPos, button);
}

void TestPlanCommands::moveTo(const QPointF &scenePos)
{
    mouse(0, view()->mapFromScene(scenePos));
}

void TestPlanCommands::click(const QPointF &scenePos)
{
    const QPoint at = view()->mapFromScene(scenePos);
    mouse(0, at);
    mouse(1, at);
    mouse(2, at);
}

void TestPlanCommands::firstImageIsScaledAndCentred()
{
    MainWindowPeek peek(*window);
    QGraphicsPixmapItem &image = peek.planImage();
    QCOMPARE(image.scale(), 0.0);
    const QString path = writeImage(QStringLiteral("plan.png"), 2000, 1000);
    openImage(path);

    QCOMPARE(prompts->calls().size(), 1);
    QCOMPARE(prompts->calls().first().title, QStringLiteral("Открыть"));
    QCOMPARE(prompts->calls().first().text,
        QStringLiteral("Файлы изображения (*.bmp *.png *.jpg *.pdf)"));
    QCOMPARE(image.scale(), 0.05);
    QCOMPARE(image.pos(), QPointF(-50, -25));
    QCOMPARE(image.sceneBoundingRect(), QRectF(-50, -25, 100, 50));
    QVERIFY(image.isVisible());
    QVERIFY(action("planImageViewAction")->isChecked());
    QVERIFY(window->isWindowModified());
    QCOMPARE(peek.dirOpen(), scratch.path());
    QCOMPARE(peek.settings()->value(QStringLiteral("DirOpen")).toString(), scratch.path());
    QCOMPARE(scene->sceneRect(), QRectF(QPointF(-55, -27.5), QPointF(55, 27.5)));
    // The image is shown with the faint watermark over it.
    const QImage shown = image.pixmap().toImage();
    QCOMPARE(shown.size(), QSize(2000, 1000));
    bool marked = false;
    for (int x = 0; x < shown.width() && !marked; x += 7)
        marked = shown.pixel(x, 500) != qRgb(255, 255, 255);
    QVERIFY(marked);

    // A second image keeps the scale of the first.
    openImage(writeImage(QStringLiteral("second.png"), 401, 300));
    QCOMPARE(image.scale(), 0.05);
    QCOMPARE(image.pos(), QPointF(-10, -7.5));
}

void TestPlanCommands::unreadableImageChangesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("withImage");
    const QByteArray junk("this is no picture at all");
    QTest::newRow("junk, no image yet") << junk << QStringLiteral("broken.png") << false;
    QTest::newRow("junk over an image") << junk << QStringLiteral("broken.jpg") << true;
    // 20000 × 20000 would take 1.5 GB decoded.
    const QByteArray huge = bmpHeader(20000, 20000);
    QTest::newRow("huge, no image yet") << huge << QStringLiteral("huge.bmp") << false;
    QTest::newRow("huge over an image") << huge << QStringLiteral("huge.bmp") << true;
    QTest::newRow("empty file") << QByteArray() << QStringLiteral("empty.png") << true;
}

void TestPlanCommands::unreadableImageChangesNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(bool, withImage);
    MainWindowPeek peek(*window);
    QGraphicsPixmapItem &image = peek.planImage();
    if (withImage) {
        openImage(writeImage(QStringLiteral("plan.png"), 2000, 1000));
        window->setWindowModified(false);
    }
    const double scale = image.scale();
    const QPointF pos = image.pos();
    const qint64 cacheKey = image.pixmap().cacheKey();

    const QString path = scratch.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    prompts->answerOpenFile(path).answerWarning();
    action("planImageOpenAction")->trigger();

    const ScriptedPrompts::Call warning = prompts->calls().last();
    QCOMPARE(warning.kind, ScriptedPrompts::Warning);
    QCOMPARE(warning.title, QStringLiteral("Открыть"));
    QVERIFY2(warning.text.contains(QDir::toNativeSeparators(path)), qPrintable(warning.text));
    QCOMPARE(image.scale(), scale);
    QCOMPARE(image.pos(), pos);
    QCOMPARE(image.pixmap().cacheKey(), cacheKey);
    QCOMPARE(image.isVisible() && !image.pixmap().isNull(), withImage);
    QVERIFY(!window->isWindowModified());
}

void TestPlanCommands::imageViewSwitch()
{
    MainWindowPeek peek(*window);
    openImage(writeImage(QStringLiteral("plan.png"), 300, 600));
    QCOMPARE(peek.planImage().scale(), 100.0 / 600);
    QAction *view = action("planImageViewAction");
    view->trigger();
    QVERIFY(!view->isChecked());
    QVERIFY(!peek.planImage().isVisible());
    view->trigger();
    QVERIFY(view->isChecked());
    QVERIFY(peek.planImage().isVisible());
}

void TestPlanCommands::preconditionQuestions_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("withImage");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const QString scale = QStringLiteral("Масштаб");
    const QString obstacle = QStringLiteral("Препятствие");
    const QString outline = QStringLiteral("Контур плата");
    QTest::newRow("show image") << "planImageViewAction" << false
                                << QStringLiteral("Изображение плана") << kImageQuestion;
    QTest::newRow("set scale") << "caliberSetAction" << false << scale << kImageQuestion;
    QTest::newRow("show scale") << "caliberViewAction" << false << scale << kImageQuestion;
    QTest::newRow("show scale, no scale") << "caliberViewAction" << true << scale << kScaleQuestion;
    QTest::newRow("show outline") << "planPathViewAction" << false << outline << kImageQuestion;
    QTest::newRow("show outline, none drawn")
        << "planPathViewAction" << true << outline
        << QStringLiteral("Контур плана не обозначен. Обозначить?");
    QTest::newRow("tape") << "actionRoulette" << false << scale << kImageQuestion;
    QTest::newRow("tape, no scale") << "actionRoulette" << true << scale << kScaleQuestion;
    QTest::newRow("rectangle") << "objectCreateAction" << false << obstacle << kImageQuestion;
    QTest::newRow("rectangle, no scale")
        << "objectCreateAction" << true << obstacle << kScaleQuestion;
    QTest::newRow("ellipse") << "ellipseCreateAction" << false << obstacle << kImageQuestion;
    QTest::newRow("ellipse, no scale")
        << "ellipseCreateAction" << true << obstacle << kScaleQuestion;
}

void TestPlanCommands::preconditionQuestions()
{
    QFETCH(QString, command);
    QFETCH(bool, withImage);
    QFETCH(QString, title);
    QFETCH(QString, text);
    if (withImage)
        openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    const int before = prompts->calls().size();
    const int items = scene->items().size();
    prompts->answerQuestion(QMessageBox::No);
    QAction *commandAction = action(command.toLatin1().constData());
    commandAction->trigger();

    QCOMPARE(prompts->calls().size(), before + 1);
    const ScriptedPrompts::Call question = prompts->calls().last();
    QCOMPARE(question.kind, ScriptedPrompts::Question);
    QCOMPARE(question.title, title);
    QCOMPARE(question.text, text);
    // No leaves the command's action unchecked and nothing started.
    QVERIFY(!commandAction->isChecked());
    QCOMPARE(MainWindowPeek(*window).editingItem(), nullptr);
    QCOMPARE(scene->items().size(), items);
    QVERIFY(!caliber->isVisible());
    QVERIFY(!plan->isVisible());
    QVERIFY(!roulette->isVisible());
}

void TestPlanCommands::yesToTheImageQuestionOpensTheDialog()
{
    // Yes opens the image dialog; a cancelled dialog leaves the tape unchecked.
    prompts->answerQuestion(QMessageBox::Yes).answerOpenFile(QString());
    action("actionRoulette")->trigger();
    QCOMPARE(prompts->calls().last().kind, ScriptedPrompts::OpenFile);
    QVERIFY(!action("actionRoulette")->isChecked());

    // Yes to the scale question starts the scale mark.
    openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    prompts->answerQuestion(QMessageBox::Yes);
    action("objectCreateAction")->trigger();
    QVERIFY(!action("objectCreateAction")->isChecked());
    QVERIFY(caliber->isPlacing());
    QVERIFY(action("caliberSetAction")->isChecked());
    QCOMPARE(MainWindowPeek(*window).editingItem(), caliber);
    QVERIFY(obstaclesIn(*scene).isEmpty());
}

void TestPlanCommands::calibrationRescalesThePlan()
{
    MainWindowPeek peek(*window);
    openImage(writeImage(QStringLiteral("plan.png"), 2000, 1000));
    scene->setSceneRect(-1000, -1000, 2000, 2000);
    view()->resetTransform();
    view()->centerOn(150, 0);
    // Pixel-exact points 300 apart, near (0, 0) and (300, 0).
    const QPoint firstPixel = view()->mapFromScene(QPointF(0, 0));
    const QPointF first = view()->mapToScene(firstPixel);
    const QPointF second = view()->mapToScene(firstPixel + QPoint(300, 0));
    const QPointF offsetPoint = view()->mapToScene(firstPixel + QPoint(150, 20));
    const auto drawMark = [&](double metres) {
        action("caliberSetAction")->trigger();
        QVERIFY(action("caliberSetAction")->isChecked());
        QCOMPARE(peek.editingItem(), caliber);
        click(first);
        moveTo(second);
        click(second);
        moveTo(offsetPoint);
        prompts->answerDouble(metres);
        click(offsetPoint);
        QVERIFY(!action("caliberSetAction")->isChecked());
    };

    // The first mark, entered in its own length, sets the scale without change.
    drawMark(300);
    QCOMPARE(caliber->endPoint(), second);
    QCOMPARE(view()->transform().m11(), 1.0);
    QCOMPARE(peek.planImage().scale(), 0.05);

    // A rectangle obstacle placed with the pointer, and an outline.
    action("objectCreateAction")->trigger();
    QVERIFY(action("objectCreateAction")->isChecked());
    moveTo(QPointF(150, 100));
    click(QPointF(150, 100));
    QVERIFY(!action("objectCreateAction")->isChecked());
    const QList<ObjectGraphicsItem *> obstacles = obstaclesIn(*scene);
    QCOMPARE(obstacles.size(), 1);
    ObjectGraphicsItem *obstacle = obstacles.first();
    const QPointF placed = obstacle->pos();
    QVERIFY(QLineF(placed, QPointF(150, 100)).length() < 1);
    QCOMPARE(obstacle->size(), QSizeF(5, 5));
    plan->setPath(QPolygonF({ { -50, -25 }, { 50, -25 }, { 50, 25 }, { -50, 25 } }));
    const QPoint obstacleOnScreen = view()->mapFromScene(placed);

    window->setWindowModified(false);
    drawMark(6);
    QCOMPARE(prompts->calls().last().title, QStringLiteral("Масштаб плана"));
    QCOMPARE(prompts->calls().last().text, QStringLiteral("Укажите расстояние в метрах:"));
    QCOMPARE(caliber->startPoint(), first / 50);
    QCOMPARE(caliber->endPoint(), second / 50);
    QCOMPARE(caliber->text(), QStringLiteral("6 м"));
    QCOMPARE(view()->transform().m11(), 50.0);
    QCOMPARE(peek.planImage().scale(), 0.001);
    QCOMPARE(peek.planImage().pos(), QPointF(-1, -0.5));
    QCOMPARE(plan->polygon(), QPolygonF({ { -1, -0.5 }, { 1, -0.5 }, { 1, 0.5 }, { -1, 0.5 } }));
    QCOMPARE(obstacle->pos(), placed / 50);
    QCOMPARE(obstacle->size(), QSizeF(0.1, 0.1));
    QVERIFY(window->isWindowModified());
    // Nothing moved on screen.
    QVERIFY((view()->mapFromScene(obstacle->pos()) - obstacleOnScreen).manhattanLength() <= 1);
}

void TestPlanCommands::sceneRectIsScaledAboutTheOrigin()
{
    plan->setPath(QPolygonF({ { 10, 10 }, { 100, 10 }, { 100, 100 }, { 10, 100 } }));
    action("actionAllView")->trigger();
    QCOMPARE(scene->sceneRect(), QRectF(QPointF(11, 11), QPointF(110, 110)));

    // Hidden elements do not count; a visible scale mark counts by its lines.
    plan->setPathVisible(false);
    caliber->setMeasurement(QPointF(-20, 0), QPointF(-10, 0), 5);
    action("actionAllView")->trigger();
    const QRectF lines = caliber->linesSceneRect();
    QVERIFY(lines.contains(QRectF(-20, 0, 10, 5)));
    QVERIFY(lines.right() < -5);
    QCOMPARE(scene->sceneRect(), QRectF(lines.topLeft() * 1.1, lines.bottomRight() * 1.1));
}

void TestPlanCommands::wheelZoomStopsAtTheLimit()
{
    openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    QWidget *viewport = view()->viewport();
    const QPoint centre = viewport->rect().center();
    const auto turn = [&](int delta) {
        QWheelEvent wheel(centre, viewport->mapToGlobal(centre), QPoint(), QPoint(0, delta),
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(viewport, &wheel);
        return wheel.isAccepted();
    };
    double previous = view()->transform().m11();
    int turns = 0;
    while (view()->transform().m11() < 1000 && turns < 200) {
        QVERIFY(turn(120));
        QCOMPARE(view()->transform().m11(), previous * 1.15);
        previous = view()->transform().m11();
        ++turns;
    }
    QVERIFY(previous >= 1000 && previous < 1150);
    turn(120);
    QCOMPARE(view()->transform().m11(), previous);
    turn(0);
    QCOMPARE(view()->transform().m11(), previous);

    turn(-120);
    QCOMPARE(view()->transform().m11(), previous / 1.15);

    // Once the whole scene is visible, turning out no longer zooms.
    action("actionAllView")->trigger();
    const QRectF sceneRect = scene->sceneRect();
    view()->scale(0.5, 0.5);
    const double fitted = view()->transform().m11();
    QCOMPARE(view()->horizontalScrollBar()->minimum(), view()->horizontalScrollBar()->maximum());
    QCOMPARE(view()->verticalScrollBar()->minimum(), view()->verticalScrollBar()->maximum());
    turn(-120);
    QCOMPARE(view()->transform().m11(), fitted);
    QCOMPARE(scene->sceneRect(), sceneRect);
}

void TestPlanCommands::rightDragPansPastTheEdges()
{
    openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    action("actionAllView")->trigger();
    QScrollBar *h = view()->horizontalScrollBar();
    QScrollBar *v = view()->verticalScrollBar();
    const int maxH = h->maximum();
    const int startH = h->value();
    const int startV = v->value();
    const QPoint from = view()->viewport()->rect().center();
    for (Qt::MouseButton button : { Qt::RightButton, Qt::MiddleButton }) {
        mouse(0, from);
        mouse(1, from, button);
        mouse(0, from - QPoint(300, 200));
        QCOMPARE(h->value(), startH + 300);
        QCOMPARE(v->value(), startV + 200);
        QVERIFY(h->maximum() >= startH + 300);
        QVERIFY(h->maximum() > maxH);
        mouse(2, from - QPoint(300, 200), button);
        h->setValue(startH);
        v->setValue(startV);
    }
    QCOMPARE(MainWindowPeek(*window).editingItem(), nullptr);
}

void TestPlanCommands::statusBarShowsTheCursor()
{
    MainWindowPeek peek(*window);
    openImage(writeImage(QStringLiteral("plan.png"), 2000, 1000));
    QCOMPARE(peek.labelX().text(), QStringLiteral("X:"));
    const QPoint at = view()->viewport()->rect().center() + QPoint(37, 11);
    mouse(0, at);
    const QPointF scenePos = view()->mapToScene(at);
    QCOMPARE(peek.labelX().text(), QStringLiteral("X:") + QString::number(scenePos.x(), 'g', 6));
    QCOMPARE(peek.labelY().text(), QStringLiteral("Y:") + QString::number(scenePos.y(), 'g', 6));
}

void TestPlanCommands::obstacleCommandsListAndPanel()
{
    openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    setUnitScale();
    ObjectGraphicsItem::lastSize = QSizeF(5, 5);
    view()->resetTransform();
    view()->scale(5, 5);
    view()->centerOn(0, 0);

    action("ellipseCreateAction")->trigger();
    QVERIFY(action("ellipseCreateAction")->isChecked());
    moveTo(QPointF(-10, 0));
    click(QPointF(-10, 0));
    QVERIFY(!action("ellipseCreateAction")->isChecked());
    action("objectCreateAction")->trigger();
    moveTo(QPointF(10, 2));
    click(QPointF(10, 2));

    auto *list = window->findChild<QListView *>(QStringLiteral("objectsList"));
    QAbstractItemModel *model = list->model();
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Препятствие: [5 м * 5 м]"));
    QList<ObjectGraphicsItem *> obstacles = obstaclesIn(*scene);
    ObjectGraphicsItem *ellipse = obstacles.at(0)->shapeKind() == ObjectGraphicsItem::Ellipse
        ? obstacles.at(0)
        : obstacles.at(1);
    ObjectGraphicsItem *rect = ellipse == obstacles.at(0) ? obstacles.at(1) : obstacles.at(0);

    // Selecting a row selects the obstacle and fills the panel.
    auto *panel = window->findChild<QFrame *>(QStringLiteral("objectPanel"));
    auto *sensors = window->findChild<QGroupBox *>(QStringLiteral("sensorGroup"));
    auto *x = window->findChild<DoubleSpinBoxChange *>(QStringLiteral("objectX"));
    auto *w = window->findChild<DoubleSpinBoxChange *>(QStringLiteral("objectW"));
    list->setCurrentIndex(model->index(1, 0));
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, rect);
    QVERIFY(rect->isEditing());
    QVERIFY(panel->isVisible());
    QVERIFY(!sensors->isVisible());
    QCOMPARE(x->value(), 10.0);
    QCOMPARE(w->value(), 5.0);

    // A typed width resizes it about its centre; the row follows.
    window->setWindowModified(false);
    w->setValue(2.25);
    QCOMPARE(rect->size(), QSizeF(2.25, 5));
    QCOMPARE(rect->pos(), QPointF(10, 2));
    QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("Препятствие: [2.3 м * 5 м]"));
    QCOMPARE(ObjectGraphicsItem::lastSize, QSizeF(2.25, 5));
    QVERIFY(!w->font().bold());
    QVERIFY(window->isWindowModified());
    x->setValue(12);
    QCOMPARE(rect->pos(), QPointF(12, 2));
    // A value stepped while the left button is held (on a spin box arrow) moves
    // the obstacle to the typed place, not to the pointer.
    const QPoint onBox = x->mapTo(window, x->rect().center());
    QCursor::setPos(x->mapToGlobal(x->rect().center()));
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, onBox);
    x->setValue(13);
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, onBox);
    QCOMPARE(rect->pos(), QPointF(13, 2));
    QCOMPARE(x->value(), 13.0);
    x->setValue(12);

    // Clicking the other obstacle on the plan moves the list selection.
    click(QPointF(-10, 0));
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, ellipse);
    QVERIFY(!rect->isEditing());
    QCOMPARE(list->selectionModel()->selectedIndexes().size(), 1);
    QCOMPARE(list->selectionModel()->selectedIndexes().first().row(), 0);
    QCOMPARE(x->value(), -10.0);

    // A click on empty ground deselects it and hides the panel.
    click(QPointF(0, -30));
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, nullptr);
    QVERIFY(list->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(!panel->isVisible());
    QVERIFY(sensors->isVisible());
}

void TestPlanCommands::escapeAbandonsHalfPlacedElements()
{
    MainWindowPeek peek(*window);
    openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    setUnitScale();
    auto *list = window->findChild<QListView *>(QStringLiteral("objectsList"));

    action("objectCreateAction")->trigger();
    moveTo(QPointF(5, 5));
    QCOMPARE(obstaclesIn(*scene).size(), 1);
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(obstaclesIn(*scene).isEmpty());
    QVERIFY(!action("objectCreateAction")->isChecked());
    QCOMPARE(peek.editingItem(), nullptr);
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, nullptr);
    QCOMPARE(list->model()->rowCount(), 0);

    // Starting another command instead drops it as well.
    action("ellipseCreateAction")->trigger();
    moveTo(QPointF(5, 5));
    action("caliberSetAction")->trigger();
    QVERIFY(obstaclesIn(*scene).isEmpty());
    QVERIFY(!action("ellipseCreateAction")->isChecked());

    // Escape while the scale mark is drawn ends it and unchecks the command.
    QCOMPARE(peek.editingItem(), caliber);
    click(QPointF(1, 1));
    moveTo(QPointF(3, 1));
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!caliber->isPlacing());
    QVERIFY(!action("caliberSetAction")->isChecked());
    QCOMPARE(peek.editingItem(), nullptr);

    // Nothing in editing mode: Escape does nothing.
    QTest::keyClick(window, Qt::Key_Escape);
    QCOMPARE(peek.editingItem(), nullptr);
}

void TestPlanCommands::deleteRemovesTheSelectedObstacle()
{
    openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    setUnitScale();
    for (const QPointF &at : { QPointF(-10, 0), QPointF(10, 0) }) {
        action("objectCreateAction")->trigger();
        moveTo(at);
        click(at);
    }
    auto *list = window->findChild<QListView *>(QStringLiteral("objectsList"));
    QCOMPARE(list->model()->rowCount(), 2);
    // Nothing selected: Delete does nothing.
    QTest::keyClick(window, Qt::Key_Delete);
    QCOMPARE(obstaclesIn(*scene).size(), 2);

    list->setCurrentIndex(list->model()->index(0, 0));
    ObjectGraphicsItem *first = ObjectGraphicsItem::selectedObstacle;
    QVERIFY(first);
    QVERIFY(first->pos().x() < 0);
    window->setWindowModified(false);
    QTest::keyClick(window, Qt::Key_Delete);
    QCOMPARE(obstaclesIn(*scene).size(), 1);
    QVERIFY(obstaclesIn(*scene).first()->pos().x() > 0);
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, nullptr);
    QCOMPARE(MainWindowPeek(*window).editingItem(), nullptr);
    QVERIFY(!window->findChild<QFrame *>(QStringLiteral("objectPanel"))->isVisible());
    QVERIFY(window->isWindowModified());
}

void TestPlanCommands::outlineCommands()
{
    openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    view()->resetTransform();
    view()->scale(5, 5);
    view()->centerOn(0, 0);

    // "Show outline" with no outline offers to draw one.
    prompts->answerQuestion(QMessageBox::Yes);
    action("planPathViewAction")->trigger();
    QVERIFY(plan->isTracing());
    QVERIFY(action("planPathSetAction")->isChecked());
    QVERIFY(action("planPathViewAction")->isChecked());
    for (const QPointF &vertex : { QPointF(-20, -10), QPointF(-20, 10), QPointF(20, 10) }) {
        moveTo(vertex);
        click(vertex);
    }
    click(QPointF(-20, -10));
    QVERIFY(!plan->isTracing());
    QVERIFY(!action("planPathSetAction")->isChecked());
    // Traced anticlockwise on screen, stored clockwise.
    QCOMPARE(plan->polygon(), QPolygonF({ { 20, 10 }, { -20, 10 }, { -20, -10 } }));

    action("planPathViewAction")->trigger();
    QVERIFY(!plan->isVisible());
    QVERIFY(!action("planPathViewAction")->isChecked());
    action("planPathViewAction")->trigger();
    QVERIFY(plan->isVisible());

    // Drawing anew starts by clearing the old outline.
    action("planPathSetAction")->trigger();
    QVERIFY(plan->isTracing());
    QCOMPARE(plan->polygon().size(), 1);
    // A right press pans and leaves the tracing on.
    const QPoint at = view()->mapFromScene(QPointF(0, 0));
    mouse(1, at, Qt::RightButton);
    mouse(2, at, Qt::RightButton);
    QVERIFY(plan->isTracing());
    // Any other button finishes it; two vertices are no outline.
    click(QPointF(-5, -5));
    click(QPointF(5, -5));
    mouse(1, at, Qt::XButton1);
    mouse(2, at, Qt::XButton1);
    QVERIFY(!plan->isTracing());
    QVERIFY(!plan->hasPath());
    QVERIFY(!action("planPathSetAction")->isChecked());
    QVERIFY(!action("planPathViewAction")->isChecked());

    plan->setPath(QPolygonF({ { 0, 0 }, { 5, 0 }, { 5, 5 } }));
    action("planPathClearAction")->trigger();
    QVERIFY(!plan->hasPath());
    QVERIFY(!plan->isVisible());
}

void TestPlanCommands::tapeCommand()
{
    openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    setUnitScale();
    view()->resetTransform();
    view()->scale(5, 5);
    view()->centerOn(0, 0);
    plan->setPath(QPolygonF({ { -10, -10 }, { 10, -10 }, { 10, 10 }, { -10, 10 } }));

    action("actionRoulette")->trigger();
    QVERIFY(action("actionRoulette")->isChecked());
    QVERIFY(roulette->isVisible());
    QVERIFY(roulette->isPlacing());
    // Both ends land on outline vertices a pixel or two away.
    click(QPointF(-10.2, -10.3));
    moveTo(QPointF(10.3, -9.8));
    click(QPointF(10.3, -9.8));
    QVERIFY(!roulette->isPlacing());
    QCOMPARE(roulette->text(), QStringLiteral("20 м"));
    QVERIFY(roulette->isVisible());

    action("actionRoulette")->trigger();
    QVERIFY(!action("actionRoulette")->isChecked());
    QVERIFY(!roulette->isVisible());
}

void TestPlanCommands::typedDecimalsReachTheObstacle_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("expected");
    QTest::newRow("width") << "objectW"
                           << "2.5" << 2.5;
    QTest::newRow("height") << "objectH"
                            << "0.75" << 0.75;
    QTest::newRow("x") << "objectX"
                       << "-3.25" << -3.25;
    QTest::newRow("y") << "objectY"
                       << "-4.25" << -4.25;
}

void TestPlanCommands::typedDecimalsReachTheObstacle()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(double, expected);
    openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    setUnitScale();
    ObjectGraphicsItem::lastSize = QSizeF(3, 3);
    view()->resetTransform();
    view()->scale(5, 5);
    view()->centerOn(0, 0);
    action("objectCreateAction")->trigger();
    moveTo(QPointF(1, 2));
    click(QPointF(1, 2));
    auto *list = window->findChild<QListView *>(QStringLiteral("objectsList"));
    list->setCurrentIndex(list->model()->index(0, 0));
    ObjectGraphicsItem *obstacle = ObjectGraphicsItem::selectedObstacle;
    QVERIFY(obstacle);

    // Click the field, select all and type, one key at a time.
    auto *box = window->findChild<DoubleSpinBoxChange *>(field);
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, box->rect().center());
    box->selectAll();
    QTest::keyClicks(box, typed);
    QCOMPARE(box->value(), expected);
    QCOMPARE(box->text(), typed + QStringLiteral(" м"));
    const QRectF placed(obstacle->pos(), obstacle->size());
    const double applied = field == QLatin1String("objectW") ? placed.width()
        : field == QLatin1String("objectH")                  ? placed.height()
        : field == QLatin1String("objectX")                  ? placed.x()
                                                             : placed.y();
    QCOMPARE(applied, expected);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->value(), expected);
    QVERIFY(!box->font().bold());
}

void TestPlanCommands::unfinishedCalibrationKeepsTheScale_data()
{
    QTest::addColumn<bool>("calibrated");
    QTest::addColumn<QString>("ending");
    for (const bool calibrated : { false, true }) {
        const char *plan = calibrated ? "calibrated, " : "fresh, ";
        for (const char *ending : { "escape after one point", "escape at the offset",
                 "another command", "cancelled distance", "other button" })
            QTest::newRow(qPrintable(plan + QString::fromLatin1(ending)))
                << calibrated << QString::fromLatin1(ending);
    }
}

void TestPlanCommands::unfinishedCalibrationKeepsTheScale()
{
    QFETCH(bool, calibrated);
    QFETCH(QString, ending);
    MainWindowPeek peek(*window);
    openImage(writeImage(QStringLiteral("plan.png"), 2000, 1000));
    if (calibrated)
        caliber->setMeasurement(QPointF(-10, 5), QPointF(12, 5), 2);
    const QPointF start = caliber->startPoint();
    const QPointF end = caliber->endPoint();
    const double offset = caliber->lineOffset();
    const QString text = caliber->text();
    const bool shown = caliber->isVisible();
    QCOMPARE(action("caliberViewAction")->isChecked(), calibrated);
    const QTransform transform = view()->transform();
    // As after a save: what was done so far is recorded and clean.
    QCoreApplication::processEvents();
    peek.document().history().setClean();
    window->setWindowModified(false);

    action("caliberSetAction")->trigger();
    QVERIFY(caliber->isPlacing());
    click(QPointF(-20, -10));
    moveTo(QPointF(-5, -12));
    if (ending == QLatin1String("escape after one point")) {
        QTest::keyClick(window, Qt::Key_Escape);
    } else if (ending == QLatin1String("escape at the offset")) {
        click(QPointF(-5, -12));
        moveTo(QPointF(-10, -15));
        QTest::keyClick(window, Qt::Key_Escape);
    } else if (ending == QLatin1String("another command")) {
        action("planPathSetAction")->trigger();
        QVERIFY(plan->isTracing());
        QTest::keyClick(window, Qt::Key_Escape);
    } else if (ending == QLatin1String("cancelled distance")) {
        click(QPointF(-5, -12));
        moveTo(QPointF(-10, -15));
        prompts->answerDouble(0, false);
        click(QPointF(-10, -15));
    } else {
        const QPoint at = view()->mapFromScene(QPointF(-5, -12));
        mouse(1, at, Qt::XButton1);
        mouse(2, at, Qt::XButton1);
    }

    QVERIFY(!caliber->isPlacing());
    QVERIFY(!action("caliberSetAction")->isChecked());
    QCOMPARE(peek.editingItem(), nullptr);
    QCOMPARE(caliber->startPoint(), start);
    QCOMPARE(caliber->endPoint(), end);
    QCOMPARE(caliber->lineOffset(), offset);
    QCOMPARE(caliber->text(), text);
    QCOMPARE(caliber->isVisible(), shown);
    QCOMPARE(action("caliberViewAction")->isChecked(), calibrated);
    QCOMPARE(view()->transform(), transform);
    QCOMPARE(peek.planImage().scale(), 0.05);
    // The window settles what changed once control returns to the event loop.
    QCoreApplication::processEvents();
    QVERIFY(!window->isWindowModified());
    // Without a scale the obstacle command still asks for one.
    if (!calibrated) {
        prompts->answerQuestion(QMessageBox::No);
        action("objectCreateAction")->trigger();
        QCOMPARE(prompts->calls().last().text, kScaleQuestion);
        QVERIFY(obstaclesIn(*scene).isEmpty());
    }
}

void TestPlanCommands::tracingWithoutImageKeepsTheViewStill()
{
    // No image: nothing has given the scene a rectangle yet.
    view()->resetTransform();
    view()->scale(5, 5);
    const QPoint centre = view()->viewport()->rect().center();
    const QList<QPoint> corners = { centre + QPoint(-150, -100), centre + QPoint(150, -100),
        centre + QPoint(150, 100), centre + QPoint(-150, 100) };
    action("planPathSetAction")->trigger();
    QVERIFY(plan->isTracing());
    const QPointF origin = view()->mapToScene(corners.first());
    for (const QPoint &corner : corners) {
        mouse(0, corner);
        mouse(1, corner);
        mouse(2, corner);
        // What was under a pixel stays under it.
        QCOMPARE(view()->mapToScene(corners.first()), origin);
    }
    // Closing on the first vertex, where it still is on screen.
    mouse(0, corners.first());
    mouse(1, corners.first());
    mouse(2, corners.first());
    QVERIFY(!plan->isTracing());
    QVERIFY(plan->hasPath());
    QCOMPARE(plan->polygon().size(), 4);
    const QRectF traced = plan->polygon().boundingRect();
    QCOMPARE(traced.size(), QSizeF(60, 40));
}

void TestPlanCommands::escapeEndsTheTapeCommand_data()
{
    QTest::addColumn<int>("clicks");
    QTest::newRow("before the start") << 0;
    QTest::newRow("after the start") << 1;
}

void TestPlanCommands::escapeEndsTheTapeCommand()
{
    QFETCH(int, clicks);
    openImage(writeImage(QStringLiteral("plan.png"), 200, 100));
    setUnitScale();
    view()->resetTransform();
    view()->scale(5, 5);
    view()->centerOn(0, 0);
    action("objectCreateAction")->trigger();
    moveTo(QPointF(10, 10));
    click(QPointF(10, 10));
    QCOMPARE(obstaclesIn(*scene).size(), 1);

    action("actionRoulette")->trigger();
    QVERIFY(roulette->isPlacing());
    if (clicks > 0) {
        click(QPointF(-10, -5));
        moveTo(QPointF(-2, -5));
    }
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!roulette->isPlacing());
    QVERIFY(!action("actionRoulette")->isChecked());
    QVERIFY(!roulette->isVisible());
    QCOMPARE(MainWindowPeek(*window).editingItem(), nullptr);
    // A click on the obstacle selects it, as with no command running.
    click(QPointF(10, 10));
    QCOMPARE(ObjectGraphicsItem::selectedObstacle, obstaclesIn(*scene).first());
    // And the command starts afresh.
    action("actionRoulette")->trigger();
    QVERIFY(action("actionRoulette")->isChecked());
    QVERIFY(roulette->isPlacing());
}

QTEST_MAIN(TestPlanCommands)
#include "tst_plancommands.moc"
