// The real Clipveil.exe, started and driven from this process: its main window and system
// menu, the About box, the refusal of a second instance, and the ways of closing it (each
// must give a clipped player its shape back).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/saved_styles.h"
#include "desktop.h"
#include "platform/gdi.h"
#include "tests/support/testing.h"
#include "platform/window.h"
#include "player.h"
#include "program.h"
#include "pump.h"
#include "resources/resource.h"
#include "shell/main_dlg.h"

namespace {

using namespace e2e::program_texts;

using namespace std::chrono_literals;
using platform::Hwnd;

constexpr char kAboutItem[] = "Clipveil のﾊﾞｰｼﾞｮﾝ情報(&A)...";
constexpr char kAboutVersion[] = "霞窓 Ver.:1- 0- 1- 102";

constexpr std::uintptr_t kScKeyMenu = 0xF100;
constexpr std::uintptr_t kVkF4 = 0x73;
constexpr std::intptr_t kHtClose = 20;

using Clipveil = e2e::ClipveilRun;
using e2e::controlPanelOf;
using e2e::descendantWithId;
using e2e::topLevelWindowsOf;
using e2e::windowCaptioned;

std::string exePath() {
    return Clipveil::programPath();
}

// The screen point of the main window's close box, found by asking the window itself.
std::optional<std::pair<int, int>> closeBoxOf(Hwnd window) {
    platform::Rect rect;
    if (!platform::getWindowRect(window, rect)) return std::nullopt;
    for (int y = rect.top; y < rect.top + 40 && y < rect.bottom; y += 2) {
        for (int x = rect.right - 1; x > rect.right - 80 && x > rect.left; x -= 2) {
            const std::intptr_t point = static_cast<std::intptr_t>(
                (static_cast<std::uint32_t>(y & 0xFFFF) << 16) | static_cast<std::uint32_t>(x & 0xFFFF));
            if (platform::sendMessage(window, platform::msg::kNcHitTest, 0, point) == kHtClose)
                return std::make_pair(x - 2, y + 2);
        }
    }
    return std::nullopt;
}

// Waits for the About box of the run, checks it, and closes it with its OK button.
void expectAboutBoxThenClose(Clipveil& run, Hwnd main, const std::string& how) {
    std::optional<Hwnd> about;
    ASSERT_TRUE(e2e::pumpUntil(
        [&] { return (about = windowCaptioned(run.processId(), kAboutCaption)).has_value(); }, 10s))
        << "no About box after " << how;
    EXPECT_EQ(platform::getWindowTextUtf8(platform::getDlgItem(*about, IDC_VERSION_TEXT)), kAboutVersion)
        << how;
    EXPECT_EQ(platform::getOwner(*about), main) << how;
    EXPECT_FALSE(platform::isWindowEnabled(main)) << "the main window waits while the About box is open";

    platform::postMessage(*about, platform::msg::kCommand, platform::kIdOk, 0);
    ASSERT_TRUE(e2e::pumpUntil([&] { return !platform::isWindow(*about); }, 10s)) << how;
    ASSERT_TRUE(e2e::pumpUntil([&] { return platform::isWindowEnabled(main); }, 5s)) << how;
    EXPECT_EQ(platform::getWindowTextUtf8(main), kMainCaption);
}

// The menu window the system shows for the run's system menu, once it is open.
std::optional<Hwnd> openMenuOf(std::uint32_t processId) {
    for (Hwnd hwnd : topLevelWindowsOf(processId)) {
        if (platform::isWindowVisible(hwnd) && platform::getClassNameA(hwnd, 64) == "#32768") return hwnd;
    }
    return std::nullopt;
}

void postKey(Hwnd window, std::uintptr_t key) {
    platform::postMessage(window, platform::msg::kKeyDown, key, 0x00000001);
    platform::postMessage(window, platform::msg::kKeyUp, key, static_cast<std::intptr_t>(0xC0000001u));
}

TEST(ClipveilProgram, TheSystemMenuOpensTheAboutBox) {
    // The system menu below opens in the middle of the desktop, where a fresh desktop has the
    // pointer. The pointer goes to a corner before the program starts, so no window of the
    // program ever has it over itself and the menu takes its item from the keys alone.
    // xdotool's --sync returns once the pointer has left where it was, so it starts one pixel
    // off the corner: a pointer already in the corner would never leave it.
    ASSERT_EQ(e2e::xdotool("mousemove 1278 1022 mousemove --sync 1279 1023"), "");
    auto run = Clipveil::start();
    ASSERT_TRUE(run) << "could not start " << exePath();
    const Hwnd main = run->mainWindow();
    ASSERT_NE(main, platform::kNoWindow) << "no window captioned " << kMainCaption;

    // Any command from 0x0010 to 0x001F opens the box.
    for (const unsigned command : {unsigned{IDM_ABOUTBOX}, IDM_ABOUTBOX | 0xFu}) {
        platform::postMessage(main, platform::msg::kSysCommand, command, 0);
        expectAboutBoxThenClose(*run, main, "system command " + std::to_string(command));
    }

    // The system's own menu, worked with the keyboard as a user would: Alt+Space opens it,
    // Up wraps from the first item round to the last, Enter chooses it.
    platform::postMessage(main, platform::msg::kSysCommand, kScKeyMenu, ' ');
    ASSERT_TRUE(e2e::pumpUntil([&] { return openMenuOf(run->processId()).has_value(); }, 10s))
        << "no system menu";
    // The popup is shown before it is drawn and its first item selected; the menu's loop takes
    // keys once it looks for input again, and only then does the thread answer a message.
    ASSERT_TRUE(
        e2e::pumpUntil([&] { return platform::windowAnswers(main, platform::kAnswerTimeoutMs); }, 10s))
        << "the menu's loop does not wait for input";
    // Posted keys are taken in the order they were posted: Enter chooses what Up selected.
    postKey(main, platform::kVkUp);
    postKey(main, platform::kVkReturn);
    expectAboutBoxThenClose(*run, main, "the last item of the system menu");

    postKey(main, platform::kVkEscape);
    EXPECT_EQ(run->exitCode(), 0u) << "Esc ends the program";
}

// Wine gives no process another's menus, so the exact items are read in this process, from
// the same main window built on the same templates and strings.
TEST(ClipveilMainWindow, SystemMenuEndsWithASeparatorAndTheAboutItem) {
    platform::testing::initDialogControls();
    CClipveilDlg dialog;
    ASSERT_TRUE(dialog.Create(platform::kNoWindow));
    const platform::MenuHandle menu = platform::getSystemMenu(dialog.GetSafeHwnd(), false);
    ASSERT_NE(menu, platform::MenuHandle{});
    const int count = platform::testing::getMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_TRUE(platform::testing::isMenuSeparator(menu, count - 2)) << "a separator before the About item";
    EXPECT_EQ(platform::testing::getMenuItemText(menu, count - 1), kAboutItem);
    dialog.DestroyWindow();
}

TEST(ClipveilProgram, SecondStartIsRefusedWhileTheFirstRunsOn) {
    auto first = Clipveil::start();
    ASSERT_TRUE(first);
    const Hwnd main = first->mainWindow();
    ASSERT_NE(main, platform::kNoWindow);

    auto second = Clipveil::start();
    ASSERT_TRUE(second);
    std::optional<Hwnd> box;
    ASSERT_TRUE(e2e::pumpUntil(
        [&] { return (box = windowCaptioned(second->processId(), kSecondCaption)).has_value(); }, 20s))
        << "no " << kSecondCaption << " box";
    EXPECT_EQ(platform::getWindowTextUtf8(platform::getDlgItem(*box, kMsgBoxTextId)), kSecondText);
    EXPECT_EQ(platform::getOwner(*box), platform::kNoWindow) << "the box has no owner";
    EXPECT_FALSE(windowCaptioned(second->processId(), kMainCaption))
        << "a refused start shows no main window";

    platform::postMessage(*box, platform::msg::kCommand, platform::kIdOk, 0);
    EXPECT_EQ(second->exitCode(), 0xFFFFFFFFu) << "a refused start returns -1";
    EXPECT_TRUE(first->running()) << "the first instance runs on";
    EXPECT_TRUE(platform::isWindowVisible(main));

    platform::sendMessage(main, platform::msg::kClose, 0, 0);
    EXPECT_EQ(first->exitCode(), 0u);

    // The guard goes with the process that held it.
    auto third = Clipveil::start();
    ASSERT_TRUE(third);
    const Hwnd again = third->mainWindow();
    EXPECT_NE(again, platform::kNoWindow) << "a start after the first has ended runs normally";
    platform::sendMessage(again, platform::msg::kClose, 0, 0);
    EXPECT_EQ(third->exitCode(), 0u);
}

enum class CloseBy { Escape, AltF4, CloseBox, WmClose };

std::string closeName(const ::testing::TestParamInfo<CloseBy>& info) {
    switch (info.param) {
        case CloseBy::Escape:
            return "Escape";
        case CloseBy::AltF4:
            return "AltF4";
        case CloseBy::CloseBox:
            return "CloseBox";
        case CloseBy::WmClose:
            return "WmClose";
    }
    return "unknown";
}

class ClosingTheProgram : public ::testing::TestWithParam<CloseBy> {};

TEST_P(ClosingTheProgram, GivesAClippedPlayerItsShapeBack) {
    std::string error;
    auto player = e2e::ImitationPlayer::start({.position = platform::Rect{200, 150, 840, 630}}, error);
    ASSERT_TRUE(player) << error;
    const Hwnd window = player->window();
    const std::uint32_t style = e2e::styleOf(window);
    const std::uint32_t exStyle = e2e::exStyleOf(window);

    auto run = Clipveil::start();
    ASSERT_TRUE(run);
    const Hwnd main = run->mainWindow();
    ASSERT_NE(main, platform::kNoWindow);

    // The control panel shows the target's handle once it holds the player.
    const Hwnd targetField = platform::getDlgItem(controlPanelOf(main), IDC_TARGET_HANDLE);
    ASSERT_NE(targetField, platform::kNoWindow);
    ASSERT_TRUE(
        e2e::pumpUntil([&] { return platform::getWindowTextA(targetField, 64) == e2e::hex(window); }, 10s))
        << "the player was not found: " << platform::getWindowTextA(targetField, 64);

    const Hwnd videoOnly = descendantWithId(main, IDC_MODE_VIDEO);
    ASSERT_NE(videoOnly, platform::kNoWindow);
    platform::postMessage(videoOnly, platform::msg::kBmClick, 0, 0);
    ASSERT_TRUE(e2e::pumpUntil([&] { return e2e::regionOf(window).has_value(); }, 10s))
        << "the player was not clipped";
    ASSERT_NE(e2e::styleOf(window), style);

    switch (GetParam()) {
        case CloseBy::Escape:
            platform::postMessage(main, platform::msg::kKeyDown, platform::kVkEscape, 0x00010001);
            platform::postMessage(main, platform::msg::kKeyUp, platform::kVkEscape,
                                  static_cast<std::intptr_t>(0xC0010001u));
            break;
        case CloseBy::AltF4:
            // Alt held: the context bit of the key data.
            platform::postMessage(main, platform::msg::kSysKeyDown, kVkF4, 0x203E0001);
            platform::postMessage(main, platform::msg::kSysKeyUp, kVkF4,
                                  static_cast<std::intptr_t>(0xE03E0001u));
            break;
        case CloseBy::CloseBox: {
            const auto box = closeBoxOf(main);
            ASSERT_TRUE(box) << "no close box on the main window";
            ASSERT_TRUE(platform::testing::clickAt(box->first, box->second));
            break;
        }
        case CloseBy::WmClose:
            // As the console's shut-down handler does it: sent, and waited for.
            platform::sendMessage(main, platform::msg::kClose, 0, 0);
            break;
    }

    EXPECT_EQ(run->exitCode(), 0u) << "the program ends";
    EXPECT_FALSE(e2e::regionOf(window).has_value()) << "the clip is gone";
    EXPECT_EQ(e2e::styleOf(window), style) << "the player's style is back";
    EXPECT_EQ(e2e::exStyleOf(window), exStyle) << "the player's extended style is back";
}

INSTANTIATE_TEST_SUITE_P(Every, ClosingTheProgram,
                         ::testing::Values(CloseBy::Escape, CloseBy::AltF4, CloseBy::CloseBox,
                                           CloseBy::WmClose),
                         closeName);

// Killed while it clips a see-through player, the program leaves the player frameless, shaped
// and click-through on top of everything. The next run gives it back at its first look.
TEST(ClipveilProgram, AKilledRunsSeeThroughPlayerIsGivenBackByTheNextRun) {
    std::string error;
    auto player = e2e::ImitationPlayer::start(
        {.videoClass = "EVR", .position = platform::Rect{220, 160, 860, 640}}, error);
    ASSERT_TRUE(player) << error;
    const Hwnd window = player->window();
    const std::uint32_t style = e2e::styleOf(window);
    const std::uint32_t exStyle = e2e::exStyleOf(window);
    ASSERT_EQ(exStyle & platform::kWsExTopmost, 0u);

    auto first = Clipveil::start();
    ASSERT_TRUE(first);
    Hwnd main = first->mainWindow();
    ASSERT_NE(main, platform::kNoWindow);
    Hwnd targetField = platform::getDlgItem(controlPanelOf(main), IDC_TARGET_HANDLE);
    ASSERT_TRUE(
        e2e::pumpUntil([&] { return platform::getWindowTextA(targetField, 64) == e2e::hex(window); }, 10s));
    platform::postMessage(descendantWithId(main, IDC_MODE_VIDEO), platform::msg::kBmClick, 0, 0);
    ASSERT_TRUE(e2e::pumpUntil([&] { return e2e::regionOf(window).has_value(); }, 10s));
    const Hwnd seeThrough = descendantWithId(main, IDC_TRANS);
    ASSERT_TRUE(e2e::pumpUntil([&] { return platform::isWindowVisible(seeThrough); }, 5s));
    platform::postMessage(seeThrough, platform::msg::kBmClick, 0, 0);
    constexpr std::uint32_t kSeeThroughBits = platform::kWsExLayered | platform::kWsExTransparent;
    ASSERT_TRUE(e2e::pumpUntil(
        [&] {
            const std::uint32_t now = e2e::exStyleOf(window);
            return (now & kSeeThroughBits) == kSeeThroughBits && (now & platform::kWsExTopmost) != 0 &&
                   e2e::alphaOf(window).has_value();
        },
        10s))
        << "the player did not become see-through";

    ASSERT_TRUE(first->kill());
    ASSERT_TRUE(platform::isWindow(window));
    EXPECT_TRUE(e2e::regionOf(window).has_value()) << "nobody restored the player";
    EXPECT_NE(e2e::styleOf(window), style);
    EXPECT_EQ(platform::getProp(window, kSavedMarkProp), 1u) << "the player carries what restoring needs";

    auto second = Clipveil::start();
    ASSERT_TRUE(second);
    main = second->mainWindow();
    ASSERT_NE(main, platform::kNoWindow);
    const auto shown = std::chrono::steady_clock::now();
    const auto restored = [&] {
        // The properties go after everything else is back, the extended style's last.
        return !e2e::regionOf(window).has_value() && e2e::styleOf(window) == style &&
               e2e::exStyleOf(window) == exStyle && platform::getProp(window, kSavedExStyleProp) == 0;
    };
    ASSERT_TRUE(e2e::pumpUntil(restored, 5s))
        << "style 0x" << std::hex << e2e::styleOf(window) << " ex 0x" << e2e::exStyleOf(window);
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - shown);
    // The first tick comes 500 ms after the window; allow for a loaded machine.
    EXPECT_LT(took.count(), 1500) << "restored " << took.count() << " ms after the window showed";
    std::printf("restored %lld ms after the main window showed\n", static_cast<long long>(took.count()));
    EXPECT_EQ(e2e::exStyleOf(window) & platform::kWsExTopmost, 0u) << "back among the ordinary windows";
    EXPECT_FALSE(e2e::alphaOf(window).has_value()) << "no longer layered";
    EXPECT_EQ(platform::getProp(window, kSavedMarkProp), 0u) << "the properties are cleared";
    EXPECT_EQ(platform::getProp(window, kSavedStyleProp), 0u);

    // And the new run holds the player as its target, restored and ready to clip again.
    targetField = platform::getDlgItem(controlPanelOf(main), IDC_TARGET_HANDLE);
    EXPECT_TRUE(
        e2e::pumpUntil([&] { return platform::getWindowTextA(targetField, 64) == e2e::hex(window); }, 5s));
    platform::sendMessage(main, platform::msg::kClose, 0, 0);
    EXPECT_EQ(second->exitCode(), 0u);
    EXPECT_EQ(e2e::styleOf(window), style) << "closing a run that never clipped leaves the player alone";
}

// One whole run with everything the program does: started with arguments, the About box,
// a refused second start, closed. writes-no-file.sh lists the disk around this test.
TEST(ClipveilProgram, RunsStartToEndWithTheAboutBoxAndASecondStart) {
    auto run = Clipveil::start("one -D11");
    ASSERT_TRUE(run);
    const Hwnd main = run->mainWindow();
    ASSERT_NE(main, platform::kNoWindow);
    platform::postMessage(main, platform::msg::kSysCommand, IDM_ABOUTBOX, 0);
    expectAboutBoxThenClose(*run, main, "the About command");

    auto refused = Clipveil::start();
    ASSERT_TRUE(refused);
    std::optional<Hwnd> box;
    ASSERT_TRUE(e2e::pumpUntil(
        [&] { return (box = windowCaptioned(refused->processId(), kSecondCaption)).has_value(); }, 20s));
    platform::postMessage(*box, platform::msg::kCommand, platform::kIdOk, 0);
    EXPECT_EQ(refused->exitCode(), 0xFFFFFFFFu);

    platform::postMessage(main, platform::msg::kClose, 0, 0);
    EXPECT_EQ(run->exitCode(), 0u);
}

}  // namespace
