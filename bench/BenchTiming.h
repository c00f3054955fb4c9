// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <vector>

// The middle value of values (the upper of the two middle ones for an even
// count); 0 for none.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

enum class WarmUp {
    No,
    Once
};

// The median wall-clock seconds of runs calls of work (runs at least 1); with
// WarmUp::Once, one untimed call first fills the caches a repeated use would find full.
template <typename Work>
double medianSeconds(int runs, Work&& work, WarmUp warmUp)
{
    if (warmUp == WarmUp::Once)
        work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return median(std::move(times));
}

// The most memory this process has held resident so far, in MB.
inline double peakResidentMB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}
