#include "app/manualfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef ZOR_DOC_DIR_FROM_BIN
#define ZOR_DOC_DIR_FROM_BIN "../share/doc/zor-position"
#endif

namespace ManualFile {

QString fileName()
{
    return QStringLiteral("Порядок работы.pdf");
}

QString resourcePath()
{
    return QStringLiteral(":/icons/Resources/Icons/") + fileName();
}

QString installedFolder(const QString &executableDir)
{
    // An absolute path when the documentation was installed outside the prefix.
    const QString docDir = QString::fromUtf8(ZOR_DOC_DIR_FROM_BIN);
    return QDir::cleanPath(QDir(executableDir).absoluteFilePath(docDir));
}

QStringList searchFolders(const QString &workingDir, const QString &executableDir)
{
    QStringList folders { QDir::cleanPath(QDir(workingDir).absolutePath()),
        QDir::cleanPath(QDir(executableDir).absolutePath()), installedFolder(executableDir) };
    folders.removeDuplicates();
    return folders;
}

QString find(const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QFileInfo info(QDir(folder).absoluteFilePath(fileName()));
        if (info.isFile() && info.isReadable())
            return info.absoluteFilePath();
    }
    return QString();
}

QString extract(const QString &folder)
{
    const QString target = QDir(folder).absoluteFilePath(fileName());
    // A copy from the resources is read-only; an earlier one is removed before writing anew.
    if (QFileInfo::exists(target)) {
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(target);
    }
    if (!QFile::copy(resourcePath(), target))
        return QString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    return target;
}

} // namespace ManualFile
