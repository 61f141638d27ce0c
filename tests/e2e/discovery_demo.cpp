// Looks for a player on the desktop the way the program does, and says what it found:
// the target window, its title and process, and its video component.
// Usage: discovery_demo.exe [--wait SECONDS]   (default 10)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/ctrol_panel.h"
#include "pump.h"

namespace {

unsigned handle(platform::Hwnd hwnd) {
    return static_cast<unsigned>(platform::handleValue(hwnd));
}

}  // namespace

int main(int argc, char** argv) {
    int waitSeconds = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--wait") == 0 && i + 1 < argc) {
            waitSeconds = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: discovery_demo.exe [--wait SECONDS]\n");
            return 2;
        }
    }

    CCtrolPanelDlg panel;
    std::printf("Searching the desktop for a player (up to %d s)...\n", waitSeconds);
    std::fflush(stdout);
    // One search per tracking period, as the program's timer would run it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
    for (;;) {
        panel.searchTarget();
        if (panel.hasTarget == 1 || std::chrono::steady_clock::now() >= deadline) break;
        e2e::pumpFor(std::chrono::milliseconds(CCtrolPanelDlg::kTrackingPeriodMs));
    }

    std::printf("Top-level windows that qualify: %u\n", static_cast<unsigned>(panel.windowList.size()));
    for (const CWinInf& rec : panel.windowList) {
        std::printf("  0x%08x \"%s\" %s\n", handle(rec.hwnd), rec.title.c_str(), rec.moduleName.c_str());
    }
    if (panel.hasTarget != 1) {
        std::printf("No player with a video window was found.\n");
        return 1;
    }
    std::printf("Target     0x%08x \"%s\"\n", handle(panel.target.hwnd), panel.target.title.c_str());
    std::printf("  process  %s (%s)\n", panel.target.moduleName.c_str(), panel.target.modulePath.c_str());
    std::printf("Component  0x%08x class \"%s\" id %d text \"%s\"\n", handle(panel.component.hwnd),
                panel.component.className.c_str(), static_cast<int>(panel.component.ctrlId),
                panel.component.text.c_str());
    const platform::Rect& r = panel.component.info.rcWindow;
    std::printf("  on screen (%d, %d)-(%d, %d), %d x %d\n", static_cast<int>(r.left), static_cast<int>(r.top),
                static_cast<int>(r.right), static_cast<int>(r.bottom), static_cast<int>(r.width()),
                static_cast<int>(r.height()));
    return 0;
}
