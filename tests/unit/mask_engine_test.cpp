// Clipping, restoring, the overlay's life, topmost and see-through on a simulated player.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine_scene.h"
#include "engine/move_win.h"
#include "engine/saved_styles.h"
#include "platform/sim/world.h"
#include "platform/window.h"
#include "tests/support/sim_calls.h"

namespace engine_test {
namespace {

using MaskEngine = EngineTest;
using platform::sim::Call;
using platform::sim::callsAre;
using platform::sim::ExpectedCall;

TEST_F(MaskEngine, ClipFollowsTheVideoAfterTheFrameChange) {
    const Player p = makePlayer();
    relayoutOnFrameChange(p, kBareVideo);
    track(p);

    const auto start = desktop().now();
    panel_->startMask(0);
    EXPECT_EQ(desktop().now() - start, 100u) << "the change is seen at the first look and kept at the second";
    EXPECT_EQ(panel_->masking, 1);
    EXPECT_EQ(panel_->maskWindowRect, kPlayerRect);
    EXPECT_EQ(panel_->clipRect, (Rect{0, 30, 640, 390})) << "video after the frame change";
    EXPECT_EQ(desktop().region(p.window), (Rect{0, 30, 640, 390}));
    EXPECT_EQ(desktop().style(p.window), p.style & kKeepWhenMasked) << "caption and sizing frame removed";
    EXPECT_EQ(desktop().style(p.window) & platform::kWsSysMenu, platform::kWsSysMenu);
    EXPECT_EQ(panel_->savedStyle, static_cast<std::int32_t>(p.style));
    EXPECT_EQ(panel_->savedExStyle, static_cast<std::int32_t>(p.exStyle));
    EXPECT_TRUE(overlays().empty());
}

TEST_F(MaskEngine, LateLayoutIsTakenOnceTwoLooksAgree) {
    const Player p = makePlayer();
    relayoutOnFrameChange(p, kBareVideo, 120);
    track(p);
    const auto start = desktop().now();
    panel_->startMask(0);
    EXPECT_EQ(desktop().now() - start, 200u) << "seen at 150 ms, kept at 200";
    EXPECT_EQ(panel_->clipRect, (Rect{0, 30, 640, 390}));
}

// A layout in two steps, and a player that lays out again only when its frame is recomputed
// (setting the region does that under Wine): the clip follows the video to where it rests.
TEST_F(MaskEngine, TheClipCoversTheVideoWhereItComesToRest) {
    const Player p = makePlayer();
    desktop().onStyleChanged(p.window, [&](const platform::sim::StyleChange& c) {
        if (c.index != platform::kGwlStyle) return;
        desktop().after(20, [&] { desktop().setRect(p.video, {100, 130, 740, 400}); });
        desktop().after(70, [&] { desktop().setRect(p.video, kBareVideo); });
    });
    track(p);
    const auto start = desktop().now();
    panel_->startMask(0);
    EXPECT_LE(desktop().now() - start, 500u);
    EXPECT_EQ(desktop().region(p.window), (Rect{0, 30, 640, 390})) << "not the half-way layout";

    desktop().onStyleChanged(p.window, [](const platform::sim::StyleChange&) {});
    panel_->stopMask();
    const Rect moved{100, 125, 740, 495};
    desktop().onCall([&](std::string_view call, Hwnd hwnd) {
        if (hwnd == p.window && call == "SetWindowRgn") desktop().setRect(p.video, moved);
    });
    panel_->startMask(0);
    desktop().onCall([](std::string_view, Hwnd) {});
    EXPECT_EQ(desktop().region(p.window), (Rect{0, 25, 640, 395}))
        << "the video after the region's frame change";
    EXPECT_EQ(panel_->clipRect, (Rect{0, 25, 640, 395}));
}

TEST_F(MaskEngine, FixedLayoutIsTakenAfterTenLooks) {
    const Player p = makePlayer();
    track(p);
    const auto start = desktop().now();
    panel_->startMask(0);
    EXPECT_EQ(desktop().now() - start, 500u);
    EXPECT_EQ(panel_->clipRect, (Rect{4, 23, 636, 436})) << "the rectangle read before the change";
}

TEST_F(MaskEngine, SecondStartChangesNothing) {
    const Player p = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(p, kBareVideo);
    track(p);
    panel_->startMask(0);
    const Rect clip = panel_->clipRect;
    desktop().clearCalls();
    panel_->startMask(1);
    EXPECT_TRUE(desktop().calls().empty()) << "no window call on a second start";
    EXPECT_EQ(panel_->savedStyle, static_cast<std::int32_t>(p.style)) << "styles not saved a second time";
    EXPECT_EQ(panel_->clipRect, clip);
    EXPECT_TRUE(overlays().empty()) << "openOverlay is ignored while masking";
}

TEST_F(MaskEngine, StartWithoutLiveWindowsOnlyReports) {
    const Player p = makePlayer();
    track(p);
    desktop().destroy(p.video);
    testing::internal::CaptureStdout();
    panel_->startMask(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "CCtrolPanelDlg::startMask() コンポーネントなし\n");
    EXPECT_EQ(panel_->masking, 0);
    ASSERT_EQ(desktop().messageBoxes().size(), 1u) << "the user is told the clip was not made";
    EXPECT_EQ(desktop().messageBoxes()[0].text, kClipFailedText);

    desktop().destroy(p.window);
    testing::internal::CaptureStdout();
    panel_->startMask(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "CCtrolPanelDlg::startMask() ターゲットなし\n");
    EXPECT_EQ(panel_->masking, 0);
    EXPECT_TRUE(overlays().empty());
}

TEST_F(MaskEngine, RestorePutsBackTheExactStylesAndSize) {
    const Player p = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(p, kBareVideo);
    track(p);
    panel_->startMask(1);
    ASSERT_EQ(overlays().size(), 1u);
    panel_->setTransStyle(1);
    panel_->setTransAlpha(178);
    const Rect before = desktop().rect(p.window);

    desktop().clearCalls();
    panel_->stopMask();
    EXPECT_EQ(panel_->masking, 0);
    EXPECT_EQ(desktop().region(p.window), std::nullopt);
    EXPECT_EQ(desktop().style(p.window), p.style);
    EXPECT_EQ(desktop().exStyle(p.window), p.exStyle) << "see-through bits go with the saved value";
    EXPECT_EQ(desktop().rect(p.window), before);
    EXPECT_EQ(desktop().rect(p.video), kFramedVideo) << "the player laid itself out for its frame";

    const ExpectedCall restore[] = {
        {Call::SetWindowRgn, 'P'},
        {Call::SetWindowLong, 'P', {platform::kGwlStyle, p.style}},
        {Call::SetWindowLong, 'P', {platform::kGwlExStyle, 0x00000100}},
        {Call::RemoveProp, 'P', {}, {kSavedMarkProp}},
        {Call::RemoveProp, 'P', {}, {kSavedStyleProp}},
        {Call::RemoveProp, 'P', {}, {kSavedExStyleProp}},
        {Call::MoveWindow, 'P', {100, 100, 639, 479}},
        {Call::MoveWindow, 'P', {100, 100, 640, 480}},
    };
    EXPECT_TRUE(callsAre(desktop().calls(), restore, {{'P', p.window}}));
    EXPECT_TRUE(overlays().empty()) << "the overlay closes with the clip";
    EXPECT_EQ(panel_->moveWin, nullptr);
}

TEST_F(MaskEngine, StopWhileNotMaskingLeavesAnOpenOverlay) {
    const Player p = makePlayer();
    track(p);
    panel_->showMoveWin();
    ASSERT_EQ(overlays().size(), 1u);
    desktop().clearCalls();
    panel_->stopMask();
    EXPECT_TRUE(desktop().calls().empty());
    EXPECT_EQ(overlays().size(), 1u);
    panel_->closeMoveWin();
    EXPECT_TRUE(overlays().empty());
    panel_->closeMoveWin();  // none open: nothing happens
    EXPECT_EQ(panel_->moveWin, nullptr);
}

TEST_F(MaskEngine, TopmostAndSeeThroughTakeOnlyOneAsOn) {
    const Player p = makePlayer();
    track(p);
    panel_->setTopMost(1);
    EXPECT_NE(desktop().exStyle(p.window) & platform::kWsExTopmost, 0u);
    panel_->setTopMost(2);
    EXPECT_EQ(desktop().exStyle(p.window) & platform::kWsExTopmost, 0u) << "only 1 means on";

    desktop().setExStyle(p.window, p.exStyle | 0x00000004u);
    panel_->setTransStyle(1);
    panel_->setTransStyle(1);
    EXPECT_EQ(desktop().exStyle(p.window), p.exStyle | 0x00000004u | 0x00080020u);
    panel_->setTransStyle(2);
    EXPECT_EQ(desktop().exStyle(p.window), p.exStyle | 0x00000004u) << "only the two bits are cleared";

    panel_->setTransStyle(1);
    panel_->setTransAlpha(435);
    EXPECT_EQ(desktop().state(p.window)->alpha, std::optional<std::uint8_t>(179)) << "low byte of 0x1B3";

    desktop().destroy(p.window);
    EXPECT_EQ(panel_->setTopMost(1), 0);
    EXPECT_EQ(panel_->setTransStyle(1), 0);
    EXPECT_EQ(panel_->setTransAlpha(100), 0);
}

TEST_F(MaskEngine, AHungPlayerIsNotWaitedForLongNorChanged) {
    const Player p = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(p, kBareVideo);
    track(p);
    desktop().onMessageBox([](const platform::sim::MessageBoxRecord&) { return platform::kIdOk; });
    desktop().setHung(p.window, true);
    auto start = desktop().now();
    panel_->startMask(1);
    EXPECT_LE(desktop().now() - start, platform::kBusyLimitMs);
    EXPECT_EQ(panel_->masking, 0);
    EXPECT_EQ(desktop().style(p.window), p.style);
    EXPECT_EQ(desktop().region(p.window), std::nullopt);
    EXPECT_TRUE(overlays().empty());
    ASSERT_EQ(desktop().messageBoxes().size(), 1u);
    EXPECT_EQ(desktop().messageBoxes().back().text, kClipFailedText);
    EXPECT_EQ(panel_->setTopMost(1), 0);
    EXPECT_EQ(panel_->setTransStyle(1), 0);
    EXPECT_EQ(panel_->setTransAlpha(100), 0);
    EXPECT_EQ(desktop().exStyle(p.window), p.exStyle);

    // Awake it is clipped; hung again, the restore leaves the window alone and says so.
    desktop().setHung(p.window, false);
    panel_->startMask(1);
    ASSERT_EQ(panel_->masking, 1);
    const std::optional<Rect> clip = desktop().region(p.window);
    ASSERT_TRUE(clip.has_value());
    desktop().setHung(p.window, true);
    start = desktop().now();
    panel_->stopMask();
    EXPECT_LE(desktop().now() - start, platform::kBusyLimitMs);
    EXPECT_EQ(panel_->masking, 0);
    EXPECT_EQ(desktop().region(p.window), clip);
    ASSERT_EQ(desktop().messageBoxes().size(), 2u);
    EXPECT_EQ(desktop().messageBoxes().back().text, kUnclipFailedText);
    EXPECT_TRUE(overlays().empty());
    EXPECT_EQ(platform::getProp(p.window, kSavedMarkProp), 1u) << "what restoring needs stays on the player";

    // Ticks while it hangs change nothing and wait for nothing; the first one after it wakes
    // finishes the restore.
    tick();
    tick();
    EXPECT_EQ(desktop().region(p.window), clip);
    EXPECT_EQ(desktop().deadlocks(), 0u) << "nothing waited on the hung thread";
    desktop().setHung(p.window, false);
    tick();
    EXPECT_EQ(desktop().region(p.window), std::nullopt);
    EXPECT_EQ(desktop().style(p.window), p.style);
    EXPECT_EQ(desktop().exStyle(p.window), p.exStyle);
    EXPECT_EQ(platform::getProp(p.window, kSavedMarkProp), 0u);
    EXPECT_EQ(panel_->target.hwnd, p.window) << "still the target";
}

TEST_F(MaskEngine, AClipRightAfterAHungRestoreKeepsThePlayersOwnStyles) {
    const Player p = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(p, kBareVideo);
    track(p);
    desktop().onMessageBox([](const platform::sim::MessageBoxRecord&) { return platform::kIdOk; });
    panel_->startMask(1);
    desktop().setHung(p.window, true);
    panel_->stopMask();
    ASSERT_TRUE(desktop().region(p.window).has_value()) << "the restore was left for later";

    // It wakes and the user clips again before any tick has finished the restore.
    desktop().setHung(p.window, false);
    panel_->startMask(0);
    EXPECT_EQ(panel_->savedStyle, static_cast<std::int32_t>(p.style)) << "not the frameless style";
    EXPECT_EQ(platform::getProp(p.window, kSavedStyleProp), p.style);
    panel_->stopMask();
    EXPECT_EQ(desktop().style(p.window), p.style);
    EXPECT_EQ(desktop().exStyle(p.window), p.exStyle);
    EXPECT_EQ(desktop().region(p.window), std::nullopt);
}

TEST_F(MaskEngine, RegionFailureIsShownAndTheClipIsStillRestorable) {
    const Player p = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(p, kBareVideo);
    track(p);
    panel_->startTimer();
    desktop().fail(platform::sim::Failure::SetWindowRgn);
    int ticksDuringBox = 0;
    desktop().onMessageBox([&](const platform::sim::MessageBoxRecord&) {
        // The box's own message loop delivers the tracking timer.
        const auto found = notices_.found.size();
        desktop().advance(1000);
        ticksDuringBox += static_cast<int>(notices_.found.size() - found);
        return platform::kIdOk;
    });
    panel_->startMask(1);

    ASSERT_EQ(desktop().messageBoxes().size(), 1u);
    const auto& box = desktop().messageBoxes().front();
    EXPECT_EQ(box.text, kClipFailedText);
    EXPECT_EQ(box.caption, platform::applicationName());
    EXPECT_EQ(box.type, platform::kMbOk | platform::kMbIconExclamation);
    EXPECT_EQ(box.owner, host_);
    EXPECT_GE(ticksDuringBox, 1) << "ticks ran while the box was open";
    EXPECT_EQ(panel_->masking, 1);
    EXPECT_EQ(panel_->hasTarget, 1) << "a tick inside the box does not lose the clipped player";
    EXPECT_EQ(overlays().size(), 1u) << "the overlay still opens";

    // Removing fails too: reported, and the rest of the restore still happens.
    panel_->stopMask();
    ASSERT_EQ(desktop().messageBoxes().size(), 2u);
    EXPECT_EQ(desktop().messageBoxes().back().text, kUnclipFailedText);
    EXPECT_EQ(panel_->masking, 0);
    EXPECT_EQ(desktop().style(p.window), p.style);
    EXPECT_TRUE(overlays().empty());
    EXPECT_EQ(panel_->hasTarget, 1);
}

class Overlay : public EngineTest {
protected:
    void clipWithOverlay() {
        player_ = makePlayer(kEvrVideoClass);
        relayoutOnFrameChange(player_, kBareVideo);
        track(player_);
        panel_->startMask(1);
        ASSERT_EQ(overlays().size(), 1u);
        overlay_ = overlays().front();
    }
    Player player_;
    Hwnd overlay_{};
};

TEST_F(Overlay, LiesOverTheVideoOwnedByThePlayerAndAlmostInvisible) {
    clipWithOverlay();
    const auto s = desktop().state(overlay_);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->rect, kBareVideo);
    EXPECT_EQ(s->owner, player_.window);
    EXPECT_NE(s->exStyle & platform::kWsExLayered, 0u);
    EXPECT_EQ(s->alpha, std::optional<std::uint8_t>(1));
    EXPECT_TRUE(desktop().isVisible(overlay_));
    EXPECT_EQ(desktop().rect(player_.window), kPlayerRect) << "placing the overlay moved the player";
    EXPECT_EQ(panel_->moveWin->m_clip, panel_->clipRect);
    EXPECT_EQ(panel_->moveWin->m_dragOn, 1);
}

TEST_F(Overlay, DraggingMovesThePlayerByTheSameOffset) {
    clipWithOverlay();
    EXPECT_TRUE(desktop().dragBy(overlay_, 37, -21, 3));
    EXPECT_EQ(desktop().rect(player_.window), (Rect{137, 79, 777, 559}));
    EXPECT_EQ(desktop().region(player_.window), (Rect{0, 30, 640, 390})) << "the clip moves with the window";

    desktop().pressKey(overlay_, platform::kVkReturn);
    desktop().pressKey(overlay_, platform::kVkEscape);
    EXPECT_TRUE(desktop().exists(overlay_)) << "Enter and Esc do not end the overlay";

    desktop().setRect(player_.window, {300, 300, 940, 780});
    EXPECT_EQ(desktop().rect(overlay_).left, 137) << "the overlay does not follow the player";
}

TEST_F(Overlay, AHungPlayerIsNeitherWaitedForNorMovedByADrag) {
    clipWithOverlay();
    const Rect start = desktop().rect(player_.window);
    desktop().setHung(player_.window, true);
    EXPECT_FALSE(desktop().dragBy(overlay_, 30, 30, 3)) << "the press is dropped";
    EXPECT_EQ(desktop().rect(player_.window), start);
    EXPECT_EQ(desktop().deadlocks(), 0u);
    // An overlay that is already active gets the press without being asked first.
    const std::size_t loops = desktop().moveLoopsRun();
    desktop().setDragScript({{150, 180, 100}});
    platform::sendMessage(overlay_, platform::msg::kLButtonDown, 1, 0);
    EXPECT_EQ(desktop().moveLoopsRun(), loops) << "no drag starts";
    desktop().setDragScript({});

    // Hanging in the middle of a drag: the moves after that leave the player where it is.
    desktop().setHung(player_.window, false);
    desktop().after(150, [this] { desktop().setHung(player_.window, true); });
    EXPECT_TRUE(desktop().drag(overlay_, {{110, 140, 100}, {150, 180, 100}, {190, 220, 100}}));
    EXPECT_EQ(desktop().rect(player_.window).left, 110 - panel_->clipRect.left) << "moved at the first step";
    EXPECT_EQ(desktop().deadlocks(), 0u);
    EXPECT_TRUE(desktop().exists(overlay_));
}

// Without a clip of ours (none yet, or an older one's offsets left in clipRect) the overlay
// lies over the video as the player is laid out now and a drag moves the player by exactly
// the mouse's movement; a clip made meanwhile lays it anew over the clipped video.
TEST_F(Overlay, OverAnUnclippedPlayerItFollowsTheLayoutOfNow) {
    player_ = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(player_, kBareVideo);
    track(player_);
    panel_->startMask(0);
    panel_->stopMask();
    const Rect framed = desktop().rect(player_.video);
    ASSERT_NE(framed, kBareVideo);

    panel_->showMoveWin();
    ASSERT_EQ(overlays().size(), 1u);
    EXPECT_EQ(desktop().rect(overlays().front()), framed);
    EXPECT_TRUE(desktop().dragBy(overlays().front(), 37, -21, 3));
    EXPECT_EQ(desktop().rect(player_.window), (Rect{137, 79, 777, 559}));
    EXPECT_EQ(desktop().rect(player_.video), desktop().rect(overlays().front()))
        << "the video under the overlay";

    panel_->startMask(1);
    ASSERT_EQ(overlays().size(), 1u);
    EXPECT_EQ(desktop().rect(overlays().front()), desktop().rect(player_.video)) << "over the clipped video";
    EXPECT_EQ(panel_->moveWin->m_clip, panel_->clipRect);
    panel_->stopMask();
    panel_->showMoveWin();
    panel_->startMask(0);
    EXPECT_TRUE(overlays().empty()) << "a clip without the overlay closes the one opened before";
}

TEST_F(Overlay, NoneOpensOverAPlayerThatDoesNotAnswer) {
    player_ = makePlayer(kEvrVideoClass);
    track(player_);
    desktop().setHung(player_.window, true);
    const auto start = desktop().now();
    panel_->showMoveWin();
    EXPECT_LE(desktop().now() - start, platform::kBusyLimitMs);
    EXPECT_TRUE(overlays().empty());
    EXPECT_FALSE(panel_->overlayOpen());
}

TEST_F(Overlay, MovesAfterThePlayerWentMoveNothing) {
    clipWithOverlay();
    desktop().after(15, [this] {
        desktop().destroy(player_.window);
        desktop().clearCalls();
    });
    EXPECT_TRUE(desktop().drag(overlay_, {{110, 140, 10}, {150, 180, 10}, {190, 220, 10}}));
    EXPECT_TRUE(std::none_of(desktop().calls().begin(), desktop().calls().end(), [this](const auto& call) {
        return call.hwnd == player_.window;
    })) << "nothing asked of the gone player";
    EXPECT_EQ(desktop().deadlocks(), 0u);
}

TEST_F(Overlay, ShowingTwiceKeepsOneOverlay) {
    clipWithOverlay();
    CMoveWin* first = panel_->moveWin;
    panel_->showMoveWin();
    EXPECT_EQ(overlays().size(), 1u);
    EXPECT_EQ(panel_->moveWin, first);
}

TEST_F(Overlay, PlayerClosingLeavesNoOverlayAndNoStaleReference) {
    clipWithOverlay();
    desktop().destroy(player_.window);
    tick();
    EXPECT_EQ(panel_->masking, 0);
    EXPECT_EQ(panel_->hasTarget, 0);
    EXPECT_EQ(panel_->moveWin, nullptr);
    EXPECT_TRUE(overlays().empty());

    const Player next = makePlayer(kEvrVideoClass, "Next");
    tick();
    ASSERT_EQ(panel_->target.hwnd, next.window);
    panel_->showMoveWin();
    EXPECT_EQ(overlays().size(), 1u) << "a new overlay opens for the next player";
}

TEST_F(Overlay, UnclippedPlayerClosingDropsTheOverlayReference) {
    const Player p = makePlayer(kEvrVideoClass);
    track(p);
    panel_->showMoveWin();
    ASSERT_EQ(overlays().size(), 1u);
    const Hwnd overlay = overlays().front();
    desktop().destroy(p.window);
    tick();
    EXPECT_FALSE(desktop().exists(overlay));
    EXPECT_EQ(panel_->moveWin, nullptr);
}

TEST_F(Overlay, OverlayThatOutlivesAVanishedPlayerIsClosed) {
    clipWithOverlay();
    // A player of another process may go without taking our overlay along.
    desktop().world().windows.at(platform::handleValue(overlay_))->owner = platform::kNoWindow;
    desktop().destroy(player_.window);
    ASSERT_TRUE(desktop().exists(overlay_));
    tick();
    EXPECT_FALSE(desktop().exists(overlay_)) << "an overlay over nothing must not stay behind";
    EXPECT_EQ(panel_->moveWin, nullptr);
    EXPECT_EQ(panel_->masking, 0);
}

TEST_F(Overlay, FailedCreationKeepsNothing) {
    const Player p = makePlayer(kEvrVideoClass);
    relayoutOnFrameChange(p, kBareVideo);
    track(p);
    desktop().failCreateDialog(131);
    desktop().clearCalls();
    panel_->startMask(1);
    EXPECT_EQ(panel_->moveWin, nullptr);
    for (const auto& call : desktop().calls()) {
        EXPECT_NE(call.call, Call::ShowWindow) << platform::sim::callText(call);
        EXPECT_NE(call.args, (std::vector<std::int64_t>{0, 0, 0, 0})) << platform::sim::callText(call);
    }
    EXPECT_EQ(panel_->masking, 1) << "the clip itself is made";
    panel_->showMoveWin();
    EXPECT_EQ(panel_->moveWin, nullptr);
}

TEST_F(Overlay, TickDuringTheDragThatRestoresThePlayerEndsTheOverlaySafely) {
    clipWithOverlay();
    panel_->startTimer();
    // While the user drags, the player changes its own size; the next tick restores it
    // and destroys the overlay inside its own move loop.
    desktop().after(100, [this] {
        const Rect r = desktop().rect(player_.window);
        desktop().setRect(player_.window, {r.left, r.top, r.right + 37, r.bottom + 23});
    });
    desktop().drag(overlay_, {{110, 140, 200}, {120, 150, 400}, {130, 160, 400}});
    EXPECT_FALSE(desktop().exists(overlay_));
    EXPECT_EQ(panel_->moveWin, nullptr);
    EXPECT_EQ(panel_->masking, 0);
    EXPECT_EQ(desktop().region(player_.window), std::nullopt);
    EXPECT_EQ(notices_.lost, 1);
}

TEST_F(Overlay, MovesNothingOnceThePlayerIsGone) {
    const Player p = makePlayer(kEvrVideoClass);
    track(p);
    auto* overlay = new CMoveWin();
    overlay->m_hTarget = p.window;
    ASSERT_TRUE(overlay->Create(host_));
    const Hwnd hwnd = overlay->GetSafeHwnd();
    overlay->MoveWindow(200, 200, 100, 100, true);
    EXPECT_EQ(desktop().rect(p.window), kPlayerRect) << "not armed: placing moves nothing";
    overlay->m_dragOn = 1;
    overlay->ShowWindow(platform::kSwShow);
    desktop().destroy(p.window);
    desktop().clearCalls();
    EXPECT_TRUE(desktop().dragBy(hwnd, 10, 10));
    for (const auto& call : desktop().calls())
        EXPECT_NE(call.call, Call::MoveWindow) << platform::sim::callText(call);
    overlay->DestroyWindow();  // frees itself
}

}  // namespace
}  // namespace engine_test
