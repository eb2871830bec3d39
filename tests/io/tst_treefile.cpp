#include "io/treefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), qint64(data.size()));
}

} // namespace

class TestTreeFile : public QObject
{
    Q_OBJECT
private slots:
    void saveAndLoadUnderAUnicodeName();
    void loadFailures();
    void saveReplacesAndKeepsPermissions();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void writeFailingPartWayKeepsTheOldFile();
    void saveThroughASymbolicLink();
};

void TestTreeFile::saveAndLoadUnderAUnicodeName()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Проект №1 «план».prj"));
    TreeFile file(fsPath(path));
    file.addChild("App").setText("ZOR-51ma Position");
    file.addChild("Image").setText(std::string(300000, 'Q') + "==");
    TreeNode &sensor = file.addChild("Sensors").addChild("Sensor");
    sensor.addChild("In1").setText("ШТ1\"");
    sensor.addChild("Height").setReal(3.0);
    QVERIFY(file.save());
    QVERIFY(readAll(path).startsWith("App=\"ZOR-51ma Position\"\r\nImage=\"QQQ"));
    QVERIFY(readAll(path).endsWith("\t\tHeight=3.000000\r\n\t</>\r\n</>\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);

    TreeFile back(fsPath(path));
    back.addChild("stale");
    QVERIFY(back.load());
    QCOMPARE(back.root().childCount(), std::size_t(3));
    QCOMPARE(back.child("Image")->value().size(), std::size_t(300002));
    const TreeNode *loaded = back.child("Sensors")->child("Sensor");
    QVERIFY(loaded);
    QCOMPARE(loaded->child("In1")->value(), std::string("ШТ1\""));
    QCOMPARE(loaded->child("Height")->toReal(), 3.0);
}

void TestTreeFile::loadFailures()
{
    QTemporaryDir dir;
    TreeFile missing(fsPath(dir.filePath("missing.prj")));
    missing.addChild("stale");
    QVERIFY(!missing.load());
    QCOMPARE(missing.root().childCount(), std::size_t(0));

    TreeFile folder(fsPath(dir.path()));
    QVERIFY(!folder.load());

    // An empty file loads as an empty tree.
    writeAll(dir.filePath("empty.prj"), QByteArray());
    TreeFile empty(fsPath(dir.filePath("empty.prj")));
    QVERIFY(empty.load());
    QCOMPARE(empty.root().childCount(), std::size_t(0));
}

void TestTreeFile::saveReplacesAndKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.prj");
    writeAll(path, QByteArray("old content that is longer than the new one\r\n"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    TreeFile file(fsPath(path));
    file.addChild("App").setText("x");
    QVERIFY(file.save());
    QCOMPARE(readAll(path), QByteArray("App=\"x\"\r\n"));
    QCOMPARE(QFile::permissions(path) & 0x7777,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser
            | QFile::ReadGroup);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestTreeFile::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("folder does not exist") << QString("nowhere/a.prj");
    QTest::newRow("parent is a file") << QString("old.prj/a.prj");
    QTest::newRow("target is a folder") << QString("folder");
}

void TestTreeFile::failedSaveKeepsTheOldFile()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    const QByteArray old("Keep=\"me\"\r\n");
    writeAll(dir.filePath("old.prj"), old);
    QVERIFY(QDir(dir.path()).mkpath("folder/inside"));
    const QStringList before
        = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    TreeFile file(fsPath(dir.filePath(target)));
    file.addChild("App").setText("new");
    QVERIFY(!file.save());
    QCOMPARE(readAll(dir.filePath("old.prj")), old);
    QVERIFY(QDir(dir.filePath("folder/inside")).exists());
    // No temporary file is left behind.
    QCOMPARE(
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

void TestTreeFile::writeFailingPartWayKeepsTheOldFile()
{
#ifdef Q_OS_UNIX
    // A file size limit makes the write fail part-way, as a full disk would.
    QTemporaryDir dir;
    const QString path = dir.filePath("a.prj");
    const QByteArray old("App=\"old\"\r\n");
    writeAll(path, old);
    TreeFile file(fsPath(path));
    file.addChild("App").setText("new");
    file.addChild("Image").setText(std::string(4 << 20, 'x'));

    rlimit saved {};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    rlimit small = saved;
    small.rlim_cur = 256 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    const bool saved_ok = file.save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!saved_ok);
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList("a.prj"));
    // With the limit lifted the same tree saves.
    QVERIFY(file.save());
    QCOMPARE(readAll(path).size(), 4 * 1024 * 1024 + 21);
#else
    QSKIP("needs a file size limit");
#endif
}

void TestTreeFile::saveThroughASymbolicLink()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString real = dir.filePath("real.prj");
    const QString link = dir.filePath("link.prj");
    writeAll(real, "A=1\r\n");
    QVERIFY(QFile::link(real, link));
    TreeFile file(fsPath(link));
    file.addChild("A").setInteger(2);
    QVERIFY(file.save());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(real), QByteArray("A=2\r\n"));
#else
    QSKIP("symbolic links");
#endif
}

QTEST_GUILESS_MAIN(TestTreeFile)
#include "tst_treefile.moc"
