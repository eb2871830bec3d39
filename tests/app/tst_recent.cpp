#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/recentprojects.h"
#include "common/scriptedprompts.h"
#include "common/testwindow.h"

#include "detectors/sensorgraphicsitem2.h"
#include "io/recoveryfile.h"
#include "io/treefile.h"

#include <QAction>
#include <QBuffer>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// The project side of the main window, for the tests.
struct MainWindowPeek
{
    explicit MainWindowPeek(MainWindow &window)
        : window(window)
    {
    }
    ProjectDocument &document() const { return window.document; }
    const QString &lastFile() const { return window.lastFile; }
    void autosave() { window.autosave(); }
    MainWindow &window;
};

namespace {

const QString kRecovery = QStringLiteral("Восстановление проекта");

QByteArray projectText(const QByteArray &tag)
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return "App=\"ZOR-51ma Position\"\r\nImage=\"" + png.toBase64()
        + "\"\r\nCenter=10,5\r\nScale=1\r\nRoulette=-5,0,5,0,1\r\n"
          "<Outline>\r\n\t1=-10,-5\r\n\t2=10,-5\r\n\t3=10,5\r\n\t4=-10,5\r\n</>\r\n"
          "Objects=\r\n<Sensors>\r\n\t<Sensor>\r\n\t\tTag=\""
        + tag
        + "\"\r\n\t\tSurface=0\r\n\t\tSection=0\r\n\t\tPos=3\r\n\t\tAtRight=0\r\n"
          "\t\tSensor=51\r\n\t\tHeight=3\r\n\t\tAngle=0\r\n\t\tTilt=0\r\n\t</>\r\n</>\r\n";
}

QStringList menuEntries(QMenu *menu)
{
    QStringList entries;
    for (QAction *action : menu->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return entries;
}

} // namespace

class TestRecent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void recentList_data();
    void recentList();
    void recentMenuOpensAndForgetsMissingFiles();
    void recoveryAfterACrash_data();
    void recoveryAfterACrash();
    void autosaveWritesBesideNotOverTheProject();
    void commandLine_data();
    void commandLine();
    void openAtStart_data();
    void openAtStart();

private:
    MainWindow *startWindow(const QString &file = QString());
    QString writeProject(const QString &name, const QByteArray &tag);

    QTemporaryDir dir;
    MainWindow *window = nullptr;
    ScriptedPrompts *prompts = nullptr;
};

void TestRecent::initTestCase()
{
    QVERIFY(dir.isValid());
}

void TestRecent::init()
{
    TestWindow::clearSettings();
    QDir(RecoveryFile::defaultFolder()).removeRecursively();
}

void TestRecent::cleanup()
{
    const QString unused = TestWindow::close(window, prompts);
    QVERIFY2(unused.isEmpty(), qPrintable(unused));
}

// A window as the program starts it, with its start run.
MainWindow *TestRecent::startWindow(const QString &file)
{
    window = new MainWindow;
    prompts = ScriptedPrompts::installOn(*window);
    window->openAtStart(file);
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("window not shown");
    QCoreApplication::processEvents();
    return window;
}

QString TestRecent::writeProject(const QString &name, const QByteArray &tag)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(projectText(tag)) <= 0)
        qWarning("project not written");
    return path;
}

void TestRecent::recentList_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("newest first") << QStringList({ "/p/a.prj", "/p/b.prj" })
                                  << QStringList({ "/p/b.prj", "/p/a.prj" });
    QTest::newRow("again moves to the top") << QStringList({ "/p/a.prj", "/p/b.prj", "/p/a.prj" })
                                            << QStringList({ "/p/a.prj", "/p/b.prj" });
    QTest::newRow("eight at most")
        << QStringList({ "/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9", "/10" })
        << QStringList({ "/10", "/9", "/8", "/7", "/6", "/5", "/4", "/3" });
    QTest::newRow("same file by another path")
        << QStringList({ "/p/a.prj", "/p/../p/a.prj" }) << QStringList({ "/p/a.prj" });
}

void TestRecent::recentList()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, expected);
    RecentProjects recent;
    for (const QString &path : added)
        recent.add(path);
    QCOMPARE(recent.paths(), expected);
    // Read back from the settings as stored.
    QCOMPARE(RecentProjects(recent.paths()).paths(), expected);
}

void TestRecent::recentMenuOpensAndForgetsMissingFiles()
{
    const QString first = writeProject(QStringLiteral("first.prj"), "F");
    const QString second = writeProject(QStringLiteral("second.prj"), "S");
    startWindow();
    MainWindowPeek peek(*window);
    auto *menu = window->findChild<QMenu *>(QStringLiteral("menuRecent"));
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("Последние проекты"));
    QCOMPARE(menuEntries(menu), QStringList({ "-", "Очистить список" }));

    for (const QString &path : { first, second }) {
        prompts->answerOpenFile(path);
        window->findChild<QAction *>(QStringLiteral("actionOpen"))->trigger();
    }
    // A save puts its file first too.
    const QString third = dir.filePath(QStringLiteral("third.prj"));
    prompts->answerSaveFile(third);
    window->findChild<QAction *>(QStringLiteral("actionSave"))->trigger();
    QCOMPARE(menuEntries(menu),
        QStringList({ "third.prj", "second.prj", "first.prj", "-", "Очистить список" }));
    QCOMPARE(menu->actions().at(1)->toolTip(), QDir::toNativeSeparators(second));
    QSettings settings(QStringLiteral("Tarnis"), QStringLiteral("ZOR-51ma Position"));
    QCOMPARE(settings.value(QStringLiteral("RecentProjects")).toStringList(),
        QStringList({ third, second, first }));

    menu->actions().at(2)->trigger();
    QCOMPARE(peek.document().sensors().first()->tag(), QStringLiteral("F"));
    QCOMPARE(menuEntries(menu).first(), QStringLiteral("first.prj"));

    // A file gone since: said so, and taken off the list.
    QVERIFY(QFile::remove(second));
    prompts->answerWarning();
    menu->actions().at(2)->trigger();
    QCOMPARE(prompts->calls().last().title, QStringLiteral("Последние проекты"));
    QCOMPARE(prompts->calls().last().text,
        QStringLiteral("Файл проекта %1 не найден. Он удалён из списка последних проектов.")
            .arg(QDir::toNativeSeparators(second)));
    QCOMPARE(menuEntries(menu), QStringList({ "first.prj", "third.prj", "-", "Очистить список" }));
    QCOMPARE(peek.document().sensors().first()->tag(), QStringLiteral("F"));

    menu->actions().last()->trigger();
    QCOMPARE(menuEntries(menu), QStringList({ "-", "Очистить список" }));
    QVERIFY(!menu->actions().last()->isEnabled());
    QCOMPARE(settings.value(QStringLiteral("RecentProjects")).toStringList(), QStringList());
}

void TestRecent::recoveryAfterACrash_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("hasOriginal");
    QTest::newRow("restore a saved project") << "Восстановить" << true;
    QTest::newRow("restore a new project") << "Восстановить" << false;
    QTest::newRow("remove") << "Удалить" << true;
    QTest::newRow("closed without an answer") << "" << true;
}

void TestRecent::recoveryAfterACrash()
{
    QFETCH(QString, answer);
    QFETCH(bool, hasOriginal);

    // The crashed program's file: its project with an edit, no owner alive.
    const QString original = writeProject(QStringLiteral("hall.prj"), "A");
    const QString folder = RecoveryFile::defaultFolder();
    QVERIFY(QDir().mkpath(folder));
    const QString left = QDir(folder).filePath(QStringLiteral("4194304-1.prj"));
    {
        QFile file(left);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(projectText("edited"));
        if (hasOriginal)
            file.write("Original=\"" + original.toUtf8() + "\"\r\n");
    }

    window = new MainWindow;
    prompts = ScriptedPrompts::installOn(*window);
    prompts->answerChoice(answer);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    MainWindowPeek peek(*window);
    QCOMPARE(prompts->calls().size(), 1);
    QCOMPARE(prompts->calls().first().title, kRecovery);
    QVERIFY2(
        prompts->calls().first().text.startsWith(
            QStringLiteral(
                "Работа программы была прервана, когда %1 были несохранённые изменения.\n")
                .arg(hasOriginal ? QStringLiteral("в проекте ") + QDir::toNativeSeparators(original)
                                 : QStringLiteral("в новом проекте"))),
        qPrintable(prompts->calls().first().text));

    if (answer == QStringLiteral("Восстановить")) {
        QCOMPARE(peek.document().sensors().size(), 1);
        QCOMPARE(peek.document().sensors().first()->tag(), QStringLiteral("edited"));
        QVERIFY(window->isWindowModified());
        QVERIFY(!QFile::exists(left));
        if (hasOriginal) {
            QVERIFY(window->windowTitle().startsWith(original));
            QCOMPARE(peek.lastFile(), original);
        }
        // The project's own file is untouched; this program keeps its own copy now.
        QCOMPARE(RecoveryFile::orphans(), QStringList());
        QCOMPARE(QDir(folder).entryList({ QStringLiteral("*.prj") }).size(), 1);
        // A normal exit takes the copy away.
        prompts->answerQuestion(QMessageBox::No);
        QVERIFY(window->close());
        QVERIFY2(prompts->ok(), qPrintable(prompts->report()));
        delete window;
        window = nullptr;
        prompts = nullptr;
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
    } else if (answer == QStringLiteral("Удалить")) {
        QVERIFY(!QFile::exists(left));
        QCOMPARE(peek.document().sensors().size(), 0);
        QVERIFY(!window->isWindowModified());
    } else {
        // Offered again at the next start.
        QVERIFY(QFile::exists(left));
        QCOMPARE(RecoveryFile::orphans(), QStringList({ QFileInfo(left).absoluteFilePath() }));
        QFile::remove(left);
    }
}

void TestRecent::autosaveWritesBesideNotOverTheProject()
{
    const QString path = writeProject(QStringLiteral("kept.prj"), "K");
    const QByteArray bytes = projectText("K");
    startWindow(path);
    MainWindowPeek peek(*window);
    auto *timer = window->findChild<QTimer *>(QStringLiteral("autosaveTimer"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 2 * 60 * 1000);

    const QString folder = RecoveryFile::defaultFolder();
    peek.autosave();
    QCOMPARE(QDir(folder).entryList({ QStringLiteral("*.prj") }), QStringList());

    peek.document().sensors().first()->setTag(QStringLiteral("changed"));
    QTRY_VERIFY(window->isWindowModified());
    peek.autosave();
    const QStringList written = QDir(folder).entryList({ QStringLiteral("*.prj") });
    QCOMPARE(written.size(), 1);
    QVERIFY(written.first().startsWith(QString::number(QCoreApplication::applicationPid())));
    TreeFile copy(QDir(folder).filePath(written.first()).toStdU16String());
    QVERIFY(copy.load());
    QCOMPARE(QString::fromStdString(copy.root().child("Original")->value()), path);
    QCOMPARE(
        copy.root().child("Sensors")->childAt(0)->child("Tag")->value(), std::string("changed"));
    QFile own(path);
    QVERIFY(own.open(QIODevice::ReadOnly));
    QCOMPARE(own.readAll(), bytes);
    // Not offered while this program lives.
    QCOMPARE(RecoveryFile::orphans(), QStringList());

    // A save takes it away.
    prompts->answerSaveFile(path);
    window->findChild<QAction *>(QStringLiteral("actionSave"))->trigger();
    QCOMPARE(QDir(folder).entryList({ QStringLiteral("*.prj") }), QStringList());
}

void TestRecent::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("file");

    QTest::newRow("nothing") << QStringList() << int(CommandLine::Run) << QString();
    QTest::newRow("a file") << QStringList({ "hall.prj" }) << int(CommandLine::Run) << "hall.prj";
    QTest::newRow("--help") << QStringList({ "--help" }) << int(CommandLine::ShowHelp) << QString();
    QTest::newRow("-h") << QStringList({ "-h" }) << int(CommandLine::ShowHelp) << QString();
    QTest::newRow("--version") << QStringList({ "--version" }) << int(CommandLine::ShowVersion)
                               << QString();
    QTest::newRow("unknown option")
        << QStringList({ "--frobnicate" }) << int(CommandLine::Fail) << QString();
    QTest::newRow("two files") << QStringList({ "a.prj", "b.prj" }) << int(CommandLine::Fail)
                               << QString();
}

void TestRecent::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, file);
    const CommandLine line
        = CommandLine::parse(QStringList({ QStringLiteral("zor-position") }) + arguments);
    QCOMPARE(int(line.action), action);
    QCOMPARE(line.file, file);
    QCOMPARE(line.message.isEmpty(), action != CommandLine::Fail);
    if (QTest::currentDataTag() == QByteArray("unknown option"))
        QCOMPARE(line.message, QStringLiteral("неизвестный параметр --frobnicate"));
    QVERIFY(CommandLine::helpText().startsWith(
        QStringLiteral("Использование: zor-position [параметры] [ФАЙЛ.prj]\n")));
    QCOMPARE(CommandLine::versionText(), QStringLiteral("zor-position 1.3\n"));
}

void TestRecent::openAtStart_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("a project") << true;
    QTest::newRow("a missing file") << false;
}

void TestRecent::openAtStart()
{
    QFETCH(bool, exists);
    const QString path = exists ? writeProject(QStringLiteral("start.prj"), "S")
                                : dir.filePath(QStringLiteral("missing.prj"));
    QSettings settings(QStringLiteral("Tarnis"), QStringLiteral("ZOR-51ma Position"));
    // The welcome notice comes first.
    settings.setValue(QStringLiteral("never"), false);
    window = new MainWindow;
    prompts = ScriptedPrompts::installOn(*window);
    prompts->acceptDialog();
    if (!exists)
        prompts->answerCritical();
    window->openAtStart(path);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();
    MainWindowPeek peek(*window);
    QCOMPARE(prompts->calls().first().kind, ScriptedPrompts::Dialog);
    if (exists) {
        QCOMPARE(prompts->calls().size(), 1);
        QCOMPARE(peek.document().sensors().first()->tag(), QStringLiteral("S"));
        QVERIFY(window->windowTitle().startsWith(path));
        QVERIFY(!window->isWindowModified());
    } else {
        QCOMPARE(prompts->calls().size(), 2);
        QCOMPARE(prompts->calls().last().title, QStringLiteral("Открытие проекта"));
        QCOMPARE(prompts->calls().last().text,
            QStringLiteral("Не удалось открыть файл проекта %1.")
                .arg(QDir::toNativeSeparators(path)));
        QCOMPARE(peek.document().sensors().size(), 0);
        QVERIFY(window->isVisible());
    }
}

QTEST_MAIN(TestRecent)
#include "tst_recent.moc"
