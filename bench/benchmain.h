#pragma once

#include <functional>

// The main() of a benchmark program that needs the application object: Qt's
// offscreen platform unless another is set, the library's own arguments, then
// run(), which makes what the benchmarks share and calls
// benchmark::RunSpecifiedBenchmarks(). Returns the program's exit status: 1
// for an argument the library does not know, else what run() returns.
int runBenchmarkProgram(int argc, char **argv, const std::function<int()> &run);
