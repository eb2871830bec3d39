#include "fileproblem.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FileProblem readProblem(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::stat(name.constData(), &status) != 0) {
        switch (errno) {
        case EACCES:
            return FileProblem::FolderNotReadable;
        case ELOOP:
            return FileProblem::LinkLoop;
        case ENAMETOOLONG:
            return FileProblem::NameTooLong;
        default:
            return FileProblem::Missing;
        }
    }
    if (S_ISDIR(status.st_mode))
        return FileProblem::IsFolder;
    // O_NONBLOCK: a FIFO must not hang the question.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return FileProblem::None;
    }
    if (errno == EACCES || errno == EPERM)
        return FileProblem::NotReadable;
    return FileProblem::None;
#else
    QFileInfo info(path);
    if (!info.exists())
        return FileProblem::Missing;
    if (info.isDir())
        return FileProblem::IsFolder;
    return info.isReadable() ? FileProblem::None : FileProblem::NotReadable;
#endif
}
