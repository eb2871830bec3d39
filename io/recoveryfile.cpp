#include "io/recoveryfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString lockPath(const QString &path)
{
    return path + QStringLiteral(".lock");
}

// A lock whose owner is alive is never taken over, however old it is.
std::unique_ptr<QLockFile> takeLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(lockPath(path));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

} // namespace

QString RecoveryFile::defaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("recovery"));
}

RecoveryFile::RecoveryFile(const QString &folder)
    : m_folder(folder)
{
}

RecoveryFile::~RecoveryFile()
{
    remove();
}

QString RecoveryFile::path()
{
    if (m_lock)
        return m_path;
    if (!QDir().mkpath(m_folder))
        return QString();
    const QString pid = QString::number(QCoreApplication::applicationPid());
    // A file of a crashed program with the same process id stays for the next start.
    for (int n = 1; n < 1000; ++n) {
        const QString candidate
            = QDir(m_folder).filePath(QStringLiteral("%1-%2.prj").arg(pid).arg(n));
        if (QFileInfo::exists(candidate))
            continue;
        if (auto lock = takeLock(candidate)) {
            m_lock = std::move(lock);
            m_path = candidate;
            return m_path;
        }
    }
    return QString();
}

bool RecoveryFile::exists() const
{
    return m_lock && QFileInfo::exists(m_path);
}

void RecoveryFile::remove()
{
    if (m_lock)
        QFile::remove(m_path);
}

QStringList RecoveryFile::orphans(const QString &folder)
{
    const QFileInfoList files = QDir(folder).entryInfoList(
        { QStringLiteral("*.prj") }, QDir::Files | QDir::Readable, QDir::Time);
    QStringList found;
    for (const QFileInfo &file : files) {
        // Taken and given back at once: the owner is gone.
        if (takeLock(file.absoluteFilePath()))
            found << file.absoluteFilePath();
    }
    return found;
}

void RecoveryFile::discard(const QString &path)
{
    QFile::remove(path);
    QFile::remove(lockPath(path));
}
