#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>

#include <memory>

// The file a running program writes its unsaved project to, so that the next
// start can offer it back after a crash or a kill. Each program (and each window)
// has its own file, "<process id>-<n>.prj" in the folder, held by a lock file
// beside it for as long as the owner lives; a file whose lock no living process
// holds is an orphan, left behind by a program that ended without cleaning up.
class RecoveryFile
{
public:
    // The per-user folder of recovery files ("recovery" in the program's data folder).
    static QString defaultFolder();

    explicit RecoveryFile(const QString &folder = defaultFolder());
    // Removes the file and its lock: a program that ends normally leaves nothing.
    ~RecoveryFile();
    RecoveryFile(const RecoveryFile &) = delete;
    RecoveryFile &operator=(const RecoveryFile &) = delete;

    // The file to write, locked for this program; chosen and locked on the first
    // call. Empty when the folder cannot be made or no lock can be had.
    QString path();
    // The file has been written and not removed since.
    bool exists() const;
    // Removes the file (the lock stays for the next write).
    void remove();

    // The recovery files in folder that no running program owns, newest first.
    static QStringList orphans(const QString &folder = defaultFolder());
    // Removes an orphan and its lock file.
    static void discard(const QString &path);

private:
    QString m_folder;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
