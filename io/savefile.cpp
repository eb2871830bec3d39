#include "io/savefile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int maxLinkHops = 40;

QString cannotWrite(const QString &detail)
{
    return QStringLiteral("cannot be written: ") + detail;
}

QString cannotWrite(int code)
{
    return cannotWrite(qt_error_string(code));
}

// The file a path names once its symbolic links are followed; empty when they loop.
QString followLinks(const QString &path)
{
    QFileInfo info(path);
    for (int hop = 0; info.isSymLink(); ++hop) {
        if (hop == maxLinkHops)
            return QString();
        info.setFile(info.symLinkTarget());
    }
    return info.absoluteFilePath();
}

QString temporaryName(const QString &target)
{
    return target + QString::asprintf(".%08x.tmp", QRandomGenerator::global()->generate());
}

#ifdef Q_OS_UNIX

// Some file systems cannot sync at all; that is no write error.
bool syncFailed(int fd)
{
    return ::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP;
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

unsigned defaultMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

#endif

} // namespace

SaveFile::SaveFile(const QString &path)
    : m_path(path)
{
}

SaveFile::~SaveFile()
{
    discard();
}

bool SaveFile::fail(const QString &why)
{
    m_error = why;
    return false;
}

QIODevice *SaveFile::open()
{
    if (m_file.isOpen()) {
        fail(QStringLiteral("is already open for writing"));
        return nullptr;
    }
    m_error.clear();
    m_inPlace = false;
    m_replacing = false;
    m_target = followLinks(m_path);
    if (m_target.isEmpty()) {
        fail(QStringLiteral("has too many symbolic links"));
        return nullptr;
    }

#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(m_target);
    struct stat status;
    if (::stat(native.constData(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return fail(QStringLiteral("is a folder")), nullptr;
        if (!S_ISREG(status.st_mode))
            return fail(QStringLiteral("is not a regular file")), nullptr;
        // A file without its owner's write bit is read-only for everybody, root too.
        if (!(status.st_mode & S_IWUSR) || ::access(native.constData(), W_OK) != 0)
            return fail(QStringLiteral("is read-only")), nullptr;
        m_replacing = true;
        m_mode = status.st_mode & 07777;
        m_owner = status.st_uid;
        m_group = status.st_gid;
    } else if (errno != ENOENT) {
        return fail(cannotWrite(errno)), nullptr;
    } else {
        m_mode = defaultMode();
    }
#else
    const QFileInfo info(m_target);
    if (info.exists()) {
        if (info.isDir())
            return fail(QStringLiteral("is a folder")), nullptr;
        if (!info.isFile())
            return fail(QStringLiteral("is not a regular file")), nullptr;
        if (!info.isWritable())
            return fail(QStringLiteral("is read-only")), nullptr;
        m_replacing = true;
    }
#endif
    if (!createTemporary())
        return nullptr;
    return &m_file;
}

bool SaveFile::createTemporary()
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        const QString candidate = temporaryName(m_target);
#ifdef Q_OS_UNIX
        const int fd = ::open(QFile::encodeName(candidate).constData(),
            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            const int code = errno;
            if (code == EEXIST)
                continue;
            // A folder that takes no new files: write into the target itself if it lets us.
            if (m_replacing && (code == EACCES || code == EPERM || code == EROFS)) {
                const int direct = ::open(
                    QFile::encodeName(m_target).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
                if (direct >= 0
                    && m_file.open(direct, QIODevice::WriteOnly, QFile::AutoCloseHandle)) {
                    m_inPlace = true;
                    return true;
                }
                if (direct >= 0)
                    ::close(direct);
            }
            return fail(cannotWrite(code));
        }
        if (!m_file.open(fd, QIODevice::WriteOnly, QFile::AutoCloseHandle)) {
            ::close(fd);
            ::unlink(QFile::encodeName(candidate).constData());
            return fail(cannotWrite(m_file.errorString()));
        }
        m_temporary = candidate;
        return true;
#else
        m_file.setFileName(candidate);
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_temporary = candidate;
            return true;
        }
        if (!QFileInfo::exists(candidate))
            return fail(cannotWrite(m_file.errorString()));
#endif
    }
    return fail(cannotWrite(QStringLiteral("no free name for a temporary file")));
}

bool SaveFile::commit()
{
    if (!m_file.isOpen()) {
        if (m_error.isEmpty())
            fail(QStringLiteral("was not open for writing"));
        discard();
        return false;
    }
    QString why;
    if (!m_file.flush() || m_file.error() != QFileDevice::NoError)
        why = cannotWrite(m_file.errorString());
#ifdef Q_OS_UNIX
    const int fd = m_file.handle();
    if (why.isEmpty() && syncFailed(fd))
        why = cannotWrite(errno);
    if (why.isEmpty() && !m_inPlace) {
        // Keep the old file's owner where we may; a failure leaves the file ours.
        if (m_replacing && (m_owner != ::geteuid() || m_group != ::getegid())) {
            const int kept = ::fchown(fd, m_owner, m_group);
            Q_UNUSED(kept)
        }
        if (::fchmod(fd, mode_t(m_mode)) != 0)
            why = cannotWrite(errno);
    }
#endif
    m_file.close();
    if (why.isEmpty() && m_file.error() != QFileDevice::NoError)
        why = cannotWrite(m_file.errorString());
    if (!why.isEmpty()) {
        discard();
        if (m_inPlace)
            why += QStringLiteral(" (written in place, the file may be incomplete)");
        return fail(why);
    }
    if (m_inPlace)
        return true;

#ifdef Q_OS_UNIX
    if (::rename(
            QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_target).constData())
        != 0) {
        const int code = errno;
        discard();
        return fail(cannotWrite(code));
    }
    syncFolder(QFileInfo(m_target).absolutePath());
#else
    std::error_code error;
    std::filesystem::rename(m_temporary.toStdWString(), m_target.toStdWString(), error);
    if (error) {
        discard();
        return fail(cannotWrite(QString::fromStdString(error.message())));
    }
#endif
    m_temporary.clear();
    removeLeftovers();
    return true;
}

void SaveFile::discard()
{
    if (m_file.isOpen())
        m_file.close();
    if (!m_temporary.isEmpty()) {
        QFile::remove(m_temporary);
        m_temporary.clear();
    }
}

void SaveFile::removeLeftovers() const
{
    const QFileInfo target(m_target);
    const QRegularExpression leftover(QLatin1Char('^')
        + QRegularExpression::escape(target.fileName()) + QStringLiteral("\\.[0-9a-f]{8}\\.tmp$"));
    const QDir folder = target.absoluteDir();
    const QStringList names
        = folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (leftover.match(name).hasMatch())
            QFile::remove(folder.filePath(name));
    }
}

bool SaveFile::write(const QString &path, const QByteArray &bytes, QString *error)
{
    SaveFile file(path);
    QIODevice *device = file.open();
    if (device && device->write(bytes) != bytes.size())
        file.fail(cannotWrite(device->errorString()));
    else if (device && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}
