// The control panel's timer: every row of the tracking table, and the handle fields.
#include <gtest/gtest.h>

#include "engine_scene.h"
#include "tests/support/sim_calls.h"

namespace engine_test {
namespace {

std::string hex(Hwnd hwnd) {
    return platform::handleText(hwnd);
}

class Tracking : public EngineTest {
protected:
    void clip(const Player& p) {
        panel_->startMask(0);
        ASSERT_EQ(panel_->masking, 1);
        ASSERT_TRUE(desktop().region(p.window));
    }
};

TEST_F(Tracking, TimerRunsEvery500msOnThePanel) {
    EXPECT_EQ(desktop().timerPeriod(panel_->GetSafeHwnd(), 101), std::optional<unsigned>(500));
    EXPECT_EQ(theCtrolPanel, panel_.get());
}

TEST_F(Tracking, HandleFieldsShowStaticThenTheHandlesOrNothing) {
    EXPECT_EQ(field(1003), "Static");
    EXPECT_EQ(field(1004), "Static");
    desktop().advance(499);
    EXPECT_EQ(field(1003), "Static") << "no tick before 500 ms";
    desktop().advance(1);
    EXPECT_EQ(field(1003), "");
    EXPECT_EQ(field(1004), "");

    const Player p = makePlayer();
    tick();
    EXPECT_EQ(field(1003), hex(p.window));
    EXPECT_EQ(field(1004), hex(p.video));
    EXPECT_EQ(notices_.found.size(), 1u);
}

TEST_F(Tracking, EveryTickRefreshesAHeldTarget) {
    const Player p = makePlayer();
    tick();
    desktop().setText(p.window, "Second film");
    tick();
    EXPECT_EQ(notices_.found.size(), 2u) << "the find is re-sent on every tick";
    EXPECT_EQ(notices_.found.back().target.title, "Second film");
    EXPECT_EQ(panel_->target.title, "Second film");
}

TEST_F(Tracking, ClosedPlayerIsLostAndAnotherFoundInTheSameTick) {
    const Player first = makePlayer(kWmpVideoClass, "First");
    tick();
    const Player second = makePlayer(kEvrVideoClass, "Second");
    tick();
    ASSERT_EQ(panel_->target.hwnd, first.window) << "a held target is kept";

    desktop().destroy(first.window);
    notices_.order.clear();
    tick();
    EXPECT_EQ(notices_.order, (std::vector<std::string>{"lost", "found"}));
    EXPECT_EQ(panel_->hasTarget, 1);
    EXPECT_EQ(panel_->target.hwnd, second.window);
    EXPECT_EQ(field(1003), hex(second.window));
    EXPECT_EQ(field(1004), hex(second.video));

    desktop().destroy(second.window);
    tick();
    EXPECT_EQ(panel_->hasTarget, 0);
    EXPECT_EQ(field(1003), "");
    EXPECT_EQ(field(1004), "");
}

TEST_F(Tracking, MinimisedTargetIsLeftAlone) {
    for (const bool clipped : {false, true}) {
        SCOPED_TRACE(clipped ? "clipped" : "not clipped");
        const Player p = makePlayer();
        relayoutOnFrameChange(p, kBareVideo);
        tick();
        if (clipped) clip(p);
        desktop().minimise(p.window);
        const auto found = notices_.found.size();
        const auto lost = notices_.lost;
        tick();
        tick();
        EXPECT_EQ(notices_.found.size(), found);
        EXPECT_EQ(notices_.lost, lost);
        EXPECT_EQ(field(1003), hex(p.window)) << "the old handles stay";
        EXPECT_EQ(panel_->masking, clipped ? 1 : 0);
        EXPECT_EQ(desktop().region(p.window).has_value(), clipped);
        desktop().restore(p.window);
        tick();
        EXPECT_EQ(notices_.found.size(), found + 1);
        EXPECT_EQ(panel_->masking, clipped ? 1 : 0) << "the same size again: the clip is kept";
        panel_->stopMask();
        desktop().destroy(p.window);
        tick();
    }
}

TEST_F(Tracking, ClippedPlayerMovedKeepsItsClip) {
    const Player p = makePlayer();
    relayoutOnFrameChange(p, kBareVideo);
    tick();
    clip(p);
    desktop().setRect(p.window, {300, 200, 940, 680});
    tick();
    EXPECT_EQ(panel_->masking, 1);
    EXPECT_EQ(notices_.lost, 0);
    EXPECT_TRUE(desktop().region(p.window));
}

TEST_F(Tracking, ClippedPlayerResizedIsRestoredAndFoundAgain) {
    const Player p = makePlayer();
    relayoutOnFrameChange(p, kBareVideo);
    tick();
    clip(p);
    desktop().setRect(p.window, {100, 100, 777, 603});
    notices_.order.clear();
    tick();
    EXPECT_EQ(notices_.order, (std::vector<std::string>{"lost", "found"}));
    EXPECT_EQ(panel_->masking, 0);
    EXPECT_EQ(desktop().region(p.window), std::nullopt);
    EXPECT_EQ(desktop().style(p.window), p.style);
    EXPECT_EQ(panel_->hasTarget, 1);
    EXPECT_EQ(panel_->target.hwnd, p.window);
}

TEST_F(Tracking, ClippedPlayerClosedOnlyForgetsTheClip) {
    const Player p = makePlayer();
    relayoutOnFrameChange(p, kBareVideo);
    tick();
    clip(p);
    desktop().destroy(p.window);
    desktop().clearCalls();
    tick();
    EXPECT_EQ(panel_->masking, 0);
    EXPECT_EQ(notices_.lost, 1);
    for (const auto& call : desktop().calls()) {
        EXPECT_NE(call.hwnd, p.window) << "no call on the gone player: " << platform::sim::callText(call);
    }
}

TEST_F(Tracking, ReplacedVideoWindowIsPickedUpAndAHiddenOneIsKept) {
    const Player p = makePlayer();
    tick();
    desktop().destroy(p.video);
    WindowSpec video;
    video.className = kWmpVideoClass;
    video.text = "New video";
    video.style = platform::kWsChild | platform::kWsVisible;
    video.rect = kFramedVideo;
    const Hwnd replaced = desktop().createChild(p.window, video);
    tick();
    EXPECT_EQ(panel_->component.hwnd, replaced);
    EXPECT_EQ(field(1004), hex(replaced));
    EXPECT_EQ(notices_.found.back().component.hwnd, replaced);

    // Hidden, then gone without a replacement: the old record stays.
    for (const bool destroyed : {false, true}) {
        if (destroyed) {
            desktop().destroy(replaced);
        } else {
            desktop().show(replaced, false);
        }
        const auto found = notices_.found.size();
        tick();
        EXPECT_EQ(panel_->component.hwnd, replaced) << "the old record stays";
        EXPECT_EQ(field(1004), hex(replaced));
        EXPECT_EQ(notices_.found.size(), found) << "no notice without a component";
        EXPECT_EQ(panel_->hasTarget, 1);
    }
}

// While a player is tracked no search runs: the handles kept for the module names of
// programs that ended since are closed by the ticks all the same.
TEST_F(Tracking, HandlesOfEndedProgramsAreClosedWhileAPlayerIsTracked) {
    std::vector<std::uint32_t> others;
    for (int i = 0; i < 3; ++i) {
        platform::sim::ProcessSpec process;
        process.modules = {{"other.exe", "C:\\Other\\other.exe"}};
        WindowSpec window;
        window.text = "Other " + std::to_string(i);
        window.processId = desktop().addProcess(process);
        desktop().createWindow(window);
        others.push_back(window.processId);
    }
    makePlayer();
    tick();
    ASSERT_EQ(panel_->hasTarget, 1);
    const std::size_t kept = desktop().openProcessHandles();
    ASSERT_GE(kept, 4u) << "the player's and the three others'";
    for (std::uint32_t pid : others) desktop().endProcess(pid);
    tick();
    EXPECT_EQ(desktop().openProcessHandles(), kept - 3);
    EXPECT_EQ(panel_->hasTarget, 1);
}

TEST_F(Tracking, OtherTimersLeaveTheEngineAlone) {
    makePlayer();
    platform::sendMessage(panel_->GetSafeHwnd(), platform::msg::kTimer, 102, 0);
    EXPECT_EQ(panel_->hasTarget, 0);
    EXPECT_EQ(field(1003), "Static");
    platform::sendMessage(panel_->GetSafeHwnd(), platform::msg::kTimer, 101, 0);
    EXPECT_EQ(panel_->hasTarget, 1);
}

TEST_F(Tracking, DestroyingThePanelRestoresAClippedPlayer) {
    const Player p = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(p, kBareVideo);
    tick();
    panel_->startMask(1);
    ASSERT_EQ(overlays().size(), 1u);
    const Hwnd hwnd = panel_->GetSafeHwnd();
    panel_->DestroyWindow();
    EXPECT_FALSE(desktop().hasTimer(hwnd, 101));
    EXPECT_EQ(desktop().region(p.window), std::nullopt);
    EXPECT_EQ(desktop().style(p.window), p.style);
    EXPECT_EQ(desktop().exStyle(p.window), p.exStyle);
    EXPECT_TRUE(overlays().empty());
}

TEST_F(Tracking, StopMaskBoxOpenDuringATick) {
    const Player p = makePlayer();
    relayoutOnFrameChange(p, kBareVideo);
    tick();
    clip(p);
    desktop().fail(platform::sim::Failure::SetWindowRgn);
    const auto found = notices_.found.size();
    desktop().onMessageBox([](const platform::sim::MessageBoxRecord&) {
        desktop().advance(1000);
        return platform::kIdOk;
    });
    panel_->stopMask();
    EXPECT_EQ(desktop().messageBoxes().size(), 1u);
    EXPECT_GT(notices_.found.size(), found) << "ticks in the box track the unclipped player";
    EXPECT_EQ(panel_->masking, 0);
    EXPECT_EQ(panel_->hasTarget, 1);
    EXPECT_EQ(desktop().style(p.window), p.style);
}

}  // namespace
}  // namespace engine_test
