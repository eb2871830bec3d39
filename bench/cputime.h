#pragma once

#include <ctime>

// The CPU time of the calling thread in seconds, as the benchmark library
// counts it: references measured in the same run are timed with it, so that
// a ratio stays meaningful on a machine other programs keep busy.
inline double threadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// The CPU time of all the process's threads, and the wall clock, in seconds:
// for work spread over several threads.
inline double processCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

inline double wallSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// The CPU seconds one call of f takes, averaged over enough calls to fill
// about a fifth of a second.
template <typename F> double cpuSecondsPerCall(F &&f)
{
    int calls = 0;
    const double start = threadCpuSeconds();
    double elapsed = 0;
    do {
        f();
        ++calls;
        elapsed = threadCpuSeconds() - start;
    } while (elapsed < 0.2 && calls < 100000);
    return elapsed / calls;
}
