#pragma once

#include <QString>
#include <QStringList>

// Where the operating manual is found. The program looks in the working folder, beside
// the executable, then in the documentation folder of the installation the executable
// belongs to; failing all of them it opens the copy it carries in its resources.
namespace ManualFile {

// "Порядок работы.pdf"
QString fileName();
// The copy compiled into the program.
QString resourcePath();

// The installation's documentation folder, found from the executable's folder as the
// install rules lay it out (by default <executable folder>/../share/doc/zor-position),
// so that an installation moved to another prefix still finds its manual.
QString installedFolder(const QString &executableDir);

// The folders to look in, in order: the working folder, the executable's folder and the
// installed documentation folder; absolute and without repetitions.
QStringList searchFolders(const QString &workingDir, const QString &executableDir);

// The absolute path of the manual in the first folder that holds it as a readable file;
// empty when none does.
QString find(const QStringList &folders);

// Writes the resource copy into folder under fileName(), replacing an earlier copy.
// Returns its path, or an empty string when it could not be written.
QString extract(const QString &folder);

} // namespace ManualFile
