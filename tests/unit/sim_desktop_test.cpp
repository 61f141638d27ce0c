// The simulated desktop's own behaviour: window tree, z-order, geometry, hooks, the clock.
#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/ctrol_panel.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "platform/window.h"
#include "tests/support/sim_calls.h"

namespace {

using namespace platform;
using platform::sim::desktop;

constexpr unsigned kNoMoveNoSize = kSwpNoMove | kSwpNoSize;

class SimDesktop : public ::testing::Test {
protected:
    void SetUp() override { desktop().reset(); }

    static Hwnd window(std::string title = "w", std::uint32_t pid = 0, Hwnd owner = {}) {
        sim::WindowSpec recipe;
        recipe.text = std::move(title);
        recipe.processId = pid;
        recipe.owner = owner;
        return desktop().createWindow(recipe);
    }

    static Hwnd child(Hwnd parent, Rect rect = {0, 0, 10, 10}) {
        sim::WindowSpec recipe;
        recipe.style = kWsVisible;
        recipe.text = "child";
        recipe.rect = rect;
        return desktop().createChild(parent, recipe);
    }

    // Records every message that reaches the window (scene windows have no procedure).
    static void record(Hwnd hwnd, std::vector<std::pair<Hwnd, unsigned>>& seen) {
        desktop().onMessage(hwnd, [hwnd, &seen](unsigned m, std::uintptr_t, std::intptr_t) {
            seen.emplace_back(hwnd, m);
            return std::optional<std::intptr_t>();
        });
    }
};

int collect(Hwnd hwnd, std::uintptr_t context) {
    reinterpret_cast<std::vector<Hwnd>*>(context)->push_back(hwnd);
    return 1;
}

std::vector<Hwnd> topLevelOrder() {
    std::vector<Hwnd> found;
    enumWindows(collect, reinterpret_cast<std::uintptr_t>(&found));
    return found;
}

TEST_F(SimDesktop, HandlesStepLikeTheSystemsAndAreNeverReused) {
    const Hwnd a = window();
    const Hwnd b = window();
    EXPECT_EQ(handleValue(a), 0x00010010u);
    EXPECT_EQ(handleValue(b), 0x00010012u);
    desktop().destroy(a);
    EXPECT_EQ(handleValue(window()), 0x00010014u);
    desktop().reset();
    EXPECT_EQ(handleValue(window()), 0x00010010u) << "a fresh desktop starts over";
}

TEST_F(SimDesktop, TopmostBandStaysFirstAndOwnedWindowsStayAboveTheirOwner) {
    const Hwnd a = window("a");
    const Hwnd b = window("b");
    const Hwnd owned = window("owned", 0, a);
    EXPECT_EQ(topLevelOrder(), (std::vector<Hwnd>{owned, b, a}));

    ASSERT_TRUE(setWindowPos(a, kHwndTopmost, 0, 0, 0, 0, kNoMoveNoSize));
    EXPECT_EQ(topLevelOrder(), (std::vector<Hwnd>{owned, a, b}));
    EXPECT_NE(desktop().exStyle(owned) & kWsExTopmost, 0u) << "owned windows share their owner's band";

    const Hwnd later = window("later");
    EXPECT_EQ(topLevelOrder(), (std::vector<Hwnd>{owned, a, later, b})) << "new windows go below the band";

    ASSERT_TRUE(setWindowPos(a, kHwndNoTopmost, 0, 0, 0, 0, kNoMoveNoSize));
    EXPECT_EQ(topLevelOrder(), (std::vector<Hwnd>{owned, a, later, b}));
    EXPECT_EQ(desktop().exStyle(owned) & kWsExTopmost, 0u);
    EXPECT_EQ(desktop().exStyle(a) & kWsExTopmost, 0u);
}

TEST_F(SimDesktop, DestroyingGoesOwnedFirstThenDestroyDownAndNcDestroyUp) {
    const std::uint32_t own = desktop().ownProcessId();
    const Hwnd top = window("top", own);
    const Hwnd inner = child(top);
    const Hwnd leaf = child(inner);
    const Hwnd owned = window("owned", own, top);
    const Hwnd foreignOwned = window("foreign", desktop().defaultProcessId(), top);
    std::vector<std::pair<Hwnd, unsigned>> seen;
    for (Hwnd h : {top, inner, leaf, owned, foreignOwned}) record(h, seen);

    ASSERT_TRUE(destroyWindow(top));
    const std::vector<std::pair<Hwnd, unsigned>> expected = {
        {owned, msg::kDestroy}, {owned, msg::kNcDestroy}, {top, msg::kDestroy},     {inner, msg::kDestroy},
        {leaf, msg::kDestroy},  {leaf, msg::kNcDestroy},  {inner, msg::kNcDestroy}, {top, msg::kNcDestroy}};
    EXPECT_EQ(seen, expected);
    for (Hwnd h : {top, inner, leaf, owned}) EXPECT_FALSE(isWindow(h));
    EXPECT_TRUE(isWindow(foreignOwned)) << "another process's owned window survives";
    EXPECT_EQ(getOwner(foreignOwned), kNoWindow);
}

TEST_F(SimDesktop, ProgramCannotDestroyAnotherProcessWindow) {
    const Hwnd player = window("player");
    EXPECT_FALSE(destroyWindow(player));
    EXPECT_TRUE(isWindow(player));
    EXPECT_EQ(getLastError(), 5u);
}

TEST_F(SimDesktop, ChildrenFollowTheClientAreaOnlyWhenTheFrameIsRecomputed) {
    sim::WindowSpec recipe;
    recipe.rect = Rect{100, 100, 740, 580};
    const Hwnd player = desktop().createWindow(recipe);
    const Rect client = desktop().state(player)->client;
    EXPECT_EQ(client, (Rect{104, 123, 736, 576})) << "a sizing frame of 4 and a caption of 19";
    const Hwnd video = child(player, Rect{client.left, client.top + 20, client.right, client.top + 380});
    std::vector<sim::StyleChange> changes;
    desktop().onStyleChanged(player, [&](const sim::StyleChange& c) { changes.push_back(c); });

    const auto style = static_cast<std::uint32_t>(getWindowLongA(player, kGwlStyle));
    setWindowLongA(player, kGwlStyle, static_cast<std::int32_t>(style & kKeepWhenMasked));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].oldValue, style);
    EXPECT_EQ(changes[0].newValue, style & kKeepWhenMasked);
    EXPECT_EQ(desktop().rect(video).top, 143) << "a style change alone moves nothing";

    setWindowPos(player, kHwndTop, 0, 0, 0, 0, kNoMoveNoSize | kSwpNoZOrder | kSwpFrameChanged);
    EXPECT_EQ(desktop().state(player)->client, (Rect{100, 100, 740, 580}));
    EXPECT_EQ(desktop().rect(video), (Rect{100, 120, 732, 480}));

    moveWindow(player, 200, 150, 640, 480, true);
    EXPECT_EQ(desktop().rect(video), (Rect{200, 170, 832, 530}));
}

TEST_F(SimDesktop, MinimisedWindowIsParkedAndComesBack) {
    const Hwnd player = window();
    const Rect before = desktop().rect(player);
    desktop().minimise(player);
    EXPECT_TRUE(isIconic(player));
    EXPECT_EQ(desktop().rect(player).left, sim::kMinimisedX);
    EXPECT_FALSE(monitorFromRect(desktop().rect(player)));
    setWindowLongA(player, kGwlStyle, static_cast<std::int32_t>(kWsPopup | kWsVisible));
    EXPECT_TRUE(isIconic(player)) << "the style word cannot clear the minimised state";
    desktop().restore(player);
    EXPECT_EQ(desktop().rect(player), before);
}

TEST_F(SimDesktop, WindowsCanVanishMidEnumerationOrMidExamination) {
    const Hwnd a = window("a");
    const Hwnd b = window("b");
    const Hwnd c = window("c");
    desktop().destroyWhenEnumerated(b);
    std::vector<std::pair<Hwnd, bool>> seen;
    enumWindows(
        [](Hwnd h, std::uintptr_t ctx) {
            reinterpret_cast<std::vector<std::pair<Hwnd, bool>>*>(ctx)->emplace_back(h, isWindow(h));
            return 1;
        },
        reinterpret_cast<std::uintptr_t>(&seen));
    EXPECT_EQ(seen, (std::vector<std::pair<Hwnd, bool>>{{c, true}, {b, false}, {a, true}}));
    EXPECT_EQ(topLevelOrder(), (std::vector<Hwnd>{c, a}));

    desktop().onCall([a](std::string_view call, Hwnd h) {
        if (call == "GetWindowRect" && h == a) desktop().destroy(a);
    });
    EXPECT_TRUE(isWindowVisible(a));
    Rect rect{};
    EXPECT_FALSE(getWindowRect(a, rect));

    const Hwnd d = window("d");
    desktop().failEnumWindowsAfter(1);
    std::vector<Hwnd> partial;
    EXPECT_FALSE(enumWindows(collect, reinterpret_cast<std::uintptr_t>(&partial)));
    EXPECT_EQ(partial, std::vector<Hwnd>{d}) << "a failing enumeration stops part-way";
}

TEST_F(SimDesktop, HungWindowQueryWaitsItsTimeOrGivesUpAtOnceWhenLongHung) {
    const Hwnd player = window("player");
    const Hwnd video = child(player);
    desktop().setHung(video, true);
    EXPECT_EQ(sendGetTextA(video, 511), "");
    EXPECT_EQ(desktop().now(), kGetTextTimeoutMs);
    EXPECT_EQ(getWindowTextA(video, 256), "child") << "read without asking the thread";

    desktop().advance(6000);
    const auto before = desktop().now();
    EXPECT_EQ(sendGetTextA(video, 511), "");
    EXPECT_EQ(desktop().now(), before) << "a thread stuck for seconds is given up on at once";

    desktop().setHung(video, false);
    desktop().setHung(video, true);
    desktop().after(100, [video] { desktop().setHung(video, false); });
    EXPECT_EQ(sendGetTextA(video, 511), "child");
    EXPECT_EQ(desktop().now(), before + 100);

    desktop().setHung(video, true);
    EXPECT_EQ(sendMessage(video, msg::kGetTextLength, 0, 0), 0);
    EXPECT_EQ(desktop().deadlocks(), 1u);
}

TEST_F(SimDesktop, CallLogSaysWhatTheProgramChangedInOrder) {
    const Hwnd w = window();
    const Rect clip{0, 30, 640, 390};
    setWindowLongA(w, kGwlStyle, 0x16010000);
    setWindowRgn(w, &clip, true);
    moveWindow(w, 1, 2, 3, 4, true);
    setWindowPos(w, kHwndTopmost, 0, 0, 0, 0, kNoMoveNoSize);
    setLayeredWindowAttributes(w, 0, 178, kLwaAlpha);
    showWindow(w, kSwHide);
    setWindowRgn(w, nullptr, true);
    static const sim::ExpectedCall kChanges[] = {
        {sim::Call::SetWindowLong, 'W', {kGwlStyle, 0x16010000}},
        {sim::Call::SetWindowRgn, 'W', {0, 30, 640, 390}},
        {sim::Call::MoveWindow, 'W', {1, 2, 3, 4}},
        {sim::Call::SetWindowPos, 'W', {sim::kTopmost, kNoMoveNoSize}},
        {sim::Call::SetLayeredWindowAttributes, 'W', {0, 178, kLwaAlpha}},
        {sim::Call::ShowWindow, 'W', {kSwHide}},
        {sim::Call::SetWindowRgn, 'W'},
    };
    EXPECT_TRUE(sim::callsAre(desktop().calls(), kChanges, {{'W', w}}));
    EXPECT_FALSE(desktop().calls()[4].ok) << "not layered: the call failed";

    // The check itself: an optional entry may be absent, an argument may be anything, and a
    // call out of place fails it.
    static const sim::ExpectedCall kLoose[] = {
        {sim::Call::SetWindowLong, 'W', {kGwlStyle, sim::kAny}},
        sim::optional({sim::Call::DestroyWindow, 'W'}),
        {sim::Call::SetWindowRgn, 'W', {0, 30, 640, 390}},
    };
    EXPECT_TRUE(sim::callsAre(std::span(desktop().calls()).first(2), kLoose, {{'W', w}}));
    EXPECT_FALSE(sim::callsAre(std::span(desktop().calls()).first(3), kLoose, {{'W', w}}));
    EXPECT_FALSE(sim::callsAre(desktop().calls(), kChanges, {{'W', kNoWindow}})) << "another window's calls";
    desktop().clearCalls();
    EXPECT_TRUE(desktop().calls().empty());
}

TEST_F(SimDesktop, InjectedRegionFailuresCountDown) {
    const Hwnd w = window();
    const Rect clip{0, 0, 5, 5};
    desktop().fail(sim::Failure::SetWindowRgn, 1);
    EXPECT_FALSE(setWindowRgn(w, &clip, true));
    EXPECT_FALSE(desktop().region(w).has_value());
    EXPECT_TRUE(setWindowRgn(w, &clip, true));
    desktop().fail(sim::Failure::SetWindowRgn);
    EXPECT_FALSE(setWindowRgn(w, nullptr, true));
    EXPECT_FALSE(setWindowRgn(w, nullptr, true));
    EXPECT_EQ(desktop().region(w), clip);
}

// ---- the clock ----

// What the sim does not model stops the test program instead of answering unlike Windows.
TEST_F(SimDesktop, WhatIsNotModelledStopsTheProgram) {
    const Hwnd w = window();
    const Hwnd inner = child(w);
    EXPECT_DEATH(setWindowPos(w, kNoWindow, 1, 2, 3, 4, 0), "not modelled: SetWindowPos");
    EXPECT_DEATH(showWindow(w, kSwMinimize), "not modelled: ShowWindow");
    EXPECT_DEATH(moveWindow(inner, 0, 0, 10, 10, true), "not modelled: MoveWindow");
    EXPECT_DEATH(getWindowLongA(w, -12), "not modelled: GetWindowLongA");
}

class SimClock : public SimDesktop {
protected:
    void SetUp() override {
        SimDesktop::SetUp();
        owner = window("timers", desktop().ownProcessId());
        desktop().onMessage(owner, [this](unsigned m, std::uintptr_t wp, std::intptr_t) {
            if (m == msg::kTimer) ticks.emplace_back(desktop().now(), wp);
            if (m == msg::kTimer && onTick) onTick();
            return std::optional<std::intptr_t>();
        });
    }
    Hwnd owner{};
    std::vector<std::pair<std::uint64_t, std::uintptr_t>> ticks;
    std::function<void()> onTick;
};

TEST_F(SimClock, ATimerFiresAtEachDueTimeOfAnAdvance) {
    setTimer(owner, 101, 500);
    desktop().advance(1600);
    EXPECT_EQ(ticks,
              (std::vector<std::pair<std::uint64_t, std::uintptr_t>>{{500, 101}, {1000, 101}, {1500, 101}}));
    EXPECT_EQ(desktop().now(), 1600u);
}

TEST_F(SimClock, SleepRunsSceneEventsOnlyAndMissedTicksComeAsOne) {
    setTimer(owner, 101, 500);
    std::vector<std::uint64_t> events;
    desktop().after(700, [&] { events.push_back(desktop().now()); });
    sleepMs(1600);
    EXPECT_EQ(events, std::vector<std::uint64_t>{700});
    EXPECT_TRUE(ticks.empty());
    desktop().pump();
    EXPECT_EQ(ticks, (std::vector<std::pair<std::uint64_t, std::uintptr_t>>{{1600, 101}}));
    desktop().advance(400);
    EXPECT_EQ(ticks.back().first, 2000u) << "the period keeps its phase";
}

TEST_F(SimClock, SceneChangesComeBeforeATickDueAtTheSameMoment) {
    setTimer(owner, 101, 500);
    bool changed = false;
    bool seenByTick = false;
    desktop().after(500, [&] { changed = true; });
    onTick = [&] { seenByTick = changed; };
    desktop().advance(500);
    EXPECT_TRUE(seenByTick);
}

TEST_F(SimClock, PostedMessagesWaitForTheMessageLoop) {
    std::vector<std::pair<Hwnd, unsigned>> seen;
    record(owner, seen);
    postMessage(owner, 0x8001, 0, 0);
    sleepMs(100);
    EXPECT_TRUE(seen.empty());
    desktop().pump();
    EXPECT_EQ(seen, (std::vector<std::pair<Hwnd, unsigned>>{{owner, 0x8001}}));
}

TEST_F(SimClock, TimersEndWithKillTimerOrTheirWindow) {
    setTimer(owner, 1, 100);
    setTimer(owner, 2, 100);
    EXPECT_TRUE(killTimer(owner, 1));
    EXPECT_FALSE(killTimer(owner, 1));
    desktop().advance(100);
    EXPECT_EQ(ticks, (std::vector<std::pair<std::uint64_t, std::uintptr_t>>{{100, 2}}));
    desktop().destroy(owner);
    EXPECT_FALSE(desktop().hasTimer(owner, 2));
    desktop().advance(1000);
    EXPECT_EQ(ticks.size(), 1u);
}

TEST_F(SimClock, TicksArriveInsideAMessageBoxOpenedByATick) {
    setTimer(owner, 101, 500);
    desktop().onMessageBox([](const sim::MessageBoxRecord&) {
        desktop().advance(600);  // the user takes a while to press OK
        return kIdOk;
    });
    int depth = 0;
    onTick = [&] {
        if (++depth == 1) messageBox(owner, "region", "Clipveil", kMbOk);
    };
    desktop().advance(500);
    EXPECT_EQ(ticks, (std::vector<std::pair<std::uint64_t, std::uintptr_t>>{{500, 101}, {1000, 101}}));
    ASSERT_EQ(desktop().messageBoxes().size(), 1u);
    EXPECT_EQ(desktop().messageBoxes()[0].text, "region");
    EXPECT_FALSE(desktop().state(owner)->style & kWsDisabled) << "the owner is enabled again";
}

}  // namespace
