#pragma once

#include <QStringList>

// The projects last opened or saved, newest first, each once, at most limit of them.
class RecentProjects
{
public:
    static constexpr int limit = 8;

    explicit RecentProjects(const QStringList &paths = QStringList());

    // Puts path (made absolute) first, removing an older entry of the same file.
    void add(const QString &path);
    void remove(const QString &path);
    void clear() { m_paths.clear(); }
    const QStringList &paths() const { return m_paths; }

private:
    QStringList m_paths;
};
