// The user panel over the simulated desktop: a player with its video window, the control
// panel and its tracking timer, and the user panel, all from the real compiled templates.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "panels/user_panel.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "panels_scene.h"
#include "resources/resource.h"
#include "tests/support/sim_calls.h"

namespace {

using platform::Hwnd;
using platform::sim::Call;
using platform::sim::CallRecord;
using platform::sim::desktop;
using platform::sim::ExpectedCall;
using platform::sim::kAny;
using platform::sim::kNoTopmost;
using platform::sim::kTopmost;
using platform::sim::WindowSpec;

constexpr const char* kSearching = "Movieコンポーネント検索中";
constexpr const char* kPlayerTitle = "週末の映画 - Player";  // shown as the player's ANSI bytes
constexpr platform::Rect kPlayerRect{100, 100, 740, 580};
constexpr platform::Rect kVideoRect{108, 149, 732, 509};
constexpr std::uint32_t kSeeThroughBits = platform::kWsExLayered | platform::kWsExTransparent;
constexpr int kSeeThroughControls[] = {IDC_TRANS, IDC_TRANS_PERCENT, IDC_TRANS_SETTING};
constexpr int kCommands[] = {IDC_MODE_VIDEO, IDC_MODE_RESTORE, IDC_DRAG};
constexpr unsigned kNoMoveNoSize = platform::kSwpNoMove | platform::kSwpNoSize;

std::string hex(Hwnd hwnd) {
    return platform::handleText(hwnd);
}

struct Player {
    Hwnd window{};
    Hwnd video{};
};

// Builds a player top-level window in a process of its own, with a titled video child.
Player addPlayer(const char* videoClass) {
    auto& d = desktop();
    platform::sim::ProcessSpec process;
    process.modules = {{"player.exe", "C:\\Player\\player.exe"}};
    WindowSpec frame;
    frame.className = "PlayerFrame";
    frame.text = d.toAnsi(kPlayerTitle);
    frame.rect = kPlayerRect;
    frame.processId = d.addProcess(process);
    Player player;
    player.window = d.createWindow(frame);
    WindowSpec video;
    video.className = videoClass;
    video.text = "Video";
    video.style = platform::kWsChild | platform::kWsVisible;
    video.rect = kVideoRect;
    player.video = d.createChild(player.window, video);
    return player;
}

class UserPanel : public panels_test::PanelsTest {
protected:
    void tick() {
        desktop().advance(CCtrolPanelDlg::kTrackingPeriodMs);
        noteOverlays();
    }
    // A player found by the next tick.
    Player trackPlayer(const char* videoClass) {
        player_ = addPlayer(videoClass);
        tick();
        EXPECT_EQ(theCtrolPanel->hasTarget, 1);
        return player_;
    }

    Hwnd ctl(int id) const { return desktop().item(panel_->GetSafeHwnd(), id); }
    std::string text(int id) const { return desktop().textUtf8(ctl(id)); }
    bool checked(int id) const { return desktop().state(ctl(id))->checkState == platform::kBstChecked; }
    bool shown(int id) const { return (desktop().style(ctl(id)) & platform::kWsVisible) != 0; }
    bool enabled(int id) const { return (desktop().style(ctl(id)) & platform::kWsDisabled) == 0; }

    // A user's click; drag and see-through must never be ticked together afterwards.
    void click(int id) {
        ASSERT_TRUE(desktop().click(ctl(id))) << "control " << id << " cannot be clicked";
        noteOverlays();
        EXPECT_FALSE(checked(IDC_DRAG) && checked(IDC_TRANS)) << "drag and see-through both ticked";
    }
    // Runs the setting dialog from "設定" with what the user does in it.
    void setting(const std::function<void(Hwnd)>& user) {
        desktop().onModal([this, user](Hwnd dialog) {
            settingOwner_ = desktop().state(dialog)->owner;
            user(dialog);
        });
        click(IDC_TRANS_SETTING);
    }
    static void typeAndOk(Hwnd dialog, const char* percent) {
        desktop().typeText(desktop().item(dialog, IDC_PERCENT_EDIT), percent);
        desktop().click(desktop().item(dialog, platform::kIdOk));
    }

    std::vector<Hwnd> overlays() const { return desktop().dialogs(IDD_MOVE_WIN); }
    void noteOverlays() {
        for (Hwnd overlay : overlays()) overlaysSeen_.insert(overlay);
    }
    // The engine's calls on the player and the overlays' opening and closing, in order, since
    // the last clearCalls().
    std::vector<CallRecord> engineCalls() const {
        std::vector<CallRecord> out;
        for (const auto& c : desktop().calls()) {
            if (c.hwnd == player_.window || (overlaysSeen_.count(c.hwnd) &&
                                             (c.call == Call::ShowWindow || c.call == Call::DestroyWindow)))
                out.push_back(c);
        }
        return out;
    }
    // Those calls against the expected ones, the player named P and an overlay O.
    ::testing::AssertionResult callsAre(std::span<const CallRecord> calls,
                                        std::span<const ExpectedCall> expected) const {
        return platform::sim::callsAre(calls, expected,
                                       [this](Hwnd h) { return h == player_.window ? 'P' : 'O'; });
    }

    Player player_;
    std::set<Hwnd> overlaysSeen_;
    Hwnd settingOwner_{};
};

TEST_F(UserPanel, StartsSearchingWithTheCommandsDisabled) {
    EXPECT_EQ(theUserPanel, static_cast<IUserPanelNotice*>(panel_.get()));
    EXPECT_EQ(text(IDC_FOUND_STATUS), kSearching);
    EXPECT_EQ(text(IDC_TARGET_STATUS), "");
    EXPECT_EQ(text(IDC_TRANS_PERCENT), "70 %");
    for (int id : kCommands) EXPECT_FALSE(enabled(id)) << id;
    for (int id : kSeeThroughControls) EXPECT_FALSE(shown(id)) << id;
    EXPECT_TRUE(checked(IDC_MODE_RESTORE));
    EXPECT_FALSE(checked(IDC_MODE_VIDEO));
    EXPECT_FALSE(checked(IDC_DRAG));
    EXPECT_FALSE(checked(IDC_TRANS));
    EXPECT_TRUE(std::ranges::any_of(desktop().calls(), [this](const CallRecord& c) {
        return c.hwnd == panel_->GetSafeHwnd() && c.call == Call::SetWindowPos &&
               c.args == std::vector<std::int64_t>{kTopmost, kNoMoveNoSize};
    })) << "raised into the topmost band";
}

TEST_F(UserPanel, FollowsTheEnginesFindsAndLosses) {
    Player player = trackPlayer(kWmpVideoClass);
    EXPECT_EQ(text(IDC_FOUND_STATUS), "WMPVideoWindow を検出しました");
    EXPECT_EQ(desktop().state(ctl(IDC_TARGET_STATUS))->textAnsi, desktop().toAnsi(kPlayerTitle));
    EXPECT_EQ(text(IDC_TARGET_STATUS), kPlayerTitle);
    for (int id : kCommands) EXPECT_TRUE(enabled(id)) << id;
    for (int id : kSeeThroughControls) EXPECT_FALSE(shown(id)) << id;

    desktop().destroy(player.window);
    tick();
    EXPECT_EQ(text(IDC_FOUND_STATUS), kSearching);
    EXPECT_EQ(text(IDC_TARGET_STATUS), "");
    for (int id : kCommands) EXPECT_FALSE(enabled(id)) << id;

    trackPlayer(kEvrVideoClass);
    EXPECT_EQ(text(IDC_FOUND_STATUS), "EVRVideoHandler を検出しました");
    EXPECT_TRUE(checked(IDC_MODE_RESTORE));
    for (int id : kSeeThroughControls) EXPECT_FALSE(shown(id)) << "offered only in video-only mode: " << id;
}

TEST_F(UserPanel, VideoOnlyForAWmpComponentMakesNoOverlay) {
    Player player = trackPlayer(kWmpVideoClass);
    click(IDC_MODE_VIDEO);
    EXPECT_TRUE(desktop().region(player.window).has_value());
    EXPECT_TRUE(overlays().empty());
    EXPECT_TRUE(checked(IDC_MODE_VIDEO));
    EXPECT_FALSE(checked(IDC_MODE_RESTORE));
    EXPECT_FALSE(checked(IDC_DRAG));
    for (int id : kSeeThroughControls) EXPECT_FALSE(shown(id)) << id;
    const auto panel = desktop().state(panel_->GetSafeHwnd());
    EXPECT_TRUE(panel->invalidations > 0 && panel->lastInvalidateWhole && panel->lastInvalidateErased);
}

TEST_F(UserPanel, VideoOnlyForAnEvrComponentOpensTheOverlayAndOffersSeeThrough) {
    Player player = trackPlayer(kEvrVideoClass);
    click(IDC_MODE_VIDEO);
    EXPECT_TRUE(desktop().region(player.window).has_value());
    EXPECT_EQ(overlays().size(), 1u);
    EXPECT_TRUE(checked(IDC_DRAG));
    for (int id : kSeeThroughControls) EXPECT_TRUE(shown(id)) << id;
    EXPECT_EQ(text(IDC_TRANS_PERCENT), "70 %");
}

// 動画だけ that makes no clip says why and leaves the panel showing the unclipped player:
// no video-only button, no drag box, no see-through on offer, no overlay.
TEST_F(UserPanel, AVideoOnlyThatMakesNoClipShowsNothingClipped) {
    const struct {
        const char* why;
        void (*refuse)(const Player&);
    } cases[] = {
        {"the video window is gone", [](const Player& p) { desktop().destroy(p.video); }},
        {"the player does not answer", [](const Player& p) { desktop().setHung(p.window, true); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Player player = trackPlayer(kEvrVideoClass);
        const std::size_t boxes = desktop().messageBoxes().size();
        c.refuse(player);
        click(IDC_MODE_VIDEO);
        EXPECT_FALSE(desktop().region(player.window).has_value());
        EXPECT_TRUE(checked(IDC_MODE_RESTORE));
        EXPECT_FALSE(checked(IDC_MODE_VIDEO));
        EXPECT_FALSE(checked(IDC_DRAG));
        EXPECT_TRUE(overlays().empty());
        for (int id : kSeeThroughControls) EXPECT_FALSE(shown(id)) << id;
        ASSERT_EQ(desktop().messageBoxes().size(), boxes + 1);
        EXPECT_EQ(desktop().messageBoxes().back().text, kClipFailedText);
        desktop().destroy(player.window);
        tick();
    }
}

// An overlay ticked open before the clip is laid over the clipped video, or closed with the
// box unticked where the clip comes without one.
TEST_F(UserPanel, DragTickedBeforeTheClipEndsOverTheClippedVideoOrNowhere) {
    for (const char* videoClass : {kEvrVideoClass, kWmpVideoClass}) {
        SCOPED_TRACE(videoClass);
        Player player = trackPlayer(videoClass);
        desktop().onStyleChanged(player.window, [&](const platform::sim::StyleChange&) {
            desktop().setRect(player.video, {100, 130, 740, 490});
        });
        click(IDC_DRAG);
        ASSERT_EQ(overlays().size(), 1u);
        click(IDC_MODE_VIDEO);
        const bool evr = std::string(videoClass) == kEvrVideoClass;
        EXPECT_EQ(checked(IDC_DRAG), evr);
        ASSERT_EQ(overlays().size(), evr ? 1u : 0u);
        if (evr) {
            EXPECT_EQ(desktop().rect(overlays().front()), (platform::Rect{100, 130, 740, 490}));
        }
        click(IDC_MODE_RESTORE);
        desktop().destroy(player.window);
        tick();
    }
}

// 動画だけ over a window gone since the last tick is no failure: a player that closed is lost at
// the next tick, and a clip in place whose video window went stays as it is.
TEST_F(UserPanel, VideoOnlyOverAGoneWindowShowsNoFailure) {
    Player player = trackPlayer(kEvrVideoClass);
    click(IDC_MODE_VIDEO);
    desktop().destroy(player.video);
    click(IDC_MODE_VIDEO);
    EXPECT_TRUE(desktop().messageBoxes().empty());
    EXPECT_TRUE(desktop().region(player.window).has_value());
    EXPECT_TRUE(checked(IDC_MODE_VIDEO));
    EXPECT_EQ(overlays().size(), 1u);

    click(IDC_MODE_RESTORE);
    desktop().destroy(player.window);
    click(IDC_MODE_VIDEO);
    EXPECT_TRUE(desktop().messageBoxes().empty());
    EXPECT_TRUE(checked(IDC_MODE_RESTORE));
    tick();
    EXPECT_EQ(text(IDC_FOUND_STATUS), kSearching);
}

// A title changed since the last tick (the next track) is shown whole at once.
TEST_F(UserPanel, ANewTitleIsShownWhole) {
    Player player = trackPlayer(kWmpVideoClass);
    const std::string next = std::string(kPlayerTitle) + " (次の曲)";
    desktop().setTextUtf8(player.window, next);
    click(IDC_MODE_VIDEO);
    EXPECT_EQ(text(IDC_TARGET_STATUS), next);
}

TEST_F(UserPanel, TheDragBoxStaysUntickedWhileThePlayerDoesNotAnswer) {
    Player player = trackPlayer(kWmpVideoClass);
    desktop().setHung(player.window, true);
    click(IDC_DRAG);
    EXPECT_FALSE(checked(IDC_DRAG));
    EXPECT_TRUE(overlays().empty());
}

// The ANSI record of a Japanese title under code page 1252 is question marks; the line shows
// the player's own text.
TEST_F(UserPanel, ThePlayersTitleReadsRightOnAnyCodePage) {
    desktop().setCodePage(1252);
    Player player = trackPlayer(kWmpVideoClass);
    desktop().setTextUtf8(player.window, kPlayerTitle);
    tick();
    ASSERT_EQ(theCtrolPanel->target.title.find("?"), 0u) << "the record holds what the code page can";
    EXPECT_EQ(text(IDC_TARGET_STATUS), kPlayerTitle);
}

TEST_F(UserPanel, DragAndSeeThroughExcludeEachOther) {
    Player player = trackPlayer(kEvrVideoClass);
    click(IDC_MODE_VIDEO);
    const std::uint32_t exStyle = desktop().exStyle(player.window);

    desktop().clearCalls();
    click(IDC_TRANS);
    const std::uint32_t seeThrough = exStyle | platform::kWsExTopmost | kSeeThroughBits;
    // The overlay, owned by the player, goes before the player is raised into the topmost band.
    const ExpectedCall seeThroughOn[] = {
        {Call::DestroyWindow, 'O'},
        {Call::SetWindowPos, 'P', {kTopmost, kNoMoveNoSize}},
        {Call::SetWindowLong, 'P', {platform::kGwlExStyle, seeThrough}},
        {Call::SetLayeredWindowAttributes, 'P', {0, 178, platform::kLwaAlpha}},
    };
    EXPECT_TRUE(callsAre(engineCalls(), seeThroughOn));
    EXPECT_TRUE(checked(IDC_TRANS));
    EXPECT_FALSE(checked(IDC_DRAG));
    EXPECT_TRUE(overlays().empty());
    EXPECT_EQ(desktop().state(player.window)->alpha, 178);

    desktop().clearCalls();
    click(IDC_DRAG);
    const ExpectedCall dragOn[] = {
        {Call::ShowWindow, 'O', {platform::kSwShow}},
        {Call::SetWindowPos, 'P', {kNoTopmost, kNoMoveNoSize}},
        {Call::SetWindowLong, 'P', {platform::kGwlExStyle, exStyle}},
    };
    EXPECT_TRUE(callsAre(engineCalls(), dragOn));
    EXPECT_TRUE(checked(IDC_DRAG));
    EXPECT_FALSE(checked(IDC_TRANS));
    EXPECT_EQ(overlays().size(), 1u);

    // Unticking drag only closes the overlay; unticking see-through only takes the styles off.
    desktop().clearCalls();
    click(IDC_DRAG);
    static const ExpectedCall kDragOff[] = {{Call::DestroyWindow, 'O'}};
    EXPECT_TRUE(callsAre(engineCalls(), kDragOff));
    click(IDC_TRANS);
    desktop().clearCalls();
    click(IDC_TRANS);
    const ExpectedCall seeThroughOff[] = {
        {Call::SetWindowPos, 'P', {kNoTopmost, kNoMoveNoSize}},
        {Call::SetWindowLong, 'P', {platform::kGwlExStyle, exStyle}},
    };
    EXPECT_TRUE(callsAre(engineCalls(), seeThroughOff));
}

TEST_F(UserPanel, ClosingWhileSeeThroughLeavesThePlayerOutOfTheTopmostBand) {
    Player player = trackPlayer(kEvrVideoClass);
    click(IDC_MODE_VIDEO);
    click(IDC_TRANS);
    ASSERT_NE(desktop().exStyle(player.window) & platform::kWsExTopmost, 0u);

    // The main window's teardown: the user panel, then the control panel.
    panel_->DestroyWindow();
    ctrol_->DestroyWindow();
    EXPECT_EQ(desktop().exStyle(player.window) & platform::kWsExTopmost, 0u) << "left always on top";
    EXPECT_EQ(desktop().exStyle(player.window) & kSeeThroughBits, 0u);
    EXPECT_EQ(desktop().region(player.window), std::nullopt);
}

TEST_F(UserPanel, RestoreTakesSeeThroughOffBeforeTheClip) {
    Player player = trackPlayer(kEvrVideoClass);
    const std::uint32_t style = desktop().style(player.window);
    const std::uint32_t exStyle = desktop().exStyle(player.window);
    click(IDC_MODE_VIDEO);
    click(IDC_TRANS);

    desktop().clearCalls();
    click(IDC_MODE_RESTORE);
    static const ExpectedCall kSeeThroughOffThenTheClip[] = {
        {Call::SetWindowPos, 'P', {kNoTopmost, kNoMoveNoSize}},
        {Call::SetWindowLong, 'P', {platform::kGwlExStyle, kAny}},
        {Call::SetWindowRgn, 'P'},
    };
    const auto calls = engineCalls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_TRUE(callsAre(std::span(calls).first(3), kSeeThroughOffThenTheClip));
    EXPECT_FALSE(desktop().region(player.window).has_value());
    EXPECT_EQ(desktop().style(player.window), style);
    EXPECT_EQ(desktop().exStyle(player.window) & (kSeeThroughBits | platform::kWsExTopmost), 0u);
    EXPECT_EQ(desktop().exStyle(player.window), exStyle);
    EXPECT_FALSE(checked(IDC_TRANS));
    EXPECT_FALSE(checked(IDC_DRAG));
    EXPECT_TRUE(checked(IDC_MODE_RESTORE));
    for (int id : kSeeThroughControls) EXPECT_FALSE(shown(id)) << id;

    // With the overlay open, the clip's removal closes it.
    click(IDC_MODE_VIDEO);
    ASSERT_EQ(overlays().size(), 1u);
    click(IDC_MODE_RESTORE);
    EXPECT_TRUE(overlays().empty());
    EXPECT_FALSE(checked(IDC_DRAG));
}

TEST_F(UserPanel, RestoreWithoutAClipClearsBothFlagsAndAnUnclippedOverlay) {
    trackPlayer(kWmpVideoClass);
    click(IDC_DRAG);  // an overlay over the unclipped player
    ASSERT_EQ(overlays().size(), 1u);

    desktop().clearCalls();
    click(IDC_MODE_RESTORE);
    static const ExpectedCall kSeeThroughOffThenTheOverlay[] = {
        {Call::SetWindowPos, 'P', {kNoTopmost, kNoMoveNoSize}},
        {Call::SetWindowLong, 'P', {platform::kGwlExStyle, kAny}},
        {Call::DestroyWindow, 'O'},
    };
    EXPECT_TRUE(callsAre(engineCalls(), kSeeThroughOffThenTheOverlay)) << "nothing for stopMask to undo";
    EXPECT_FALSE(checked(IDC_DRAG));
    EXPECT_FALSE(checked(IDC_TRANS));
    EXPECT_TRUE(overlays().empty());
}

// startMask leaves a clip in place alone; the panel brings the overlay and the see-through
// styles in line with the boxes it shows, so the player is never click-through unticked.
TEST_F(UserPanel, VideoOnlyPressedAgainKeepsTheClipAndMatchesTheBoxes) {
    Player player = trackPlayer(kEvrVideoClass);
    click(IDC_MODE_VIDEO);
    const auto region = desktop().region(player.window);
    const std::uint32_t exStyle = desktop().exStyle(player.window);
    click(IDC_TRANS);

    desktop().clearCalls();
    click(IDC_MODE_VIDEO);
    const ExpectedCall inLineWithTheBoxes[] = {
        {Call::SetWindowPos, 'P', {kNoTopmost, kNoMoveNoSize}},
        {Call::SetWindowLong, 'P', {platform::kGwlExStyle, exStyle}},
        {Call::ShowWindow, 'O', {platform::kSwShow}},
    };
    EXPECT_TRUE(callsAre(engineCalls(), inLineWithTheBoxes));
    EXPECT_EQ(desktop().region(player.window), region);
    EXPECT_EQ(theCtrolPanel->masking, 1);
    EXPECT_TRUE(checked(IDC_MODE_VIDEO));
    EXPECT_TRUE(checked(IDC_DRAG));
    EXPECT_FALSE(checked(IDC_TRANS));
    EXPECT_EQ(overlays().size(), 1u);

    // Pressed once more with everything in place: nothing to change.
    desktop().clearCalls();
    click(IDC_MODE_VIDEO);
    EXPECT_TRUE(engineCalls().empty());
}

TEST_F(UserPanel, SeeThroughPercentagesGiveTheirAlphas) {
    Player player = trackPlayer(kEvrVideoClass);
    click(IDC_MODE_VIDEO);
    click(IDC_TRANS);
    const struct {
        const char* percent;
        int alpha;
        const char* shown;
    } cases[] = {{"20", 51, "20 %"}, {"50", 127, "50 %"}, {"70", 178, "70 %"}, {"100", 255, "100 %"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percent);
        desktop().clearCalls();
        setting([&](Hwnd dialog) { typeAndOk(dialog, c.percent); });
        EXPECT_EQ(settingOwner_, host_) << "owned by the main window";
        const ExpectedCall alpha[] = {
            {Call::SetLayeredWindowAttributes, 'P', {0, c.alpha, platform::kLwaAlpha}}};
        EXPECT_TRUE(callsAre(engineCalls(), alpha));
        EXPECT_EQ(desktop().state(player.window)->alpha, c.alpha);
        EXPECT_EQ(text(IDC_TRANS_PERCENT), c.shown);
    }
}

TEST_F(UserPanel, ANewPercentageWhileSeeThroughIsOffIsOnlyStored) {
    Player player = trackPlayer(kEvrVideoClass);
    click(IDC_MODE_VIDEO);
    desktop().clearCalls();
    setting([](Hwnd dialog) { typeAndOk(dialog, "45"); });
    EXPECT_TRUE(engineCalls().empty());
    EXPECT_EQ(text(IDC_TRANS_PERCENT), "70 %") << "shown from the next status update on";
    tick();
    EXPECT_EQ(text(IDC_TRANS_PERCENT), "45 %");

    setting([](Hwnd dialog) {
        desktop().typeText(desktop().item(dialog, IDC_PERCENT_EDIT), "90");
        desktop().click(desktop().item(dialog, platform::kIdCancel));
    });
    tick();
    EXPECT_EQ(text(IDC_TRANS_PERCENT), "45 %") << "Cancel changes nothing";
    click(IDC_TRANS);
    EXPECT_EQ(desktop().state(player.window)->alpha, 114);
}

TEST_F(UserPanel, TheTargetLostWhileTheDialogIsOpenLeavesThePercentageToTheUser) {
    Player player = trackPlayer(kEvrVideoClass);
    click(IDC_MODE_VIDEO);
    click(IDC_TRANS);
    setting([&](Hwnd dialog) {
        desktop().destroy(player.window);
        tick();  // the timer runs inside the dialog's loop
        EXPECT_EQ(text(IDC_FOUND_STATUS), kSearching);
        typeAndOk(dialog, "45");
    });
    EXPECT_EQ(panel_->m_transPercent, 45);
    EXPECT_EQ(text(IDC_FOUND_STATUS), kSearching);
    EXPECT_EQ(panel_->m_trans, 0) << "see-through went with the player";
}

TEST_F(UserPanel, LosingTheTargetLeavesNothingTickedAndNothingOnTop) {
    // Drag on, player closed: the overlay went with it, and the box says so.
    Player player = trackPlayer(kEvrVideoClass);
    click(IDC_MODE_VIDEO);
    ASSERT_TRUE(checked(IDC_DRAG));
    desktop().destroy(player.window);
    tick();
    EXPECT_TRUE(checked(IDC_MODE_RESTORE));
    EXPECT_FALSE(checked(IDC_DRAG));
    EXPECT_FALSE(enabled(IDC_DRAG));
    trackPlayer(kEvrVideoClass);
    EXPECT_TRUE(enabled(IDC_DRAG));
    EXPECT_FALSE(checked(IDC_DRAG)) << "no overlay is open";

    // See-through on, clipped player resized: lost and found again in one tick, restored
    // whole, out of the topmost band too.
    const std::uint32_t exStyle = desktop().exStyle(player_.window);
    click(IDC_MODE_VIDEO);
    click(IDC_TRANS);
    desktop().setRect(player_.window, {100, 100, 900, 700});
    tick();
    EXPECT_EQ(text(IDC_FOUND_STATUS), "EVRVideoHandler を検出しました");
    EXPECT_EQ(desktop().exStyle(player_.window), exStyle);
    EXPECT_FALSE(desktop().region(player_.window).has_value());
    EXPECT_TRUE(checked(IDC_MODE_RESTORE));
    EXPECT_FALSE(checked(IDC_TRANS));

    // A clip made again saves the player's own styles, and 元に戻す gives them back.
    click(IDC_MODE_VIDEO);
    EXPECT_EQ(static_cast<std::uint32_t>(theCtrolPanel->savedExStyle), exStyle);
    click(IDC_MODE_RESTORE);
    EXPECT_EQ(desktop().exStyle(player_.window), exStyle);
}

TEST_F(UserPanel, AnotherComponentClassInVideoOnlyModeKeepsTheSeeThroughControls) {
    Player player = trackPlayer(kEvrVideoClass);
    click(IDC_MODE_VIDEO);
    WindowSpec wmp;
    wmp.className = kWmpVideoClass;
    wmp.text = "Video";
    wmp.style = platform::kWsChild | platform::kWsVisible;
    wmp.rect = kVideoRect;
    desktop().createChild(player.window, wmp);
    tick();
    EXPECT_EQ(text(IDC_FOUND_STATUS), "WMPVideoWindow を検出しました");
    for (int id : kSeeThroughControls) EXPECT_TRUE(shown(id)) << id;
}

TEST_F(UserPanel, ColoursGreenStatusOnBlackOverAGreyPanel) {
    const auto grey = platform::rgb(120, 120, 120);
    for (int id : {IDC_FOUND_STATUS, IDC_TARGET_STATUS, IDC_TRANS_PERCENT}) {
        const auto answer = desktop().ctlColor(ctl(id));
        ASSERT_TRUE(answer.has_value()) << id;
        EXPECT_EQ(answer->brushColor, platform::rgb(0, 0, 0)) << id;
        EXPECT_TRUE(answer->textColorSet && answer->textColor == platform::rgb(0, 255, 0)) << id;
        EXPECT_EQ(answer->bkMode, platform::kTransparent) << id;
    }
    for (int id : {IDC_DRAG, IDC_TRANS}) {
        const auto answer = desktop().ctlColor(ctl(id));
        ASSERT_TRUE(answer.has_value()) << id;
        EXPECT_EQ(answer->brushColor, grey) << id;
        EXPECT_FALSE(answer->textColorSet) << id;
        EXPECT_EQ(answer->bkMode, platform::kTransparent) << id;
    }
    for (Hwnd window : {ctl(IDC_MODE_VIDEO), ctl(IDC_TRANS_SETTING), panel_->GetSafeHwnd()}) {
        const auto answer = desktop().ctlColor(window);
        ASSERT_TRUE(answer.has_value()) << hex(window);
        EXPECT_EQ(answer->brushColor, grey) << hex(window);
    }
}

class UserPanelAlone : public UserPanel {
protected:
    void SetUp() override {
        withControlPanel_ = false;
        UserPanel::SetUp();
    }
};

TEST_F(UserPanelAlone, WorksItsOwnFlagsWithoutAControlPanel) {
    EXPECT_EQ(desktop().liveBrushes(), 2u);
    CWinInf target;
    target.title = "Player";
    CChildWinInf component;
    component.className = kEvrVideoClass;
    panel_->componentFound(target, component);
    desktop().clearCalls();

    click(IDC_MODE_VIDEO);
    EXPECT_TRUE(checked(IDC_DRAG));
    click(IDC_TRANS);
    EXPECT_TRUE(checked(IDC_TRANS));
    EXPECT_FALSE(checked(IDC_DRAG));
    setting([](Hwnd dialog) { typeAndOk(dialog, "50"); });
    EXPECT_EQ(text(IDC_TRANS_PERCENT), "50 %");
    click(IDC_MODE_RESTORE);
    EXPECT_FALSE(checked(IDC_TRANS));
    EXPECT_FALSE(checked(IDC_DRAG));
    for (const auto& c : desktop().calls()) {
        EXPECT_FALSE(c.call == Call::SetWindowLong || c.call == Call::SetLayeredWindowAttributes ||
                     c.call == Call::SetWindowRgn)
            << platform::sim::callText(c);
    }

    panel_->DestroyWindow();
    panel_.reset();
    EXPECT_EQ(theUserPanel, nullptr) << "no notices into a panel that is gone";
    EXPECT_EQ(desktop().liveBrushes(), 0u);
    panel_ = std::make_unique<CUserPanelDlg>();  // for TearDown
}

// A player busy for a moment (opening a file, seeking) gets each change once it answers; one
// that has not answered for two seconds gets none, and the panel shows it as it is. The main
// window answers throughout.
enum class Change { Clip, Restore, SeeThrough, Opacity, Overlay, Drag };
constexpr std::uint32_t kNeverAnswers = 0;

class BusyPlayer : public UserPanel, public ::testing::WithParamInterface<std::tuple<Change, std::uint32_t>> {
protected:
    static constexpr unsigned kProbe = 0x8000 + 7;  // WM_APP + 7, posted to the main window

    void busyFor(std::uint32_t ms) {
        desktop().setHung(player_.window, true);
        if (ms != kNeverAnswers) desktop().after(ms, [w = player_.window] { desktop().setHung(w, false); });
    }
    // Posts to the main window every 50 ms for 4 s and keeps the longest wait for an answer.
    void watchMainWindow() {
        desktop().onMessage(host_, [this](unsigned message, std::uintptr_t posted, std::intptr_t) {
            if (message != kProbe) return std::optional<std::intptr_t>();
            slowest_ = std::max(slowest_, desktop().now() - posted);
            return std::optional<std::intptr_t>(0);
        });
        for (std::uint32_t at = 0; at < 4000; at += 50) {
            desktop().after(at, [this] { platform::postMessage(host_, kProbe, desktop().now(), 0); });
        }
    }
    bool seeThrough() const {
        const std::uint32_t exStyle = desktop().exStyle(player_.window);
        return (exStyle & kSeeThroughBits) == kSeeThroughBits && (exStyle & platform::kWsExTopmost) != 0;
    }
    std::uint8_t alpha() const { return desktop().state(player_.window)->alpha.value_or(0); }

    std::uint64_t slowest_ = 0;
};

TEST_P(BusyPlayer, GetsTheChangeOnceItAnswersAndNoneIfItNeverDoes) {
    const auto [change, busyMs] = GetParam();
    const bool answers = busyMs != kNeverAnswers;
    trackPlayer(kEvrVideoClass);
    const std::uint32_t style = desktop().style(player_.window);
    if (change != Change::Clip && change != Change::Overlay) click(IDC_MODE_VIDEO);
    if (change == Change::Opacity) click(IDC_TRANS);
    const platform::Rect before = desktop().rect(player_.window);
    const std::size_t boxes = desktop().messageBoxes().size();
    watchMainWindow();

    const char* failure = nullptr;
    switch (change) {
        case Change::Clip:
            busyFor(busyMs);
            click(IDC_MODE_VIDEO);
            EXPECT_EQ(desktop().region(player_.window).has_value(), answers);
            EXPECT_EQ(checked(IDC_MODE_VIDEO), answers);
            EXPECT_EQ(checked(IDC_DRAG), answers);
            EXPECT_EQ(overlays().size(), answers ? 1u : 0u);
            failure = kClipFailedText;
            break;
        case Change::Restore:
            busyFor(busyMs);
            click(IDC_MODE_RESTORE);
            EXPECT_EQ(desktop().region(player_.window).has_value(), !answers);
            EXPECT_EQ(desktop().style(player_.window) == style, answers);
            EXPECT_TRUE(overlays().empty());
            failure = kUnclipFailedText;
            break;
        case Change::SeeThrough:
            busyFor(busyMs);
            click(IDC_TRANS);
            EXPECT_EQ(seeThrough(), answers);
            EXPECT_EQ(alpha(), answers ? 178 : 0);
            EXPECT_EQ(checked(IDC_TRANS), answers);
            break;
        case Change::Opacity:
            busyFor(busyMs);
            setting([](Hwnd dialog) { typeAndOk(dialog, "50"); });
            EXPECT_EQ(alpha(), answers ? 127 : 178);
            EXPECT_EQ(text(IDC_TRANS_PERCENT), answers ? "50 %" : "70 %");
            EXPECT_TRUE(checked(IDC_TRANS));
            break;
        case Change::Overlay:
            busyFor(busyMs);
            click(IDC_DRAG);
            EXPECT_EQ(overlays().size(), answers ? 1u : 0u);
            EXPECT_EQ(checked(IDC_DRAG), answers);
            break;
        case Change::Drag: {
            // Busy from the first move to well after the release.
            desktop().after(5, [this, busyMs] { busyFor(busyMs); });
            ASSERT_EQ(overlays().size(), 1u);
            const Hwnd overlay = overlays().front();
            const platform::Rect start = desktop().rect(overlay);
            EXPECT_TRUE(desktop().drag(
                overlay, {{start.left + 10, start.top + 5, 10}, {start.left + 30, start.top + 20, 10}}));
            const platform::Rect moved = desktop().rect(player_.window);
            EXPECT_EQ(moved.left, answers ? before.left + 30 : before.left);
            EXPECT_EQ(moved.top, answers ? before.top + 20 : before.top);
            break;
        }
    }
    EXPECT_EQ(desktop().messageBoxes().size(), boxes + (!answers && failure ? 1 : 0));
    if (!answers && failure) {
        EXPECT_EQ(desktop().messageBoxes().back().text, failure);
    }
    EXPECT_LE(slowest_, 250u) << "the main window kept answering";
    EXPECT_EQ(desktop().deadlocks(), 0u);
    EXPECT_TRUE(enabled(IDC_MODE_VIDEO)) << "input is back after the wait";

    if (change == Change::Restore && !answers) {
        // The restore left for later is made by the first tick that finds the player answering.
        desktop().setHung(player_.window, false);
        tick();
        EXPECT_FALSE(desktop().region(player_.window).has_value());
        EXPECT_EQ(desktop().style(player_.window), style);
    }
}

std::string busyCaseName(const ::testing::TestParamInfo<std::tuple<Change, std::uint32_t>>& info) {
    static const char* const kNames[] = {"Clip", "Restore", "SeeThrough", "Opacity", "Overlay", "Drag"};
    const std::uint32_t ms = std::get<1>(info.param);
    return std::string(kNames[static_cast<int>(std::get<0>(info.param))]) + "_" +
           (ms == kNeverAnswers ? std::string("Hung") : std::to_string(ms) + "ms");
}

INSTANTIATE_TEST_SUITE_P(Table, BusyPlayer,
                         ::testing::Combine(::testing::Values(Change::Clip, Change::Restore,
                                                              Change::SeeThrough, Change::Opacity,
                                                              Change::Overlay, Change::Drag),
                                            ::testing::Values(200u, 800u, 1500u, kNeverAnswers)),
                         busyCaseName);

// While one change waits for the player, the panel takes no second press.
TEST_F(UserPanel, APressWhileAChangeWaitsIsNotTaken) {
    trackPlayer(kEvrVideoClass);
    desktop().setHung(player_.window, true);
    desktop().after(800, [this] { desktop().setHung(player_.window, false); });
    bool taken = true;
    desktop().after(400, [this, &taken] { taken = desktop().click(ctl(IDC_MODE_RESTORE)); });
    click(IDC_MODE_VIDEO);
    EXPECT_FALSE(taken);
    EXPECT_TRUE(checked(IDC_MODE_VIDEO));
    EXPECT_TRUE(desktop().region(player_.window).has_value());
}

}  // namespace
