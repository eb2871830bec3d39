#pragma once

#include <QString>

class TreeNode;

// The name of the step that turned the project tree before into after, as the
// undo and redo commands show it ("перемещение препятствия"): the user's own
// change, not what followed from it (detectors that moved with their obstacle).
// imageChanged tells that the plan image, which the trees leave out, changed.
QString projectStepName(const TreeNode &before, const TreeNode &after, bool imageChanged);
