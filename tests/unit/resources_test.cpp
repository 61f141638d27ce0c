// Nothing leaks over a long run: the simulated desktop counts the objects the program makes
// (windows, brushes, open process handles, timers) and the counts must come back to exactly
// what they were before 10,000 tracking ticks and 1,000 clip and restore cycles.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "engine/ctrol_panel.h"
#include "panels/user_panel.h"
#include "platform/sim/desktop.h"
#include "panels_scene.h"
#include "platform/sim/world.h"
#include "platform/system.h"
#include "resources/resource.h"

namespace {

using platform::Hwnd;
using platform::sim::desktop;
using platform::sim::WindowSpec;

struct Counts {
    std::size_t windows = 0;
    std::size_t brushes = 0;
    std::size_t processHandles = 0;
    std::size_t timers = 0;
    friend bool operator==(const Counts&, const Counts&) = default;
};

std::ostream& operator<<(std::ostream& out, const Counts& c) {
    return out << "{windows " << c.windows << ", brushes " << c.brushes << ", process handles "
               << c.processHandles << ", timers " << c.timers << "}";
}

Counts countNow() {
    auto& d = desktop();
    return {d.windowCount(), d.liveBrushes(), d.openProcessHandles(), d.world().timers.size()};
}

class Resources : public panels_test::PanelsTest {
protected:
    void SetUp() override {
        PanelsTest::SetUp();
        auto& d = desktop();

        platform::sim::ProcessSpec process;
        process.modules = {{"player.exe", "C:\\Player\\player.exe"}};
        WindowSpec frame;
        frame.className = "PlayerFrame";
        frame.text = "Player";
        frame.processId = d.addProcess(process);
        player_ = d.createWindow(frame);
        WindowSpec video;
        video.className = kEvrVideoClass;
        video.text = "Video";
        video.style = platform::kWsChild | platform::kWsVisible;
        video.rect = {104, 123, 736, 536};
        video_ = d.createChild(player_, video);
        tick();
        ASSERT_EQ(ctrol_->hasTarget, 1);
    }
    void tick() { desktop().advance(CCtrolPanelDlg::kTrackingPeriodMs); }
    bool click(int id) { return desktop().click(desktop().item(panel_->GetSafeHwnd(), id)); }

    Hwnd player_{};
    Hwnd video_{};
};

TEST_F(Resources, TenThousandTicksWhileTrackingAndClippedLeaveNothingBehind) {
    const Counts before = countNow();
    EXPECT_GT(before.brushes, 0u) << "the panel's two brushes are counted";
    for (int i = 0; i < 5000; ++i) tick();
    EXPECT_EQ(countNow(), before) << "tracking, unclipped";

    ASSERT_TRUE(click(IDC_MODE_VIDEO));
    ASSERT_EQ(ctrol_->masking, 1);
    const Counts clipped = countNow();
    EXPECT_EQ(clipped.windows, before.windows + 1) << "the overlay";
    for (int i = 0; i < 5000; ++i) tick();
    EXPECT_EQ(countNow(), clipped) << "tracking, clipped with the overlay";
    EXPECT_EQ(ctrol_->target.hwnd, player_);
    ASSERT_TRUE(click(IDC_MODE_RESTORE));
    EXPECT_EQ(countNow(), before);
}

TEST_F(Resources, AThousandClipAndRestoreCyclesLeaveNothingBehind) {
    const Counts before = countNow();
    for (int i = 0; i < 1000; ++i) {
        // The user's round: video only (with the overlay), see-through (overlay closed),
        // drag again (overlay back, see-through off), restore.
        ASSERT_TRUE(click(IDC_MODE_VIDEO));
        ASSERT_TRUE(click(IDC_TRANS));
        ASSERT_TRUE(click(IDC_DRAG));
        ASSERT_TRUE(click(IDC_MODE_RESTORE));
        // And the engine's own calls with and without the overlay and see-through.
        ctrol_->startMask(i % 2);
        ctrol_->setTopMost(1);
        ctrol_->setTransStyle(1);
        ctrol_->setTransAlpha(i % 256);
        ctrol_->setTopMost(0);
        ctrol_->setTransStyle(0);
        ctrol_->stopMask();
        ctrol_->closeMoveWin();
        ASSERT_EQ(ctrol_->masking, 0);
    }
    tick();
    EXPECT_EQ(countNow(), before);
    EXPECT_FALSE(desktop().region(player_).has_value());
    EXPECT_EQ(desktop().brushDoubleDeletes(), 0u);
}

// Players that come and go: every lost target, every closed overlay and every queried process
// is given back.
TEST_F(Resources, PlayersComingAndGoingLeaveNothingBehind) {
    ASSERT_TRUE(click(IDC_MODE_VIDEO));
    desktop().destroy(player_);
    tick();
    ASSERT_EQ(ctrol_->hasTarget, 0);
    const Counts before = countNow();
    for (int i = 0; i < 300; ++i) {
        WindowSpec frame;
        frame.className = "PlayerFrame";
        frame.text = "Player " + std::to_string(i);
        const Hwnd window = desktop().createWindow(frame);
        WindowSpec video;
        video.className = kEvrVideoClass;
        video.text = "Video";
        video.style = platform::kWsChild | platform::kWsVisible;
        video.rect = {104, 123, 736, 536};
        desktop().createChild(window, video);
        tick();
        ASSERT_EQ(ctrol_->target.hwnd, window);
        ASSERT_TRUE(click(IDC_MODE_VIDEO));
        ASSERT_EQ(ctrol_->masking, 1);
        desktop().destroy(window);
        tick();
        ASSERT_EQ(ctrol_->hasTarget, 0);
    }
    EXPECT_EQ(countNow(), before);
}

}  // namespace
