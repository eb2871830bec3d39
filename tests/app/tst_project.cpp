#include "app/mainwindow.h"
#include "common/scriptedprompts.h"
#include "common/testwindow.h"

#include "detectors/sensorgraphicsitem2.h"
#include "detectors/sensorlistmodel.h"
#include "io/projectfile.h"
#include "plan/calibergraphicsitem.h"
#include "plan/objectgraphicsitem.h"
#include "plan/objectlistmodel.h"
#include "plan/plangraphicsitem.h"
#include "plan/roulettegraphicsitem.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// The project side of the main window, for the tests.
struct MainWindowPeek
{
    explicit MainWindowPeek(MainWindow &window)
        : window(window)
    {
    }
    QList<ObjectGraphicsItem *> &objects() const { return window.objects; }
    QList<SensorGraphicsItem2 *> &sensors() const { return window.sensors; }
    ObjectListModel &objectModel() const { return window.objectModel; }
    SensorListModel &sensorModel() const { return window.sensorModel; }
    PlanGraphicsItem &plan() const { return window.plan; }
    CaliberGraphicsItem &caliber() const { return window.caliber; }
    RouletteGraphicsItem &roulette() const { return window.roulette; }
    QGraphicsPixmapItem &planImage() const { return window.planImage; }
    const QPixmap &planPixmap() const { return window.planPixmap; }
    QGraphicsScene &scene() const { return window.scene; }
    BaseGraphicsItem *editingItem() const { return window.editingItem; }
    const QString &lastFile() const { return window.lastFile; }
    const QString &dirSave() const { return window.dirSave; }
    QString titleAfter(const QString &path) const
    {
        return path + QStringLiteral("[*] ") + window.productName + QLatin1Char(' ')
            + window.internalName + QLatin1Char(' ') + window.companyName;
    }
    bool load(const QString &path) { return window.loadProject(path); }
    MainWindow &window;
};

namespace {

const QString kMark = QStringLiteral("ZOR-51ma Position");
const QString kSaveChanges = QStringLiteral("Вы хотите сохранить изменения в текущем проекте?");
const QString kFilter = QStringLiteral("Файлы проекта (*.prj)");

QSettings userSettings()
{
    return QSettings(QStringLiteral("Tarnis"), kMark);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray pngBase64(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 5, y * 7, 100));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toBase64();
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

// A calibrated 40 m × 30 m room with an image, two obstacles and two detectors.
QByteArray projectText(
    const QByteArray &app = "ZOR-51ma Position", const QByteArray &image = pngBase64(40, 30))
{
    const QByteArray sensor = "\t<Sensor>\r\n\t\tTag=\"%1\"\r\n\t\tSurface=%2\r\n\t\tSection=0\r\n"
                              "\t\tPos=3\r\n\t\tAtRight=0\r\n\t\tSensor=51\r\n\t\tHeight=3\r\n"
                              "\t\tAngle=0\r\n\t\tTilt=0\r\n\t</>\r\n";
    return "App=\"" + app + "\"\r\nImage=\"" + image
        + "\"\r\nCenter=20,15\r\nScale=1\r\nRoulette=-10,0,20,0,1\r\n"
          "<Outline>\r\n\t1=-20,-15\r\n\t2=20,-15\r\n\t3=20,15\r\n\t4=-20,15\r\n</>\r\n"
          "<Objects>\r\n\tRect=5,5,-3,-3\r\n\tEllipse=-5,0,7,1\r\n</>\r\n<Sensors>\r\n"
        + QByteArray(sensor).replace("%1", "A").replace("%2", "0")
        + QByteArray(sensor).replace("%1", "B").replace("%2", "2") + "</>\r\n";
}

} // namespace

class TestProject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void saveWritesTheFileAndTheTitle();
    void saveDialogCancelled();
    void saveIntoAFolderThatCannotBeWritten();
    void interruptedSaveKeepsTheOldFile();
    void openLoadsTheProject();
    void openedItemsAreWired();
    void openRefusesAnotherApplication_data();
    void openRefusesAnotherApplication();
    void openUnreadableFile_data();
    void openUnreadableFile();
    void openAsksAboutUnsavedChanges_data();
    void openAsksAboutUnsavedChanges();
    void openWhilePlacingADetector();
    void damagedProjectLoadsWhatItCan();
    void newProjectClearsThePlan();
    void newProjectNeedsYes();
    void closePrompt_data();
    void closePrompt();

private:
    QString fixture();
    void loadFixture();

    QTemporaryDir dir;
    MainWindow *window = nullptr;
    ScriptedPrompts *prompts = nullptr;
};

void TestProject::initTestCase()
{
    QVERIFY(dir.isValid());
}

void TestProject::init()
{
    TestWindow::clearSettings();
    window = TestWindow::open(&prompts);
    QVERIFY(window);
}

void TestProject::cleanup()
{
    const QString unused = TestWindow::close(window, prompts);
    QVERIFY2(unused.isEmpty(), qPrintable(unused));
}

QString TestProject::fixture()
{
    const QString path = dir.filePath(QStringLiteral("hall.prj"));
    if (!writeAll(path, projectText()))
        qWarning("fixture not written");
    return path;
}

void TestProject::loadFixture()
{
    MainWindowPeek peek(*window);
    QVERIFY(peek.load(fixture()));
    QCOMPARE(peek.objects().size(), 2);
    QCOMPARE(peek.sensors().size(), 2);
}

void TestProject::saveWritesTheFileAndTheTitle()
{
    loadFixture();
    MainWindowPeek peek(*window);
    window->setWindowModified(true);
    const QString path = dir.filePath(QStringLiteral("saved/проект.prj"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("saved")));
    prompts->answerSaveFile(path);
    window->findChild<QAction *>(QStringLiteral("actionSave"))->trigger();

    QCOMPARE(prompts->calls().size(), 1);
    QCOMPARE(prompts->calls().first().title, QStringLiteral("Сохранить файл как"));
    QCOMPARE(prompts->calls().first().text, kFilter);
    QVERIFY(readAll(path).startsWith("App=\"ZOR-51ma Position\"\r\nImage=\"iVBOR"));
    QCOMPARE(window->windowTitle(), peek.titleAfter(path));
    QVERIFY(!window->isWindowModified());
    QCOMPARE(peek.lastFile(), path);
    QCOMPARE(peek.dirSave(), dir.filePath(QStringLiteral("saved")));
    QCOMPARE(userSettings().value(QStringLiteral("LastFile ")).toString(), path);
    QCOMPARE(userSettings().value(QStringLiteral("DirSave")).toString(),
        dir.filePath(QStringLiteral("saved")));
    QVERIFY(!userSettings().contains(QStringLiteral("LastFile")));

    // What was saved loads back the same.
    MainWindow other;
    ScriptedPrompts *otherPrompts = ScriptedPrompts::installOn(other);
    MainWindowPeek otherPeek(other);
    QVERIFY(otherPeek.load(path));
    QCOMPARE(otherPeek.objects().size(), 2);
    QCOMPARE(otherPeek.sensors().size(), 2);
    QCOMPARE(otherPeek.sensors().at(1)->surfaceIndex(), 2);
    QCOMPARE(otherPeek.planPixmap().toImage(), peek.planPixmap().toImage());
    QVERIFY(otherPrompts->ok());
}

void TestProject::saveDialogCancelled()
{
    loadFixture();
    const QString title = window->windowTitle();
    window->setWindowModified(true);
    prompts->answerSaveFile(QString());
    window->findChild<QAction *>(QStringLiteral("actionSave"))->trigger();
    QVERIFY(window->isWindowModified());
    QCOMPARE(window->windowTitle(), title);
    QVERIFY(!userSettings().contains(QStringLiteral("LastFile ")));
    QVERIFY(!userSettings().contains(QStringLiteral("DirSave")));
}

void TestProject::saveIntoAFolderThatCannotBeWritten()
{
    loadFixture();
    const QString title = window->windowTitle();
    window->setWindowModified(true);
    const QString file = dir.filePath(QStringLiteral("note.txt"));
    QVERIFY(writeAll(file, "a file, not a folder"));
    const QString path = file + QStringLiteral("/hall.prj");
    prompts->answerSaveFile(path).answerCritical();
    window->findChild<QAction *>(QStringLiteral("actionSave"))->trigger();

    QCOMPARE(prompts->calls().size(), 2);
    QCOMPARE(prompts->calls().at(1).kind, ScriptedPrompts::Critical);
    QCOMPARE(prompts->calls().at(1).title, QStringLiteral("Сохранение проекта"));
    QVERIFY(prompts->calls().at(1).text.contains(QStringLiteral("Не удалось сохранить проект")));
    QVERIFY(prompts->calls().at(1).text.contains(path));
    QVERIFY(window->isWindowModified());
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(readAll(file), QByteArray("a file, not a folder"));
}

void TestProject::interruptedSaveKeepsTheOldFile()
{
#ifdef Q_OS_UNIX
    const QString path = dir.filePath(QStringLiteral("old.prj"));
    const QByteArray old = projectText("ZOR-51ma Position", QByteArray());
    QVERIFY(writeAll(path, old));
    MainWindowPeek peek(*window);
    QVERIFY(peek.load(fixture()));
    // A plan image of a few megabytes, more than the file size limit below.
    QImage noise(1200, 1200, QImage::Format_RGB32);
    quint32 seed = 1;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, (seed = seed * 1664525u + 1013904223u) >> 8);
    QVERIFY(writeAll(
        dir.filePath(QStringLiteral("noise.prj")), projectText("ZOR-51ma Position", [&noise] {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            noise.save(&buffer, "PNG");
            return png.toBase64();
        }())));
    QVERIFY(peek.load(dir.filePath(QStringLiteral("noise.prj"))));
    window->setWindowModified(true);
    prompts->answerSaveFile(path).answerCritical();

    rlimit saved {};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit small = saved;
    small.rlim_cur = 512 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    window->findChild<QAction *>(QStringLiteral("actionSave"))->trigger();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(readAll(path), old);
    QVERIFY(window->isWindowModified());
    QCOMPARE(prompts->calls().last().title, QStringLiteral("Сохранение проекта"));
    QCOMPARE(QDir(dir.path()).entryList({ QStringLiteral("old.prj*") }, QDir::Files | QDir::Hidden),
        QStringList(QStringLiteral("old.prj")));
#else
    QSKIP("needs a file size limit");
#endif
}

void TestProject::openLoadsTheProject()
{
    MainWindowPeek peek(*window);
    const QString path = fixture();
    prompts->answerOpenFile(path);
    window->findChild<QAction *>(QStringLiteral("actionOpen"))->trigger();

    QCOMPARE(prompts->calls().size(), 1);
    QCOMPARE(prompts->calls().first().kind, ScriptedPrompts::OpenFile);
    QCOMPARE(prompts->calls().first().title, QStringLiteral("Открыть"));
    QCOMPARE(prompts->calls().first().text, kFilter);
    QCOMPARE(window->windowTitle(), peek.titleAfter(path));
    QVERIFY(!window->isWindowModified());
    QCOMPARE(peek.lastFile(), path);
    QCOMPARE(userSettings().value(QStringLiteral("LastFile ")).toString(), path);
    // The folder is remembered for this run only.
    QCOMPARE(peek.dirSave(), dir.path());
    QVERIFY(!userSettings().contains(QStringLiteral("DirSave")));

    QCOMPARE(peek.planPixmap().size(), QSize(40, 30));
    QVERIFY(peek.planImage().isVisible());
    QCOMPARE(peek.planImage().pos(), QPointF(-20, -15));
    QVERIFY(window->findChild<QAction *>(QStringLiteral("planImageViewAction"))->isChecked());
    QCOMPARE(peek.caliber().length(), 20.0);
    QVERIFY(window->findChild<QAction *>(QStringLiteral("caliberViewAction"))->isChecked());
    QCOMPARE(peek.plan().polygon().size(), 4);
    QCOMPARE(peek.objectModel().rowCount(), 2);
    QCOMPARE(peek.sensorModel().rowCount(), 2);
    QCOMPARE(peek.sensorModel().data(peek.sensorModel().index(1, 0)).toString(),
        QStringLiteral("Извещатель: B"));
    for (SensorGraphicsItem2 *detector : peek.sensors()) {
        QCOMPARE(detector->scene(), &peek.scene());
        QVERIFY(!detector->zone()->polygon().isEmpty());
    }
    // The view shows the whole plan.
    QVERIFY(peek.scene().sceneRect().contains(QRectF(-20, -15, 40, 30)));
}

void TestProject::openedItemsAreWired()
{
    loadFixture();
    MainWindowPeek peek(*window);
    QVERIFY(!window->isWindowModified());
    emit peek.objects().first()->changed();
    QVERIFY(window->isWindowModified());

    window->setWindowModified(false);
    emit peek.sensors().first()->changed();
    QVERIFY(window->isWindowModified());

    window->setWindowModified(false);
    emit peek.sensors().first()->label()->changed();
    QVERIFY(window->isWindowModified());

    // Selecting a loaded obstacle makes it the element in editing mode.
    peek.objects().at(1)->startEdit();
    QCOMPARE(peek.editingItem(), static_cast<BaseGraphicsItem *>(peek.objects().at(1)));
}

void TestProject::openRefusesAnotherApplication_data()
{
    QTest::addColumn<QByteArray>("app");
    QTest::newRow("trailing blank") << QByteArray("ZOR-51ma Position ");
    QTest::newRow("another program") << QByteArray("Position");
}

void TestProject::openRefusesAnotherApplication()
{
    QFETCH(QByteArray, app);
    loadFixture();
    MainWindowPeek peek(*window);
    const QString title = window->windowTitle();
    window->setWindowModified(true);
    const QString path = dir.filePath(QStringLiteral("other.prj"));
    QVERIFY(writeAll(path, projectText(app, pngBase64(3, 3)).replace("Rect=5,5", "Rect=1,1")));

    prompts->answerQuestion(QMessageBox::No).answerOpenFile(path).answerCritical();
    window->findChild<QAction *>(QStringLiteral("actionOpen"))->trigger();
    QCOMPARE(prompts->calls().last().kind, ScriptedPrompts::Critical);
    QCOMPARE(prompts->calls().last().title, QStringLiteral("Открытие проекта"));
    QCOMPARE(prompts->calls().last().text, QStringLiteral("Неверный формат файла проекта"));
    QCOMPARE(window->windowTitle(), title);
    QVERIFY(window->isWindowModified());
    QCOMPARE(peek.objects().size(), 2);
    QCOMPARE(peek.objects().first()->pos(), QPointF(5, 5));
    QCOMPARE(peek.planPixmap().size(), QSize(40, 30));
}

void TestProject::openUnreadableFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "gone.prj"
                             << "Не удалось открыть файл проекта";
    QTest::newRow("folder") << "folder.prj"
                            << "Не удалось открыть файл проекта";
    QTest::newRow("too large") << "large.prj"
                               << "слишком велик";
    QTest::newRow("link loop") << "loop.prj"
                               << "символические ссылки на пути к нему образуют цикл.";
    QTest::newRow("long name") << QString(300, QLatin1Char('x')) + QStringLiteral(".prj")
                               << "слишком длинное имя.";
}

void TestProject::openUnreadableFile()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QString path = dir.filePath(name);
    if (name == QStringLiteral("folder.prj"))
        QVERIFY(QDir(dir.path()).mkpath(name));
    if (name == QStringLiteral("large.prj")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(2) << 30)); // sparse
    }
    if (name == QStringLiteral("loop.prj")) {
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("other-loop.prj")), path));
        QVERIFY(QFile::link(path, dir.filePath(QStringLiteral("other-loop.prj"))));
    }
    loadFixture();
    MainWindowPeek peek(*window);
    const QString title = window->windowTitle();
    prompts->answerOpenFile(path).answerCritical();
    window->findChild<QAction *>(QStringLiteral("actionOpen"))->trigger();
    QFile::remove(path);
    QCOMPARE(prompts->calls().last().kind, ScriptedPrompts::Critical);
    QCOMPARE(prompts->calls().last().title, QStringLiteral("Открытие проекта"));
    QVERIFY(prompts->calls().last().text.contains(message));
    QVERIFY(prompts->calls().last().text.contains(path));
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(peek.objects().size(), 2);
    QCOMPARE(peek.sensors().size(), 2);
}

void TestProject::openAsksAboutUnsavedChanges_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveCancelled");
    QTest::addColumn<bool>("opened");

    QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << false;
    QTest::newRow("no") << int(QMessageBox::No) << false << true;
    QTest::newRow("yes, save cancelled") << int(QMessageBox::Yes) << true << false;
    QTest::newRow("yes, saved") << int(QMessageBox::Yes) << false << true;
}

void TestProject::openAsksAboutUnsavedChanges()
{
    QFETCH(int, answer);
    QFETCH(bool, saveCancelled);
    QFETCH(bool, opened);

    MainWindowPeek peek(*window);
    window->setWindowModified(true);
    const QString savedPath = dir.filePath(QStringLiteral("before.prj"));
    QFile::remove(savedPath);
    prompts->answerQuestion(QMessageBox::StandardButton(answer));
    if (answer == QMessageBox::Yes)
        prompts->answerSaveFile(saveCancelled ? QString() : savedPath);
    if (opened)
        prompts->answerOpenFile(fixture());
    window->findChild<QAction *>(QStringLiteral("actionOpen"))->trigger();

    QCOMPARE(prompts->calls().first().title, QStringLiteral("Открытие проекта"));
    QCOMPARE(prompts->calls().first().text, kSaveChanges);
    QCOMPARE(QFile::exists(savedPath), answer == QMessageBox::Yes && !saveCancelled);
    QCOMPARE(peek.objects().size(), opened ? 2 : 0);
    QCOMPARE(window->isWindowModified(), !opened);
}

void TestProject::openWhilePlacingADetector()
{
    loadFixture();
    MainWindowPeek peek(*window);
    QAction *create = window->findChild<QAction *>(QStringLiteral("sensorCreateAction"));
    create->trigger();
    QVERIFY(create->isChecked());
    QVERIFY(peek.editingItem());

    prompts->answerOpenFile(fixture());
    window->findChild<QAction *>(QStringLiteral("actionOpen"))->trigger();
    QVERIFY(!create->isChecked());
    QVERIFY(!peek.editingItem());
    // Only the loaded detectors are left on the plan.
    int detectors = 0;
    for (QGraphicsItem *item : peek.scene().items())
        detectors += dynamic_cast<SensorGraphicsItem2 *>(item) != nullptr;
    QCOMPARE(detectors, 2);
    QCOMPARE(peek.sensors().size(), 2);
}

void TestProject::damagedProjectLoadsWhatItCan()
{
    MainWindowPeek peek(*window);
    // An image whose header claims 30000 × 30000 pixels, far more than may be decoded.
    QByteArray png = QByteArray::fromBase64(pngBase64(2, 2));
    for (const int at : { 16, 20 }) {
        png[at + 2] = char(0x75);
        png[at + 3] = char(0x30);
    }
    const quint32 crc = crc32(png.mid(12, 17));
    for (int i = 0; i < 4; ++i)
        png[29 + i] = char(crc >> (24 - 8 * i));
    const QString path = dir.filePath(QStringLiteral("damaged.prj"));
    QVERIFY(writeAll(path, projectText("ZOR-51ma Position", png.toBase64())));
    prompts->answerOpenFile(path).answerWarning();
    window->findChild<QAction *>(QStringLiteral("actionOpen"))->trigger();

    QCOMPARE(prompts->calls().last().kind, ScriptedPrompts::Warning);
    QCOMPARE(prompts->calls().last().title, QStringLiteral("Открытие проекта"));
    QVERIFY(prompts->calls().last().text.contains(
        QStringLiteral("изображение плана слишком велико, оно не показано, "
                       "но сохранено в проекте без изменений;")));
    // Nothing else is lost, so no word of losing it on saving.
    QVERIFY(!prompts->calls().last().text.contains(QStringLiteral("удалит")));
    QVERIFY(peek.planPixmap().isNull());
    QVERIFY(!peek.planImage().isVisible());
    QCOMPARE(peek.objects().size(), 2);
    QCOMPARE(peek.sensors().size(), 2);
    QCOMPARE(window->windowTitle(), peek.titleAfter(path));

    // The program goes on: the project saves, with the image it could not show
    // written back unchanged.
    const QString again = dir.filePath(QStringLiteral("again.prj"));
    prompts->answerSaveFile(again);
    window->findChild<QAction *>(QStringLiteral("actionSave"))->trigger();
    QVERIFY(readAll(again).contains("\r\nImage=\"" + png.toBase64() + "\"\r\n"));
}

void TestProject::newProjectClearsThePlan()
{
    loadFixture();
    MainWindowPeek peek(*window);
    const QString title = window->windowTitle();
    window->setWindowModified(true);
    peek.objects().first()->startEdit();
    prompts->answerQuestion(QMessageBox::Yes);
    window->findChild<QAction *>(QStringLiteral("actionNew"))->trigger();

    QCOMPARE(prompts->calls().first().title, QStringLiteral("Новый проект"));
    QCOMPARE(
        prompts->calls().first().text, QStringLiteral("Очистить текущий проект и начать новый?"));
    QVERIFY(peek.objects().isEmpty());
    QVERIFY(peek.sensors().isEmpty());
    QCOMPARE(peek.objectModel().rowCount(), 0);
    QCOMPARE(peek.sensorModel().rowCount(), 0);
    QVERIFY(!peek.editingItem());
    QVERIFY(peek.planPixmap().isNull());
    QVERIFY(!peek.planImage().isVisible());
    QCOMPARE(peek.planImage().scale(), 0.0);
    QVERIFY(!peek.plan().hasPath());
    QCOMPARE(peek.caliber().length(), 0.0);
    QVERIFY(!peek.roulette().isVisible());
    // Only the plan items themselves are left.
    for (QGraphicsItem *item : peek.scene().items())
        QVERIFY(!dynamic_cast<SensorGraphicsItem2 *>(item)
            && !dynamic_cast<ObjectGraphicsItem *>(item));
    // Title and last file stay; the new project starts a new history, unmodified.
    QCOMPARE(window->windowTitle(), title);
    QVERIFY(!window->isWindowModified());
    QCOMPARE(peek.lastFile(), QString());
}

void TestProject::newProjectNeedsYes()
{
    loadFixture();
    MainWindowPeek peek(*window);
    prompts->answerQuestion(QMessageBox::No);
    window->findChild<QAction *>(QStringLiteral("actionNew"))->trigger();
    QCOMPARE(peek.objects().size(), 2);
    QCOMPARE(peek.sensors().size(), 2);
    QVERIFY(!peek.planPixmap().isNull());
}

void TestProject::closePrompt_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("savePath"); // "-": no save dialog; "": cancelled
    QTest::addColumn<bool>("closed");

    QTest::newRow("unchanged") << false << -1 << "-" << true;
    QTest::newRow("cancel") << true << int(QMessageBox::Cancel) << "-" << false;
    QTest::newRow("no") << true << int(QMessageBox::No) << "-" << true;
    QTest::newRow("yes, save cancelled") << true << int(QMessageBox::Yes) << "" << false;
    QTest::newRow("yes, saved") << true << int(QMessageBox::Yes) << "closing.prj" << true;
    QTest::newRow("yes, save failed")
        << true << int(QMessageBox::Yes) << "note.txt/closing.prj" << false;
}

void TestProject::closePrompt()
{
    QFETCH(bool, modified);
    QFETCH(int, answer);
    QFETCH(QString, savePath);
    QFETCH(bool, closed);

    loadFixture();
    window->setWindowModified(modified);
    QVERIFY(writeAll(dir.filePath(QStringLiteral("note.txt")), "a file"));
    const QString path = savePath.isEmpty() ? QString() : dir.filePath(savePath);
    QFile::remove(path);
    if (answer >= 0)
        prompts->answerQuestion(QMessageBox::StandardButton(answer));
    if (savePath != QStringLiteral("-"))
        prompts->answerSaveFile(path);
    if (savePath.startsWith(QStringLiteral("note.txt")))
        prompts->answerCritical();

    QCOMPARE(window->close(), closed);
    QCOMPARE(window->isVisible(), !closed);
    if (answer >= 0) {
        QCOMPARE(prompts->calls().first().title, QStringLiteral("Выход из программы"));
        QCOMPARE(prompts->calls().first().text, kSaveChanges);
    }
    if (savePath == QStringLiteral("closing.prj"))
        QVERIFY(readAll(path).startsWith("App=\"ZOR-51ma Position\""));
}

QTEST_MAIN(TestProject)
#include "tst_project.moc"
