#include "app/recentprojects.h"

#include <QFileInfo>

namespace {

QString normalized(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

RecentProjects::RecentProjects(const QStringList &paths)
{
    // Entries the settings hold are taken as they come, oldest last, and trimmed.
    for (auto it = paths.crbegin(); it != paths.crend(); ++it) {
        if (!it->isEmpty())
            add(*it);
    }
}

void RecentProjects::add(const QString &path)
{
    const QString entry = normalized(path);
    m_paths.removeAll(entry);
    m_paths.prepend(entry);
    while (m_paths.size() > limit)
        m_paths.removeLast();
}

void RecentProjects::remove(const QString &path)
{
    m_paths.removeAll(normalized(path));
}
