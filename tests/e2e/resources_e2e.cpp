// No GDI or USER object leaks over a long run of the real engine and panels under Wine. The
// tick handler is driven directly (10,000 ticks at 500 ms would take 83 minutes) and the
// counts are read from this process before and after:
// - GDI: the entries in use in Wine's GDI handle table of this process (GetGuiResources is
//   a stub in Wine 8: it answers 0 with ERROR_CALL_NOT_IMPLEMENTED);
// - USER: the windows this process owns, top-level and descendants.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "desktop.h"
#include "engine/ctrol_panel.h"
#include "panels/user_panel.h"
#include "platform/gdi.h"
#include "platform/system.h"
#include "tests/support/testing.h"
#include "platform/window.h"
#include "panels_host.h"
#include "player.h"
#include "pump.h"
#include "resources/resource.h"

namespace {

using namespace std::chrono_literals;
using platform::Hwnd;
using Clock = std::chrono::steady_clock;

struct Counts {
    std::uint32_t gdi = 0;
    std::uint32_t windows = 0;
    friend bool operator==(const Counts&, const Counts&) = default;
};

std::ostream& operator<<(std::ostream& out, const Counts& c) {
    return out << "{GDI objects " << c.gdi << ", windows " << c.windows << "}";
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class ResourcesOnWine : public e2e::PanelsOnWine {
protected:
    void SetUp() override {
        PanelsOnWine::SetUp();
        // No timer: every tick in these tests is one the test sends.
        std::string error;
        player_ = e2e::ImitationPlayer::start({.videoClass = "EVR", .title = "Resources e2e player"}, error);
        ASSERT_TRUE(player_) << error;
        tick();
        ASSERT_EQ(ctrol_.hasTarget, 1);
        ASSERT_EQ(ctrol_.target.hwnd, player_->window());
    }
    Counts countNow() {
        // Anything the system queued for our windows (repaints of status lines) runs first.
        platform::testing::pumpMessages();
        const auto gdi = platform::testing::liveGdiObjects();
        EXPECT_TRUE(gdi.has_value()) << "no GDI handle table to read";
        return {gdi.value_or(0), platform::testing::liveWindows()};
    }
};

TEST_F(ResourcesOnWine, TheCountersSeeWhatIsMadeAndGetGuiResourcesIsAStub) {
    // Measured, and checked here so the report stays true: Wine 8 does not count.
    EXPECT_EQ(platform::testing::guiResources(false), std::nullopt);
    EXPECT_EQ(platform::testing::guiResources(true), std::nullopt);

    const Counts before = countNow();
    EXPECT_GE(before.windows, 4u) << "host, both panels and their controls";
    platform::CBrush brush(platform::rgb(1, 2, 3));
    EXPECT_EQ(countNow().gdi, before.gdi + 1) << "a brush is one GDI object";
    brush.DeleteObject();
    platform::CDialog extra{IDD_TRANS_DLG};
    ASSERT_TRUE(extra.Create(platform::kNoWindow));
    EXPECT_GT(countNow().windows, before.windows) << "a dialog and its controls are windows";
    extra.DestroyWindow();
    EXPECT_EQ(countNow().windows, before.windows);
}

TEST_F(ResourcesOnWine, TenThousandTicksLeakNothing) {
    // Warm-up: the first clip and tick fill Wine's caches (device contexts, fonts).
    press(IDC_MODE_VIDEO);
    ASSERT_EQ(ctrol_.masking, 1);
    for (int i = 0; i < 20; ++i) tick();
    press(IDC_MODE_RESTORE);
    for (int i = 0; i < 20; ++i) tick();

    const auto start = Clock::now();
    const Counts unclipped = countNow();
    for (int i = 0; i < 5000; ++i) tick();
    EXPECT_EQ(ctrol_.target.hwnd, player_->window()) << "tracked all along";
    EXPECT_EQ(countNow(), unclipped) << "5,000 ticks tracking the player";

    press(IDC_MODE_VIDEO);
    ASSERT_EQ(ctrol_.masking, 1);
    const Counts clipped = countNow();
    for (int i = 0; i < 5000; ++i) tick();
    EXPECT_EQ(ctrol_.masking, 1);
    EXPECT_EQ(countNow(), clipped) << "5,000 ticks with the player clipped and the overlay open";
    press(IDC_MODE_RESTORE);
    EXPECT_EQ(countNow(), unclipped);
    const double seconds = secondsSince(start);
    std::printf("10,000 ticks: %.1f s\n", seconds);
    EXPECT_LT(seconds, 90.0);
}

TEST_F(ResourcesOnWine, AThousandClipAndRestoreCyclesLeakNothing) {
    // Where the time goes, for the run-time bound: startMask waits at least two 50 ms looks
    // for the player's new layout to rest, stopMask nudges the player's size.
    Clock::duration inStart{}, inStop{};
    const auto cycle = [&](int i) {
        auto t = Clock::now();
        ctrol_.startMask(i % 2);  // with and without the overlay
        inStart += Clock::now() - t;
        if (i % 4 < 2) {
            ctrol_.setTopMost(1);
            ctrol_.setTransStyle(1);
            ctrol_.setTransAlpha(i % 256);
            ctrol_.setTopMost(0);
            ctrol_.setTransStyle(0);
        }
        t = Clock::now();
        ctrol_.stopMask();
        inStop += Clock::now() - t;
    };
    for (int i = 0; i < 4; ++i) cycle(i);

    const auto start = Clock::now();
    inStart = inStop = {};
    const Counts before = countNow();
    for (int i = 0; i < 1000; ++i) {
        cycle(i);
        ASSERT_EQ(ctrol_.masking, 0) << "cycle " << i;
        // The player answers its style changes while we go on.
        if (i % 50 == 0) platform::testing::pumpMessages();
    }
    EXPECT_EQ(countNow(), before);
    EXPECT_FALSE(e2e::regionOf(player_->window()).has_value());
    const double seconds = secondsSince(start);
    std::printf("1,000 clip and restore cycles: %.1f s (startMask %.1f s, stopMask %.1f s)\n", seconds,
                std::chrono::duration<double>(inStart).count(),
                std::chrono::duration<double>(inStop).count());
    EXPECT_LT(seconds, 220.0);
}

}  // namespace
