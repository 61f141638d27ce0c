// The tracking and masking engine on a real desktop, across three processes: engine_host runs
// the control panel and its timer, the imitation player is the target, and this test drives
// the host and reads the player's windows itself, so every region, style and position checked
// here was set by another process. The drag is made with the real mouse of the X display.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "desktop.h"
#include "engine/ctrol_panel.h"
#include "engine_host.h"
#include "tests/support/testing.h"
#include "platform/window.h"
#include "player.h"
#include "program.h"
#include "pump.h"

#ifndef CLIPVEIL_ENGINE_HOST_PATH
#error "CLIPVEIL_ENGINE_HOST_PATH must name engine_host.exe"
#endif

namespace {

using namespace std::chrono_literals;
using e2e::hex;
using e2e::readWhole;
using e2e::uniqueName;
using e2e::windowsPath;
using platform::Hwnd;
using platform::Rect;
namespace host = engine_host;

constexpr std::uint32_t kFrameBits = 0x00C40000u;  // caption and sizing frame
constexpr std::uint32_t kKeptWhenClipped = 0xFF3BFFFFu;
constexpr std::uint32_t kSeeThroughBits = platform::kWsExLayered | platform::kWsExTransparent;
// The player's own layout: the video fills the client area above a 40-pixel control strip,
// here less an inset on every side, so that it does not start at the window's corner.
constexpr int kStripHeight = 40;
constexpr int kInset = 12;
// What the player does with --after ... resize.
constexpr int kGrowX = 37;
constexpr int kGrowY = 23;

// Wine shows the Unix file system as drive Z:.
Rect shifted(const Rect& r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
// A screen rectangle in the coordinates of a window whose upper-left corner is origin.
Rect relativeTo(const Rect& r, const Rect& origin) {
    return shifted(r, -origin.left, -origin.top);
}

std::string show(const std::optional<Rect>& r) {
    if (!r) return "(none)";
    std::ostringstream out;
    out << "(" << r->left << ", " << r->top << ")-(" << r->right << ", " << r->bottom << ")";
    return out.str();
}

Rect rectOf(Hwnd hwnd) {
    return e2e::windowRectOf(hwnd).value_or(Rect{});
}

struct Found {
    std::uint32_t processId;
    Hwnd owner;
    std::vector<Hwnd> windows;
};

// Top-level windows of a process; with an owner given, only those it owns.
std::vector<Hwnd> windowsOf(std::uint32_t processId, Hwnd owner = platform::kNoWindow) {
    Found found{processId, owner, {}};
    platform::enumWindows(
        [](Hwnd hwnd, std::uintptr_t context) -> int {
            auto& f = *reinterpret_cast<Found*>(context);
            std::uint32_t pid = 0;
            platform::getWindowThreadProcessId(hwnd, &pid);
            if (pid == f.processId && (f.owner == platform::kNoWindow || platform::getOwner(hwnd) == f.owner))
                f.windows.push_back(hwnd);
            return 1;
        },
        reinterpret_cast<std::uintptr_t>(&found));
    return found.windows;
}

// What is left of a drag overlay: a visible layered window.
std::vector<Hwnd> visibleLayeredWindowsOf(std::uint32_t processId) {
    std::vector<Hwnd> out;
    for (Hwnd hwnd : windowsOf(processId)) {
        if (platform::isWindowVisible(hwnd) && (e2e::exStyleOf(hwnd) & platform::kWsExLayered) != 0)
            out.push_back(hwnd);
    }
    return out;
}

// engine_host.exe, started for one test and ended with it.
class EngineHost {
public:
    static std::unique_ptr<EngineHost> start(std::string& error) {
        std::unique_ptr<EngineHost> h(new EngineHost);
        h->report_ = uniqueName("e2e-engine-host-") + ".report";
        std::remove(h->report_.c_str());
        const std::string line = "\"" + windowsPath(CLIPVEIL_ENGINE_HOST_PATH) + "\" --report " + h->report_;
        auto spawned = platform::testing::spawnProcess(line);
        if (!spawned) {
            error = "could not start " + line;
            return nullptr;
        }
        h->process_ = std::move(spawned->process);
        h->processId_ = spawned->processId;
        std::optional<std::uint32_t> exited;
        const bool ready = e2e::pumpUntil(
            [&] {
                if (const auto text = readWhole(h->report_); text && text->find('\n') != std::string::npos) {
                    unsigned value = 0;
                    if (std::sscanf(text->c_str(), "ready %x", &value) == 1)
                        h->panel_ = platform::toHwnd(value);
                    return true;
                }
                exited = platform::testing::waitForExit(h->process_, 0);
                return exited.has_value();
            },
            10s);
        if (!ready || exited || !platform::isWindow(h->panel_)) {
            error =
                exited ? "the host ended with code " + std::to_string(*exited) : "the host did not get ready";
            return nullptr;
        }
        return h;
    }

    ~EngineHost() {
        if (process_) platform::testing::terminateProcess(process_, 1);
        std::remove(report_.c_str());
    }

    // The host's exit code after it has destroyed its panel, as the program does on closing.
    std::optional<std::uint32_t> quit() {
        platform::sendMessage(panel_, host::kQuit, 0, 0);
        std::optional<std::uint32_t> code;
        e2e::pumpUntil([&] { return (code = platform::testing::waitForExit(process_, 0)).has_value(); }, 5s);
        return code;
    }

    std::intptr_t send(unsigned message, std::uintptr_t wParam = 0) {
        return platform::sendMessage(panel_, message, wParam, 0);
    }
    std::intptr_t read(host::Field field) { return send(host::kRead, field); }
    Hwnd readHwnd(host::Field field) { return platform::toHwnd(static_cast<std::uint32_t>(read(field))); }
    Rect clipRect() {
        return {static_cast<std::int32_t>(read(host::kClipLeft)),
                static_cast<std::int32_t>(read(host::kClipTop)),
                static_cast<std::int32_t>(read(host::kClipRight)),
                static_cast<std::int32_t>(read(host::kClipBottom))};
    }
    // Runs this thread's messages until the host has run `count` more ticks.
    bool waitTicks(int count) {
        const auto from = read(host::kTicks);
        return e2e::pumpUntil([&] { return read(host::kTicks) >= from + count; }, 3s);
    }
    std::uint32_t processId() const { return processId_; }

private:
    EngineHost() = default;
    platform::ProcessHandle process_;
    std::uint32_t processId_ = 0;
    std::string report_;
    Hwnd panel_{};
};

class AcrossProcesses : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(e2e::leftoverPlayer(), "") << "a player is already on the desktop";
        std::string error;
        host_ = EngineHost::start(error);
        ASSERT_TRUE(host_) << error;
    }
    void TearDown() override {
        if (host_) {
            EXPECT_EQ(host_->quit(), std::optional<std::uint32_t>(0)) << "the host ended badly";
        }
        host_.reset();
        player_.reset();
    }

    // Starts the player and waits until the host's engine tracks it.
    void startPlayer(e2e::PlayerOptions options) {
        std::string error;
        player_ = e2e::ImitationPlayer::start(options, error);
        ASSERT_TRUE(player_) << error;
        const bool tracked = e2e::pumpUntil(
            [&] {
                return host_->read(host::kHasTarget) == 1 &&
                       host_->readHwnd(host::kTarget) == player_->window() &&
                       host_->readHwnd(host::kComponent) == player_->video();
            },
            5s);
        ASSERT_TRUE(tracked) << "target " << hex(host_->readHwnd(host::kTarget)) << ", component "
                             << hex(host_->readHwnd(host::kComponent)) << "; the player is "
                             << hex(player_->window()) << " with video " << hex(player_->video());
    }

    std::vector<Hwnd> overlays() { return windowsOf(host_->processId(), player_->window()); }

    std::unique_ptr<EngineHost> host_;
    std::unique_ptr<e2e::ImitationPlayer> player_;
};

TEST_F(AcrossProcesses, ClipAndRestoreAreSeenFromAnotherProcess) {
    ASSERT_NO_FATAL_FAILURE(startPlayer({.videoClass = "WMP",
                                         .title = "Engine e2e: clip",
                                         .position = Rect{100, 100, 740, 580},
                                         .extra = {"--inset", std::to_string(kInset)}}));
    const Hwnd player = player_->window();
    const std::uint32_t style = e2e::styleOf(player);
    const std::uint32_t exStyle = e2e::exStyleOf(player);
    const Rect window = rectOf(player);
    const Rect framedVideo = rectOf(player_->video());
    ASSERT_NE(style & kFrameBits, 0u) << "the player starts with caption and frame";
    ASSERT_FALSE(e2e::regionOf(player).has_value());

    ASSERT_EQ(host_->send(host::kStartMask, 0), 1) << "masking";
    const std::optional<Rect> region = e2e::regionOf(player);
    ASSERT_TRUE(region.has_value()) << "no region on the player";
    EXPECT_EQ(rectOf(player), window) << "clipping neither moves nor sizes the player";
    // Without caption and frame the client area is the whole window, and the video lies in it.
    EXPECT_EQ(show(region), show(Rect{kInset, kInset, 640 - kInset, 480 - kStripHeight - kInset}));
    EXPECT_EQ(show(region), show(relativeTo(rectOf(player_->video()), window)))
        << "the video as laid out now";
    EXPECT_EQ(show(host_->clipRect()), show(region)) << "the engine's clipRect";
    EXPECT_EQ(e2e::styleOf(player) & kFrameBits, 0u) << std::hex << e2e::styleOf(player);
    EXPECT_EQ(e2e::styleOf(player), style & kKeptWhenClipped) << "only caption and sizing frame go";
    EXPECT_EQ(e2e::exStyleOf(player) & (kSeeThroughBits | platform::kWsExTopmost), 0u);
    EXPECT_EQ(host_->read(host::kHasMoveWin), 0);
    EXPECT_TRUE(overlays().empty()) << "no overlay was asked for";

    // The ticks go on tracking the clipped player as it is.
    ASSERT_TRUE(host_->waitTicks(2));
    EXPECT_EQ(host_->read(host::kMasking), 1);
    EXPECT_EQ(host_->read(host::kHasTarget), 1);
    EXPECT_EQ(host_->read(host::kLost), 0);
    EXPECT_EQ(e2e::regionOf(player), region);

    // Topmost and see-through on the clipped player, as the user panel asks for them.
    EXPECT_EQ(host_->send(host::kSetTopMost, 1), 1);
    host_->send(host::kSetTransStyle, 1);
    EXPECT_EQ(host_->send(host::kSetTransAlpha, 435), 1);
    const std::uint32_t seeThrough = kSeeThroughBits | platform::kWsExTopmost;
    EXPECT_EQ(e2e::exStyleOf(player) & seeThrough, seeThrough) << std::hex << e2e::exStyleOf(player);
    EXPECT_EQ(e2e::alphaOf(player), std::optional<std::uint8_t>(0xB3)) << "the low byte of 0x1B3";
    // The user panel takes the topmost state back itself; the restore puts back the saved
    // extended style, which drops the see-through bits.
    EXPECT_EQ(host_->send(host::kSetTopMost, 2), 1);
    EXPECT_EQ(e2e::exStyleOf(player) & platform::kWsExTopmost, 0u);

    const Rect clipped = rectOf(player);
    ASSERT_EQ(host_->send(host::kStopMask), 0) << "masking";
    EXPECT_FALSE(e2e::regionOf(player).has_value()) << "region left: " << show(e2e::regionOf(player));
    EXPECT_EQ(e2e::styleOf(player), style) << std::hex << e2e::styleOf(player) << " instead of " << style;
    EXPECT_EQ(e2e::exStyleOf(player), exStyle)
        << std::hex << e2e::exStyleOf(player) << " instead of " << exStyle;
    EXPECT_EQ(rectOf(player), clipped) << "the size nudge ends where it began";
    EXPECT_TRUE(e2e::pumpUntil([&] { return rectOf(player_->video()) == framedVideo; }, 2s))
        << "the video is at " << show(rectOf(player_->video())) << ", framed it was at " << show(framedVideo);

    ASSERT_TRUE(host_->waitTicks(2));
    EXPECT_EQ(host_->read(host::kHasTarget), 1) << "still tracked after the restore";
    EXPECT_EQ(host_->read(host::kLost), 0);
}

TEST_F(AcrossProcesses, TheClipIsTakenOnceThePlayerHasLaidOutAgain) {
    // A player that lays out 120 ms after the style change: first seen at the third look. Not
    // a multiple of the 50 ms looks, which could catch the player between moving its frame and
    // moving its video.
    ASSERT_NO_FATAL_FAILURE(startPlayer({.videoClass = "EVR",
                                         .title = "Engine e2e: late layout",
                                         .position = Rect{120, 90, 760, 570},
                                         .extra = {"--relayout-delay", "120"}}));
    ASSERT_EQ(host_->send(host::kStartMask, 0), 1);
    EXPECT_EQ(show(e2e::regionOf(player_->window())), show(Rect{0, 0, 640, 480 - kStripHeight}))
        << "the clip must follow the new layout, not the framed one";
    EXPECT_EQ(host_->send(host::kStopMask), 0);
    ASSERT_TRUE(player_->stop());
    ASSERT_TRUE(e2e::pumpUntil([&] { return host_->read(host::kHasTarget) == 0; }, 3s));

    // A player that never lays out: its video stays put in the client area until setting the
    // region recomputes the frame, which takes the client area, and the video with it, up into
    // the caption's place. The clip follows it there.
    ASSERT_NO_FATAL_FAILURE(startPlayer({.videoClass = "WMP",
                                         .title = "Engine e2e: fixed layout",
                                         .position = Rect{120, 90, 760, 570},
                                         .fixed = true}));
    const Rect window = rectOf(player_->window());
    const Rect framed = rectOf(player_->video());
    ASSERT_EQ(host_->send(host::kStartMask, 0), 1);
    const Rect video = rectOf(player_->video());
    EXPECT_NE(show(video), show(framed)) << "the frame was not recomputed";
    EXPECT_EQ(show(e2e::regionOf(player_->window())), show(relativeTo(video, window)))
        << "the clip is not where the video is";
}

TEST_F(AcrossProcesses, DraggingTheOverlayWithTheMouseMovesThePlayerAlong) {
    // With an inset the overlay's corner and the player's differ: the drag must keep the offset.
    ASSERT_NO_FATAL_FAILURE(startPlayer({.videoClass = "EVR",
                                         .title = "Engine e2e: drag",
                                         .position = Rect{100, 100, 740, 580},
                                         .extra = {"--inset", std::to_string(kInset)}}));
    const Hwnd player = player_->window();
    const Rect framed = rectOf(player);

    ASSERT_EQ(host_->send(host::kStartMask, 1), 1);
    ASSERT_EQ(host_->read(host::kHasMoveWin), 1);
    const std::vector<Hwnd> owned = overlays();
    ASSERT_EQ(owned.size(), 1u) << "one overlay owned by the player";
    const Hwnd overlay = owned.front();
    const Rect window = rectOf(player);
    const std::optional<Rect> region = e2e::regionOf(player);
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(window, framed) << "placing the overlay moved the player";
    EXPECT_EQ(show(rectOf(overlay)), show(rectOf(player_->video()))) << "the overlay lies on the video";
    EXPECT_TRUE(platform::isWindowVisible(overlay));
    EXPECT_EQ(e2e::alphaOf(overlay), std::optional<std::uint8_t>(1)) << "practically invisible";

    // Press in the middle of the video and drag in two steps; the player keeps up with each.
    const Rect start = rectOf(overlay);
    const int x = (start.left + start.right) / 2;
    const int y = (start.top + start.bottom) / 2;
    const auto playerAt = [&](int dx, int dy) {
        return e2e::pumpUntil([&] { return rectOf(player) == shifted(window, dx, dy); }, 3s);
    };
    ASSERT_EQ(e2e::xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1"), "");
    ASSERT_EQ(e2e::xdotool("mousemove " + std::to_string(x + 30) + " " + std::to_string(y + 20)), "");
    EXPECT_TRUE(playerAt(30, 20)) << "the player is at " << show(rectOf(player));
    ASSERT_EQ(e2e::xdotool("mousemove " + std::to_string(x + 70) + " " + std::to_string(y + 45)), "");
    EXPECT_TRUE(playerAt(70, 45)) << "the player is at " << show(rectOf(player));
    ASSERT_EQ(e2e::xdotool("mouseup 1"), "");

    // Released: a move without the button leaves the player alone; a second drag works again.
    ASSERT_EQ(e2e::xdotool("mousemove " + std::to_string(x + 20) + " " + std::to_string(y + 75)), "");
    ASSERT_EQ(e2e::xdotool("mousedown 1"), "");
    ASSERT_EQ(e2e::xdotool("mousemove " + std::to_string(x + 40) + " " + std::to_string(y + 50)), "");
    EXPECT_TRUE(playerAt(90, 20)) << "the player is at " << show(rectOf(player))
                                  << "; the first drag should have ended at the release";
    ASSERT_EQ(e2e::xdotool("mouseup 1"), "");

    EXPECT_EQ(show(rectOf(player)), show(shifted(window, 90, 20)));
    EXPECT_EQ(show(rectOf(overlay)), show(shifted(start, 90, 20))) << "the overlay went with the mouse";
    EXPECT_EQ(show(rectOf(player_->video())), show(rectOf(overlay))) << "the video stays under the overlay";
    EXPECT_EQ(e2e::regionOf(player), region) << "the clip moves with the window, unchanged";

    // A drag without a change of size keeps the engine tracking and clipping.
    ASSERT_TRUE(host_->waitTicks(2));
    EXPECT_EQ(host_->read(host::kMasking), 1);
    EXPECT_EQ(host_->read(host::kLost), 0);
    EXPECT_EQ(host_->read(host::kHasMoveWin), 1);
}

TEST_F(AcrossProcesses, APlayerThatResizesItselfWhileClippedIsRestoredAndFoundAgain) {
    ASSERT_NO_FATAL_FAILURE(startPlayer({.videoClass = "EVR",
                                         .title = "Engine e2e: resize",
                                         .position = Rect{100, 100, 740, 580},
                                         .extra = {"--after", "3", "resize"}}));
    const Hwnd player = player_->window();
    const std::uint32_t style = e2e::styleOf(player);
    const std::uint32_t exStyle = e2e::exStyleOf(player);
    const Rect window = rectOf(player);
    const auto foundBefore = host_->read(host::kFound);

    ASSERT_EQ(host_->send(host::kStartMask, 1), 1);
    ASSERT_TRUE(e2e::regionOf(player).has_value());
    ASSERT_EQ(overlays().size(), 1u);
    const Hwnd overlay = overlays().front();
    ASSERT_EQ(rectOf(player), window) << "the player resized before it was clipped: start it later";

    ASSERT_TRUE(e2e::pumpUntil([&] { return host_->read(host::kLost) == 1; }, 6s)) << "no targetLost";
    EXPECT_EQ(rectOf(player).width(), window.width() + kGrowX);
    EXPECT_EQ(rectOf(player).height(), window.height() + kGrowY);
    EXPECT_FALSE(e2e::regionOf(player).has_value()) << "region left: " << show(e2e::regionOf(player));
    EXPECT_EQ(e2e::styleOf(player), style) << std::hex << e2e::styleOf(player) << " instead of " << style;
    EXPECT_EQ(e2e::exStyleOf(player), exStyle)
        << std::hex << e2e::exStyleOf(player) << " instead of " << exStyle;
    EXPECT_EQ(host_->read(host::kMasking), 0);
    EXPECT_EQ(host_->read(host::kHasMoveWin), 0);
    EXPECT_FALSE(platform::isWindow(overlay)) << "the overlay outlived the clip";

    // Found again, in the very tick that lost it, with a fresh notice.
    EXPECT_EQ(host_->read(host::kHasTarget), 1);
    EXPECT_EQ(hex(host_->readHwnd(host::kTarget)), hex(player));
    EXPECT_EQ(hex(host_->readHwnd(host::kComponent)), hex(player_->video()));
    EXPECT_GT(host_->read(host::kFound), foundBefore);
    EXPECT_EQ(host_->read(host::kFirstFoundAfterLoss), host_->read(host::kLostTick))
        << "componentFound came on tick " << host_->read(host::kFirstFoundAfterLoss)
        << ", targetLost on tick " << host_->read(host::kLostTick);
    EXPECT_EQ(hex(host_->readHwnd(host::kLastFoundTarget)), hex(player));
    EXPECT_EQ(hex(host_->readHwnd(host::kLastFoundComponent)), hex(player_->video()));

    // Left as it is now: no clip comes back by itself.
    ASSERT_TRUE(host_->waitTicks(2));
    EXPECT_FALSE(e2e::regionOf(player).has_value());
    EXPECT_EQ(host_->read(host::kLost), 1);
}

TEST_F(AcrossProcesses, APlayerClosedWhileClippedLeavesNoOverlayBehind) {
    ASSERT_NO_FATAL_FAILURE(startPlayer({.videoClass = "EVR",
                                         .title = "Engine e2e: close",
                                         .position = Rect{100, 100, 740, 580},
                                         .extra = {"--after", "3", "close"}}));
    const Hwnd player = player_->window();
    ASSERT_EQ(host_->send(host::kStartMask, 1), 1);
    ASSERT_EQ(overlays().size(), 1u);
    const Hwnd overlay = overlays().front();
    ASSERT_TRUE(platform::isWindowVisible(overlay));
    ASSERT_TRUE(platform::isWindow(player)) << "the player closed before it was clipped: close it later";

    ASSERT_TRUE(e2e::pumpUntil([&] { return host_->read(host::kLost) == 1; }, 6s)) << "no targetLost";
    EXPECT_FALSE(platform::isWindow(player));
    EXPECT_EQ(host_->read(host::kMasking), 0);
    EXPECT_EQ(host_->read(host::kHasMoveWin), 0);
    EXPECT_EQ(host_->read(host::kHasTarget), 0) << "no other player to find";
    EXPECT_FALSE(platform::isWindow(overlay)) << "the overlay outlived its player";
    const std::vector<Hwnd> left = visibleLayeredWindowsOf(host_->processId());
    EXPECT_TRUE(left.empty()) << left.size() << " visible layered window(s) of the host, the first "
                              << hex(left.empty() ? platform::kNoWindow : left.front());

    // The host goes on ticking with nothing held, and a new player is clipped with a new overlay.
    ASSERT_TRUE(host_->waitTicks(2));
    EXPECT_EQ(host_->read(host::kLost), 1);
    player_.reset();
    ASSERT_NO_FATAL_FAILURE(startPlayer(
        {.videoClass = "EVR", .title = "Engine e2e: next player", .position = Rect{160, 140, 800, 620}}));
    ASSERT_EQ(host_->send(host::kStartMask, 1), 1);
    EXPECT_EQ(overlays().size(), 1u) << "no overlay for the next player";
    EXPECT_EQ(host_->send(host::kStopMask), 0);
    EXPECT_TRUE(overlays().empty());
}

}  // namespace
