#pragma once

#include <optional>

class TreeNode;

// What a project asks of its coverage, and whether the window shows the map.
// Saved in the project as one optional "Coverage" entry:
//   <Coverage>
//       Min1=90.000000   required share seen by at least one detector, percent
//       Min2=50.000000   the same for at least two; absent when there is none
//       Map=1            the coverage map is shown
//   </>
// The entry is written only when something differs from the defaults, so a
// project that keeps them is written as before.
struct CoverageSettings
{
    static constexpr double kDefaultMin1 = 90;

    double min1 = kDefaultMin1; // 0 … 100
    std::optional<double> min2; // 0 … 100, or no target
    bool showMap = false;

    bool isDefault() const { return *this == CoverageSettings(); }
    bool operator==(const CoverageSettings &other) const
    {
        return min1 == other.min1 && min2 == other.min2 && showMap == other.showMap;
    }
    bool operator!=(const CoverageSettings &other) const { return !(*this == other); }

    // Whether a share (0 … 1) meets a target in percent. Compared at the
    // precision the figures are shown with (0.1 %), so that "90,0 %" never
    // reads as failing a 90 % target.
    static bool meets(double share, double targetPercent);

    // The "Coverage" entry under root, when anything differs from the defaults.
    void write(TreeNode &root) const;
    // From root's "Coverage" entry; the defaults for what it lacks or holds
    // out of range, and all of them without the entry.
    static CoverageSettings read(const TreeNode &root);
};
