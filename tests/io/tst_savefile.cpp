#include "common/filesizelimit.h"
#include "io/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#endif

namespace {

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

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The temporary files of a save of `name` that are in `folder`.
QStringList temporaries(const QString &folder, const QString &name)
{
    const QRegularExpression pattern(QLatin1Char('^') + QRegularExpression::escape(name)
        + QStringLiteral("\\.[0-9a-f]{8}\\.tmp$"));
    return entries(folder).filter(pattern);
}

#ifdef Q_OS_UNIX
unsigned modeOf(const QString &path)
{
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return 0xffff;
    return status.st_mode & 07777;
}

// A folder that takes no new files while the files in it stay writable: an
// ordinary user loses the write permission on it; root, whom that does not
// stop, gets the folder marked immutable.
class LockedFolder
{
public:
    explicit LockedFolder(const QString &path)
        : m_path(path)
    {
        if (::geteuid() != 0) {
            m_locked = ::chmod(QFile::encodeName(path).constData(), 0555) == 0;
            return;
        }
#ifdef Q_OS_LINUX
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (m_fd >= 0 && ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_locked = ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
#endif
    }
    ~LockedFolder()
    {
        if (m_locked && m_fd < 0)
            ::chmod(QFile::encodeName(m_path).constData(), 0755);
#ifdef Q_OS_LINUX
        int flags = 0;
        if (m_locked && m_fd >= 0 && ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags);
        }
#endif
        if (m_fd >= 0)
            ::close(m_fd);
    }
    LockedFolder(const LockedFolder &) = delete;
    LockedFolder &operator=(const LockedFolder &) = delete;

    bool isLocked() const
    {
        return m_locked;
    }

private:
    QString m_path;
    int m_fd = -1;
    bool m_locked = false;
};

// Sets the process's umask while it lives.
class Umask
{
public:
    explicit Umask(mode_t mask)
        : m_saved(::umask(mask))
    {
    }
    ~Umask() { ::umask(m_saved); }

private:
    mode_t m_saved;
};
#endif

} // namespace

class TestSaveFile : public QObject
{
    Q_OBJECT
private slots:
    void commitReplacesTheTarget();
    void droppedWithoutCommitKeepsTheOldFile_data();
    void droppedWithoutCommitKeepsTheOldFile();
    void refusedTargets_data();
    void refusedTargets();
    void failingWriteKeepsTheOldFile();
    void permissions_data();
    void permissions();
    void followsSymbolicLinks();
    void writesInPlaceWhenTheFolderTakesNoNewFiles();
    void removesLeftoversOfTheSameTargetOnly();
};

void TestSaveFile::commitReplacesTheTarget()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("таблица.csv"));
    QVERIFY(writeAll(path, "old content, longer than the new one\r\n"));

    SaveFile file(path);
    QIODevice *device = file.open();
    QVERIFY2(device, qPrintable(file.errorString()));
    QVERIFY(!file.writesInPlace());
    QCOMPARE(device->write("new\r\n"), qint64(5));
    // Until the commit the target is the old file; the bytes are in a temporary beside it.
    QCOMPARE(readAll(path), QByteArray("old content, longer than the new one\r\n"));
    const QStringList pending = temporaries(dir.path(), QStringLiteral("таблица.csv"));
    QCOMPARE(pending.size(), 1);
#ifdef Q_OS_UNIX
    QCOMPARE(modeOf(dir.filePath(pending.first())), 0600u);
#endif

    QVERIFY2(file.commit(), qPrintable(file.errorString()));
    QCOMPARE(readAll(path), QByteArray("new\r\n"));
    QCOMPARE(entries(dir.path()), QStringList(QStringLiteral("таблица.csv")));
    QVERIFY(file.errorString().isEmpty());
}

void TestSaveFile::droppedWithoutCommitKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("discard");
    QTest::newRow("discarded") << true;
    QTest::newRow("destroyed") << false;
}

void TestSaveFile::droppedWithoutCommitKeepsTheOldFile()
{
    QFETCH(bool, discard);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.prj"));
    QVERIFY(writeAll(path, "A=1\r\n"));
    {
        SaveFile file(path);
        QIODevice *device = file.open();
        QVERIFY(device);
        device->write(QByteArray(100000, 'x'));
        if (discard) {
            file.discard();
            QVERIFY(!file.commit());
        }
    }
    QCOMPARE(readAll(path), QByteArray("A=1\r\n"));
    QCOMPARE(entries(dir.path()), QStringList(QStringLiteral("a.prj")));
}

void TestSaveFile::refusedTargets_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error");
    const QString cannot = QStringLiteral("cannot be written: ");
    QTest::newRow("folder") << "folder"
                            << "is a folder";
    QTest::newRow("FIFO") << "fifo"
                          << "is not a regular file";
    QTest::newRow("character device") << "device"
                                      << "is not a regular file";
    QTest::newRow("link to a character device") << "device link"
                                                << "is not a regular file";
    QTest::newRow("read-only file") << "0444"
                                    << "is read-only";
    QTest::newRow("no write bit for the owner") << "0464"
                                                << "is read-only";
    QTest::newRow("folder does not exist") << "missing folder" << cannot;
    QTest::newRow("parent is a file") << "file as parent" << cannot;
}

void TestSaveFile::refusedTargets()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, kind);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("t"));
    QString target = file;
    const QByteArray old("old\n");
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("t/inside")));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0666), 0);
    } else if (kind == QLatin1String("device")) {
        target = QStringLiteral("/dev/full");
    } else if (kind == QLatin1String("device link")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), file));
    } else if (kind == QLatin1String("missing folder")) {
        target = dir.filePath(QStringLiteral("nowhere/t"));
    } else if (kind == QLatin1String("file as parent")) {
        QVERIFY(writeAll(file, old));
        target = file + QStringLiteral("/t");
    } else {
        QVERIFY(writeAll(file, old));
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), kind.toUInt(nullptr, 8)), 0);
    }
    struct stat device
    {
    };
    if (kind.startsWith(QLatin1String("device")))
        QCOMPARE(::stat("/dev/full", &device), 0);
    const QStringList listed = entries(dir.path());
    const unsigned mode = modeOf(file);

    SaveFile save(target);
    QVERIFY(!save.open());
    QVERIFY2(save.errorString().startsWith(error), qPrintable(save.errorString()));
    QString why;
    QVERIFY(!SaveFile::write(target, "new\n", &why));
    QCOMPARE(why, save.errorString());

    // Nothing moved: the same entries, the old file's bytes and mode, the device still a device.
    QCOMPARE(entries(dir.path()), listed);
    QCOMPARE(modeOf(file), mode);
    if (kind.startsWith(QLatin1Char('0')) || kind == QLatin1String("file as parent"))
        QCOMPARE(readAll(file), old);
    if (kind == QLatin1String("folder"))
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("t/inside"))).isDir());
    struct stat after;
    if (kind.startsWith(QLatin1String("device"))) {
        QCOMPARE(::stat("/dev/full", &after), 0);
        QVERIFY(S_ISCHR(after.st_mode));
        QCOMPARE(after.st_rdev, device.st_rdev);
        QCOMPARE(after.st_ino, device.st_ino);
    }
    if (kind == QLatin1String("device link"))
        QVERIFY(QFileInfo(file).isSymLink());
#else
    QSKIP("file kinds and modes of Unix");
#endif
}

void TestSaveFile::failingWriteKeepsTheOldFile()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bin"));
    const QByteArray old(3000, 'o');
    QVERIFY(writeAll(path, old));
    bool written = true;
    QString why;
    {
        FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.isSet());
        written = SaveFile::write(path, QByteArray(1 << 20, 'n'), &why);
    }
    QVERIFY(!written);
    QVERIFY2(why.startsWith(QStringLiteral("cannot be written: ")), qPrintable(why));
    QCOMPARE(readAll(path), old);
    QCOMPARE(entries(dir.path()), QStringList(QStringLiteral("a.bin")));
#else
    QSKIP("needs a file size limit");
#endif
}

void TestSaveFile::permissions_data()
{
    QTest::addColumn<int>("oldMode"); // -1: no old file
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("expected");
    QTest::newRow("new file, umask 022") << -1 << 0022 << 0644;
    QTest::newRow("new file, umask 077") << -1 << 0077 << 0600;
    QTest::newRow("new file, umask 0") << -1 << 0 << 0666;
    QTest::newRow("replaced 0640") << 0640 << 0022 << 0640;
    QTest::newRow("replaced 0606 under umask 077") << 0606 << 0077 << 0606;
}

void TestSaveFile::permissions()
{
#ifdef Q_OS_UNIX
    QFETCH(int, oldMode);
    QFETCH(int, mask);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.png"));
    if (oldMode >= 0) {
        QVERIFY(writeAll(path, "old"));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(oldMode)), 0);
    }
    const Umask scopedMask { mode_t(mask) };
    SaveFile file(path);
    QIODevice *device = file.open();
    QVERIFY(device);
    device->write("new");
    const QStringList pending = temporaries(dir.path(), QStringLiteral("a.png"));
    QCOMPARE(pending.size(), 1);
    // Whatever the umask, nobody else can read the half-written file.
    QCOMPARE(modeOf(dir.filePath(pending.first())), 0600u);
    QVERIFY(file.commit());
    QCOMPARE(modeOf(path), unsigned(expected));
    QCOMPARE(readAll(path), QByteArray("new"));
#else
    QSKIP("Unix permission bits");
#endif
}

void TestSaveFile::followsSymbolicLinks()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("links")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("files")));
    const QString real = dir.filePath(QStringLiteral("files/real.prj"));
    QVERIFY(writeAll(real, "A=1\r\n"));
    const QString link = dir.filePath(QStringLiteral("links/link.prj"));
    const QString chained = dir.filePath(QStringLiteral("links/chained.prj"));
    const QString dangling = dir.filePath(QStringLiteral("links/dangling.prj"));
    QCOMPARE(::symlink("../files/real.prj", QFile::encodeName(link).constData()), 0);
    QCOMPARE(::symlink("link.prj", QFile::encodeName(chained).constData()), 0);
    QCOMPARE(::symlink("../files/new.prj", QFile::encodeName(dangling).constData()), 0);

    SaveFile file(chained);
    QIODevice *device = file.open();
    QVERIFY(device);
    QCOMPARE(file.targetPath(), real);
    device->write("A=2\r\n");
    QVERIFY(file.commit());
    QCOMPARE(readAll(real), QByteArray("A=2\r\n"));

    // A link to a file not there yet creates the file it names.
    QVERIFY(SaveFile::write(dangling, "B=1\r\n"));
    QCOMPARE(readAll(dir.filePath(QStringLiteral("files/new.prj"))), QByteArray("B=1\r\n"));

    const QStringList links = { "chained.prj", "dangling.prj", "link.prj" };
    QCOMPARE(entries(dir.filePath(QStringLiteral("links"))), links);
    for (const QString &name : links)
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("links/") + name)).isSymLink());
    QCOMPARE(
        entries(dir.filePath(QStringLiteral("files"))), QStringList({ "new.prj", "real.prj" }));
#else
    QSKIP("symbolic links");
#endif
}

void TestSaveFile::writesInPlaceWhenTheFolderTakesNoNewFiles()
{
#ifdef Q_OS_UNIX
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("locked")));
    const QString path = folder + QStringLiteral("/a.csv");
    QVERIFY(writeAll(path, "old, and longer than the new content\r\n"));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);

    LockedFolder lock(folder);
    if (!lock.isLocked())
        QSKIP("this file system cannot lock a folder against new files");

    SaveFile file(path);
    QIODevice *device = file.open();
    QVERIFY2(device, qPrintable(file.errorString()));
    QVERIFY(file.writesInPlace());
    device->write("new\r\n");
    QVERIFY2(file.commit(), qPrintable(file.errorString()));
    QCOMPARE(readAll(path), QByteArray("new\r\n"));
    QCOMPARE(modeOf(path), 0640u);
    QCOMPARE(entries(folder), QStringList(QStringLiteral("a.csv")));

    // A file that is not there yet cannot be written in place.
    QString why;
    QVERIFY(!SaveFile::write(folder + QStringLiteral("/b.csv"), "b", &why));
    QVERIFY2(why.startsWith(QStringLiteral("cannot be written: ")), qPrintable(why));
#else
    QSKIP("folder permissions of Unix");
#endif
}

void TestSaveFile::removesLeftoversOfTheSameTargetOnly()
{
    QTemporaryDir dir;
    const QStringList leftovers = { "a.csv.0123abcd.tmp", "a.csv.ffffffff.tmp" };
    const QStringList others = { ".a.csv.0123abcd.tmp", "a.csv.0123ABCD.tmp", "a.csv.0123abc.tmp",
        "a.csv.0123abcde.tmp", "a.csv.0123abcd.tmp.keep", "a.csv.0123abcd.TMP", "a.csv.tmp",
        "b.csv.0123abcd.tmp", "xa.csv.0123abcd.tmp", "a.csvx.0123abcd.tmp" };
    for (const QString &name : leftovers + others)
        QVERIFY(writeAll(dir.filePath(name), "left"));
    // A failed save leaves them be.
    QVERIFY(!SaveFile::write(dir.filePath(QStringLiteral("a.csv/x")), "x"));
    QCOMPARE(entries(dir.path()).size(), leftovers.size() + others.size());

    QVERIFY(SaveFile::write(dir.filePath(QStringLiteral("a.csv")), "table"));
    QStringList expected = others;
    expected << QStringLiteral("a.csv");
    expected.sort();
    QCOMPARE(entries(dir.path()), expected);
}

QTEST_GUILESS_MAIN(TestSaveFile)
#include "tst_savefile.moc"
