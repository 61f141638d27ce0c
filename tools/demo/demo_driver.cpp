// Drives the running Clipveil from another process for the demo, as a user would: waits for
// its window and status lines, presses its buttons, and tells where its window is so the
// demo can cut screenshots to it.
//
//   demo_driver wait-window SECONDS          the main window "霞窓" is up
//   demo_driver wait-status searching|found SECONDS
//                                            status line 1000 says the panel searches or found
//   demo_driver wait-clip SECONDS            the tracked player has a window region
//   demo_driver wait-see-through SECONDS     the tracked player has its layered opacity
//   demo_driver click ID                     a click on a control of the user panel
//   demo_driver post-click ID                the same, without waiting for its handler: a
//                                            button that opens a modal dialog returns late
//   demo_driver wait-setting SECONDS         the see-through setting dialog is up
//   demo_driver setting-ok PERCENT           types PERCENT into that dialog and presses OK
//   demo_driver geometry [WHAT]              prints a window as WxH+X+Y: main (the default),
//                                            setting, player, or video (the player's
//                                            window region on the screen)
//   demo_driver close                        asks the main window to close (WM_CLOSE)
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"
#include "platform/window.h"
#include "tests/support/testing.h"

namespace {

using platform::Hwnd;

constexpr const char* kMainCaption = "霞窓";
constexpr const char* kSettingCaption = "透かし透明度設定";
constexpr int kPercentEdit = 1008;
constexpr int kStatusLine = 1000;
constexpr int kTargetHandleField = 1003;  // in the control panel: "0x%08x" of the player
constexpr unsigned kPollMs = 100;

struct Search {
    std::string text;
    int id = 0;
    Hwnd found{};
};

int findTopLevel(Hwnd hwnd, std::uintptr_t context) {
    auto* s = reinterpret_cast<Search*>(context);
    if (platform::getWindowTextUtf8(hwnd) == s->text && platform::isWindowVisible(hwnd)) {
        s->found = hwnd;
        return 0;
    }
    return 1;
}

Hwnd topLevel(const char* caption) {
    Search s{caption, 0, {}};
    platform::enumWindows(&findTopLevel, reinterpret_cast<std::uintptr_t>(&s));
    return s.found;
}

Hwnd mainWindow() {
    return topLevel(kMainCaption);
}

// Every control with this id under the main window, in enumeration order.
std::vector<Hwnd> controls(int id) {
    struct Ids {
        int id;
        std::vector<Hwnd> found;
    } ids{id, {}};
    const Hwnd main = mainWindow();
    if (main == platform::kNoWindow) return {};
    platform::enumChildWindows(
        main,
        [](Hwnd hwnd, std::uintptr_t context) {
            auto* i = reinterpret_cast<Ids*>(context);
            if (platform::getDlgCtrlId(hwnd) == i->id) i->found.push_back(hwnd);
            return 1;
        },
        reinterpret_cast<std::uintptr_t>(&ids));
    return ids.found;
}

// The user panel comes first among the main window's children.
Hwnd userPanelControl(int id) {
    const auto all = controls(id);
    return all.empty() ? platform::kNoWindow : all.front();
}

template <class Condition>
bool waitFor(double seconds, Condition condition) {
    const auto rounds = static_cast<int>(seconds * 1000 / kPollMs);
    for (int i = 0; i <= rounds; ++i) {
        if (condition()) return true;
        platform::sleepMs(kPollMs);
    }
    return false;
}

Hwnd trackedPlayer() {
    const auto fields = controls(kTargetHandleField);
    if (fields.size() < 2) return platform::kNoWindow;
    const std::string text = platform::getWindowTextUtf8(fields.back());
    if (text.size() != 10) return platform::kNoWindow;
    return platform::toHwnd(static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 16)));
}

// The window a geometry request names, as a screen rectangle.
std::optional<platform::Rect> screenRect(const std::string& what) {
    platform::Rect r;
    if (what == "main") {
        if (platform::getWindowRect(mainWindow(), r)) return r;
    } else if (what == "setting") {
        if (platform::getWindowRect(topLevel(kSettingCaption), r)) return r;
    } else if (what == "player" || what == "video") {
        const Hwnd player = trackedPlayer();
        if (!platform::getWindowRect(player, r)) return std::nullopt;
        if (what == "player") return r;
        // A window region is in window coordinates: shift it by the window's corner.
        const auto box = platform::testing::getWindowRgnBox(player);
        if (!box) return std::nullopt;
        return platform::Rect{r.left + box->left, r.top + box->top, r.left + box->right, r.top + box->bottom};
    }
    return std::nullopt;
}

int usage() {
    std::fprintf(stderr,
                 "usage: demo_driver wait-window S | wait-status searching|found S | wait-clip S | "
                 "wait-see-through S | click ID | post-click ID | wait-setting S | setting-ok PERCENT | "
                 "geometry [main|setting|player|video] | close\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    if (command == "wait-window" && argc == 3) {
        return waitFor(std::atof(argv[2]), [] { return mainWindow() != platform::kNoWindow; }) ? 0 : 1;
    }
    if (command == "wait-status" && argc == 4) {
        // Named, not typed: a command line reaches the program in the ANSI code page.
        const std::string state = argv[2];
        if (state != "searching" && state != "found") return usage();
        const std::string wanted = state == "searching" ? "Movieコンポーネント検索中" : " を検出しました";
        const bool ok = waitFor(std::atof(argv[3]), [&] {
            const Hwnd line = userPanelControl(kStatusLine);
            return line != platform::kNoWindow &&
                   platform::getWindowTextUtf8(line).find(wanted) != std::string::npos;
        });
        std::printf("status: %s\n", platform::getWindowTextUtf8(userPanelControl(kStatusLine)).c_str());
        return ok ? 0 : 1;
    }
    if (command == "wait-clip" && argc == 3) {
        return waitFor(std::atof(argv[2]),
                       [] { return platform::testing::getWindowRgnBox(trackedPlayer()).has_value(); })
                   ? 0
                   : 1;
    }
    if (command == "wait-see-through" && argc == 3) {
        return waitFor(std::atof(argv[2]),
                       [] { return platform::testing::getLayeredAlpha(trackedPlayer()).has_value(); })
                   ? 0
                   : 1;
    }
    if ((command == "click" || command == "post-click") && argc == 3) {
        const Hwnd control = userPanelControl(std::atoi(argv[2]));
        if (control == platform::kNoWindow) return 1;
        if (command == "click") {
            platform::sendMessage(control, platform::msg::kBmClick, 0, 0);
            return 0;
        }
        return platform::postMessage(control, platform::msg::kBmClick, 0, 0) ? 0 : 1;
    }
    if (command == "wait-setting" && argc == 3) {
        return waitFor(std::atof(argv[2]), [] { return topLevel(kSettingCaption) != platform::kNoWindow; })
                   ? 0
                   : 1;
    }
    if (command == "setting-ok" && argc == 3) {
        const Hwnd dialog = topLevel(kSettingCaption);
        const Hwnd edit = platform::getDlgItem(dialog, kPercentEdit);
        const Hwnd ok = platform::getDlgItem(dialog, platform::kIdOk);
        if (edit == platform::kNoWindow || ok == platform::kNoWindow) return 1;
        platform::setWindowTextUtf8(edit, argv[2]);
        return platform::postMessage(ok, platform::msg::kBmClick, 0, 0) ? 0 : 1;
    }
    if (command == "geometry" && (argc == 2 || argc == 3)) {
        const auto r = screenRect(argc == 3 ? argv[2] : "main");
        if (!r) return 1;
        std::printf("%dx%d+%d+%d\n", r->width(), r->height(), r->left, r->top);
        return 0;
    }
    if (command == "close" && argc == 2) {
        const Hwnd main = mainWindow();
        if (main == platform::kNoWindow) return 1;
        platform::postMessage(main, platform::msg::kClose, 0, 0);
        return 0;
    }
    return usage();
}
