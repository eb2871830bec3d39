#include "detectors/coverage.h"
#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "detectors/sensorzone.h"
#include "io/planscenerect.h"
#include "io/projectdocument.h"
#include "plan/objectgraphicsitem.h"

#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <optional>

Q_DECLARE_METATYPE(CoverageSettings)

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
    void coverageOfTheShownZones();
    void coverageSettingsRoundTrip_data();
    void coverageSettingsRoundTrip();
    void coverageEntryRead_data();
    void coverageEntryRead();
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

void TestProjectDocument::coverageOfTheShownZones()
{
    ProjectDocument document;
    QCOMPARE(document.parts().coverage, &document.coverageSettings());
    QVERIFY(!document.coverage().valid);
    fill(document, testImage(40, 30));

    // The same figures from zones computed afresh for the detectors' places.
    QVector<QPolygonF> obstacles;
    for (const ObjectGraphicsItem *obstacle : qAsConst(document.objects()))
        obstacles.append(obstacle->mapToScene(obstacle->polygon()));
    QVector<QVector<QPolygonF>> zones;
    for (const SensorGraphicsItem2 *detector : qAsConst(document.sensors())) {
        const QPointF pivot = detector->mapToScene(QPointF(0, -0.07));
        const SensorZone zone
            = computeSensorZone(detector->record(), pivot, detector->rotation(), obstacles, kRoom);
        QVector<QPolygonF> pieces;
        for (const QPolygonF &piece : zone.pieces)
            pieces.append(zoneTransform(pivot, detector->rotation()).map(piece));
        zones.append(pieces);
    }
    const Coverage expected = computeCoverage(kRoom, obstacles, zones);
    const Coverage got = document.coverage();
    QVERIFY(got.valid);
    QCOMPARE(got.floorArea, 98.0);
    QVERIFY(got.onceArea > 1);
    QVERIFY(std::abs(got.unseenArea - expected.unseenArea) < 1e-6);
    QVERIFY(std::abs(got.onceArea - expected.onceArea) < 1e-6);
    QVERIFY(std::abs(got.twiceArea - expected.twiceArea) < 1e-6);
    QCOMPARE(got.detectors.size(), 2);
    for (int i = 0; i < 2; ++i)
        QVERIFY(std::abs(got.detectors[i].zoneArea - expected.detectors[i].zoneArea) < 1e-6);
    QVERIFY(got.map.unseen.isEmpty());
    QVERIFY(!document.coverage(true).map.unseen.isEmpty());

    // The map joins the scene with the floor's classes, the zones fade; hidden,
    // it leaves the scene and the zones are drawn as before.
    QVERIFY(!document.coverageMap().scene());
    document.showCoverageMap(true);
    QCOMPARE(document.coverageMap().scene(), &document.scene());
    QVERIFY(!document.coverageMap().path(CoverageMapItem::NotSeen).isEmpty());
    QVERIFY(!document.coverageMap().path(CoverageMapItem::SeenOnce).isEmpty());
    QVERIFY(document.coverageMap().zValue() > document.planImage().zValue());
    QVERIFY(document.coverageMap().zValue() < document.sensors().first()->zone()->zValue());
    for (const SensorGraphicsItem2 *detector : qAsConst(document.sensors()))
        QCOMPARE(detector->zone()->opacity(), ProjectDocument::kFadedZoneOpacity);
    const QPointF unseen = document.coverageMap().path(CoverageMapItem::NotSeen).pointAtPercent(0);
    QVERIFY(kRoom.boundingRect().adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(unseen));
    document.showCoverageMap(true, 0);
    QCOMPARE(document.sensors().first()->zone()->opacity(), 0.0);
    document.showCoverageMap(false);
    QVERIFY(!document.coverageMap().scene());
    QCOMPARE(document.sensors().first()->zone()->opacity(), 1.0);

    // Without the outline there is no floor to speak of.
    document.plan().clearPath();
    QVERIFY(!document.coverage().valid);
}

void TestProjectDocument::coverageSettingsRoundTrip_data()
{
    QTest::addColumn<CoverageSettings>("settings");
    QTest::addColumn<QByteArray>("entry");

    CoverageSettings settings;
    QTest::newRow("defaults: no entry") << settings << QByteArray();
    settings.min1 = 95.5;
    QTest::newRow("≥1 target") << settings
                               << QByteArray("<Coverage>\n\tMin1=95.500000\n\tMap=0\n</>\n");
    settings.min2 = 60;
    settings.showMap = true;
    QTest::newRow("both targets, map")
        << settings << QByteArray("<Coverage>\n\tMin1=95.500000\n\tMin2=60.000000\n\tMap=1\n</>\n");
    settings = CoverageSettings();
    settings.showMap = true;
    QTest::newRow("map alone") << settings
                               << QByteArray("<Coverage>\n\tMin1=90.000000\n\tMap=1\n</>\n");
    settings = CoverageSettings();
    settings.min2 = 0;
    QTest::newRow("≥2 target of 0")
        << settings << QByteArray("<Coverage>\n\tMin1=90.000000\n\tMin2=0.000000\n\tMap=0\n</>\n");
}

void TestProjectDocument::coverageSettingsRoundTrip()
{
    QFETCH(CoverageSettings, settings);
    QFETCH(QByteArray, entry);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("room.prj"));
    {
        ProjectDocument source;
        fill(source, testImage(8, 8));
        source.coverageSettings() = settings;
        QVERIFY(source.save(path));
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll().replace("\r\n", "\n");
    // The entry comes last, after the detectors.
    if (entry.isEmpty())
        QVERIFY(!text.contains("Coverage"));
    else
        QVERIFY2(text.endsWith(entry), text.right(120).constData());

    ProjectDocument document;
    document.coverageSettings().min1 = 10;
    document.coverageSettings().showMap = true;
    QVERIFY(document.load(path).loaded());
    QVERIFY(document.coverageSettings() == settings);
    QCOMPARE(document.sensors().size(), 2);

    document.clear();
    QVERIFY(document.coverageSettings().isDefault());
}

void TestProjectDocument::coverageEntryRead_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<double>("min1");
    QTest::addColumn<double>("min2"); // negative: none
    QTest::addColumn<bool>("map");

    QTest::newRow("no entry") << QByteArray() << 90.0 << -1.0 << false;
    QTest::newRow("empty entry") << QByteArray("<Coverage>\n</>\n") << 90.0 << -1.0 << false;
    QTest::newRow("all") << QByteArray("<Coverage>\n\tMin1=80\n\tMin2=45.5\n\tMap=1\n</>\n") << 80.0
                         << 45.5 << true;
    QTest::newRow("≥2 left empty")
        << QByteArray("<Coverage>\n\tMin1=99\n\tMin2=\n\tMap=0\n</>\n") << 99.0 << -1.0 << false;
    QTest::newRow("out of range and garbage")
        << QByteArray("<Coverage>\n\tMin1=120\n\tMin2=abc\n\tMap=2\n</>\n") << 90.0 << -1.0 << true;
    QTest::newRow("not numbers") << QByteArray("<Coverage>\n\tMin1=nan\n\tMin2=-5\n</>\n") << 90.0
                                 << -1.0 << false;
    QTest::newRow("a value, not a head") << QByteArray("Coverage=1\n") << 90.0 << -1.0 << false;
}

void TestProjectDocument::coverageEntryRead()
{
    QFETCH(QByteArray, entry);
    QFETCH(double, min1);
    QFETCH(double, min2);
    QFETCH(bool, map);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("room.prj"));
    {
        ProjectDocument source;
        fill(source, testImage(8, 8));
        QVERIFY(source.save(path));
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write(entry);
    file.close();

    ProjectDocument document;
    document.coverageSettings().min2 = 12;
    const ProjectLoadResult result = document.load(path);
    QVERIFY(result.loaded());
    QVERIFY(!result.lostSomething());
    QCOMPARE(document.coverageSettings().min1, min1);
    QCOMPARE(document.coverageSettings().min2.value_or(-1), min2);
    QCOMPARE(document.coverageSettings().showMap, map);
    // The rest of the project loads as it would without the entry.
    QCOMPARE(document.objects().size(), 1);
    QCOMPARE(document.sensors().size(), 2);
    QCOMPARE(document.plan().polygon(), kRoom);
}

QTEST_MAIN(TestProjectDocument)
#include "tst_projectdocument.moc"
