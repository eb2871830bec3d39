#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

// Runs work(0) … work(count - 1) on this thread and as many others as the
// machine has cores besides, each index once, the next free index going to
// the first thread done with its last. Before this thread takes its first
// index it runs meanwhile(), while the others have started on theirs: work
// of its own (the window's objects, say) that must not wait for the rest.
// Neither may throw.
template <typename Work, typename Meanwhile>
void runOnAllCores(int count, Work work, Meanwhile meanwhile)
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
    meanwhile();
    run();
    for (std::thread &helper : helpers)
        helper.join();
}

template <typename Work> void runOnAllCores(int count, Work work)
{
    runOnAllCores(count, work, [] {});
}
