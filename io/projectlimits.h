#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

// Bounds on what a project file may bring in. Values beyond them only come
// from damaged or hostile files; the loader refuses them instead of building
// items with absurd or non-finite geometry, and stops adding entries once a
// list is full so that loading always ends in reasonable time.
namespace ProjectLimits {

// Largest coordinate, length or height, in scene units (metres once the plan
// is calibrated): a thousand kilometres.
constexpr double maxCoordinate = 1e6;

// Entries of one list that are read at most; the rest of the list is left out.
// Every detector's zone is clipped by every surface edge, so loading time grows
// with detectors times edges: at these limits a project loads in seconds, while
// real plans stay far below them.
constexpr int maxOutlineVertices = 1000;
constexpr int maxObstacles = 300;
constexpr int maxDetectors = 300;

// Largest project file that is read at all: its plan image, the one thing of
// any size in it, could not be accepted in a larger file.
constexpr std::int64_t maxFileBytes = std::int64_t(1) << 30;

// Line breaks and '>' bytes a project file may hold. Every node of the text
// tree ends at one of them, so this bounds the tree, and with it the memory
// reading takes, whatever the file's lines look like; a real project holds a
// few thousand.
constexpr std::int64_t maxNodeEnds = 2000000;

// Longest text attribute (a tag, a housing name, …), in UTF-8 bytes.
constexpr std::size_t maxTextBytes = 4096;

// Largest decoded plan image, at four bytes per pixel.
constexpr std::int64_t maxImageBytes = std::int64_t(256) * 1024 * 1024;

// Longest PNG the loader may take in, in bytes: the raw pixels of the largest
// image (at four bytes per pixel; a PNG keeps at most that many, plus one
// filter byte per row, which is a quarter more for a one-pixel-wide image)
// stored without compression, with a sixty-fourth for the headers of the
// stored blocks and chunks and a MiB for everything else a PNG may carry.
constexpr std::int64_t maxPngBytes
    = maxImageBytes + maxImageBytes / 4 + maxImageBytes / 64 + (std::int64_t(1) << 20);

// Longest "Image" value, the Base64 text of a PNG of maxPngBytes.
constexpr std::int64_t maxImageText = (maxPngBytes + 2) / 3 * 4;

// A finite number no further from 0 than maxCoordinate.
inline bool isPlausible(double value)
{
    return std::isfinite(value) && std::fabs(value) <= maxCoordinate;
}

} // namespace ProjectLimits
