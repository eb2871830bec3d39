#pragma once

#include "treenode.h"

#include <cstdint>
#include <filesystem>
#include <string>

// A text tree bound to a file. The path is a Unicode path: from Qt, pass
// QString::toStdU16String() (or toStdWString()), which converts implicitly.
class TreeFile
{
public:
    explicit TreeFile(std::filesystem::path path);

    const std::filesystem::path &path() const { return m_path; }
    TreeNode &root() { return m_root; }
    const TreeNode &root() const { return m_root; }

    // Writes the tree through SaveFile: into a new temporary file beside the
    // target, synced to the disk, then renamed over the target. Returns false,
    // with the previous file left exactly as it was, when any step fails or the
    // target is refused (a folder, a device, a read-only file).
    // *error, when given, receives the reason of a failure in English.
    bool save(std::string *error = nullptr) const;
    // Clears the root, then reads the file into it, once. False when the file
    // cannot be opened, or, with maxNodeEnds set, when it holds more line
    // breaks and '>' bytes than that (then *overLimit is set); the root is then
    // empty. The text itself is never rejected.
    bool load(std::int64_t maxNodeEnds = -1, bool *overLimit = nullptr);
    void clear() { m_root.clear(); }

    TreeNode &addChild(const std::string &name) { return m_root.addChild(name); }
    TreeNode *child(const std::string &name, bool create = false)
    {
        return m_root.child(name, create);
    }

private:
    std::filesystem::path m_path;
    TreeNode m_root;
};
