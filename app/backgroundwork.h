#pragma once

#include <functional>

class QWidget;

// Work that may take long and mostly waits (a save that waits for the disk),
// run on a worker thread while the window goes on repainting. Once it outlasts
// a short grace the window is disabled, with the busy cursor, until the work is
// done: it takes no input meanwhile, so the project it shows cannot change
// under the work, yet it never stops responding. The work must touch nothing
// that the window's thread uses (no widget, no pixmap, no scene).
namespace BackgroundWork {

// How long the window waits for the work before it is disabled and events run.
constexpr int graceMs = 100;

// Runs work and returns its result once it is done.
bool run(QWidget *window, const std::function<bool()> &work);

// Whether run() is waiting for work; while it is, the window must refuse
// what would change the project or leave it (closing included).
bool busy();

} // namespace BackgroundWork
