// Start-up time under Wine: from the call that starts a program to the moment its main
// window is visible, polled from this process every millisecond. Clipveil.exe and the floor
// dialog are started in turns, so both see the same machine; each run ends the program by
// closing its window (WM_CLOSE) and waits for it to exit before the next one starts.
//
// startup_probe [--runs N]
//   Prints one line per run and, per program:
//     startup clipveil|floor runs=N median_ms=M p10_ms=A p90_ms=B
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/testing.h"
#include "shown_window.h"
#include "platform/types.h"
#include "platform/window.h"

namespace {

using platform::Hwnd;

struct Program {
    const char* label;
    const char* path;
    const char* caption;  // UTF-8
    std::vector<double> ms;
};

constexpr std::uint32_t kShowLimitMs = 20000;
constexpr std::uint32_t kExitLimitMs = 10000;

// Milliseconds until the window showed, or nothing when it did not within the limit.
std::optional<double> startOnce(const Program& p) {
    const auto start = std::chrono::steady_clock::now();
    auto spawned = platform::testing::spawnProcess(std::string("\"") + p.path + "\"");
    if (!spawned) return std::nullopt;
    Hwnd found{};
    std::optional<double> shownAfter;
    for (;;) {
        found = bench::shownWindow(spawned->processId, p.caption);
        const double elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (found != platform::kNoWindow) {
            shownAfter = elapsed;
            break;
        }
        if (elapsed > kShowLimitMs) break;
        platform::sleepMs(1);
    }
    if (found != platform::kNoWindow) platform::postMessage(found, platform::msg::kClose, 0, 0);
    if (!platform::testing::waitForExit(spawned->process, kExitLimitMs)) {
        platform::testing::terminateProcess(spawned->process, 1);
    }
    platform::sleepMs(200);  // lets the server settle before the next start
    return shownAfter;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 15;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: startup_probe [--runs N]\n");
            return 2;
        }
    }
    Program programs[] = {{"clipveil", CLIPVEIL_EXE_PATH, "霞窓", {}},
                          {"floor", FLOOR_DIALOG_PATH, "Floor dialog", {}}};
    // One start of each first: the files are then in the cache for every timed run.
    for (Program& p : programs) {
        if (!startOnce(p)) {
            std::fprintf(stderr, "startup_probe: %s showed no window\n", p.label);
            return 1;
        }
    }
    for (int run = 0; run < runs; ++run) {
        for (Program& p : programs) {
            const auto ms = startOnce(p);
            if (!ms) {
                std::fprintf(stderr, "startup_probe: %s showed no window in run %d\n", p.label, run + 1);
                return 1;
            }
            p.ms.push_back(*ms);
            std::fprintf(stderr, "run %d %s %.1f ms\n", run + 1, p.label, *ms);
        }
    }
    for (Program& p : programs) {
        std::sort(p.ms.begin(), p.ms.end());
        auto at = [&](double q) {
            return p.ms[static_cast<std::size_t>(q * static_cast<double>(p.ms.size() - 1) + 0.5)];
        };
        std::fprintf(stderr, "startup %s runs=%d median_ms=%.1f p10_ms=%.1f p90_ms=%.1f\n", p.label, runs,
                     at(0.5), at(0.1), at(0.9));
    }
    return 0;
}
