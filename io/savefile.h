#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

class QIODevice;

// The one way the program writes a file. The bytes go into a new temporary file beside the
// target ("name.XXXXXXXX.tmp", readable by its owner only), which commit() flushes, syncs to the
// disk, gives the old file's permission bits (or the umask's default for a new file) and renames
// over the target. A write that fails, or a SaveFile dropped without commit(), removes the
// temporary file and leaves the target exactly as it was.
//
// Refused with the target left alone: an existing target that is no regular file (a folder, a
// device, a FIFO), and one that is read-only (no write bit for its owner, or not writable for
// this user). A symbolic link is followed: the file it points to is replaced, the link stays.
// When the folder takes no new files but the target itself is writable, the bytes are written
// straight into the target instead; a failure can then leave it truncated.
//
// A successful save also removes the temporary files that earlier interrupted saves of the same
// target left behind.
class SaveFile
{
public:
    explicit SaveFile(const QString &path);
    ~SaveFile();
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;

    // The device to write to, open for writing; null when the file cannot be written.
    QIODevice *open();
    // Puts the written bytes in place of the target. False, with the target unchanged (unless
    // written in place), when anything failed on the way.
    bool commit();
    // Drops what was written so far.
    void discard();

    // Why open() or commit() failed, as a short English phrase ("is a folder", "cannot be
    // written: No space left on device").
    QString errorString() const { return m_error; }
    // The file that is replaced: the given path with symbolic links followed.
    QString targetPath() const { return m_target; }
    bool writesInPlace() const { return m_inPlace; }

    // Writes `bytes` as the whole new content of `path`; on failure *error says why.
    static bool write(const QString &path, const QByteArray &bytes, QString *error = nullptr);

private:
    bool fail(const QString &why);
    bool createTemporary();
    void removeLeftovers() const;

    QString m_path;
    QString m_target;
    QString m_temporary;
    QFile m_file;
    QString m_error;
    bool m_inPlace = false;
    bool m_replacing = false;
    unsigned m_mode = 0;
    unsigned m_owner = 0;
    unsigned m_group = 0;
};
