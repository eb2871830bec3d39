#include "app/mainwindow.h"
#include "app/manualfile.h"
#include "common/scriptedprompts.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Opens the manual from a window whose working folder is workingDir and returns the
// path handed to the desktop, with the bytes found there while the window lived.
QString openedManual(const QString &workingDir, QByteArray *bytes)
{
    MainWindow window;
    ScriptedPrompts *prompts = ScriptedPrompts::installOn(window);
    const QString previous = QDir::currentPath();
    if (!QDir::setCurrent(workingDir))
        return QStringLiteral("<cannot enter the working folder>");
    window.findChild<QAction *>("actionManual")->trigger();
    QDir::setCurrent(previous);
    if (prompts->openedUrls().size() != 1 || !prompts->calls().isEmpty())
        return QStringLiteral("<%1 files opened, %2 dialogs>")
            .arg(prompts->openedUrls().size())
            .arg(prompts->calls().size());
    const QString path = prompts->openedUrls().first().toLocalFile();
    *bytes = readAll(path);
    return path;
}

} // namespace

class TestManualFile : public QObject
{
    Q_OBJECT

private slots:
    void installedFolderFromExecutable();
    void searchOrder();
    void firstFolderHoldingTheManual_data();
    void firstFolderHoldingTheManual();
    void relocatedInstallation();
    void extractedCopyIsTheResource();
    void commandOpensCopyFromResourcesElsewhere();
};

void TestManualFile::installedFolderFromExecutable()
{
    QCOMPARE(
        ManualFile::installedFolder("/opt/zor/bin"), QString("/opt/zor/share/doc/zor-position"));
    QCOMPARE(ManualFile::installedFolder("/usr/bin/"), QString("/usr/share/doc/zor-position"));
}

void TestManualFile::searchOrder()
{
    QCOMPARE(ManualFile::searchFolders("/home/engineer/projects", "/usr/bin"),
        QStringList({ "/home/engineer/projects", "/usr/bin", "/usr/share/doc/zor-position" }));
    // Started in its own folder: that folder is looked at once.
    QCOMPARE(ManualFile::searchFolders("/opt/zor/bin/", "/opt/zor/bin"),
        QStringList({ "/opt/zor/bin", "/opt/zor/share/doc/zor-position" }));
}

void TestManualFile::firstFolderHoldingTheManual_data()
{
    // Which of the three folders hold the manual, and which one is chosen (-1: none).
    QTest::addColumn<bool>("inWorking");
    QTest::addColumn<bool>("besideExecutable");
    QTest::addColumn<bool>("inDocFolder");
    QTest::addColumn<bool>("folderByThatName");
    QTest::addColumn<int>("chosen");

    QTest::newRow("all three") << true << true << true << false << 0;
    QTest::newRow("executable and doc") << false << true << true << false << 1;
    QTest::newRow("doc only") << false << false << true << false << 2;
    QTest::newRow("working and doc") << true << false << true << false << 0;
    QTest::newRow("none") << false << false << false << false << -1;
    QTest::newRow("a folder by that name is no manual") << false << false << true << true << 2;
}

void TestManualFile::firstFolderHoldingTheManual()
{
    QFETCH(bool, inWorking);
    QFETCH(bool, besideExecutable);
    QFETCH(bool, inDocFolder);
    QFETCH(bool, folderByThatName);
    QFETCH(int, chosen);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString working = root.filePath("work");
    const QString bin = root.filePath("prefix/bin");
    const QStringList folders = ManualFile::searchFolders(working, bin);
    QCOMPARE(folders.size(), 3);
    const bool present[] = { inWorking, besideExecutable, inDocFolder };
    for (int i = 0; i < 3; ++i) {
        QVERIFY(QDir().mkpath(folders[i]));
        if (present[i])
            QVERIFY(writeFile(QDir(folders[i]).filePath(ManualFile::fileName()), "%PDF"));
    }
    if (folderByThatName)
        QVERIFY(QDir(working).mkpath(ManualFile::fileName()));

    const QString expected
        = chosen < 0 ? QString() : QDir(folders[chosen]).filePath(ManualFile::fileName());
    QCOMPARE(ManualFile::find(folders), expected);
}

void TestManualFile::relocatedInstallation()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir().mkpath(root.filePath("first/bin")));
    QVERIFY(writeFile(
        root.filePath("first/share/doc/zor-position/") + ManualFile::fileName(), "%PDF first"));
    QVERIFY(QDir(root.path()).rename("first", "moved"));

    const QString found = ManualFile::find(
        ManualFile::searchFolders(root.filePath("elsewhere"), root.filePath("moved/bin")));
    QCOMPARE(found, root.filePath("moved/share/doc/zor-position/") + ManualFile::fileName());
    QCOMPARE(readAll(found), QByteArray("%PDF first"));
}

void TestManualFile::extractedCopyIsTheResource()
{
    const QByteArray manual = readAll(ManualFile::resourcePath());
    QVERIFY(manual.startsWith("%PDF"));
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    // Twice: the second replaces the read-only first copy.
    for (int round = 0; round < 2; ++round) {
        const QString path = ManualFile::extract(folder.path());
        QCOMPARE(path, folder.filePath(ManualFile::fileName()));
        QCOMPARE(readAll(path), manual);
    }
    QCOMPARE(ManualFile::extract(folder.filePath("no such folder")), QString());
}

void TestManualFile::commandOpensCopyFromResourcesElsewhere()
{
    const QString executableDir = QCoreApplication::applicationDirPath();
    if (!ManualFile::find({ executableDir, ManualFile::installedFolder(executableDir) }).isEmpty())
        QSKIP("a manual lies beside the test program or in its installed folder");
    QTemporaryDir working;
    QVERIFY(working.isValid());

    QByteArray bytes;
    const QString opened = openedManual(working.path(), &bytes);
    QVERIFY2(QFileInfo(opened).isAbsolute(), qPrintable(opened));
    QCOMPARE(QFileInfo(opened).fileName(), ManualFile::fileName());
    QVERIFY(!opened.startsWith(working.path()));
    QCOMPARE(bytes, readAll(ManualFile::resourcePath()));
    // The copy goes with the window.
    QVERIFY(!QFileInfo::exists(opened));
}

QTEST_MAIN(TestManualFile)
#include "tst_manualfile.moc"
