#pragma once

#include <QString>
#include <QVariant>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// The undo history of a project as a list of whole states: the state after each
// completed step, the first one being the state the history started from.
// Undo and redo move through the list; a new step drops the states ahead of the
// current one. Like QUndoStack, a clean index marks the state last saved.
//
// A state is the project tree as text, without the plan image, and the image as
// an implicitly shared value held beside it (a QPixmap in a QVariant), so that
// the states share one copy of an image that did not change.
class ProjectHistory
{
public:
    struct Snapshot
    {
        std::string tree;
        QVariant image;
        // Compares the image by its cache key: the same shared image, or both null.
        qint64 imageKey = 0;
        // The image's text for the project file when it was known (shared with
        // the document), so that undoing back to it does not encode it again.
        std::shared_ptr<const std::string> imageText;
    };

    // The number of steps kept when nothing else is set.
    static constexpr int defaultLimit = 100;

    // Forgets every step: state becomes the only one, and it is clean.
    void reset(Snapshot state);

    // Records a completed step that led to state, named for the menus. A state
    // equal to the current one records nothing and returns false. With a merge key,
    // a step following one of the same key (no undo, save or other step between)
    // replaces it instead: a run of keystrokes in one field becomes one step.
    bool push(const QString &name, Snapshot state, const QString &mergeKey = QString());

    bool canUndo() const { return m_index > 0; }
    bool canRedo() const { return m_index + 1 < int(m_states.size()); }
    // The name of the step undo or redo would take back or repeat; empty when none.
    QString undoText() const;
    QString redoText() const;
    // Moves one step back or forward and returns the state to restore; null when
    // there is nothing to undo or redo.
    const Snapshot *undo();
    const Snapshot *redo();

    const Snapshot &current() const { return m_states.at(std::size_t(m_index)).state; }
    // Steps recorded (states after the first one) and the current step's number.
    int count() const { return int(m_states.size()) - 1; }
    int index() const { return m_index; }

    // The current state is the saved one.
    void setClean();
    bool isClean() const { return m_clean == m_index; }
    // No state is the saved one (a project restored from a copy, say).
    void clearClean() { m_clean = -1; }
    // The step number of the saved state; -1 when it is no longer in the history.
    int cleanIndex() const { return m_clean; }

    // At most limit steps are kept (at least 1); the oldest go first.
    void setLimit(int limit);
    int limit() const { return m_limit; }

private:
    struct Entry
    {
        Snapshot state;
        QString name;
        QString mergeKey;
    };

    void dropOldest();

    std::vector<Entry> m_states { Entry() };
    int m_index = 0;
    int m_clean = 0;
    int m_limit = defaultLimit;
};
