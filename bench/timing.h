// Timing shared by the benchmark programs: each tick timed on its own, then summarised.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace bench {

struct Summary {
    double median, p10, p90, max;
};

inline Summary summarise(std::vector<double> us) {
    std::sort(us.begin(), us.end());
    auto at = [&](double q) {
        return us[static_cast<std::size_t>(q * static_cast<double>(us.size() - 1) + 0.5)];
    };
    return {at(0.5), at(0.1), at(0.9), us.back()};
}

// Microseconds each of count calls of tick() took.
template <class Tick>
std::vector<double> timeTicks(int count, Tick tick) {
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        tick();
        const auto end = std::chrono::steady_clock::now();
        us.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    return us;
}

// The CPU this process spent per tick over count calls of tick(), in microseconds, as read
// by cpuUs (the process's user and kernel time so far); the ticks' own times go to us.
template <class Tick, class Cpu>
double cpuPerTick(int count, Tick tick, Cpu cpuUs, std::vector<double>& us) {
    const auto before = cpuUs();
    us = timeTicks(count, tick);
    return static_cast<double>(cpuUs() - before) / count;
}

// Reads the one option the tick programs take, "--ticks K" (K at least 1), into ticks.
// False, after a usage line, on anything else.
inline bool readTicksOption(int argc, char** argv, const char* program, int& ticks) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--ticks") == 0 && i + 1 < argc) {
            ticks = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--ticks K]\n", program);
            return false;
        }
    }
    return true;
}

}  // namespace bench
