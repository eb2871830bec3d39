#include "io/projecthistory.h"

#include <algorithm>

void ProjectHistory::reset(Snapshot state)
{
    m_states.clear();
    m_states.push_back({ std::move(state), QString(), QString() });
    m_index = 0;
    m_clean = 0;
}

bool ProjectHistory::push(const QString &name, Snapshot state, const QString &mergeKey)
{
    const Snapshot &now = current();
    if (state.tree == now.tree && state.imageKey == now.imageKey)
        return false;
    m_states.erase(m_states.begin() + m_index + 1, m_states.end());
    if (m_clean > m_index)
        m_clean = -1;
    Entry &top = m_states.back();
    if (!mergeKey.isEmpty() && m_index > 0 && top.mergeKey == mergeKey && m_clean != m_index) {
        top.state = std::move(state);
        // A run that went back to the state before it is no step at all.
        const Snapshot &before = m_states.at(std::size_t(m_index - 1)).state;
        if (top.state.tree == before.tree && top.state.imageKey == before.imageKey) {
            m_states.pop_back();
            --m_index;
        }
        return true;
    }
    m_states.push_back({ std::move(state), name, mergeKey });
    ++m_index;
    while (count() > m_limit)
        dropOldest();
    return true;
}

QString ProjectHistory::undoText() const
{
    return canUndo() ? m_states.at(std::size_t(m_index)).name : QString();
}

QString ProjectHistory::redoText() const
{
    return canRedo() ? m_states.at(std::size_t(m_index + 1)).name : QString();
}

const ProjectHistory::Snapshot *ProjectHistory::undo()
{
    if (!canUndo())
        return nullptr;
    --m_index;
    return &current();
}

const ProjectHistory::Snapshot *ProjectHistory::redo()
{
    if (!canRedo())
        return nullptr;
    ++m_index;
    return &current();
}

void ProjectHistory::setClean()
{
    m_clean = m_index;
    // A run of keystrokes after a save starts a new step.
    m_states.at(std::size_t(m_index)).mergeKey.clear();
}

void ProjectHistory::setLimit(int limit)
{
    m_limit = std::max(1, limit);
    while (count() > m_limit && m_index > 0)
        dropOldest();
}

void ProjectHistory::dropOldest()
{
    m_states.erase(m_states.begin());
    --m_index;
    if (m_clean >= 0)
        --m_clean;
}
