#include "detectors/sensorgraphicsitem2.h"
#include "io/projectdocument.h"
#include "io/projecthistory.h"
#include "io/recoveryfile.h"
#include "io/stepname.h"
#include "io/treenode.h"
#include "plan/objectgraphicsitem.h"
#include "scene/graphicspolygonitem2.h"

#include <QLockFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <sstream>

namespace {

ProjectHistory::Snapshot state(const char *text)
{
    ProjectHistory::Snapshot snapshot;
    snapshot.tree = text;
    return snapshot;
}

TreeNode parse(const char *text)
{
    TreeNode root;
    std::istringstream stream(text);
    root.read(stream);
    return root;
}

// The project as the file would hold it.
std::string savedTree(ProjectDocument &document)
{
    TreeNode root;
    ProjectFile::writeProject(document.parts(), root);
    std::ostringstream stream;
    root.write(stream, -1);
    return stream.str();
}

QPixmap testImage(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return QPixmap::fromImage(image);
}

// A 10 m room with an image, a scale mark, an obstacle and two detectors.
void fill(ProjectDocument &document)
{
    document.planImage().setScale(0.05);
    document.setPlanImage(testImage(200, 200, Qt::white), QPointF(5, 5));
    document.caliber().setMeasurement(QPointF(0, 0), QPointF(5, 0), -0.5);
    document.plan().setPath(QPolygonF({ { -5, -5 }, { 5, -5 }, { 5, 5 }, { -5, 5 } }));
    auto *obstacle = new ObjectGraphicsItem(ObjectGraphicsItem::Rect);
    obstacle->setGeometry(1, 1, 2, 1);
    document.objects().append(obstacle);
    document.scene().addItem(obstacle);
    for (QGraphicsItem *surface : { static_cast<QGraphicsItem *>(&document.plan()),
             static_cast<QGraphicsItem *>(obstacle) }) {
        auto *detector = new SensorGraphicsItem2(document.objects(), &document.plan());
        document.scene().addItem(detector);
        detector->setSurface(surface, 1);
        detector->setPosition(0.5, false);
        detector->updateZone();
        document.sensors().append(detector);
    }
    document.objectModel().reset();
    document.sensorModel().reset();
}

} // namespace

class TestProjectHistory : public QObject
{
    Q_OBJECT

private slots:
    void pushUndoRedo();
    void equalStateIsNoStep();
    void newStepDropsRedo();
    void mergeKeys_data();
    void mergeKeys();
    void cleanIndex();
    void limitDropsTheOldest();
    void stepNames_data();
    void stepNames();
    void documentUndoRestoresTheSavedTree_data();
    void documentUndoRestoresTheSavedTree();
    void imageIsSharedNotCopied();
    void recoveryFilesOfLivingOwnersAreNoOrphans();
};

void TestProjectHistory::pushUndoRedo()
{
    ProjectHistory history;
    history.reset(state("a"));
    QVERIFY(!history.canUndo());
    QVERIFY(history.undo() == nullptr);
    QVERIFY(history.push(QStringLiteral("first"), state("b")));
    QVERIFY(history.push(QStringLiteral("second"), state("c")));
    QCOMPARE(history.count(), 2);
    QCOMPARE(history.undoText(), QStringLiteral("second"));
    QCOMPARE(history.undo()->tree, std::string("b"));
    QCOMPARE(history.undoText(), QStringLiteral("first"));
    QCOMPARE(history.redoText(), QStringLiteral("second"));
    QCOMPARE(history.undo()->tree, std::string("a"));
    QVERIFY(!history.canUndo());
    QCOMPARE(history.redo()->tree, std::string("b"));
    QCOMPARE(history.redo()->tree, std::string("c"));
    QVERIFY(history.redo() == nullptr);
    QCOMPARE(history.redoText(), QString());
}

void TestProjectHistory::equalStateIsNoStep()
{
    ProjectHistory history;
    history.reset(state("a"));
    QVERIFY(!history.push(QStringLiteral("nothing"), state("a")));
    QCOMPARE(history.count(), 0);
    // The same tree with another image is a step.
    ProjectHistory::Snapshot withImage = state("a");
    withImage.imageKey = 42;
    QVERIFY(history.push(QStringLiteral("image"), withImage));
    QCOMPARE(history.count(), 1);
}

void TestProjectHistory::newStepDropsRedo()
{
    ProjectHistory history;
    history.reset(state("a"));
    history.push(QStringLiteral("1"), state("b"));
    history.push(QStringLiteral("2"), state("c"));
    history.undo();
    history.undo();
    history.push(QStringLiteral("3"), state("d"));
    QCOMPARE(history.count(), 1);
    QVERIFY(!history.canRedo());
    QCOMPARE(history.undo()->tree, std::string("a"));
}

void TestProjectHistory::mergeKeys_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<bool>("saveBetween");
    QTest::addColumn<int>("steps");

    QTest::newRow("one field") << QStringList({ "tag:0", "tag:0", "tag:0" }) << false << 1;
    QTest::newRow("two fields") << QStringList({ "tag:0", "height:0", "tag:0" }) << false << 3;
    QTest::newRow("two detectors") << QStringList({ "tag:0", "tag:1" }) << false << 2;
    QTest::newRow("drags never merge") << QStringList({ "", "" }) << false << 2;
    QTest::newRow("a save starts a new step") << QStringList({ "tag:0", "tag:0" }) << true << 2;
}

void TestProjectHistory::mergeKeys()
{
    QFETCH(QStringList, keys);
    QFETCH(bool, saveBetween);
    QFETCH(int, steps);

    ProjectHistory history;
    history.reset(state("0"));
    int n = 0;
    for (const QString &key : keys) {
        history.push(QStringLiteral("step"), state(std::to_string(++n).c_str()), key);
        if (saveBetween)
            history.setClean();
    }
    QCOMPARE(history.count(), steps);
    QCOMPARE(history.current().tree, std::to_string(n));
    // Undoing the whole run goes back to the first state.
    while (history.canUndo())
        history.undo();
    QCOMPARE(history.current().tree, std::string("0"));
}

void TestProjectHistory::cleanIndex()
{
    ProjectHistory history;
    history.reset(state("a"));
    QVERIFY(history.isClean());
    history.push(QStringLiteral("1"), state("b"));
    QVERIFY(!history.isClean());
    history.setClean();
    history.push(QStringLiteral("2"), state("c"));
    QVERIFY(!history.isClean());
    history.undo();
    QVERIFY(history.isClean());
    history.undo();
    QVERIFY(!history.isClean());
    history.redo();
    QVERIFY(history.isClean());
    // The saved state dropped with the redo steps is clean no more.
    history.undo();
    history.push(QStringLiteral("3"), state("d"));
    QCOMPARE(history.cleanIndex(), -1);
    history.undo();
    QVERIFY(!history.isClean());
}

void TestProjectHistory::limitDropsTheOldest()
{
    ProjectHistory history;
    history.setLimit(3);
    history.reset(state("0"));
    history.setClean();
    for (int i = 1; i <= 5; ++i)
        history.push(QString::number(i), state(std::to_string(i).c_str()));
    QCOMPARE(history.count(), 3);
    QCOMPARE(history.cleanIndex(), -1);
    int undone = 0;
    while (history.undo())
        ++undone;
    QCOMPARE(undone, 3);
    QCOMPARE(history.current().tree, std::string("2"));
    QCOMPARE(history.redoText(), QStringLiteral("3"));
}

void TestProjectHistory::stepNames_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("image");
    QTest::addColumn<QString>("name");

    const QByteArray outline = "<Outline>\n1=0,0\n2=9,0\n3=9,9\n</>\n";
    const QByteArray sensors = "<Sensors>\n<Sensor>\nSurface=0\nPos=1\nAngle=0\nHeight=3\n"
                               "Tag=\"A\"\nLabel=0,0,0.01\n</>\n</>\n";
    // Obstacles are stored as centre x and y, then width - x and height - y.
    const QByteArray base
        = "Roulette=0,0,5,0,1\n" + outline + "<Objects>\nRect=2,2,1,1\n</>\n" + sensors;
    const auto with
        = [&](const char *from, const char *to) { return QByteArray(base).replace(from, to); };
    QTest::newRow("image") << base << base << true << "выбор изображения плана";
    QTest::newRow("calibration") << base << with("5,0,1", "5,0,2") << false
                                 << "калибровка масштаба";
    QTest::newRow("obstacle created")
        << base << with("Rect=2,2,1,1\n", "Rect=2,2,1,1\nEllipse=5,5,1,1\n") << false
        << "создание препятствия";
    QTest::newRow("obstacle deleted with its detector")
        << base << with("Rect=2,2,1,1\n", "").replace(sensors, "Sensors=\n") << false
        << "удаление препятствия";
    QTest::newRow("obstacle moved")
        << base << with("Rect=2,2,1,1", "Rect=3,2,0,1") << false << "перемещение препятствия";
    QTest::newRow("obstacle resized") << base << with("Rect=2,2,1,1", "Rect=2,2,1,3") << false
                                      << "изменение размеров препятствия";
    QTest::newRow("outline cleared")
        << base << with(outline.constData(), "Outline=\n") << false << "очистка контура плана";
    QTest::newRow("outline traced")
        << with(outline.constData(), "Outline=\n") << base << false << "обводка контура плана";
    QTest::newRow("detector moved")
        << base << with("Pos=1", "Pos=2") << false << "перемещение извещателя";
    QTest::newRow("detector turned")
        << base << with("Angle=0", "Angle=15") << false << "поворот извещателя";
    QTest::newRow("detector height")
        << base << with("Height=3", "Height=4") << false << "изменение высоты установки извещателя";
    QTest::newRow("detector tag") << base << with("Tag=\"A\"", "Tag=\"AB\"") << false
                                  << "изменение обозначения извещателя";
    QTest::newRow("callout moved")
        << base << with("Label=0,0,0.01", "Label=1,0,0.01") << false << "перемещение выноски";
    QTest::newRow("callout resized")
        << base << with("Label=0,0,0.01", "Label=0,0,0.02") << false << "изменение размера выноски";
    QTest::newRow("detector created")
        << with(sensors.constData(), "Sensors=\n") << base << false << "создание извещателя";
    QTest::newRow("detector deleted")
        << base << with(sensors.constData(), "Sensors=\n") << false << "удаление извещателя";
}

void TestProjectHistory::stepNames()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(bool, image);
    QFETCH(QString, name);

    QCOMPARE(projectStepName(parse(before.constData()), parse(after.constData()), image), name);
}

void TestProjectHistory::documentUndoRestoresTheSavedTree_data()
{
    QTest::addColumn<int>("change");
    QTest::newRow("obstacle moved, its detector along") << 0;
    QTest::newRow("detector turned") << 1;
    QTest::newRow("obstacle deleted with its detector") << 2;
    QTest::newRow("outline cleared") << 3;
    QTest::newRow("image and scale replaced") << 4;
    QTest::newRow("detector turned over an image kept unread") << 5;
}

void TestProjectHistory::documentUndoRestoresTheSavedTree()
{
    QFETCH(int, change);
    ProjectDocument document;
    fill(document);
    if (change == 5) {
        // An image the file held but that could not be decoded: written back
        // as it was read, and restored with every step.
        document.setPlanImage(QPixmap(), QPointF());
        *document.parts().keptImage = QByteArray("\x89PNG\r\n\x1a\n broken").toBase64().toStdString();
    }
    document.resetHistory();
    const std::string before = savedTree(document);
    const double scaleBefore = document.planImage().scale();

    switch (change) {
    case 0:
        document.objects().first()->setGeometry(2, 3, 2, 1);
        document.sensors().at(1)->replaceOnSurface();
        break;
    case 1:
        document.sensors().first()->setAngle(30);
        break;
    case 2: {
        ObjectGraphicsItem *obstacle = document.objects().takeFirst();
        SensorGraphicsItem2 *detector = document.sensors().takeLast();
        delete detector;
        delete obstacle;
        break;
    }
    case 3: {
        // As the window does: the detectors on the outline go with it.
        document.plan().clearPath();
        SensorGraphicsItem2 *detector = document.sensors().takeFirst();
        delete detector;
        break;
    }
    case 4:
        document.planImage().setScale(0.1);
        document.setPlanImage(testImage(100, 50, Qt::red), QPointF(3, 2));
        break;
    case 5:
        document.sensors().first()->setAngle(-20);
        break;
    }
    QVERIFY(document.recordStep());
    const std::string after = savedTree(document);
    QVERIFY(after != before);
    QVERIFY(!document.history().undoText().isEmpty());

    QVERIFY(document.undo());
    QCOMPARE(savedTree(document), before);
    QCOMPARE(document.planImage().scale(), scaleBefore);
    QCOMPARE(document.objectModel().rowCount(), document.objects().size());
    QCOMPARE(document.sensorModel().rowCount(), document.sensors().size());
    QVERIFY(document.history().isClean());
    QVERIFY(document.redo());
    QCOMPARE(savedTree(document), after);
    // Restoring records nothing of its own.
    QVERIFY(!document.recordStep());
    // The zones are the ones computed for the restored placement.
    for (SensorGraphicsItem2 *detector : qAsConst(document.sensors())) {
        const QPolygonF zone = detector->zone()->polygon();
        detector->updateZone();
        QCOMPARE(detector->zone()->polygon(), zone);
    }
    QVERIFY(!document.sensors().first()->zone()->polygon().isEmpty());
    if (change == 5)
        QVERIFY(savedTree(document).find("Image=") != std::string::npos);
}

void TestProjectHistory::imageIsSharedNotCopied()
{
    ProjectDocument document;
    fill(document);
    document.resetHistory();
    const qint64 key = document.planPixmap().cacheKey();
    for (int i = 0; i < 10; ++i) {
        document.sensors().first()->setAngle(i + 1);
        QVERIFY(document.recordStep());
    }
    // Every state refers to the one image, none holds its own copy or its PNG.
    QCOMPARE(document.history().current().image.value<QPixmap>().cacheKey(), key);
    QVERIFY(document.history().current().tree.size() < 4096);
    for (int i = 0; i < 10; ++i)
        document.undo();
    QCOMPARE(document.planPixmap().cacheKey(), key);
}

void TestProjectHistory::recoveryFilesOfLivingOwnersAreNoOrphans()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    {
        RecoveryFile mine(folder);
        RecoveryFile other(folder);
        const QString path = mine.path();
        QVERIFY(!path.isEmpty());
        QVERIFY(other.path() != path);
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        QVERIFY(mine.exists());
        // Held by this process: no orphan.
        QCOMPARE(RecoveryFile::orphans(folder), QStringList());
    }
    // Removed with its owner.
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());

    // Left by a program that is gone: a file without a lock, and one whose lock
    // names a process that no longer runs.
    QFile left(QDir(folder).filePath(QStringLiteral("1-1.prj")));
    QVERIFY(left.open(QIODevice::WriteOnly));
    left.close();
    QFile stale(QDir(folder).filePath(QStringLiteral("2-1.prj")));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    QFile lock(stale.fileName() + QStringLiteral(".lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write("999999999\nzor-position\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    QStringList orphans = RecoveryFile::orphans(folder);
    orphans.sort();
    QCOMPARE(orphans, QStringList({ left.fileName(), stale.fileName() }));
    RecoveryFile::discard(left.fileName());
    QVERIFY(!left.exists());

    // A lock another living owner holds keeps its file.
    QLockFile held(stale.fileName() + QStringLiteral(".lock"));
    QVERIFY(held.tryLock(0));
    QCOMPARE(RecoveryFile::orphans(folder), QStringList());
}

QTEST_MAIN(TestProjectHistory)
#include "tst_projecthistory.moc"
