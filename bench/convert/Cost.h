// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Wall and CPU time of a piece of work, for the benchmarks that compare whole conversions.
#include <QElapsedTimer>
#include <functional>
#include <sys/resource.h>

// CPU seconds (user and system) of RUSAGE_SELF or RUSAGE_CHILDREN so far.
inline double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
           + usage.ru_stime.tv_usec / 1e6;
}

// What one piece of work cost: wall seconds and CPU seconds of this process and of the child
// processes it waited for.
struct Cost
{
    double seconds = 0;
    double cpu = 0;
};

inline Cost Measure(const std::function<void()> &work)
{
    const double self = CpuSeconds(RUSAGE_SELF), children = CpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    work();
    return {timer.elapsed() / 1000.0,
            CpuSeconds(RUSAGE_SELF) - self + CpuSeconds(RUSAGE_CHILDREN) - children};
}
