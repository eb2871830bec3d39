#pragma once

#include <QEvent>
#include <QKeyEvent>

// The main window's Escape shortcut would otherwise take the key before a field sees
// it. A modified field claims Escape for itself, so that Escape first reverts the
// field; once the field is clean, Escape goes to the window again.
inline bool claimEscapeWhileModified(QEvent *event, bool modified)
{
    if (event->type() != QEvent::ShortcutOverride || !modified)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier)
        return false;
    event->accept();
    return true;
}
