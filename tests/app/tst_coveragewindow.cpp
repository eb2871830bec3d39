#include "app/mainwindow.h"
#include "common/scriptedprompts.h"
#include "common/testwindow.h"
#include "detectors/sensorgraphicsitem2.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGraphicsView>
#include <QGroupBox>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The coverage side of the main window, for the tests.
struct MainWindowPeek
{
    static bool load(MainWindow &window, const QString &path) { return window.loadProject(path); }
    static ProjectDocument &document(MainWindow &window) { return window.document; }
    static QGraphicsView *view(MainWindow &window)
    {
        return window.findChild<QGraphicsView *>(QStringLiteral("graphicsView"));
    }
    static void fit(MainWindow &window) { window.on_actionAllView_triggered(); }
};

namespace {

// A calibrated 40 m × 30 m room, without obstacles; detectors as given.
QByteArray projectText(const QByteArray &sensors)
{
    return "App=\"ZOR-51ma Position\"\r\nImage=\"\"\r\nCenter=20,15\r\nScale=1\r\n"
           "Roulette=-10,0,20,0,1\r\n"
           "<Outline>\r\n\t1=-20,-15\r\n\t2=20,-15\r\n\t3=20,15\r\n\t4=-20,15\r\n</>\r\n"
           "<Objects>\r\n</>\r\n<Sensors>\r\n"
        + sensors + "</>\r\n";
}

QByteArray sensorText(const char *tag, const char *pos, const char *height)
{
    return QByteArray("\t<Sensor>\r\n\t\tTag=\"") + tag
        + "\"\r\n\t\tSurface=0\r\n\t\tSection=0\r\n\t\tPos=" + pos
        + "\r\n\t\tAtRight=0\r\n\t\tSensor=51\r\n\t\tHeight=" + height
        + "\r\n\t\tAngle=0\r\n\t\tTilt=0\r\n\t</>\r\n";
}

QString figure(double value)
{
    return QString::asprintf("%.1f", value).replace(QLatin1Char('.'), QLatin1Char(','));
}

template <typename T> T *part(MainWindow &window, const char *name)
{
    return window.findChild<T *>(QLatin1String(name));
}

QString text(MainWindow &window, const char *label)
{
    QLabel *found = part<QLabel>(window, label);
    return found ? found->text() : QStringLiteral("(no %1)").arg(QLatin1String(label));
}

} // namespace

class TestCoverageWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void noOutlineNoGroup();
    void panelTexts_data();
    void panelTexts();
    void followsAMovedDetector();
    void targetMarks();
    void mapToggledByTheAction();
    void hallMapAtTheFittedZoom();

private:
    bool open(const QByteArray &project);
    // The figures the panel should show, from the window's own document.
    void checkPanelAgainstDocument();

    QTemporaryDir dir;
    MainWindow *window = nullptr;
    ScriptedPrompts *prompts = nullptr;
};

void TestCoverageWindow::initTestCase()
{
    QVERIFY(dir.isValid());
}

void TestCoverageWindow::init()
{
    TestWindow::clearSettings();
    window = TestWindow::open(&prompts);
    QVERIFY(window);
}

void TestCoverageWindow::cleanup()
{
    const QString unused = TestWindow::close(window, prompts);
    QVERIFY2(unused.isEmpty(), qPrintable(unused));
}

bool TestCoverageWindow::open(const QByteArray &project)
{
    const QString path = dir.filePath(QStringLiteral("room.prj"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(project) < 0)
        return false;
    file.close();
    const bool loaded = MainWindowPeek::load(*window, path);
    QCoreApplication::processEvents();
    return loaded;
}

void TestCoverageWindow::checkPanelAgainstDocument()
{
    const Coverage c = MainWindowPeek::document(*window).coverage();
    QVERIFY(c.valid);
    QCOMPARE(text(*window, "coverageOnce"),
        QStringLiteral("≥1: %1 %").arg(figure(c.share(c.onceArea + c.twiceArea) * 100)));
    QCOMPARE(text(*window, "coverageTwice"),
        QStringLiteral("≥2: %1 %").arg(figure(c.share(c.twiceArea) * 100)));
    QCOMPARE(text(*window, "coverageUnseen"),
        QStringLiteral("Не контролируется: %1 м²").arg(figure(c.unseenArea)));
}

void TestCoverageWindow::noOutlineNoGroup()
{
    QVERIFY(part<QGroupBox>(*window, "coverageGroup")->isHidden());
    QVERIFY(open(projectText("")));
    QVERIFY(!part<QGroupBox>(*window, "coverageGroup")->isHidden());
}

void TestCoverageWindow::panelTexts_data()
{
    QTest::addColumn<QByteArray>("sensors");
    QTest::addColumn<QString>("once");
    QTest::addColumn<QString>("twice");
    QTest::addColumn<QString>("unseen");

    // An empty room: nothing seen, the whole floor uncontrolled.
    QTest::newRow("no detectors") << QByteArray() << QStringLiteral("≥1: 0,0 %")
                                  << QStringLiteral("≥2: 0,0 %")
                                  << QStringLiteral("Не контролируется: 1200,0 м²");
    QTest::newRow("two detectors") << (sensorText("A", "5", "3") + sensorText("B", "9", "3"))
                                   << QString() << QString() << QString();
}

void TestCoverageWindow::panelTexts()
{
    QFETCH(QByteArray, sensors);
    QFETCH(QString, once);
    QFETCH(QString, twice);
    QFETCH(QString, unseen);

    QVERIFY(open(projectText(sensors)));
    if (!once.isEmpty()) {
        QCOMPARE(text(*window, "coverageOnce"), once);
        QCOMPARE(text(*window, "coverageTwice"), twice);
        QCOMPARE(text(*window, "coverageUnseen"), unseen);
    } else {
        const Coverage c = MainWindowPeek::document(*window).coverage();
        QVERIFY(c.twiceArea > 1);
        QVERIFY(c.onceArea > 1);
    }
    checkPanelAgainstDocument();
    // The three classes have their swatches.
    for (const char *swatch : { "coverageSwatch0", "coverageSwatch1", "coverageSwatch2" })
        QVERIFY(!part<QLabel>(*window, swatch)->pixmap(Qt::ReturnByValue).isNull());
}

void TestCoverageWindow::followsAMovedDetector()
{
    QVERIFY(open(projectText(sensorText("A", "5", "3") + sensorText("B", "9", "3"))));
    const QString before = text(*window, "coverageTwice");
    SensorGraphicsItem2 *b = MainWindowPeek::document(*window).sensors().at(1);
    // Selected, its panel shows its own figures.
    b->startEdit();
    QCoreApplication::processEvents();
    const Coverage c = MainWindowPeek::document(*window).coverage();
    QCOMPARE(text(*window, "sensorZoneArea"),
        QStringLiteral("%1 м²").arg(figure(c.detectors.at(1).zoneArea)));
    QCOMPARE(text(*window, "sensorOnlyArea"),
        QStringLiteral("%1 м²").arg(figure(c.detectors.at(1).onlyArea)));

    // Moved far from the other one, the shared floor shrinks, at the next pass.
    b->setPosition(35, false);
    b->updateZone();
    QCoreApplication::processEvents();
    QVERIFY(text(*window, "coverageTwice") != before);
    checkPanelAgainstDocument();
    const Coverage moved = MainWindowPeek::document(*window).coverage();
    QCOMPARE(text(*window, "sensorOnlyArea"),
        QStringLiteral("%1 м²").arg(figure(moved.detectors.at(1).onlyArea)));
}

void TestCoverageWindow::targetMarks()
{
    QVERIFY(open(projectText(sensorText("A", "5", "3"))));
    QVERIFY(!window->isWindowModified());
    auto *target1 = part<QDoubleSpinBox>(*window, "coverageTarget1");
    auto *target2On = part<QCheckBox>(*window, "coverageTarget2On");
    auto *target2 = part<QDoubleSpinBox>(*window, "coverageTarget2");
    QCOMPARE(target1->value(), 90.0);
    QVERIFY(!target2On->isChecked());
    QVERIFY(!target2->isEnabled());
    // One low detector sees far less than 90 % of the room.
    QCOMPARE(text(*window, "coverageMark1"), QStringLiteral("✗"));
    QCOMPARE(text(*window, "coverageMark2"), QString());

    target1->setValue(0);
    QCOMPARE(text(*window, "coverageMark1"), QStringLiteral("✓"));
    QCOMPARE(MainWindowPeek::document(*window).coverageSettings().min1, 0.0);
    QVERIFY(window->isWindowModified());

    target2On->setChecked(true);
    QVERIFY(target2->isEnabled());
    target2->setValue(0);
    QCOMPARE(text(*window, "coverageMark2"), QStringLiteral("✓"));
    target2->setValue(10);
    QCOMPARE(text(*window, "coverageMark2"), QStringLiteral("✗"));
    QCOMPARE(MainWindowPeek::document(*window).coverageSettings().min2.value_or(-1), 10.0);
    target2On->setChecked(false);
    QVERIFY(!MainWindowPeek::document(*window).coverageSettings().min2);
    QCOMPARE(text(*window, "coverageMark2"), QString());
}

void TestCoverageWindow::mapToggledByTheAction()
{
    QVERIFY(open(projectText(sensorText("A", "5", "3"))));
    QAction *action = part<QAction>(*window, "actionCoverageMap");
    QVERIFY(action);
    QCOMPARE(action->text(), QStringLiteral("Карта покрытия"));
    QVERIFY(action->isCheckable());
    QVERIFY(!action->isChecked());
    ProjectDocument &document = MainWindowPeek::document(*window);
    QVERIFY(!document.coverageMap().scene());

    action->trigger();
    QVERIFY(action->isChecked());
    QCOMPARE(document.coverageMap().scene(), &document.scene());
    QVERIFY(!document.coverageMap().path(CoverageMapItem::NotSeen).isEmpty());
    QVERIFY(document.coverageSettings().showMap);
    QVERIFY(document.sensors().first()->zone()->opacity() < 1);
    QVERIFY(window->isWindowModified());

    // Saved and opened again, the map is back on.
    const QString path = dir.filePath(QStringLiteral("map.prj"));
    QVERIFY(document.save(path));
    action->trigger();
    QVERIFY(!document.coverageMap().scene());
    QCOMPARE(document.sensors().first()->zone()->opacity(), 1.0);
    QVERIFY(MainWindowPeek::load(*window, path));
    QVERIFY(action->isChecked());
    QCOMPARE(document.coverageMap().scene(), &document.scene());
}

// The sample hall with the map on, as a user opens it: the floor no detector
// sees is plainly marked in the view. With ZOR_COVERAGE_SHOTS naming a folder
// the window is saved there as fitted and zoomed in, to be looked at.
void TestCoverageWindow::hallMapAtTheFittedZoom()
{
    window->resize(1600, 1000);
    QFile sample(QStringLiteral(ZOR_SOURCE_DIR "/examples/hall.prj"));
    QVERIFY(sample.open(QIODevice::ReadOnly));
    QVERIFY(open(sample.readAll() + "<Coverage>\r\n\tMin1=90.000000\r\n\tMap=1\r\n</>\r\n"));
    QVERIFY(part<QAction>(*window, "actionCoverageMap")->isChecked());
    MainWindowPeek::fit(*window);
    QCoreApplication::processEvents();
    const Coverage c = MainWindowPeek::document(*window).coverage();
    QVERIFY(c.unseenArea > 1);
    checkPanelAgainstDocument();

    const QImage shot = MainWindowPeek::view(*window)->viewport()->grab().toImage().convertToFormat(
        QImage::Format_ARGB32);
    int hatched = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y);
            hatched += qRed(p) - qGreen(p) > 60 && qBlue(p) - qGreen(p) > 30 ? 1 : 0;
        }
    QVERIFY2(hatched > 500, qPrintable(QString::number(hatched)));

    const QString shots = qEnvironmentVariable("ZOR_COVERAGE_SHOTS");
    if (!shots.isEmpty()) {
        window->grab().save(shots + QStringLiteral("/hall-fitted.png"));
        MainWindowPeek::view(*window)->scale(3, 3);
        QCoreApplication::processEvents();
        window->grab().save(shots + QStringLiteral("/hall-zoomed.png"));
        part<QAction>(*window, "actionCoverageMap")->trigger();
        MainWindowPeek::fit(*window);
        MainWindowPeek::document(*window).sensors().at(1)->startEdit();
        QCoreApplication::processEvents();
        window->grab().save(shots + QStringLiteral("/hall-nomap-selected.png"));
    }
}

QTEST_MAIN(TestCoverageWindow)
#include "tst_coveragewindow.moc"
