// How fast Clipveil's main window answers while it searches a desktop on which another
// program hangs: starts Clipveil.exe, waits for its window, then sends it WM_NULL every
// 20 ms for the given time and records each round trip, as a user's click would wait.
//
// answer_probe [--seconds S]
//   Prints: answer probes=N median_ms=M p99_ms=P max_ms=X late=L
//   where L counts the round trips over 250 ms (and the ones not answered within 2 s).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/testing.h"
#include "shown_window.h"
#include "platform/types.h"
#include "platform/window.h"

namespace {

using platform::Hwnd;

constexpr double kLateMs = 250;
constexpr std::uint32_t kGiveUpMs = 2000;

}  // namespace

int main(int argc, char** argv) {
    int seconds = 15;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: answer_probe [--seconds S]\n");
            return 2;
        }
    }
    auto spawned = platform::testing::spawnProcess(std::string("\"") + CLIPVEIL_EXE_PATH + "\"");
    if (!spawned) {
        std::fprintf(stderr, "answer_probe: Clipveil.exe did not start\n");
        return 1;
    }
    Hwnd main{};
    for (int i = 0; i < 2000 && main == platform::kNoWindow; ++i) {
        main = bench::shownWindow(spawned->processId, "霞窓");
        platform::sleepMs(10);
    }
    if (main == platform::kNoWindow) {
        std::fprintf(stderr, "answer_probe: no main window\n");
        platform::testing::terminateProcess(spawned->process, 1);
        return 1;
    }

    std::vector<double> ms;
    int late = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        const auto start = std::chrono::steady_clock::now();
        const auto answer =
            platform::testing::sendMessageTimeout(main, platform::msg::kNull, 0, 0, kGiveUpMs);
        const double took =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ms.push_back(answer ? took : kGiveUpMs);
        if (!answer || took > kLateMs) ++late;
        platform::sleepMs(20);
    }
    platform::postMessage(main, platform::msg::kClose, 0, 0);
    if (!platform::testing::waitForExit(spawned->process, 10000))
        platform::testing::terminateProcess(spawned->process, 1);

    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) {
        return ms[static_cast<std::size_t>(q * static_cast<double>(ms.size() - 1) + 0.5)];
    };
    std::fprintf(stderr, "answer probes=%zu median_ms=%.1f p99_ms=%.1f max_ms=%.1f late=%d\n", ms.size(),
                 at(0.5), at(0.99), ms.back(), late);
    return 0;
}
