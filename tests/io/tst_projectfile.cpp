#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlabelgraphicsitem.h"
#include "io/projectdocument.h"
#include "io/projectfile.h"
#include "io/projectlimits.h"
#include "io/treefile.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/plangraphicsitem.h"

#include <QBuffer>
#include <QFile>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using QStringMap = QMap<QString, QString>;
Q_DECLARE_METATYPE(QStringMap)

namespace {

// One project's parts, as a program without a window holds them.
struct Project : ProjectDocument
{
    ObjectGraphicsItem *addObstacle(int kind, double x, double y, double w, double h)
    {
        auto *obstacle = new ObjectGraphicsItem(kind);
        obstacle->setGeometry(x, y, w, h);
        objects().append(obstacle);
        scene().addItem(obstacle);
        return obstacle;
    }

    SensorGraphicsItem2 *addDetector(QGraphicsItem *surface, int section, double pos, bool atRight)
    {
        auto *detector = new SensorGraphicsItem2(objects(), &plan());
        scene().addItem(detector);
        if (!detector->setSurface(surface, section))
            qWarning("detector not mounted");
        detector->setPosition(pos, atRight);
        sensors().append(detector);
        return detector;
    }

    ProjectLoadResult load(const QString &path) { return ProjectFile::loadProject(parts(), path); }
    bool save(const QString &path) { return ProjectFile::saveProject(parts(), path); }
};

// A room 10 m square, clockwise on screen.
const QPolygonF kRoom({ { 0, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 } });

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray lines(const QStringList &text)
{
    return (text.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

// The project of the golden file small.prj, built through the items' own operations.
void buildSmallProject(Project &p)
{
    p.planImage().setScale(0.5);
    p.planImage().setPos(-20, -15);
    p.caliber().setMeasurement(QPointF(1, 2), QPointF(7, 2), -0.5);
    p.plan().setPath(kRoom);
    ObjectGraphicsItem *rect = p.addObstacle(ObjectGraphicsItem::Rect, 2, 3, 4, 1);
    p.addObstacle(ObjectGraphicsItem::Ellipse, 6, 6, 2, 3);

    SensorGraphicsItem2 *first = p.addDetector(&p.plan(), 0, 2.5, false);
    first->setTag(QStringLiteral("K-1 \"A\""));
    first->setSensor('4');
    first->setAnalysis(1);
    first->setNoiseImmunity(true);
    first->setSensitivity(80);
    first->setHeight(2.5);
    first->setAngle(-15);
    first->setTilt(10);
    first->setLabelPos(QPointF(1.5, -0.5));
    first->setLabelScale(0.02);
    first->setIn1(QStringLiteral("КВБ12"));
    first->setIn2(QStringLiteral("ШТ1\""));
    first->setBody(QStringLiteral("Нержавеющая сталь"));
    first->setInterfaceName(QStringLiteral("HART"));
    first->setCertificate(QStringLiteral("РМРС"));
    first->setOptionHanger(true);
    first->setOptionRS1(false);
    first->setOptionRS2(true);

    SensorGraphicsItem2 *second = p.addDetector(rect, 1, 0.25, true);
    second->setTag(QString());
    second->setSensor('3');
    second->setAnalysis(0);
    second->setNoiseImmunity(false);
    second->setSensitivity(100);
    second->setHeight(3);
    second->setAngle(30);
    second->setTilt(0);
    second->setLabelPos(QPointF(0, 0));
    second->setLabelScale(0.01);
    second->setIn1(QStringLiteral("Нет"));
    second->setIn2(QStringLiteral("Нет"));
    second->setBody(QStringLiteral("Алюминиевый сплав"));
    second->setInterfaceName(QStringLiteral("RS"));
    second->setCertificate(QStringLiteral("Нет"));
    second->setOptionHanger(false);
    second->setOptionRS1(false);
    second->setOptionRS2(false);
}

// A plan image whose every pixel differs, with a transparent corner.
QPixmap testImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 7 % 256, y * 11 % 256, (x * y) % 256, 255));
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    return QPixmap::fromImage(image);
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A small PNG whose header claims another size and bit depth: a decoder that
// trusted it would allocate width × height pixels.
QByteArray pngClaiming(quint32 width, quint32 height, quint8 bitDepth)
{
    QByteArray png = pngBytes(QImage(2, 2, QImage::Format_ARGB32));
    // Signature (8), chunk length (4), "IHDR" (4), then width and height.
    const int ihdr = 12;
    QByteArray header = png.mid(ihdr, 17);
    auto put = [&header](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = char(value >> (24 - 8 * i));
    };
    put(4, width);
    put(8, height);
    header[12] = char(bitDepth);
    header[13] = 6; // RGBA
    png.replace(ihdr, 17, header);
    const quint32 crc = crc32(header);
    QByteArray crcBytes(4, 0);
    for (int i = 0; i < 4; ++i)
        crcBytes[i] = char(crc >> (24 - 8 * i));
    png.replace(ihdr + 17, 4, crcBytes);
    return png;
}

const QStringList kRoomLines = {
    QStringLiteral("<Outline>"),
    QStringLiteral("\t1=0.000000,0.000000"),
    QStringLiteral("\t2=10.000000,0.000000"),
    QStringLiteral("\t3=10.000000,10.000000"),
    QStringLiteral("\t4=0.000000,10.000000"),
    QStringLiteral("</>"),
};

// A complete detector entry on section 0 of the outline; without lists the keys
// named in drop are left out, and replace gives keys other values.
QStringList detectorLines(const QStringList &drop = {}, const QMap<QString, QString> &replace = {})
{
    const QList<QPair<QString, QString>> entry = {
        { "Tag", "\"T\"" },
        { "Surface", "0" },
        { "Section", "0" },
        { "Pos", "2.000000" },
        { "AtRight", "0" },
        { "Sensor", "52" },
        { "Analysis", "1" },
        { "NoiseImmunity", "0" },
        { "Sensitivity", "90" },
        { "Height", "4.000000" },
        { "Angle", "-20" },
        { "Tilt", "5" },
        { "Label", "0.500000,0.250000,0.020000" },
        { "In1", "\"КВБ12\"" },
        { "In2", "\"Нет\"" },
        { "Body", "\"Алюминиевый сплав\"" },
        { "Interface", "\"4-20\"" },
        { "Certificate", "\"Нет\"" },
        { "OptionHanger", "0" },
        { "OptionRS1", "1" },
        { "OptionRS2", "0" },
    };
    QStringList text = { QStringLiteral("\t<Sensor>") };
    for (const auto &key : entry) {
        if (drop.contains(key.first))
            continue;
        text.append(
            QStringLiteral("\t\t%1=%2").arg(key.first, replace.value(key.first, key.second)));
    }
    text.append(QStringLiteral("\t</>"));
    return text;
}

// App, the room, two 2 m × 1 m rectangles and the given entries.
QByteArray projectWith(const QStringList &objectLines, const QStringList &sensorLines)
{
    QStringList text = { QStringLiteral("App=\"ZOR-51ma Position\"") };
    text += kRoomLines;
    text += QStringLiteral("<Objects>");
    text += objectLines;
    text += QStringLiteral("</>");
    text += QStringLiteral("<Sensors>");
    text += sensorLines;
    text += QStringLiteral("</>");
    return lines(text);
}

bool isFinite(const QRectF &r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width())
        && std::isfinite(r.height());
}

// Every item of the scene has a finite place and size.
bool sceneIsFinite(QGraphicsScene &scene)
{
    for (const QGraphicsItem *item : scene.items()) {
        if (!isFinite(item->sceneBoundingRect()))
            return false;
    }
    return isFinite(scene.itemsBoundingRect());
}

} // namespace

class TestProjectFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void writesTheGoldenFile();
    void loadsTheGoldenFile();
    void roundTripKeepsEverything();
    void obstacleWrittenAsStartAndDifference();
    void emptyProjectHasBareLists();
    void obstacleEntries_data();
    void obstacleEntries();
    void polygonEntrySurvivesASave();
    void detectorEntries_data();
    void detectorEntries();
    void detectorNumbersFollowTheLoadedObstacles();
    void wrongApplicationChangesNothing_data();
    void wrongApplicationChangesNothing();
    void missingFileChangesNothing();
    void tooLargeFileIsNotRead();
    void centreAndScaleDefaults_data();
    void centreAndScaleDefaults();
    void hostileImages_data();
    void hostileImages();
    void hostileNumbers_data();
    void hostileNumbers();
    void imageTextBoundBeforeDecoding();
    void keptImageIsReplacedByANewOne();
    void oldImageGoesBeforeTheNewIsRead_data();
    void oldImageGoesBeforeTheNewIsRead();
    void newImageStoredInItsKind_data();
    void newImageStoredInItsKind();
    void resaveIsStable_data();
    void resaveIsStable();
    void truncatedAndGarbageFiles();
    void hugeListsStopAtTheirLimits();
    void outlineVertexLimit();
    void deeplyNestedHeads();
    void saveIntoAFolderThatCannotBeWritten();
    void failedSaveKeepsTheOldFile();

private:
    QTemporaryDir dir;
};

void TestProjectFile::init()
{
    QVERIFY(dir.isValid());
    SensorRecord::resetInheritedDefaults();
    SensorLabelGraphicsItem::lastOffset = QPointF(1, 0);
    SensorLabelGraphicsItem::lastScale = 0.01;
    ObjectGraphicsItem::lastSize = QSizeF(5, 5);
}

void TestProjectFile::writesTheGoldenFile()
{
    Project p;
    buildSmallProject(p);
    const QString path = dir.filePath(QStringLiteral("small.prj"));
    QVERIFY(p.save(path));
    const QByteArray golden = readAll(QFINDTESTDATA("data/small.prj"));
    QVERIFY(!golden.isEmpty());
    QCOMPARE(readAll(path), golden);
}

void TestProjectFile::loadsTheGoldenFile()
{
    Project p;
    // Something to be replaced.
    p.plan().setPath(QPolygonF({ { 0, 0 }, { 50, 0 }, { 0, 50 } }));
    p.addObstacle(ObjectGraphicsItem::Ellipse, 30, 30, 1, 1);
    p.addDetector(&p.plan(), 0, 1, false);
    // Inherited values that loading must not fall back on.
    p.sensors().first()->setInterfaceName(QStringLiteral("SF"));

    const ProjectLoadResult result = p.load(QFINDTESTDATA("data/small.prj"));
    QCOMPARE(result.status, ProjectLoadResult::Loaded);
    QVERIFY(!result.lostSomething());
    QCOMPARE(result.obstaclesRejected + result.detectorsRejected, 0);

    QVERIFY(p.planPixmap().isNull());
    QVERIFY(!p.planImage().isVisible());
    QCOMPARE(p.planImage().pos(), QPointF(-20, -15));
    QCOMPARE(p.caliber().startPoint(), QPointF(1, 2));
    QCOMPARE(p.caliber().endPoint(), QPointF(7, 2));
    QCOMPARE(p.caliber().lineOffset(), -0.5);
    QVERIFY(p.caliber().isCaliberVisible());
    QCOMPARE(p.plan().polygon(), kRoom);
    QVERIFY(p.plan().isVisible());

    QCOMPARE(p.objects().size(), 2);
    QCOMPARE(p.objects()[0]->shapeKind(), int(ObjectGraphicsItem::Rect));
    QCOMPARE(p.objects()[0]->pos(), QPointF(2, 3));
    QCOMPARE(p.objects()[0]->size(), QSizeF(4, 1));
    QCOMPARE(p.objects()[1]->shapeKind(), int(ObjectGraphicsItem::Ellipse));
    QCOMPARE(p.objects()[1]->pos(), QPointF(6, 6));
    QCOMPARE(p.objects()[1]->size(), QSizeF(2, 3));
    for (ObjectGraphicsItem *obstacle : qAsConst(p.objects()))
        QCOMPARE(obstacle->scene(), &p.scene());

    QCOMPARE(p.sensors().size(), 2);
    const SensorGraphicsItem2 *first = p.sensors()[0];
    QCOMPARE(first->scene(), &p.scene());
    QCOMPARE(first->surfaceIndex(), 0);
    QCOMPARE(first->section(), 0);
    QCOMPARE(first->position(), 2.5);
    QCOMPARE(first->pos(), QPointF(7.5, 0));
    QCOMPARE(first->tag(), QStringLiteral("K-1 \"A\""));
    QCOMPARE(first->sensor(), '4');
    QCOMPARE(first->analysis(), 1);
    QCOMPARE(first->noiseImmunity(), true);
    QCOMPARE(first->sensitivity(), quint16(80));
    QCOMPARE(first->height(), 2.5);
    QCOMPARE(first->angle(), -15);
    QCOMPARE(first->tilt(), 10);
    QCOMPARE(first->labelOffset(), QPointF(1.5, -0.5));
    QCOMPARE(float(first->labelScale()), 0.02f);
    QCOMPARE(first->in1(), QStringLiteral("КВБ12"));
    QCOMPARE(first->in2(), QStringLiteral("ШТ1\""));
    QCOMPARE(first->body(), QStringLiteral("Нержавеющая сталь"));
    QCOMPARE(first->interfaceName(), QStringLiteral("HART"));
    QCOMPARE(first->certificate(), QStringLiteral("РМРС"));
    QVERIFY(first->optionHanger() && !first->optionRS1() && first->optionRS2());
    // Zone and label are brought up to date.
    QVERIFY(!first->zone()->polygon().isEmpty());
    QCOMPARE(first->label()->scene(), &p.scene());
    QVERIFY(first->label()->toPlainText().startsWith(QStringLiteral("Тэг: K-1 \"A\"\n")));

    const SensorGraphicsItem2 *second = p.sensors()[1];
    QCOMPARE(second->surfaceIndex(), 1);
    QCOMPARE(second->section(), 1);
    QCOMPARE(second->position(), 0.25);
    QVERIFY(second->atRight());
    QCOMPARE(second->pos(), QPointF(4, 3.25));
    QCOMPARE(second->tag(), QString());
    QCOMPARE(second->angle(), 30);

    // Saved again, the same bytes, but for the scale: without an image loading
    // does not apply it.
    QCOMPARE(p.planImage().scale(), 0.0);
    const QString again = dir.filePath(QStringLiteral("again.prj"));
    QVERIFY(p.save(again));
    QCOMPARE(readAll(again),
        readAll(QFINDTESTDATA("data/small.prj")).replace("Scale=0.500000", "Scale=0.000000"));
}

void TestProjectFile::roundTripKeepsEverything()
{
    const QString path = dir.filePath(QStringLiteral("round.prj"));
    {
        Project p;
        p.planPixmap() = testImage(37, 23);
        p.planImage().setPixmap(p.planPixmap());
        p.planImage().setScale(0.125);
        p.planImage().setPos(-2.3125, -1.4375);
        p.caliber().setMeasurement(QPointF(-1.25, 0.5), QPointF(2.75, 3.5), 0.75);
        p.plan().setPath(QPolygonF({ { -2, -1 }, { 2.5, -1 }, { 2.5, 1.5 }, { -2, 1.5 } }));
        ObjectGraphicsItem *a = p.addObstacle(ObjectGraphicsItem::Rect, 0.5, 0.25, 0.75, 0.5);
        ObjectGraphicsItem *b = p.addObstacle(ObjectGraphicsItem::Ellipse, -1, 0.5, 0.5, 0.25);
        p.addObstacle(ObjectGraphicsItem::Rect, 1.5, -0.5, 0.25, 0.25);
        SensorGraphicsItem2 *d1 = p.addDetector(&p.plan(), 2, 1.125, true);
        d1->setTag(QStringLiteral("Север, \\ «1»"));
        d1->setAngle(45);
        SensorGraphicsItem2 *d2 = p.addDetector(b, 5, 0.0625, false);
        d2->setSensor('4');
        d2->setHeight(12.75);
        d2->setLabelPos(QPointF(-0.5, 0.75));
        d2->setLabelScale(0.005);
        SensorGraphicsItem2 *d3 = p.addDetector(a, 3, 0.125, false);
        d3->setSensitivity(35);
        d3->setTilt(-7);
        d3->setCertificate(QStringLiteral("РКО"));
        QVERIFY(p.save(path));
    }
    const QByteArray written = readAll(path);
    QVERIFY(written.contains("\r\nImage=\""));
    QVERIFY(!written.contains("\n\n"));

    Project q;
    QCOMPARE(q.load(path).status, ProjectLoadResult::Loaded);
    const QImage expected = testImage(37, 23).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(q.planPixmap().toImage().convertToFormat(QImage::Format_ARGB32), expected);
    QVERIFY(q.planImage().isVisible());
    QCOMPARE(q.planImage().scale(), 0.125);
    QCOMPARE(q.planImage().pos(), QPointF(-2.3125, -1.4375));
    QCOMPARE(q.caliber().startPoint(), QPointF(-1.25, 0.5));
    QCOMPARE(q.caliber().endPoint(), QPointF(2.75, 3.5));
    QCOMPARE(q.caliber().lineOffset(), 0.75);
    QCOMPARE(q.plan().polygon().size(), 4);
    QCOMPARE(q.objects().size(), 3);
    QCOMPARE(q.objects()[1]->shapeKind(), int(ObjectGraphicsItem::Ellipse));
    QCOMPARE(q.objects()[1]->pos(), QPointF(-1, 0.5));
    QCOMPARE(q.objects()[2]->size(), QSizeF(0.25, 0.25));
    QCOMPARE(q.sensors().size(), 3);
    QCOMPARE(q.sensors()[0]->tag(), QStringLiteral("Север, \\ «1»"));
    QCOMPARE(q.sensors()[0]->surfaceIndex(), 0);
    QCOMPARE(q.sensors()[0]->section(), 2);
    QVERIFY(q.sensors()[0]->atRight());
    QCOMPARE(q.sensors()[0]->position(), 1.125);
    QCOMPARE(q.sensors()[0]->angle(), 45);
    QCOMPARE(q.sensors()[1]->surfaceIndex(), 2);
    QCOMPARE(q.sensors()[1]->section(), 5);
    QCOMPARE(q.sensors()[1]->sensor(), '4');
    QCOMPARE(q.sensors()[1]->height(), 12.75);
    QCOMPARE(q.sensors()[1]->labelOffset(), QPointF(-0.5, 0.75));
    QCOMPARE(float(q.sensors()[1]->labelScale()), 0.005f);
    QCOMPARE(q.sensors()[2]->surfaceIndex(), 1);
    QCOMPARE(q.sensors()[2]->sensitivity(), quint16(35));
    QCOMPARE(q.sensors()[2]->tilt(), -7);
    QCOMPARE(q.sensors()[2]->certificate(), QStringLiteral("РКО"));

    // Saving what was loaded writes the same bytes.
    const QString again = dir.filePath(QStringLiteral("round2.prj"));
    QVERIFY(q.save(again));
    QCOMPARE(readAll(again), written);
}

void TestProjectFile::obstacleWrittenAsStartAndDifference()
{
    ObjectGraphicsItem obstacle(ObjectGraphicsItem::Rect);
    obstacle.setGeometry(2, 3, 4, 1);
    TreeNode node("Rect");
    QVERIFY(obstacle.saveToNode(&node));
    QCOMPARE(QByteArray::fromStdString(node.value()),
        QByteArray("2.000000,3.000000,2.000000,-2.000000"));
    QVERIFY(!obstacle.saveToNode(nullptr));
    QVERIFY(!obstacle.loadFromNode(nullptr));
}

void TestProjectFile::emptyProjectHasBareLists()
{
    Project p;
    const QString path = dir.filePath(QStringLiteral("empty.prj"));
    QVERIFY(p.save(path));
    QCOMPARE(readAll(path),
        lines({ "App=\"ZOR-51ma Position\"", "Image", "Center=0.000000,0.000000", "Scale=0.000000",
            "Roulette=0.000000,0.000000,0.000000,0.000000,0.000000", "Outline", "Objects",
            "Sensors" }));

    Project q;
    q.addObstacle(ObjectGraphicsItem::Rect, 1, 1, 1, 1);
    QVERIFY(writeAll(path, lines({ "App=\"ZOR-51ma Position\"", "Objects", "Sensors" })));
    QCOMPARE(q.load(path).status, ProjectLoadResult::Loaded);
    QVERIFY(q.objects().isEmpty());
    QVERIFY(q.sensors().isEmpty());
    QVERIFY(!q.plan().hasPath());
}

void TestProjectFile::obstacleEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("kind"); // -1: skipped
    QTest::addColumn<QRectF>("geometry"); // centre and size

    QTest::newRow("rect") << "Rect=2.000000,3.000000,2.000000,-2.000000"
                          << int(ObjectGraphicsItem::Rect) << QRectF(2, 3, 4, 1);
    QTest::newRow("width 0") << "Rect=2,3,-2,1" << -1 << QRectF();
    QTest::newRow("negative height") << "Rect=2,3,1,-4" << -1 << QRectF();
    QTest::newRow("object is a rectangle")
        << "Object=1,1,1,1" << int(ObjectGraphicsItem::Rect) << QRectF(1, 1, 2, 2);
    QTest::newRow("ellipse") << "Ellipse=-1,-2,4,6" << int(ObjectGraphicsItem::Ellipse)
                             << QRectF(-1, -2, 3, 4);
    QTest::newRow("polygon") << "Polygon=1,2,3,4" << int(ObjectGraphicsItem::Polygon)
                             << QRectF(1, 2, 0, 0);
    QTest::newRow("unknown name") << "Circle=1,1,1,1" << -1 << QRectF();
    QTest::newRow("bare") << "Rect" << -1 << QRectF();
    QTest::newRow("not a number") << "Rect=nan,0,5,5" << -1 << QRectF();
    QTest::newRow("infinite size") << "Rect=0,0,inf,5" << -1 << QRectF();
    QTest::newRow("beyond float") << "Rect=0,0,1e39,5" << -1 << QRectF();
    QTest::newRow("absurdly far") << "Rect=1e30,0,5,5" << -1 << QRectF();
    QTest::newRow("absurdly large") << "Ellipse=0,0,5e7,5" << -1 << QRectF();
    // Missing numbers read as 0: here the height is the centre's y.
    QTest::newRow("short value") << "Rect=1,1,1" << int(ObjectGraphicsItem::Rect)
                                 << QRectF(1, 1, 2, 1);
}

void TestProjectFile::obstacleEntries()
{
    QFETCH(QString, entry);
    QFETCH(int, kind);
    QFETCH(QRectF, geometry);

    const QString path = dir.filePath(QStringLiteral("obstacle.prj"));
    QVERIFY(writeAll(
        path, projectWith({ "\tRect=8,8,-7,-7", "\t" + entry, "\tEllipse=4,4,-3,-3" }, {})));
    Project p;
    const ProjectLoadResult result = p.load(path);
    QCOMPARE(result.status, ProjectLoadResult::Loaded);
    QCOMPARE(result.obstaclesRejected, kind < 0 ? 1 : 0);
    QCOMPARE(p.objects().size(), kind < 0 ? 2 : 3);
    QCOMPARE(p.objects().first()->size(), QSizeF(1, 1));
    QCOMPARE(p.objects().last()->shapeKind(), int(ObjectGraphicsItem::Ellipse));
    if (kind >= 0) {
        const ObjectGraphicsItem *loaded = p.objects().at(1);
        QCOMPARE(loaded->shapeKind(), kind);
        QCOMPARE(loaded->pos(), geometry.topLeft());
        QCOMPARE(loaded->size(), geometry.size());
    }
    QVERIFY(sceneIsFinite(p.scene()));
}

void TestProjectFile::polygonEntrySurvivesASave()
{
    // A polygon obstacle has no shape of its own; were it written back with a
    // width of 0, the next load would drop it and the detector on the ellipse
    // after it would name an obstacle that no longer exists.
    const QString path = dir.filePath(QStringLiteral("polygon.prj"));
    QVERIFY(writeAll(path,
        projectWith({ "\tPolygon=1.500000,2.000000,3.000000,4.000000", "\tEllipse=6,6,-4,-3" },
            detectorLines({}, { { "Surface", "2" }, { "Section", "3" } }))));
    Project p;
    QCOMPARE(p.load(path).status, ProjectLoadResult::Loaded);
    QCOMPARE(p.objects().size(), 2);
    QCOMPARE(p.sensors().size(), 1);

    const QString again = dir.filePath(QStringLiteral("polygon again.prj"));
    QVERIFY(p.save(again));
    QVERIFY(readAll(again).contains(
        "\r\n\tPolygon=1.500000,2.000000,3.000000,4.000000\r\n\tEllipse=6.000000,6.000000,"));
    Project q;
    const ProjectLoadResult result = q.load(again);
    QCOMPARE(result.obstaclesRejected, 0);
    QCOMPARE(q.objects().size(), 2);
    QCOMPARE(q.objects().first()->shapeKind(), int(ObjectGraphicsItem::Polygon));
    QCOMPARE(q.sensors().size(), 1);
    QCOMPARE(q.sensors().first()->surfaceIndex(), 2);
    QCOMPARE(q.sensors().first()->section(), 3);
}

void TestProjectFile::detectorEntries_data()
{
    QTest::addColumn<QStringList>("drop");
    QTest::addColumn<QStringMap>("replace");
    QTest::addColumn<bool>("loaded");

    QTest::newRow("complete") << QStringList() << QStringMap() << true;
    for (const char *key :
        { "Pos", "Surface", "Section", "Sensor", "Angle", "Height", "Tilt", "AtRight" })
        QTest::addRow("without %s", key) << QStringList({ key }) << QStringMap() << false;
    QTest::newRow("only required keys")
        << QStringList({ "Tag", "Analysis", "NoiseImmunity", "Sensitivity", "Label", "In1", "In2",
               "Body", "Interface", "Certificate", "OptionHanger", "OptionRS1", "OptionRS2" })
        << QStringMap() << true;
    QTest::newRow("surface 3 of 2") << QStringList() << QStringMap({ { "Surface", "3" } }) << false;
    QTest::newRow("surface 2 of 2") << QStringList() << QStringMap({ { "Surface", "2" } }) << true;
    QTest::newRow("negative surface")
        << QStringList() << QStringMap({ { "Surface", "-1" } }) << false;
    QTest::newRow("section 4 of 4") << QStringList() << QStringMap({ { "Section", "4" } }) << false;
    QTest::newRow("section wrapping to 0")
        << QStringList() << QStringMap({ { "Section", "4294967296" } }) << false;
    QTest::newRow("position not a number")
        << QStringList() << QStringMap({ { "Pos", "nan" } }) << false;
    QTest::newRow("height infinite")
        << QStringList() << QStringMap({ { "Height", "-inf" } }) << false;
    QTest::newRow("height absurd")
        << QStringList() << QStringMap({ { "Height", "1e300" } }) << false;
    QTest::newRow("angle beyond int")
        << QStringList() << QStringMap({ { "Angle", "1099511627776" } }) << false;
    QTest::newRow("longest tag") << QStringList()
                                 << QStringMap({ { "Tag", QString(4096, QLatin1Char('x')) } })
                                 << true;
    QTest::newRow("tag too long") << QStringList()
                                  << QStringMap({ { "Tag", QString(4097, QLatin1Char('x')) } })
                                  << false;
    QTest::newRow("tilt of int's lowest")
        << QStringList() << QStringMap({ { "Tilt", "-2147483648" } }) << false;
}

void TestProjectFile::detectorEntries()
{
    QFETCH(QStringList, drop);
    QFETCH(QStringMap, replace);
    QFETCH(bool, loaded);

    // Inherited values differ from every default, so that a default that fell
    // back on them would show.
    {
        Project seed;
        seed.plan().setPath(kRoom);
        SensorGraphicsItem2 *d = seed.addDetector(&seed.plan(), 0, 1, false);
        d->setInterfaceName(QStringLiteral("SF"));
        d->setSensitivity(20);
        d->setAnalysis(2);
        d->setNoiseImmunity(true);
        d->setOptionRS2(true);
        d->setIn1(QStringLiteral("КВБ17"));
    }

    const QString path = dir.filePath(QStringLiteral("detector.prj"));
    QVERIFY(writeAll(path,
        projectWith({ "\tRect=2,2,0,-1", "\tRect=6,6,-4,-5" }, detectorLines(drop, replace))));
    Project p;
    const ProjectLoadResult result = p.load(path);
    QCOMPARE(result.status, ProjectLoadResult::Loaded);
    QCOMPARE(p.objects().size(), 2);
    QCOMPARE(result.detectorsRejected, loaded ? 0 : 1);
    QCOMPARE(p.sensors().size(), loaded ? 1 : 0);
    QVERIFY(sceneIsFinite(p.scene()));
    if (!loaded)
        return;
    const SensorGraphicsItem2 *d = p.sensors().first();
    QCOMPARE(d->surfaceIndex(), replace.value("Surface", "0").toInt());
    QCOMPARE(d->section(), 0);
    QCOMPARE(d->sensor(), '4');
    QCOMPARE(d->angle(), -20);
    QCOMPARE(d->tilt(), 5);
    QCOMPARE(d->height(), 4.0);
    QVERIFY(!d->atRight());
    if (drop.isEmpty()) {
        QCOMPARE(d->position(), 2.0);
        QCOMPARE(d->tag(), replace.value("Tag", "T"));
        QCOMPARE(d->analysis(), 1);
        QCOMPARE(d->sensitivity(), quint16(90));
        QCOMPARE(d->labelOffset(), QPointF(0.5, 0.25));
        QCOMPARE(float(d->labelScale()), 0.02f);
        QCOMPARE(d->in1(), QStringLiteral("КВБ12"));
        QCOMPARE(d->interfaceName(), QStringLiteral("4-20"));
        QVERIFY(d->optionRS1());
    } else {
        // The defaults of the file format, not the inherited values.
        QCOMPARE(d->tag(), QString());
        QCOMPARE(d->analysis(), 0);
        QVERIFY(!d->noiseImmunity());
        QCOMPARE(d->sensitivity(), quint16(100));
        QCOMPARE(d->labelOffset(), QPointF(0, 0));
        QCOMPARE(float(d->labelScale()), 0.01f);
        QCOMPARE(d->in1(), QString());
        QCOMPARE(d->in2(), QString());
        QCOMPARE(d->body(), QString());
        QCOMPARE(d->interfaceName(), QStringLiteral("RS"));
        QCOMPARE(d->certificate(), QString());
        QVERIFY(!d->optionHanger() && !d->optionRS1() && !d->optionRS2());
    }
}

void TestProjectFile::detectorNumbersFollowTheLoadedObstacles()
{
    // The first obstacle is refused, so "Surface=2" now names the ellipse, the
    // second loaded obstacle, and "Surface=3" nothing.
    QStringList sensors = detectorLines({}, { { "Surface", "2" }, { "Section", "7" } });
    sensors += detectorLines({}, { { "Surface", "3" } });
    // Values narrowed to their width, flags read as non-zero.
    sensors += detectorLines({},
        { { "Sensor", "307" }, { "Sensitivity", "65636" }, { "NoiseImmunity", "7" },
            { "AtRight", "-2" }, { "Pos", "1e300" }, { "Label", "nan,1,0.02" } });
    const QString path = dir.filePath(QStringLiteral("numbers.prj"));
    QVERIFY(writeAll(path,
        projectWith(
            { "\tRect=1,1,-1,1", "\tRect=2,2,0,-1", "\tEllipse=6,6,-4,-5", "\tRect=8,8,-7,-7" },
            sensors)));
    Project p;
    const ProjectLoadResult result = p.load(path);
    QCOMPARE(result.obstaclesRejected, 1);
    QCOMPARE(result.detectorsRejected, 0);
    QCOMPARE(p.objects().size(), 3);
    QCOMPARE(p.sensors().size(), 3);
    QCOMPARE(p.sensors()[0]->surfaceIndex(), 2);
    QCOMPARE(p.sensors()[0]->section(), 7);
    QCOMPARE(p.sensors()[1]->surfaceIndex(), 3);
    QCOMPARE(p.sensors()[1]->section(), 0);
    const SensorGraphicsItem2 *narrowed = p.sensors()[2];
    QCOMPARE(narrowed->sensor(), '3'); // 307 = 256 + 51
    QCOMPARE(narrowed->sensitivity(), quint16(100));
    QVERIFY(narrowed->noiseImmunity());
    QVERIFY(narrowed->atRight());
    QCOMPARE(narrowed->position(), 10.0);
    QCOMPARE(narrowed->labelOffset(), QPointF(0, 0));
    QVERIFY(sceneIsFinite(p.scene()));
}

void TestProjectFile::wrongApplicationChangesNothing_data()
{
    QTest::addColumn<QString>("appLine");
    QTest::newRow("trailing blank") << "App=\"ZOR-51ma Position \"";
    QTest::newRow("other case") << "App=\"zor-51ma position\"";
    QTest::newRow("bare") << "App";
    QTest::newRow("missing") << "Name=\"ZOR-51ma Position\"";
}

void TestProjectFile::wrongApplicationChangesNothing()
{
    QFETCH(QString, appLine);
    QByteArray text = projectWith({ "\tRect=2,2,0,-1" }, detectorLines());
    text.replace("App=\"ZOR-51ma Position\"", appLine.toUtf8());
    const QString path = dir.filePath(QStringLiteral("wrong.prj"));
    QVERIFY(writeAll(path, text));

    Project p;
    buildSmallProject(p);
    p.planPixmap() = testImage(4, 4);
    bool replaced = false;
    ProjectLoadHooks hooks;
    hooks.aboutToReplace = [&replaced] { replaced = true; };
    const ProjectLoadResult result = ProjectFile::loadProject(p.parts(), path, hooks);
    QCOMPARE(result.status, ProjectLoadResult::WrongFormat);
    QVERIFY(!replaced);
    QCOMPARE(p.objects().size(), 2);
    QCOMPARE(p.sensors().size(), 2);
    QCOMPARE(p.plan().polygon(), kRoom);
    QCOMPARE(p.planPixmap().width(), 4);
    QCOMPARE(p.caliber().endPoint(), QPointF(7, 2));
}

void TestProjectFile::missingFileChangesNothing()
{
    Project p;
    buildSmallProject(p);
    QStringList paths = { dir.filePath(QStringLiteral("none.prj")), dir.path() };
#ifdef Q_OS_LINUX
    // A device that never ends.
    paths << QStringLiteral("/dev/zero");
#endif
    for (const QString &path : paths) {
        const ProjectLoadResult result = p.load(path);
        QCOMPARE(result.status, ProjectLoadResult::CannotOpen);
        QCOMPARE(p.objects().size(), 2);
        QCOMPARE(p.sensors().size(), 2);
        QCOMPARE(p.plan().polygon(), kRoom);
    }
}

void TestProjectFile::tooLargeFileIsNotRead()
{
    const QString path = dir.filePath(QStringLiteral("large.prj"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("App=\"ZOR-51ma Position\"\r\n");
    // Sparse: it takes no room on the disk.
    QVERIFY(file.resize(ProjectLimits::maxFileBytes + 1));
    file.close();
    Project p;
    buildSmallProject(p);
    const ProjectLoadResult result = p.load(path);
    QCOMPARE(result.status, ProjectLoadResult::CannotOpen);
    QVERIFY(result.fileTooLarge);
    QCOMPARE(p.objects().size(), 2);
    QVERIFY(QFile::remove(path));

    // Few bytes, but so many lines that the tree alone would fill the memory.
    QByteArray lineful = "App=\"ZOR-51ma Position\"\r\n<Objects>\r\n";
    // Five marks so far; the limit reached, then passed by three.
    lineful += QByteArray(int(ProjectLimits::maxNodeEnds - 5), '\n');
    lineful += QByteArray(3, '>');
    QVERIFY(writeAll(path, lineful));
    const ProjectLoadResult lines = p.load(path);
    QCOMPARE(lines.status, ProjectLoadResult::CannotOpen);
    QVERIFY(lines.fileTooLarge);
    QCOMPARE(p.objects().size(), 2);
    // One mark fewer is read.
    lineful.chop(4);
    QVERIFY(writeAll(path, lineful));
    QVERIFY(p.load(path).loaded());
    QVERIFY(p.objects().isEmpty());
}

void TestProjectFile::centreAndScaleDefaults_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("centre");
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QPointF>("position");
    QTest::addColumn<double>("expectedScale");

    QTest::newRow("stored") << 40 << 20 << "Center=3.5,-1"
                            << "Scale=0.25" << QPointF(-3.5, 1) << 0.25;
    QTest::newRow("neither") << 40 << 20 << ""
                             << "" << QPointF(-20, -10) << 2.5;
    QTest::newRow("odd sizes") << 41 << 25 << ""
                               << "" << QPointF(-20, -12) << 100.0 / 41;
    QTest::newRow("portrait") << 10 << 50 << ""
                              << "Scale=0.5" << QPointF(-5, -25) << 0.5;
    QTest::newRow("centre not a number") << 40 << 20 << "Center=nan,1"
                                         << "Scale=0.25" << QPointF(-20, -10) << 0.25;
    QTest::newRow("centre absurd") << 40 << 20 << "Center=1e20,1"
                                   << "" << QPointF(-20, -10) << 2.5;
    QTest::newRow("scale zero") << 40 << 20 << ""
                                << "Scale=0" << QPointF(-20, -10) << 2.5;
    QTest::newRow("scale negative") << 40 << 20 << ""
                                    << "Scale=-1" << QPointF(-20, -10) << 2.5;
    QTest::newRow("scale not a number") << 40 << 20 << ""
                                        << "Scale=nan" << QPointF(-20, -10) << 2.5;
    QTest::newRow("scale absurd") << 40 << 20 << ""
                                  << "Scale=1e300" << QPointF(-20, -10) << 2.5;
}

void TestProjectFile::centreAndScaleDefaults()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, centre);
    QFETCH(QString, scale);
    QFETCH(QPointF, position);
    QFETCH(double, expectedScale);

    QStringList text = { "App=\"ZOR-51ma Position\"",
        "Image=\"" + QString::fromLatin1(pngBytes(testImage(width, height).toImage()).toBase64())
            + "\"" };
    if (!centre.isEmpty())
        text.append(centre);
    if (!scale.isEmpty())
        text.append(scale);
    const QString path = dir.filePath(QStringLiteral("defaults.prj"));
    QVERIFY(writeAll(path, lines(text)));

    Project p;
    QCOMPARE(p.load(path).status, ProjectLoadResult::Loaded);
    QCOMPARE(p.planPixmap().size(), QSize(width, height));
    QVERIFY(p.planImage().isVisible());
    QCOMPARE(p.planImage().pos(), position);
    QCOMPARE(p.planImage().scale(), expectedScale);
}

void TestProjectFile::hostileImages_data()
{
    QTest::addColumn<QByteArray>("value"); // the Image line's value, quoted as needed
    QTest::addColumn<bool>("tooLarge");

    QTest::newRow("not base64") << QByteArray("\"!!! not an image ###\"") << false;
    QTest::newRow("jpeg, not png") << QByteArray("\"/9j/4AAQSkZJRgABAQAAAQABAAD\"") << false;
    const QByteArray png = pngBytes(testImage(64, 64).toImage());
    QTest::newRow("truncated png") << ("\"" + png.left(png.size() / 3).toBase64() + "\"") << false;
    QTest::newRow("20000 x 20000")
        << ("\"" + pngClaiming(20000, 20000, 8).toBase64() + "\"") << true;
    QTest::newRow("just over 256 MiB")
        << ("\"" + pngClaiming(8192, 8193, 8).toBase64() + "\"") << true;
    QTest::newRow("16 bits per channel")
        << ("\"" + pngClaiming(6000, 6000, 16).toBase64() + "\"") << true;
    QTest::newRow("width 0") << ("\"" + pngClaiming(0, 10, 8).toBase64() + "\"") << false;
}

void TestProjectFile::hostileImages()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, tooLarge);

    const QString path = dir.filePath(QStringLiteral("image.prj"));
    QByteArray text = projectWith({ "\tRect=2,2,0,-1" }, detectorLines());
    text.replace("\r\n<Outline>", "\r\nImage=" + value + "\r\nScale=0.5\r\n<Outline>");
    QVERIFY(writeAll(path, text));

    Project p;
    p.planPixmap() = testImage(8, 8);
    p.planImage().setPixmap(p.planPixmap());
    p.planImage().setScale(3);
    const ProjectLoadResult result = p.load(path);
    QCOMPARE(result.status, ProjectLoadResult::Loaded);
    QVERIFY(result.imageUnreadable);
    // The image is not shown but kept: nothing is lost.
    QVERIFY(!result.lostSomething());
    QCOMPARE(result.imageTooLarge, tooLarge);
    // No image, hidden; the scale is the file's, kept with the image; the rest
    // of the file loads.
    QVERIFY(p.planPixmap().isNull());
    QVERIFY(!p.planImage().isVisible());
    QCOMPARE(p.planImage().scale(), 0.5);
    QCOMPARE(p.objects().size(), 1);
    QCOMPARE(p.sensors().size(), 1);
    // Written back unchanged, and again after another load.
    const QString saved = dir.filePath(QStringLiteral("image-saved.prj"));
    QVERIFY(p.save(saved));
    const QByteArray first = readAll(saved);
    QVERIFY2(first.contains("\r\nImage=" + value + "\r\n"), first.left(200).constData());
    Project again;
    QVERIFY(again.load(saved).imageUnreadable);
    QVERIFY(again.save(saved));
    QCOMPARE(readAll(saved), first);
}

void TestProjectFile::hostileNumbers_data()
{
    QTest::addColumn<QString>("roulette");
    QTest::addColumn<QString>("vertex");
    QTest::addColumn<bool>("markKept");
    QTest::addColumn<bool>("outlineKept");

    QTest::newRow("sane") << "1,2,3,4,0.5"
                          << "4=0,10" << true << true;
    QTest::newRow("mark not a number") << "nan,2,3,4,0.5"
                                       << "4=0,10" << false << true;
    QTest::newRow("mark offset infinite") << "1,2,3,4,inf"
                                          << "4=0,10" << false << true;
    QTest::newRow("mark absurd") << "1,2,3e30,4,0"
                                 << "4=0,10" << false << true;
    QTest::newRow("vertex not a number") << "1,2,3,4,0.5"
                                         << "4=nan,10" << true << false;
    QTest::newRow("vertex absurd") << "1,2,3,4,0.5"
                                   << "4=0,-1e9" << true << false;
}

void TestProjectFile::hostileNumbers()
{
    QFETCH(QString, roulette);
    QFETCH(QString, vertex);
    QFETCH(bool, markKept);
    QFETCH(bool, outlineKept);

    const QString path = dir.filePath(QStringLiteral("numbers.prj"));
    QByteArray text = projectWith({ "\tRect=2,2,0,-1" }, detectorLines());
    text.replace("\r\n<Outline>", ("\r\nRoulette=" + roulette + "\r\n<Outline>").toUtf8());
    text.replace("4=0.000000,10.000000", vertex.toUtf8());
    QVERIFY(writeAll(path, text));

    Project p;
    p.caliber().setMeasurement(QPointF(5, 5), QPointF(6, 6), 1);
    const ProjectLoadResult result = p.load(path);
    QCOMPARE(result.status, ProjectLoadResult::Loaded);
    QCOMPARE(result.outlineRejected, !outlineKept);
    if (markKept) {
        QCOMPARE(p.caliber().startPoint(), QPointF(1, 2));
        QCOMPARE(p.caliber().endPoint(), QPointF(4, 6));
        QVERIFY(p.caliber().isCaliberVisible());
    } else {
        QCOMPARE(p.caliber().length(), 0.0);
        QVERIFY(!p.caliber().isCaliberVisible());
    }
    QCOMPARE(p.plan().hasPath(), outlineKept);
    // A detector on the outline stands only where there is one.
    QCOMPARE(p.sensors().size(), outlineKept ? 1 : 0);
    QVERIFY(sceneIsFinite(p.scene()));
}

void TestProjectFile::truncatedAndGarbageFiles()
{
    Project source;
    buildSmallProject(source);
    source.planPixmap() = testImage(30, 20);
    const QString full = dir.filePath(QStringLiteral("full.prj"));
    QVERIFY(source.save(full));
    const QByteArray bytes = readAll(full);

    const QString path = dir.filePath(QStringLiteral("damaged.prj"));
    int loaded = 0;
    for (int cut = 0; cut < bytes.size(); cut += 7) {
        QVERIFY(writeAll(path, bytes.left(cut)));
        Project p;
        const ProjectLoadResult result = p.load(path);
        if (result.loaded())
            ++loaded;
        QVERIFY2(sceneIsFinite(p.scene()), qPrintable(QString::number(cut)));
        QVERIFY(p.objects().size() <= 2 && p.sensors().size() <= 2);
    }
    QVERIFY(loaded > 0);

    // Random bytes, alone and after a valid mark.
    QRandomGenerator random(20240611);
    for (int round = 0; round < 60; ++round) {
        QByteArray garbage(int(random.bounded(1, 4000)), Qt::Uninitialized);
        for (char &c : garbage)
            c = char(random.bounded(256));
        if (round % 2)
            garbage.prepend("App=\"ZOR-51ma Position\"\r\n<Objects>\r\n");
        QVERIFY(writeAll(path, garbage));
        Project p;
        const ProjectLoadResult result = p.load(path);
        QCOMPARE(result.loaded(), round % 2 == 1);
        QVERIFY(sceneIsFinite(p.scene()));
    }
}

void TestProjectFile::hugeListsStopAtTheirLimits()
{
    const int entries = 300000;
    QByteArray text = "App=\"ZOR-51ma Position\"\r\n";
    for (const QString &line : kRoomLines)
        text += line.toUtf8() + "\r\n";
    text += "<Objects>\r\n";
    for (int i = 0; i < entries; ++i)
        text += "\tRect=" + QByteArray::number(i % 9) + ",5," + QByteArray::number(1 - i % 9)
            + ",-4\r\n";
    // Complete detector entries past the limit, then bare ones.
    text += "</>\r\n<Sensors>\r\n";
    const QByteArray sensor = lines(detectorLines({}, { { "Surface", "1" } }));
    const int complete = ProjectLimits::maxDetectors + 100;
    for (int i = 0; i < complete; ++i)
        text += sensor;
    for (int i = complete; i < entries; ++i)
        text += "\tSensor\r\n";
    text += "</>\r\n";
    const QString path = dir.filePath(QStringLiteral("huge.prj"));
    QVERIFY(writeAll(path, text));

    Project p;
    const ProjectLoadResult result = p.load(path);
    QCOMPARE(result.status, ProjectLoadResult::Loaded);
    QCOMPARE(p.objects().size(), ProjectLimits::maxObstacles);
    QCOMPARE(result.obstaclesOverLimit, entries - ProjectLimits::maxObstacles);
    QCOMPARE(p.sensors().size(), ProjectLimits::maxDetectors);
    QCOMPARE(result.detectorsOverLimit, entries - ProjectLimits::maxDetectors);
    QVERIFY(result.lostSomething());
}

void TestProjectFile::outlineVertexLimit()
{
    for (const int count :
        { ProjectLimits::maxOutlineVertices, ProjectLimits::maxOutlineVertices + 1 }) {
        QByteArray text = "App=\"ZOR-51ma Position\"\r\n<Outline>\r\n";
        // A zigzag along the x axis, closed below.
        for (int i = 0; i < count - 1; ++i)
            text += "\t" + QByteArray::number(i + 1) + "=" + QByteArray::number(i) + ","
                + QByteArray::number(i % 2) + "\r\n";
        text += "\tlast=0,100\r\n</>\r\n";
        const QString path = dir.filePath(QStringLiteral("outline.prj"));
        QVERIFY(writeAll(path, text));
        Project p;
        const ProjectLoadResult result = p.load(path);
        const bool accepted = count <= ProjectLimits::maxOutlineVertices;
        QCOMPARE(result.outlineRejected, !accepted);
        QCOMPARE(p.plan().polygon().size(), accepted ? count : 0);
    }
}

void TestProjectFile::deeplyNestedHeads()
{
    QByteArray text = "App=\"ZOR-51ma Position\"\r\n<Objects>\r\n\tRect=2,2,0,-1\r\n";
    for (int i = 0; i < 200000; ++i)
        text += "<Rect>\r\n";
    text += "</>\r\n<Sensors>\r\n";
    const QString path = dir.filePath(QStringLiteral("nested.prj"));
    QVERIFY(writeAll(path, text));

    Project p;
    const ProjectLoadResult result = p.load(path);
    QCOMPARE(result.status, ProjectLoadResult::Loaded);
    // The first nested head is a second "Rect" entry without a usable value.
    QCOMPARE(p.objects().size(), 1);
    QCOMPARE(result.obstaclesRejected, 1);
    QVERIFY(p.sensors().isEmpty());
}

void TestProjectFile::saveIntoAFolderThatCannotBeWritten()
{
    const QString file = dir.filePath(QStringLiteral("plain.txt"));
    QVERIFY(writeAll(file, "not a folder"));
    Project p;
    buildSmallProject(p);
    QVERIFY(!p.save(file + QStringLiteral("/project.prj")));
    QCOMPARE(readAll(file), QByteArray("not a folder"));
#ifdef Q_OS_LINUX
    QVERIFY(!p.save(QStringLiteral("/proc/project.prj")));
#endif
}

void TestProjectFile::failedSaveKeepsTheOldFile()
{
    // A folder of the project's name cannot be replaced by a file.
    const QString path = dir.filePath(QStringLiteral("taken.prj"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("taken.prj/inside")));
    Project p;
    buildSmallProject(p);
    QVERIFY(!p.save(path));
    QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
    // No temporary file stays behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).filter(QStringLiteral("taken")), {});
}

QTEST_MAIN(TestProjectFile)
#include "tst_projectfile.moc"

void TestProjectFile::imageTextBoundBeforeDecoding()
{
    // The widest PNG of the largest image: one pixel a row, four bytes and a
    // filter byte each, stored without compression (five bytes a block of
    // 65535), in chunks of 8 KiB (twelve bytes each).
    const qint64 raw = ProjectLimits::maxImageBytes / 4 * 5;
    const qint64 png = raw + raw / 65535 * 5 + raw / 8192 * 12 + 1024;
    QVERIFY(png <= ProjectLimits::maxPngBytes);
    QVERIFY(ProjectLimits::maxImageText >= (png + 2) / 3 * 4);
    // QByteArray::fromBase64 overflows past 715,827,882 characters.
    QVERIFY(ProjectLimits::maxImageText < 715827882);

    // Longer text is refused as too large before anything is decoded.
    const std::string text(std::size_t(ProjectLimits::maxImageText + 4), 'A');
    bool tooLarge = false;
    QVERIFY(ProjectFile::decodePlanImage(text, &tooLarge).isNull());
    QVERIFY(tooLarge);
}

void TestProjectFile::newImageStoredInItsKind_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("colourTypes"); // of the PNG header
    QTest::newRow("colour") << int(QImage::Format_RGB32) << QByteArray("\x02");
    QTest::newRow("translucent") << int(QImage::Format_ARGB32) << QByteArray("\x06");
}

// A newly chosen plan is stored as a PNG with an alpha channel only when it
// has one, and reads back pixel for pixel.
void TestProjectFile::newImageStoredInItsKind()
{
    QFETCH(int, format);
    QFETCH(QByteArray, colourTypes);
    QImage image(61, 37, QImage::Format(format));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 4, y * 6, 255 - x, 128 + y));
    }
    const QString path = dir.filePath(QStringLiteral("kind.prj"));
    Project p;
    p.setPlanImage(QPixmap::fromImage(image), QPointF(2, 1));
    const QImage shown = p.planPixmap().toImage();
    QVERIFY(p.save(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    const int start = text.indexOf("Image=\"") + 7;
    QVERIFY(start > 6);
    const QByteArray png
        = QByteArray::fromBase64(text.mid(start, text.indexOf('"', start) - start));
    QVERIFY(png.startsWith("\x89PNG"));
    QVERIFY2(colourTypes.contains(png.at(25)), qPrintable(QString::number(int(png.at(25)))));
    Project back;
    QVERIFY(back.load(path).loaded());
    QCOMPARE(back.planPixmap().toImage().convertToFormat(QImage::Format_ARGB32),
        shown.convertToFormat(QImage::Format_ARGB32));
}

void TestProjectFile::keptImageIsReplacedByANewOne()
{
    const QString path = dir.filePath(QStringLiteral("kept.prj"));
    QByteArray text = projectWith({}, {});
    const QByteArray value = pngClaiming(20000, 20000, 8).toBase64();
    text.replace("\r\n<Outline>", "\r\nImage=\"" + value + "\"\r\n<Outline>");
    QVERIFY(writeAll(path, text));
    Project p;
    QVERIFY(p.load(path).imageTooLarge);
    QCOMPARE(QByteArray::fromStdString(p.keptImage()), value);
    p.setPlanImage(testImage(4, 3), QPointF(2, 1));
    QVERIFY(p.keptImage().empty());
    QVERIFY(p.save(path));
    Project back;
    const ProjectLoadResult result = back.load(path);
    QVERIFY(!result.imageUnreadable);
    QCOMPARE(back.planPixmap().size(), QSize(4, 3));
    QVERIFY(p.load(path).loaded());
    QVERIFY(p.keptImage().empty());
}

void TestProjectFile::oldImageGoesBeforeTheNewIsRead_data()
{
    QTest::addColumn<bool>("withImage");
    QTest::newRow("a project with an image") << true;
    QTest::newRow("a project without one") << false;
}

// Opened over a document showing a plan image, a project with an image of its
// own lets the old one go before reading its items (its memory can serve the
// new one); a project without one leaves it until the end, as before.
void TestProjectFile::oldImageGoesBeforeTheNewIsRead()
{
    QFETCH(bool, withImage);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(testImage(6, 5).save(&buffer, "PNG"));
    QByteArray text = projectWith({ "\tRect=2,2,0,-1" }, detectorLines());
    if (withImage)
        text.replace("\r\n<Outline>", "\r\nImage=\"" + png.toBase64() + "\"\r\n<Outline>");
    const QString path = dir.filePath(QStringLiteral("over.prj"));
    QVERIFY(writeAll(path, text));

    Project p;
    p.setPlanImage(testImage(8, 8), QPointF(4, 4));
    QVERIFY(!p.planImage().pixmap().isNull());
    int detectors = 0;
    bool oldShown = false;
    ProjectLoadHooks hooks;
    hooks.detectorLoaded = [&](SensorGraphicsItem2 *) {
        ++detectors;
        oldShown = oldShown || !p.planImage().pixmap().isNull() || !p.planPixmap().isNull();
    };
    hooks.setPlanImage = [&p](const QPixmap &image, QPointF centre) {
        p.setPlanImage(image, centre);
    };
    QVERIFY(ProjectFile::loadProject(p.parts(), path, hooks).loaded());
    QVERIFY(detectors > 0);
    QCOMPARE(oldShown, !withImage);
    QCOMPARE(p.planPixmap().size(), withImage ? QSize(6, 5) : QSize(0, 0));
    QCOMPARE(p.planImage().pixmap().isNull(), !withImage);
    if (withImage) {
        // Its text is kept, to be written back as it was read.
        QVERIFY(p.save(path));
        QCOMPARE(readAll(path).count("Image=\"" + png.toBase64() + "\""), 1);
    }
}

void TestProjectFile::resaveIsStable_data()
{
    QTest::addColumn<QByteArray>("changes"); // lines put in before the outline
    QTest::addColumn<QByteArray>("obstacles");
    QTest::addColumn<QByteArray>("tag"); // the first detector's tag value, quoted
    QTest::addColumn<int>("obstacleCount");
    QTest::addColumn<int>("detectorCount");

    const QByteArray two = "\tRect=2,2,2,1\r\n\tRect=5,5,2,1\r\n";
    QTest::newRow("tiny obstacle first")
        << QByteArray() << ("\tRect=1,1,3e-7,2e-7\r\n" + two) << QByteArray("\"T\"") << 3 << 2;
    QTest::newRow("tiny scale") << QByteArray("Scale=1e-7\r\n") << two << QByteArray("\"T\"") << 2
                                << 2;
    QTest::newRow("scale six decimals round badly")
        << QByteArray("Scale=0.0000014\r\n") << two << QByteArray("\"T\"") << 2 << 2;
    QTest::newRow("minus zero centre")
        << QByteArray("Center=-0.0,-0.0000001\r\n") << two << QByteArray("\"T\"") << 2 << 2;
    QTest::newRow("tag not UTF-8, repaired within the limit")
        << QByteArray() << two << ("\"" + QByteArray(1300, '\xff') + "\"") << 2 << 2;
    // Repaired it would take three times 2100 bytes: refused at once, not at the next load.
    QTest::newRow("tag not UTF-8, over the limit once repaired")
        << QByteArray() << two << ("\"" + QByteArray(2100, '\xff') + "\"") << 2 << 1;
    QTest::newRow("tag cut inside a character")
        << QByteArray() << two << QByteArray("\"\xd0\x9a\xd0\"") << 2 << 2;
}

// Load, save, load, save: the two saves are the same bytes, and the second
// load reads everything the first one did.
void TestProjectFile::resaveIsStable()
{
    QFETCH(QByteArray, changes);
    QFETCH(QByteArray, obstacles);
    QFETCH(QByteArray, tag);
    QFETCH(int, obstacleCount);
    QFETCH(int, detectorCount);

    const QString source = dir.filePath(QStringLiteral("source.prj"));
    QStringList sensors = detectorLines();
    sensors += detectorLines({}, { { "Surface", "2" }, { "Section", "1" } });
    QByteArray text = projectWith({}, sensors);
    // The first detector's tag, as raw bytes (not Latin-1 made UTF-8).
    const int at = text.indexOf("Tag=\"T\"");
    text.replace(at, 7, "Tag=" + tag);
    text.replace("<Objects>\r\n", "<Objects>\r\n" + obstacles);
    text.replace("\r\n<Outline>", "\r\n" + changes + "<Outline>");
    QVERIFY(writeAll(source, text));

    Project first;
    const ProjectLoadResult loaded = first.load(source);
    QVERIFY(loaded.loaded());
    QCOMPARE(first.objects().size(), obstacleCount);
    QCOMPARE(first.sensors().size(), detectorCount);
    const QString once = dir.filePath(QStringLiteral("once.prj"));
    QVERIFY(first.save(once));

    Project second;
    const ProjectLoadResult reloaded = second.load(once);
    QCOMPARE(reloaded.obstaclesRejected, 0);
    QCOMPARE(reloaded.detectorsRejected, 0);
    QCOMPARE(second.objects().size(), obstacleCount);
    QCOMPARE(second.sensors().size(), detectorCount);
    QCOMPARE(second.planImage().scale(), first.planImage().scale());
    QCOMPARE(second.planImage().pos(), first.planImage().pos());
    for (int i = 0; i < obstacleCount; ++i)
        QCOMPARE(second.objects().at(i)->shapeRect(), first.objects().at(i)->shapeRect());
    for (int i = 0; i < detectorCount; ++i) {
        QCOMPARE(second.sensors().at(i)->tag(), first.sensors().at(i)->tag());
        QCOMPARE(second.sensors().at(i)->pos(), first.sensors().at(i)->pos());
    }
    const QString twice = dir.filePath(QStringLiteral("twice.prj"));
    QVERIFY(second.save(twice));
    const QByteArray saved = readAll(once);
    QCOMPARE(readAll(twice), saved);
    QVERIFY(!saved.contains("-0.000000"));
}
