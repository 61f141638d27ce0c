// Video component discovery on a real desktop: the win32 backend, the control panel's own
// search, and imitation players in processes of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "desktop.h"
#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "player.h"
#include "pump.h"
#include "tests/support/testing.h"

namespace {

using namespace std::chrono_literals;
using e2e::hex;
using e2e::ImitationPlayer;
using e2e::PlayerOptions;
using platform::Hwnd;

// Stands in for the user panel: keeps every notice the engine sends.
class RecordingNotices : public IUserPanelNotice {
public:
    struct Found {
        CWinInf target;
        CChildWinInf component;
    };
    void componentFound(CWinInf target, CChildWinInf component) override {
        found.push_back({std::move(target), std::move(component)});
    }
    void targetLost() override { ++lost; }
    std::vector<Found> found;
    int lost = 0;
};

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

bool listed(const CCtrolPanelDlg& panel, Hwnd hwnd) {
    return std::any_of(panel.windowList.begin(), panel.windowList.end(),
                       [hwnd](const CWinInf& rec) { return rec.hwnd == hwnd; });
}

class Discovery : public ::testing::Test {
protected:
    void SetUp() override {
        theUserPanel = &notices_;
        CCtrolPanelDlg panel;
        panel.searchTarget();
        ASSERT_EQ(panel.hasTarget, 0) << "a player is already on the desktop: " << hex(panel.target.hwnd)
                                      << " \"" << panel.target.title << "\"";
        notices_.found.clear();
    }
    void TearDown() override {
        players_.clear();
        theUserPanel = nullptr;
    }

    // A running player, or null after a recorded failure.
    ImitationPlayer* startPlayer(const PlayerOptions& options) {
        std::string error;
        auto player = ImitationPlayer::start(options, error);
        if (!player) {
            ADD_FAILURE() << error;
            return nullptr;
        }
        players_.push_back(std::move(player));
        return players_.back().get();
    }

    // A fresh control panel after one search.
    std::unique_ptr<CCtrolPanelDlg> search() {
        auto panel = std::make_unique<CCtrolPanelDlg>();
        panel->searchTarget();
        return panel;
    }

    // Searches until the target is `expected` (the desktop may still be settling after a
    // window was shown, raised or restored); the last panel either way.
    std::unique_ptr<CCtrolPanelDlg> searchUntilTarget(Hwnd expected) {
        std::unique_ptr<CCtrolPanelDlg> panel;
        e2e::pumpUntil(
            [&] {
                panel = search();
                return panel->hasTarget == 1 && panel->target.hwnd == expected;
            },
            3s);
        return panel;
    }

    RecordingNotices notices_;

private:
    std::vector<std::unique_ptr<ImitationPlayer>> players_;
};

TEST_F(Discovery, FindsThePlayerAndItsVideoWindow) {
    auto* player = startPlayer({.videoClass = "WMP", .title = "Discovery e2e player"});
    ASSERT_NE(player, nullptr);

    auto panel = search();
    ASSERT_EQ(panel->hasTarget, 1);
    EXPECT_EQ(hex(panel->target.hwnd), hex(player->window()));
    EXPECT_EQ(panel->target.title, "Discovery e2e player");
    EXPECT_EQ(panel->target.moduleName, "IMITATION_PLAYER.EXE");
    const std::string path = upper(panel->target.modulePath);
    EXPECT_TRUE(path.size() > 21 && path.ends_with("\\IMITATION_PLAYER.EXE")) << panel->target.modulePath;

    EXPECT_EQ(hex(panel->component.hwnd), hex(player->video()));
    EXPECT_EQ(panel->component.className, kWmpVideoClass);
    EXPECT_EQ(panel->component.ctrlId, 0);
    EXPECT_FALSE(panel->component.text.empty());
    EXPECT_EQ(panel->component.info.cbSize, sizeof(platform::WindowInfo))
        << "the window info block was filled";

    // The user panel hears of it once, with copies of both records.
    ASSERT_EQ(notices_.found.size(), 1u);
    EXPECT_EQ(notices_.found[0].target.hwnd, player->window());
    EXPECT_EQ(notices_.found[0].target.title, "Discovery e2e player");
    EXPECT_EQ(notices_.found[0].component.hwnd, player->video());
    EXPECT_EQ(notices_.found[0].component.className, kWmpVideoClass);
}

TEST_F(Discovery, FindsAnEvrVideoWindowAndAGrandchild) {
    auto* evr = startPlayer({.videoClass = "EVR", .title = "EVR player"});
    ASSERT_NE(evr, nullptr);
    auto panel = search();
    ASSERT_EQ(panel->hasTarget, 1);
    EXPECT_EQ(hex(panel->target.hwnd), hex(evr->window()));
    EXPECT_EQ(hex(panel->component.hwnd), hex(evr->video()));
    EXPECT_EQ(panel->component.className, kEvrVideoClass);
    ASSERT_TRUE(evr->stop());

    auto* deep = startPlayer({.videoClass = "WMP", .title = "Grandchild player", .grandchild = true});
    ASSERT_NE(deep, nullptr);
    ASSERT_NE(platform::testing::getParent(deep->video()), deep->window())
        << "the video window is not a grandchild";
    panel = searchUntilTarget(deep->window());
    ASSERT_EQ(panel->hasTarget, 1);
    EXPECT_EQ(hex(panel->component.hwnd), hex(deep->video()));
    EXPECT_EQ(panel->component.className, kWmpVideoClass);
}

TEST_F(Discovery, TheFirstPlayerInEnumerationOrderWins) {
    auto* older = startPlayer({.title = "Older player", .position = platform::Rect{40, 40, 520, 400}});
    ASSERT_NE(older, nullptr);
    auto* newer = startPlayer({.title = "Newer player", .position = platform::Rect{600, 80, 1080, 440}});
    ASSERT_NE(newer, nullptr);

    // The window shown last lies on top and is enumerated first.
    auto panel = searchUntilTarget(newer->window());
    ASSERT_EQ(panel->hasTarget, 1);
    EXPECT_EQ(panel->target.title, "Newer player");
    EXPECT_TRUE(listed(*panel, older->window())) << "both players qualify";

    // Raising the older one puts it first.
    platform::setWindowPos(older->window(), platform::kHwndTop, 0, 0, 0, 0,
                           platform::kSwpNoMove | platform::kSwpNoSize | platform::kSwpNoActivate);
    panel = searchUntilTarget(older->window());
    ASSERT_EQ(panel->hasTarget, 1);
    EXPECT_EQ(panel->target.title, "Older player");
    EXPECT_EQ(hex(panel->component.hwnd), hex(older->video()));
}

TEST_F(Discovery, AWmpVideoWindowIsPreferredToAnEarlierEvrOne) {
    // Children in order: an kEvrVideoClass child, then the kWmpVideoClass grandchild.
    auto* both = startPlayer(
        {.videoClass = "WMP", .title = "Two video windows", .grandchild = true, .extra = {"--other-video"}});
    ASSERT_NE(both, nullptr);
    auto panel = search();
    ASSERT_EQ(panel->hasTarget, 1);
    const auto& children = panel->target.children;
    ASSERT_FALSE(children.empty());
    EXPECT_EQ(children.front().className, kEvrVideoClass) << "the EVR window comes first";
    EXPECT_EQ(hex(panel->component.hwnd), hex(both->video()));
    EXPECT_EQ(panel->component.className, kWmpVideoClass);
}

// Decoys come before the video window: the same class with control id 5, the other known
// class in lower case, the class with a suffix, and the class with empty text, hidden or
// disabled. A decoy player runs alone: class names differing in case share one atom.
TEST_F(Discovery, DecoyWindowsAreNotTaken) {
    for (const char* videoClass : {"WMP", "EVR"}) {
        SCOPED_TRACE(videoClass);
        auto* decoys = startPlayer({.videoClass = videoClass, .title = "Decoy player", .decoys = true});
        ASSERT_NE(decoys, nullptr);
        auto panel = search();
        ASSERT_EQ(panel->hasTarget, 1);
        EXPECT_EQ(hex(panel->component.hwnd), hex(decoys->video()))
            << "taken: class \"" << panel->component.className << "\" id " << panel->component.ctrlId
            << " text \"" << panel->component.text << "\"";
        EXPECT_EQ(panel->component.className,
                  std::string(videoClass) == "WMP" ? kWmpVideoClass : kEvrVideoClass);
        EXPECT_EQ(panel->component.ctrlId, 0);
        ASSERT_TRUE(decoys->stop());
    }
}

TEST_F(Discovery, AMinimisedOrDisabledPlayerIsPassedOver) {
    auto* player = startPlayer({.title = "Shy player"});
    ASSERT_NE(player, nullptr);
    const Hwnd window = player->window();

    platform::showWindow(window, platform::kSwMinimize);
    ASSERT_TRUE(e2e::pumpUntil([&] { return platform::isIconic(window); }, 3s));
    auto panel = search();
    EXPECT_EQ(panel->hasTarget, 0);
    EXPECT_FALSE(listed(*panel, window)) << "a minimised window is listed";

    platform::showWindow(window, platform::kSwRestore);
    ASSERT_TRUE(e2e::pumpUntil([&] { return !platform::isIconic(window); }, 3s));
    panel = searchUntilTarget(window);
    ASSERT_EQ(panel->hasTarget, 1) << "the restored player is found again";

    // As while the player shows a modal dialog.
    platform::enableWindow(window, false);
    ASSERT_TRUE(e2e::pumpUntil([&] { return !platform::isWindowEnabled(window); }, 3s));
    panel = search();
    EXPECT_EQ(panel->hasTarget, 0);
    EXPECT_FALSE(listed(*panel, window)) << "a disabled window is listed";

    platform::enableWindow(window, true);
    panel = searchUntilTarget(window);
    EXPECT_EQ(panel->hasTarget, 1) << "the re-enabled player is found again";
}

TEST_F(Discovery, AHungPlayerDoesNotHoldUpTheSearch) {
    auto* healthy = startPlayer({.title = "Healthy player", .position = platform::Rect{40, 40, 520, 400}});
    ASSERT_NE(healthy, nullptr);
    // Started last, so it is on top and examined first; its thread stops answering for 8 s.
    auto* hung = startPlayer(
        {.title = "Hung player", .position = platform::Rect{600, 80, 1080, 440}, .hangSeconds = 8});
    ASSERT_NE(hung, nullptr);

    const auto start = std::chrono::steady_clock::now();
    auto panel = search();
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_LT(took, 1s) << "the search took "
                        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    // It lies on top, so it was examined first; a player that answered would have won.
    ASSERT_TRUE(listed(*panel, hung->window()));
    EXPECT_EQ(panel->windowList.front().hwnd, hung->window()) << "the hung player is not on top";
    ASSERT_EQ(panel->hasTarget, 1);
    EXPECT_EQ(panel->target.title, "Healthy player");
    EXPECT_EQ(hex(panel->component.hwnd), hex(healthy->video()));
}

TEST_F(Discovery, AFailedSearchKeepsTheLastTargetAndComponent) {
    auto* player = startPlayer({.title = "Passing player"});
    ASSERT_NE(player, nullptr);
    CCtrolPanelDlg panel;
    panel.searchTarget();
    ASSERT_EQ(panel.hasTarget, 1);
    const Hwnd window = player->window();
    const Hwnd video = player->video();

    ASSERT_TRUE(player->stop());
    ASSERT_TRUE(e2e::pumpUntil([&] { return !platform::isWindow(window); }, 3s));
    panel.hasTarget = 0;  // as after the tracking tick has lost it
    panel.searchTarget();
    EXPECT_EQ(panel.hasTarget, 0);
    EXPECT_EQ(panel.target.hwnd, window);
    EXPECT_EQ(panel.component.hwnd, video);
    EXPECT_FALSE(listed(panel, window));
}

}  // namespace
