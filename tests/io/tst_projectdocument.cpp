#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "io/planscenerect.h"
#include "io/projectdocument.h"
#include "plan/objectgraphicsitem.h"

#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QPolygonF kRoom({ { 0, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 } });

ObjectGraphicsItem *addObstacle(ProjectDocument &document, double x, double y)
{
    auto *obstacle = new ObjectGraphicsItem(ObjectGraphicsItem::Rect);
    obstacle->setGeometry(x, y, 2, 1);
    document.objects().append(obstacle);
    document.scene().addItem(obstacle);
    return obstacle;
}

SensorGraphicsItem2 *addDetector(ProjectDocument &document, QGraphicsItem *surface, int section)
{
    auto *detector = new SensorGraphicsItem2(document.objects(), &document.plan());
    document.scene().addItem(detector);
    if (!detector->setSurface(surface, section))
        qWarning("detector not mounted");
    detector->setPosition(0.5, false);
    document.sensors().append(detector);
    return detector;
}

// A room with an obstacle, a detector on the outline and one on the obstacle,
// a plan image, a scale mark and the tape shown.
void fill(ProjectDocument &document, const QPixmap &image)
{
    document.planImage().setScale(0.25);
    document.setPlanImage(image, QPointF(2, 1.5));
    document.caliber().setMeasurement(QPointF(1, 2), QPointF(7, 2), -0.5);
    document.roulette().setRouletteVisible(true);
    document.plan().setPath(kRoom);
    ObjectGraphicsItem *obstacle = addObstacle(document, 4, 4);
    addDetector(document, &document.plan(), 0);
    addDetector(document, obstacle, 1);
    for (SensorGraphicsItem2 *detector : qAsConst(document.sensors()))
        detector->updateZone();
    document.objectModel().reset();
    document.sensorModel().reset();
}

QPixmap testImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 3, Qt::darkBlue);
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace

class TestProjectDocument : public QObject
{
    Q_OBJECT

private slots:
    void startsEmptyWithThePlanElementsInTheScene();
    void partsPointAtTheDocument();
    void setPlanImage_data();
    void setPlanImage();
    void clearLeavesAnEmptyProject();
    void loadShowsTheImageUnlessAHookDoes();
    void loadKeepsTheCallersHooks();
    void sceneRectIsTheWholePlan();
    void destructionRemovesObstaclesAndDetectors();
};

void TestProjectDocument::startsEmptyWithThePlanElementsInTheScene()
{
    ProjectDocument document;
    const QSet<QGraphicsItem *> expected { &document.planImage(), &document.caliber(),
        &document.roulette(), &document.plan() };
    QSet<QGraphicsItem *> topLevel;
    for (QGraphicsItem *item : document.scene().items())
        if (!item->parentItem())
            topLevel << item;
    QCOMPARE(topLevel, expected);

    QCOMPARE(document.planImage().scale(), 0.0);
    QVERIFY(!document.hasPlanImage());
    QVERIFY(!document.hasScale());
    QVERIFY(document.planPixmap().isNull());
    QVERIFY(!document.plan().hasPath());
    QCOMPARE(document.objectModel().rowCount(), 0);
    QCOMPARE(document.sensorModel().rowCount(), 0);
}

void TestProjectDocument::partsPointAtTheDocument()
{
    ProjectDocument document;
    const ProjectParts parts = document.parts();
    QCOMPARE(parts.scene, &document.scene());
    QCOMPARE(parts.planImage, &document.planImage());
    QCOMPARE(parts.planPixmap, &document.planPixmap());
    QCOMPARE(parts.caliber, &document.caliber());
    QCOMPARE(parts.plan, &document.plan());
    QCOMPARE(parts.objects, &document.objects());
    QCOMPARE(parts.sensors, &document.sensors());
}

void TestProjectDocument::setPlanImage_data()
{
    QTest::addColumn<QPixmap>("image");
    QTest::addColumn<QPointF>("centre");
    QTest::addColumn<bool>("shown");

    QTest::newRow("image") << testImage(40, 30) << QPointF(5, 3.75) << true;
    QTest::newRow("image off centre") << testImage(8, 20) << QPointF(-1.5, 12) << true;
    QTest::newRow("no image") << QPixmap() << QPointF(0, 0) << false;
}

void TestProjectDocument::setPlanImage()
{
    QFETCH(QPixmap, image);
    QFETCH(QPointF, centre);
    QFETCH(bool, shown);

    ProjectDocument document;
    document.planImage().setScale(0.125);
    // A previous image, so that the call has something to replace.
    document.setPlanImage(testImage(3, 3), QPointF(9, 9));
    document.setPlanImage(image, centre);

    QCOMPARE(document.planPixmap().toImage(), image.toImage());
    QCOMPARE(document.planImage().pixmap().size(), image.size());
    QCOMPARE(document.planImage().pos(), -centre);
    QCOMPARE(document.planImage().scale(), 0.125);
    QCOMPARE(document.planImage().isVisible(), shown);
    QCOMPARE(document.hasPlanImage(), shown);
}

void TestProjectDocument::clearLeavesAnEmptyProject()
{
    ProjectDocument document;
    fill(document, testImage(40, 30));
    QCOMPARE(document.sensors().size(), 2);
    QVERIFY(document.hasScale());
    QVERIFY(document.roulette().isRouletteVisible());
    QCOMPARE(document.objectModel().rowCount(), 1);
    QCOMPARE(document.sensorModel().rowCount(), 2);

    document.clear();

    QVERIFY(document.objects().isEmpty());
    QVERIFY(document.sensors().isEmpty());
    QCOMPARE(document.objectModel().rowCount(), 0);
    QCOMPARE(document.sensorModel().rowCount(), 0);
    QVERIFY(document.planPixmap().isNull());
    QVERIFY(!document.hasPlanImage());
    QVERIFY(!document.planImage().isVisible());
    QCOMPARE(document.planImage().scale(), 0.0);
    QCOMPARE(document.planImage().pos(), QPointF(0, 0));
    QVERIFY(!document.plan().hasPath());
    QVERIFY(!document.hasScale());
    QVERIFY(!document.caliber().isCaliberVisible());
    QVERIFY(!document.roulette().isRouletteVisible());
    QCOMPARE(document.roulette().length(), 0.0);
    // Only the four plan elements stay at the top of the scene.
    int topLevel = 0;
    for (QGraphicsItem *item : document.scene().items())
        topLevel += item->parentItem() ? 0 : 1;
    QCOMPARE(topLevel, 4);
}

void TestProjectDocument::loadShowsTheImageUnlessAHookDoes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("room.prj"));
    const QPixmap image = testImage(40, 30);
    {
        ProjectDocument source;
        fill(source, image);
        QVERIFY(source.save(path));
    }

    ProjectDocument document;
    const ProjectLoadResult result = document.load(path);
    QVERIFY(result.loaded());
    QCOMPARE(document.planPixmap().toImage().convertToFormat(QImage::Format_ARGB32),
        image.toImage().convertToFormat(QImage::Format_ARGB32));
    QVERIFY(document.hasPlanImage());
    QVERIFY(document.planImage().isVisible());
    QCOMPARE(document.planImage().scale(), 0.25);
    QCOMPARE(document.planImage().pos(), QPointF(-2, -1.5));
    QCOMPARE(document.objects().size(), 1);
    QCOMPARE(document.sensors().size(), 2);
    QCOMPARE(document.plan().polygon(), kRoom);

    // A hook of the caller's own replaces the document's image handling.
    ProjectDocument other;
    QPixmap handed;
    ProjectLoadHooks hooks;
    hooks.setPlanImage = [&handed](const QPixmap &shown, QPointF) { handed = shown; };
    QVERIFY(other.load(path, hooks).loaded());
    QCOMPARE(handed.size(), image.size());
    QVERIFY(other.planPixmap().isNull());
    QVERIFY(!other.hasPlanImage());
}

void TestProjectDocument::loadKeepsTheCallersHooks()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("room.prj"));
    {
        ProjectDocument source;
        fill(source, testImage(16, 16));
        QVERIFY(source.save(path));
    }

    ProjectDocument document;
    fill(document, testImage(4, 4));
    QStringList calls;
    ProjectLoadHooks hooks;
    hooks.aboutToReplace
        = [&] { calls << QStringLiteral("replace %1").arg(document.objects().size()); };
    hooks.obstacleLoaded = [&](ObjectGraphicsItem *) { calls << QStringLiteral("obstacle"); };
    hooks.detectorLoaded = [&](SensorGraphicsItem2 *) { calls << QStringLiteral("detector"); };
    QVERIFY(document.load(path, hooks).loaded());
    QCOMPARE(calls,
        QStringList({ QStringLiteral("replace 1"), QStringLiteral("obstacle"),
            QStringLiteral("detector"), QStringLiteral("detector") }));
    QCOMPARE(document.planPixmap().size(), QSize(16, 16));

    // A file that is not there changes nothing.
    QCOMPARE(document.load(dir.filePath(QStringLiteral("missing.prj")), hooks).status,
        ProjectLoadResult::CannotOpen);
    QCOMPARE(document.objects().size(), 1);
    QCOMPARE(document.planPixmap().size(), QSize(16, 16));
}

void TestProjectDocument::sceneRectIsTheWholePlan()
{
    ProjectDocument document;
    fill(document, testImage(40, 30));
    document.updateSceneRect();
    const QRectF expected = planSceneRect(
        document.parts(), SensorGraphicsItem2::showRay, SensorLabelGraphicsItem::showLabels);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(document.scene().sceneRect(), expected);
    // The whole plan with its margin: the outline lies inside.
    QVERIFY(document.scene().sceneRect().contains(kRoom.boundingRect()));
}

void TestProjectDocument::destructionRemovesObstaclesAndDetectors()
{
    QPointer<ObjectGraphicsItem> obstacle;
    QPointer<SensorGraphicsItem2> onObstacle;
    QPointer<SensorGraphicsItem2> onOutline;
    {
        ProjectDocument document;
        fill(document, testImage(40, 30));
        obstacle = document.objects().first();
        onOutline = document.sensors().at(0);
        onObstacle = document.sensors().at(1);
        QCOMPARE(onObstacle->surface(), static_cast<QGraphicsItem *>(obstacle.data()));
        // Edited as a window may leave it: the shared ray point is in the scene.
        onObstacle->startEdit();
        QCOMPARE(SensorGraphicsItem2::rayPoint()->scene(), &document.scene());
    }
    QVERIFY(obstacle.isNull());
    QVERIFY(onObstacle.isNull());
    QVERIFY(onOutline.isNull());
    QVERIFY(!SensorGraphicsItem2::editedSensor());
    // The shared ray point left with its detector and was not destroyed with the scene.
    QVERIFY(!SensorGraphicsItem2::rayPoint()->scene());
}

QTEST_MAIN(TestProjectDocument)
#include "tst_projectdocument.moc"
