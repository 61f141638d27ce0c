// A player left clipped by a run that never restored it (killed, crashed) gets its window
// back from the next run: the saved styles travel on the player's own window.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/saved_styles.h"
#include "engine_scene.h"
#include "platform/sim/world.h"
#include "platform/window.h"
#include "tests/support/testing.h"

namespace engine_test {
namespace {

bool carriesSavedStyles(Hwnd h) {
    return platform::getProp(h, kSavedMarkProp) != 0 || platform::getProp(h, kSavedStyleProp) != 0 ||
           platform::getProp(h, kSavedExStyleProp) != 0;
}

std::size_t countCalls(Hwnd h, platform::sim::Call call) {
    const auto& log = desktop().calls();
    return static_cast<std::size_t>(
        std::count_if(log.begin(), log.end(),
                      [&](const platform::sim::CallRecord& c) { return c.hwnd == h && c.call == call; }));
}

class Recovery : public EngineTest {
protected:
    // What a killed process leaves: its windows vanish at once, nothing of it runs again.
    void killRun() {
        for (Hwnd overlay : overlays()) desktop().destroy(overlay);
        desktop().destroy(panel_->GetSafeHwnd());
        panel_.reset();
        theCtrolPanel = nullptr;
        notices_ = NoticeLog{};
    }
    void startRun() {
        panel_ = std::make_unique<CCtrolPanelDlg>();
        ASSERT_TRUE(panel_->Create(host_));
        panel_->startTimer();
    }
    // Clipped, with see-through on, as the user panel leaves it.
    void clipSeeThrough(const Player& p) {
        track(p);
        panel_->startMask(1);
        panel_->closeMoveWin();
        panel_->setTopMost(1);
        panel_->setTransStyle(1);
        panel_->setTransAlpha(178);
        ASSERT_EQ(desktop().exStyle(p.window) & platform::kWsExTopmost, platform::kWsExTopmost);
        ASSERT_TRUE(desktop().region(p.window).has_value());
    }
};

TEST_F(Recovery, AClipKeepsTheSavedStylesOnThePlayerUntilRestored) {
    const Player p = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(p, kBareVideo);
    track(p);
    panel_->startMask(1);
    EXPECT_EQ(platform::getProp(p.window, kSavedMarkProp), 1u);
    EXPECT_EQ(platform::getProp(p.window, kSavedStyleProp), p.style) << "the style from before the change";
    EXPECT_EQ(platform::getProp(p.window, kSavedExStyleProp), p.exStyle);

    for (int i = 0; i < 4; ++i) tick();
    EXPECT_EQ(desktop().region(p.window), (Rect{0, 30, 640, 390})) << "ticks never undo our own clip";
    EXPECT_EQ(platform::getProp(p.window, kSavedMarkProp), 1u);

    panel_->stopMask();
    EXPECT_FALSE(carriesSavedStyles(p.window));
}

TEST_F(Recovery, AKilledRunsClippedSeeThroughPlayerIsGivenBackAtTheNextRunsFirstTick) {
    // A window that is always on top: the restored player must go back below it.
    WindowSpec other;
    other.className = "Clock";
    other.text = "Clock";
    other.rect = {0, 0, 100, 40};
    other.exStyle = platform::kWsExTopmost;
    const Hwnd clock = desktop().createWindow(other);
    const Player p = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(p, kBareVideo);
    clipSeeThrough(p);
    killRun();
    ASSERT_TRUE(desktop().exists(p.window));
    ASSERT_EQ(desktop().style(p.window), p.style & kKeepWhenMasked) << "left frameless";

    startRun();
    testing::internal::CaptureStdout();
    tick();
    const std::string debug = testing::internal::GetCapturedStdout();

    EXPECT_EQ(desktop().style(p.window), p.style);
    EXPECT_EQ(desktop().exStyle(p.window), p.exStyle) << "no layered, click-through or topmost bit";
    EXPECT_EQ(desktop().region(p.window), std::nullopt);
    EXPECT_FALSE(platform::testing::getLayeredAlpha(p.window).has_value());
    const auto order = desktop().topLevelWindows();
    const auto at = [&](Hwnd h) { return std::find(order.begin(), order.end(), h) - order.begin(); };
    EXPECT_LT(at(clock), at(p.window)) << "out of the topmost band";
    EXPECT_EQ(desktop().rect(p.video), kFramedVideo) << "the size nudge lays the player out for its frame";
    EXPECT_FALSE(carriesSavedStyles(p.window));
    EXPECT_NE(debug.find("CCtrolPanelDlg::restoreAbandoned() Handle=0x"), std::string::npos) << debug;

    EXPECT_EQ(panel_->hasTarget, 1) << "and it is found as the target in the same tick";
    EXPECT_EQ(panel_->target.hwnd, p.window);
    EXPECT_EQ(notices_.found.size(), 1u);

    // Restored once: the next ticks find nothing left to give back.
    desktop().clearCalls();
    tick();
    EXPECT_EQ(countCalls(p.window, platform::sim::Call::SetWindowRgn), 0u);
}

TEST_F(Recovery, APlayerThatWasTopmostBeforeTheClipStaysTopmost) {
    const Player p = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(p, kBareVideo);
    platform::setWindowPos(p.window, platform::kHwndTopmost, 0, 0, 0, 0,
                           platform::kSwpNoMove | platform::kSwpNoSize);
    clipSeeThrough(p);
    killRun();
    startRun();
    tick();
    EXPECT_EQ(desktop().exStyle(p.window) & platform::kWsExTopmost, platform::kWsExTopmost);
    EXPECT_EQ(desktop().exStyle(p.window) & (platform::kWsExLayered | platform::kWsExTransparent), 0u);
    EXPECT_EQ(desktop().style(p.window), p.style);
}

TEST_F(Recovery, APlayerLostByResizingIsRestoredOnceAndFoundAgain) {
    const Player p = makePlayer();
    relayoutOnFrameChange(p, kBareVideo);
    track(p);
    panel_->startMask(0);
    const Rect r = desktop().rect(p.window);
    desktop().setRect(p.window, {r.left, r.top, r.right + 50, r.bottom});

    desktop().clearCalls();
    tick();
    EXPECT_EQ(countCalls(p.window, platform::sim::Call::SetWindowRgn), 1u)
        << "stopMask restores; the search finds nothing to redo";
    EXPECT_EQ(notices_.order, (std::vector<std::string>{"found", "lost", "found"}));
    EXPECT_FALSE(carriesSavedStyles(p.window));
    EXPECT_EQ(desktop().style(p.window), p.style);
}

TEST_F(Recovery, HalfKeptPropertiesAreNeverTrusted) {
    // The styles without the marker, as a run killed between its writes would leave them.
    const Player a = makePlayer(kWmpVideoClass, "A");
    ASSERT_TRUE(platform::setProp(a.window, kSavedStyleProp, 0x12345678u));
    ASSERT_TRUE(platform::setProp(a.window, kSavedExStyleProp, 0));
    tick();
    EXPECT_EQ(panel_->target.hwnd, a.window);
    EXPECT_EQ(desktop().style(a.window), a.style) << "nothing was written from half a record";
    EXPECT_EQ(countCalls(a.window, platform::sim::Call::SetWindowLong), 0u);
}

TEST_F(Recovery, APlayerThatRefusesThePropertiesIsStillClipped) {
    const Player b = makePlayer();
    relayoutOnFrameChange(b, kBareVideo);
    track(b);
    desktop().fail(platform::sim::Failure::SetProp, 1);
    panel_->startMask(0);
    EXPECT_EQ(panel_->masking, 1);
    EXPECT_EQ(desktop().region(b.window), (Rect{0, 30, 640, 390}));
    EXPECT_EQ(platform::getProp(b.window, kSavedMarkProp), 0u);
}

}  // namespace
}  // namespace engine_test
