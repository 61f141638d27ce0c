// A process that runs the control panel and its tracking timer, as the program's main window
// does, and takes the engine's commands from engine_e2e (see engine_host.h). Keeping the
// engine out of the test's own process means every check of the player's region, styles and
// position is read by a process other than the one that changed them.
//
// engine_host --report FILE   writes "ready 0x<panel window>\n" to FILE once the timer runs
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "engine_host.h"
#include "platform/dialog.h"
#include "platform/system.h"
#include "tests/support/testing.h"
#include "platform/window.h"
#include "resources/resource.h"

namespace {

using namespace std::chrono_literals;
using platform::Hwnd;

// A host left behind by a test that died ends by itself.
constexpr auto kLifetime = 90s;
// Out of the players' way, so that nothing of the host lies over a video.
constexpr int kHostLeft = 900;
constexpr int kHostTop = 760;

std::intptr_t value(Hwnd hwnd) {
    return static_cast<std::intptr_t>(platform::handleValue(hwnd));
}

// Stands in for the user panel: counts the notices and remembers on which tick they came.
class Notices : public IUserPanelNotice {
public:
    explicit Notices(const std::uint32_t& ticks) : ticks_(ticks) {}
    void componentFound(CWinInf target, CChildWinInf component) override {
        ++found;
        lastTarget = target.hwnd;
        lastComponent = component.hwnd;
        if (lostTick != 0 && firstFoundAfterLoss == 0) firstFoundAfterLoss = ticks_;
    }
    void targetLost() override {
        ++lost;
        lostTick = ticks_;
        firstFoundAfterLoss = 0;
    }
    std::uint32_t found = 0;
    std::uint32_t lost = 0;
    Hwnd lastTarget{};
    Hwnd lastComponent{};
    std::uint32_t lostTick = 0;
    std::uint32_t firstFoundAfterLoss = 0;

private:
    const std::uint32_t& ticks_;
};

class HostPanel : public CCtrolPanelDlg {
public:
    HostPanel() : notices_(ticks_) { theUserPanel = &notices_; }
    bool quit = false;

protected:
    std::intptr_t WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        using namespace engine_host;
        switch (message) {
            case kStartMask:
                startMask(static_cast<std::int32_t>(wParam));
                return masking;
            case kStopMask:
                stopMask();
                return masking;
            case kRead:
                return read(wParam);
            case kQuit:
                quit = true;
                return 1;
            case kSetTopMost:
                return setTopMost(static_cast<std::int32_t>(wParam));
            case kSetTransStyle:
                return setTransStyle(static_cast<std::int32_t>(wParam));
            case kSetTransAlpha:
                return setTransAlpha(static_cast<std::int32_t>(wParam));
            case platform::msg::kTimer:
                // Numbered before the tick runs, so notices carry the tick that sent them.
                if (wParam == kTrackingTimer) ++ticks_;
                break;
            default:
                break;
        }
        return CCtrolPanelDlg::WindowProc(message, wParam, lParam);
    }

private:
    std::intptr_t read(std::uintptr_t field) const {
        using namespace engine_host;
        switch (field) {
            case kHasTarget:
                return hasTarget;
            case kTarget:
                return value(target.hwnd);
            case kComponent:
                return value(component.hwnd);
            case kMasking:
                return masking;
            case kHasMoveWin:
                return moveWin != nullptr ? 1 : 0;  // only the reference: never through it
            case kClipLeft:
                return clipRect.left;
            case kClipTop:
                return clipRect.top;
            case kClipRight:
                return clipRect.right;
            case kClipBottom:
                return clipRect.bottom;
            case kTicks:
                return ticks_;
            case kFound:
                return notices_.found;
            case kLost:
                return notices_.lost;
            case kLastFoundTarget:
                return value(notices_.lastTarget);
            case kLastFoundComponent:
                return value(notices_.lastComponent);
            case kLostTick:
                return notices_.lostTick;
            case kFirstFoundAfterLoss:
                return notices_.firstFoundAfterLoss;
            default:
                return -1;
        }
    }

    std::uint32_t ticks_ = 0;
    Notices notices_;
};

bool writeReport(const std::string& file, Hwnd panel) {
    const std::string temp = file + ".tmp";
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    if (!out) return false;
    std::fprintf(out, "ready 0x%08x\n", static_cast<unsigned>(platform::handleValue(panel)));
    std::fclose(out);
    // Moved into place whole, so the test never reads half a line.
    return std::rename(temp.c_str(), file.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string report;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--report") == 0 && i + 1 < argc) {
            report = argv[++i];
        } else {
            std::fprintf(stderr, "usage: engine_host --report FILE\n");
            return 2;
        }
    }
    if (report.empty()) {
        std::fprintf(stderr, "usage: engine_host --report FILE\n");
        return 2;
    }

    platform::testing::initDialogControls();
    // The main window's part: a host dialog with the control panel as its child.
    platform::CDialog host(IDD_CLIPVEIL_DIALOG);
    if (!host.Create(platform::kNoWindow)) {
        std::fprintf(stderr, "engine_host: the host dialog was not created\n");
        return 1;
    }
    platform::setMainWindow(host.GetSafeHwnd());
    HostPanel panel;
    if (!panel.Create(&host)) {
        std::fprintf(stderr, "engine_host: the control panel was not created\n");
        return 1;
    }
    panel.ShowWindow(platform::kSwShow);
    host.SetWindowPos(platform::kNoWindow, kHostLeft, kHostTop, 0, 0,
                      platform::kSwpNoSize | platform::kSwpNoZOrder | platform::kSwpNoActivate);
    host.ShowWindow(platform::kSwShow);
    panel.startTimer();
    if (!writeReport(report, panel.GetSafeHwnd())) {
        std::fprintf(stderr, "engine_host: cannot write %s\n", report.c_str());
        return 1;
    }

    const auto end = std::chrono::steady_clock::now() + kLifetime;
    while (!panel.quit && std::chrono::steady_clock::now() < end) {
        platform::testing::pumpMessages();
        platform::testing::waitForMessages(100);
    }
    // As the main window does when it closes: the panel's DestroyWindow restores the player.
    panel.DestroyWindow();
    host.DestroyWindow();
    std::fflush(stdout);
    return panel.quit ? 0 : 3;
}
