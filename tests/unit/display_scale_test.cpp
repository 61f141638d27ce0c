// The clip, the overlay, the drag and the restore on scaled and mixed-scale screens: whatever
// the player's awareness, the monitor it lies on and what the system does with a region given
// from another DPI space, the user sees the video clipped, covered, dragged and given back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "engine/move_win.h"
#include "engine_scene.h"

namespace engine_test {
namespace {

using platform::sim::DpiAwareness;
using platform::sim::MonitorSpec;

enum class Screen { Primary, Second };
enum class Regions { Kept, Rescaled };
using Row = std::tuple<DpiAwareness, unsigned, Screen, Regions>;

std::string text(const Rect& r) {
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}

// Within a pixel: the spaces round each coordinate on their own.
::testing::AssertionResult near(const Rect& actual, const Rect& expected) {
    const bool close =
        std::abs(actual.left - expected.left) <= 1 && std::abs(actual.top - expected.top) <= 1 &&
        std::abs(actual.right - expected.right) <= 1 && std::abs(actual.bottom - expected.bottom) <= 1;
    if (close) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << text(actual) << " where " << text(expected) << " was expected";
}

Rect moved(const Rect& r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

class DisplayScale : public EngineTest, public ::testing::WithParamInterface<Row> {};

TEST_P(DisplayScale, TheClipTheOverlayTheDragAndTheRestoreHold) {
    const auto [awareness, dpi, screen, regions] = GetParam();
    const unsigned otherDpi = dpi == 96 ? 144 : 96;
    const Rect primary{0, 0, 2560, 1440};
    const Rect second{2560, 0, 5120, 1440};
    desktop().setMonitors({MonitorSpec{primary, screen == Screen::Primary ? dpi : otherDpi},
                           MonitorSpec{second, screen == Screen::Second ? dpi : otherDpi}});
    desktop().setRescaleRegions(regions == Regions::Rescaled);
    const int x = (screen == Screen::Primary ? primary : second).left + 300;
    const Player p = makePlayer(kEvrVideoClass, "Player", {x, 200, x + 960, 920}, awareness);
    relayoutOnFrameChange(p, {x, 245, x + 960, 785});
    track(p);

    panel_->startMask(1);
    ASSERT_EQ(overlays().size(), 1u);
    const Hwnd overlay = overlays().front();
    const Rect window = desktop().rectIn(p.window, awareness);
    const Rect video = desktop().rectIn(p.video, awareness);
    ASSERT_TRUE(desktop().region(p.window));
    EXPECT_TRUE(near(*desktop().region(p.window), {video.left - window.left, video.top - window.top,
                                                   video.right - window.left, video.bottom - window.top}))
        << "the region is the video in the player's own space";
    const DpiAwareness program = desktop().programAwareness();
    EXPECT_TRUE(near(desktop().rectIn(overlay, program), desktop().rectIn(p.video, program)))
        << "the overlay covers the video in the program's space";
    EXPECT_EQ(desktop().state(overlay)->awareness, program) << "the overlay is made in the program's context";

    tick();
    ASSERT_EQ(panel_->masking, 1) << "the tick compares the size in the space it was read in";

    const Rect start = desktop().rect(p.window);
    ASSERT_TRUE(desktop().dragBy(overlay, 40, 25, 4));
    EXPECT_TRUE(near(desktop().rect(p.window), moved(start, 40, 25)))
        << "dragged by the mouse's physical movement";

    const Rect dragged = desktop().rect(p.window);
    panel_->stopMask();
    EXPECT_TRUE(near(desktop().rect(p.window), dragged)) << "元に戻す leaves the window where it was";
    EXPECT_FALSE(desktop().region(p.window));
    EXPECT_EQ(desktop().style(p.window), p.style);
}

std::string rowName(const ::testing::TestParamInfo<Row>& info) {
    const auto [awareness, dpi, screen, regions] = info.param;
    const char* names[] = {"Unaware", "System", "PerMonitor"};
    return std::string(names[static_cast<int>(awareness)]) + "_" + std::to_string(dpi * 100 / 96) + "_" +
           (screen == Screen::Primary ? "Primary" : "Second") + "_" +
           (regions == Regions::Kept ? "RegionsKept" : "RegionsRescaled");
}

INSTANTIATE_TEST_SUITE_P(Players, DisplayScale,
                         ::testing::Combine(::testing::Values(DpiAwareness::Unaware, DpiAwareness::System,
                                                              DpiAwareness::PerMonitor),
                                            ::testing::Values(96u, 120u, 144u, 192u),
                                            ::testing::Values(Screen::Primary, Screen::Second),
                                            ::testing::Values(Regions::Kept, Regions::Rescaled)),
                         rowName);

// The program's own windows are drawn sharp only if the manifest says per-monitor: the sim takes
// the awareness from the manifest as Windows 10 does, and the product's says so.
TEST(DisplayScaleManifest, ThePerMonitorDeclarationsAreReadAsWindowsReadsThem) {
    using platform::sim::awarenessFromManifest;
    const struct {
        const char* manifest;
        DpiAwareness expected;
    } cases[] = {
        {"<assembly/>", DpiAwareness::Unaware},
        {"<dpiAware>true</dpiAware>", DpiAwareness::System},
        {"<dpiAware xmlns=\"x\"> True/PM </dpiAware>", DpiAwareness::PerMonitor},
        {"<dpiAware>true</dpiAware><dpiAwareness>PerMonitorV2, PerMonitor</dpiAwareness>",
         DpiAwareness::PerMonitor},
        {"<dpiAware>true/pm</dpiAware><dpiAwareness>Unknown, System</dpiAwareness>", DpiAwareness::System},
    };
    for (const auto& c : cases) EXPECT_EQ(awarenessFromManifest(c.manifest), c.expected) << c.manifest;
    desktop().reset();
    EXPECT_EQ(desktop().programAwareness(), DpiAwareness::PerMonitor) << "Clipveil's own manifest";
}

}  // namespace
}  // namespace engine_test
