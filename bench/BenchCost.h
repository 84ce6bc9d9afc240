#pragma once

// The best wall and CPU time of repeated runs, shared by the benchmarks that race a command-line tool.

#include <QElapsedTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

struct Cost {
    double wall = 1e9;
    double cpu = 1e9;
};

inline double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall time and CPU time (this process with all its threads, and its children) of one run; keeps the
// best of each. A failed run ends the benchmark.
inline void measure(Cost& best, const std::function<bool()>& work) {
    const double cpu0 = cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer t;
    t.start();
    if (!work()) {
        std::fprintf(stderr, "a run failed\n");
        std::exit(1);
    }
    const double wall = double(t.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN) - cpu0;
    best.wall = std::min(best.wall, wall);
    best.cpu = std::min(best.cpu, cpu);
}
