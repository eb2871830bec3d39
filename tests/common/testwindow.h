#pragma once

#include <QSize>
#include <QString>

class MainWindow;
class ScriptedPrompts;

// The main window as the window tests start and end it.
namespace TestWindow {

// Forgets the user's settings as a first start finds them, with the welcome
// page turned off.
void clearSettings();

// A new main window that takes its answers from a script, shown (at the given
// size, or its own) and settled; null when it never appeared.
MainWindow *open(ScriptedPrompts **prompts, QSize size = QSize());

// Closes the window; returns what its script left unused or what was asked
// without an answer, empty when the script ran as written.
QString close(MainWindow *&window, ScriptedPrompts *&prompts);

} // namespace TestWindow
