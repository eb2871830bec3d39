#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

// Runs work(0) … work(count - 1) on this thread and as many others as the
// machine has cores besides, each index once, the next free index going to
// the first thread done with its last. Work must not throw.
template <typename Work> void runOnAllCores(int count, Work work)
{
    const int threads = std::min(count, int(std::max(1u, std::thread::hardware_concurrency())));
    std::atomic<int> next { 0 };
    const auto run = [&] {
        for (int i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(run);
    run();
    for (std::thread &helper : helpers)
        helper.join();
}
