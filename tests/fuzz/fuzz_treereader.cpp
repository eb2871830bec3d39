// libFuzzer target: the text tree reader and writer on arbitrary bytes.
#include "io/projectlimits.h"
#include "io/treenode.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string written(const TreeNode &root)
{
    std::ostringstream out;
    if (!root.write(out, -1))
        std::abort();
    return out.str();
}

bool plainName(const std::string &name)
{
    if (name.empty() || name.front() == '/' || name.front() == ' ' || name.front() == '\t'
        || name.back() == ' ' || name.back() == '\t')
        return false;
    return name.find_first_of("<>=\"\\\r\n") == std::string::npos;
}

bool plainNames(const TreeNode &root)
{
    std::vector<const TreeNode *> pending;
    for (std::size_t i = 0; i < root.childCount(); ++i)
        pending.push_back(root.childAt(i));
    while (!pending.empty()) {
        const TreeNode *node = pending.back();
        pending.pop_back();
        // A head line may carry a value ("<a=1" read as a head), which no
        // line the writer puts down can.
        if (!plainName(node->name()) || (node->hasChildList() && !node->value().empty()))
            return false;
        for (std::size_t i = 0; i < node->childCount(); ++i)
            pending.push_back(node->childAt(i));
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::istringstream in(text);
    TreeNode root;
    const bool complete = root.read(in, 2000);
    // Only more line breaks and '>' bytes than the limit stop the reader (a
    // closing line at the top may end it before it has seen them all).
    std::size_t ends = 0;
    for (char c : text)
        ends += c == '\n' || c == '\r' || c == '>';
    if (!complete && ends <= 2000)
        std::abort();

    // With names the writer can put down as they are (it does not escape
    // them) and no head with a value, its output reads back into a tree that writes the same bytes.
    const std::string first = written(root);
    if (plainNames(root)) {
        std::istringstream back(first);
        TreeNode again;
        if (!again.read(back) || written(again) != first)
            std::abort();
    }

    // Every getter on every node stays inside its value.
    std::vector<const TreeNode *> pending { &root };
    while (!pending.empty()) {
        const TreeNode *node = pending.back();
        pending.pop_back();
        float value = 0;
        node->toInteger();
        node->toReal();
        node->toPointAndValue(value);
        node->toRectAndValue(value);
        for (std::size_t i = 0; i < node->childCount(); ++i)
            pending.push_back(node->childAt(i));
    }
    return 0;
}
