#include "io/coveragesettings.h"

#include "io/treenode.h"
#include "io/treenumbers.h"

#include <cmath>

namespace {

constexpr const char *kEntry = "Coverage";

bool isPercent(double value)
{
    return std::isfinite(value) && value >= 0 && value <= 100;
}

// A percentage child of node, if it holds one.
std::optional<double> percent(const TreeNode &node, const char *name)
{
    const TreeNode *child = node.child(name);
    if (!child)
        return std::nullopt;
    const std::string &text = child->value();
    const char *stop = nullptr;
    const double value = TreeNumbers::parseReal(text.data(), text.data() + text.size(), &stop);
    if (stop == text.data() || !isPercent(value))
        return std::nullopt;
    return value;
}

} // namespace

bool CoverageSettings::meets(double share, double targetPercent)
{
    return std::round(share * 1000) >= std::round(targetPercent * 10);
}

void CoverageSettings::write(TreeNode &root) const
{
    if (isDefault())
        return;
    TreeNode &entry = root.addChild(kEntry);
    entry.addChild("Min1").setReal(min1);
    if (min2)
        entry.addChild("Min2").setReal(*min2);
    entry.addChild("Map").setInteger(showMap ? 1 : 0);
}

CoverageSettings CoverageSettings::read(const TreeNode &root)
{
    CoverageSettings settings;
    const TreeNode *entry = root.child(kEntry);
    if (!entry)
        return settings;
    if (const std::optional<double> min1 = percent(*entry, "Min1"))
        settings.min1 = *min1;
    settings.min2 = percent(*entry, "Min2");
    if (const TreeNode *map = entry->child("Map"))
        settings.showMap = map->toInteger() != 0;
    return settings;
}
