// One tick of the tracking timer over real windows, timed inside a Windows program that runs
// the control panel as the program's main window does (like tests/e2e/engine_host.cpp).
// The windows come from other processes (the window farm and the imitation player), so every
// text query crosses to their threads as it does for the product.
//
// tick_bench [--ticks K]
//   K searching ticks (the target dropped before each, so the whole search runs up to the
//   player), then K tracking ticks (the player held). Prints for each kind:
//     engine search|track ticks=K median_us=M p10_us=A p90_us=B listed=L position=P
//   where L is the length of the window list and P the player's place in it (1-based).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "../timing.h"

#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "platform/dialog.h"
#include "platform/system.h"
#include "tests/support/testing.h"
#include "platform/window.h"
#include "resources/resource.h"

namespace {

using bench::summarise;
using bench::Summary;
using bench::timeTicks;

// Takes the notices by value, as the user panel does.
class DiscardNotices : public IUserPanelNotice {
public:
    void componentFound(CWinInf target, CChildWinInf component) override {
        lastTarget = target.hwnd;
        lastClass = component.className;
    }
    void targetLost() override { ++lost; }
    platform::Hwnd lastTarget{};
    std::string lastClass;
    int lost = 0;
};

}  // namespace

int main(int argc, char** argv) {
    int ticks = 50;
    if (!bench::readTicksOption(argc, argv, "tick_bench", ticks)) return 2;

    platform::testing::initDialogControls();
    // The host stays hidden: its windows are then left out of the window list, as the
    // reference program's are, and both examine exactly the same desktop.
    platform::CDialog host(IDD_CLIPVEIL_DIALOG);
    if (!host.Create(platform::kNoWindow)) {
        std::fprintf(stderr, "tick_bench: the host dialog was not created\n");
        return 1;
    }
    host.ShowWindow(platform::kSwHide);
    platform::setMainWindow(host.GetSafeHwnd());
    DiscardNotices notices;
    theUserPanel = &notices;
    CCtrolPanelDlg panel;
    if (!panel.Create(&host)) {
        std::fprintf(stderr, "tick_bench: the control panel was not created\n");
        return 1;
    }
    panel.ShowWindow(platform::kSwShow);
    // Diagnostic lines go to the null device, as they do outside debug mode; results to stderr.
    platform::reopenStdout("NUL", "w");
    std::FILE* const results = stderr;

    // The timer is not started: the ticks are run here, one after the other.
    auto tick = [&] {
        panel.checkTarget();
        panel.showHandles();
    };
    tick();  // warms up, and finds the player
    if (panel.hasTarget != 1) {
        std::fprintf(results, "tick_bench: no player found\n");
        return 1;
    }
    const platform::Hwnd player = panel.target.hwnd;
    const auto listed = panel.windowList.size();
    const auto position = 1 + std::distance(panel.windowList.begin(),
                                            std::find_if(panel.windowList.begin(), panel.windowList.end(),
                                                         [&](const CWinInf& w) { return w.hwnd == player; }));

    std::vector<double> search;
    const double searchCpu = bench::cpuPerTick(
        ticks,
        [&] {
            panel.hasTarget = 0;  // as after a loss: the tick searches the whole desktop again
            tick();
        },
        platform::testing::processCpuMicroseconds, search);
    const bool searchFoundIt = panel.hasTarget == 1 && panel.target.hwnd == player;
    const auto track = timeTicks(ticks, tick);
    // A tracking tick's CPU, over ten times as many ticks: a tick costs about a millisecond,
    // and the process's times advance in steps of 10 ms.
    std::vector<double> moreTracks;
    const double trackCpu =
        bench::cpuPerTick(10 * ticks, tick, platform::testing::processCpuMicroseconds, moreTracks);
    const bool trackKeptIt = panel.hasTarget == 1 && panel.target.hwnd == player && notices.lost == 0;

    // Where a tracking tick's time goes: the target's rescan, then the two handle fields.
    const auto rescan = timeTicks(ticks, [&] { panel.findComponent(panel.target); });
    const auto fields = timeTicks(ticks, [&] { panel.showHandles(); });
    // The diagnostic line every successful look-up prints, as the engine prints it, with
    // standard output on the null device as here.
    const auto line = timeTicks(ticks, [&] {
        platform::debugPrintf("Find Component Handle=%s\n",
                              platform::handleText(panel.component.hwnd).c_str());
    });

    const Summary s = summarise(search);
    const Summary t = summarise(track);
    std::fprintf(results,
                 "engine search ticks=%d median_us=%.1f p10_us=%.1f p90_us=%.1f listed=%u position=%d "
                 "max_us=%.1f cpu_us=%.1f\n",
                 ticks, s.median, s.p10, s.p90, static_cast<unsigned>(listed), static_cast<int>(position),
                 s.max, searchCpu);
    std::fprintf(results,
                 "engine track ticks=%d median_us=%.1f p10_us=%.1f p90_us=%.1f listed=%u position=%d "
                 "cpu_us=%.1f\n",
                 ticks, t.median, t.p10, t.p90, static_cast<unsigned>(listed), static_cast<int>(position),
                 trackCpu);
    const Summary r = summarise(rescan);
    const Summary f = summarise(fields);
    std::fprintf(results, "engine track-rescan ticks=%d median_us=%.1f p10_us=%.1f p90_us=%.1f\n", ticks,
                 r.median, r.p10, r.p90);
    std::fprintf(results, "engine track-fields ticks=%d median_us=%.1f p10_us=%.1f p90_us=%.1f\n", ticks,
                 f.median, f.p10, f.p90);
    const Summary l = summarise(line);
    std::fprintf(results, "engine track-line ticks=%d median_us=%.1f p10_us=%.1f p90_us=%.1f\n", ticks,
                 l.median, l.p10, l.p90);
    panel.DestroyWindow();
    host.DestroyWindow();
    if (!searchFoundIt || !trackKeptIt || notices.lastClass.empty()) {
        std::fprintf(results, "tick_bench: the player was not held through the ticks\n");
        return 1;
    }
    return 0;
}
