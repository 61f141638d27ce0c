// A simulated player and the control panel, shared by the engine's tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"

namespace engine_test {

using platform::Hwnd;
using platform::Rect;
using platform::sim::desktop;
using platform::sim::WindowSpec;

// Records the engine's notices, with copies of what they carried.
struct NoticeLog : IUserPanelNotice {
    struct Found {
        CWinInf target;
        CChildWinInf component;
    };
    std::vector<Found> found;
    int lost = 0;
    std::vector<std::string> order;  // "found" / "lost"
    void componentFound(CWinInf target, CChildWinInf component) override {
        found.push_back({target, component});
        order.push_back("found");
    }
    void targetLost() override {
        ++lost;
        order.push_back("lost");
    }
};

// A player window, framed and captioned, whose video child fills the client area above a
// 40-pixel control strip and moves when the frame changes, as a real player's does.
struct Player {
    Hwnd window{};
    Hwnd video{};
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
};

inline constexpr Rect kPlayerRect{100, 100, 740, 580};
// Where the video sits with the frame, and where it goes without it.
inline constexpr Rect kFramedVideo{104, 123, 736, 536};
inline constexpr Rect kBareVideo{100, 130, 740, 490};

inline Player makePlayer(const std::string& videoClass = kWmpVideoClass, const std::string& title = "Player",
                         Rect rect = kPlayerRect,
                         std::optional<platform::sim::DpiAwareness> awareness = std::nullopt) {
    auto& d = desktop();
    platform::sim::ProcessSpec process;
    process.modules = {{"player.exe", "C:\\Player\\player.exe"}};
    WindowSpec frame;
    frame.className = "PlayerFrame";
    frame.text = title;
    frame.rect = rect;
    frame.exStyle = platform::kWsExWindowEdge;
    frame.processId = d.addProcess(process);
    frame.awareness = awareness;
    Player p;
    p.window = d.createWindow(frame);
    WindowSpec video;
    video.className = videoClass;
    video.text = "Video";
    video.style = platform::kWsChild | platform::kWsVisible;
    video.rect = {rect.left + 4, rect.top + 23, rect.right - 4, rect.bottom - 44};
    p.video = d.createChild(p.window, video);
    p.style = d.style(p.window);
    p.exStyle = d.exStyle(p.window);
    return p;
}

// The player lays its video out again delayMs after a change of its frame style.
inline void relayoutOnFrameChange(const Player& p, Rect bare, std::uint32_t delayMs = 0) {
    const Hwnd video = p.video;
    const Hwnd window = p.window;
    desktop().onStyleChanged(window, [video, window, bare, delayMs](const platform::sim::StyleChange& c) {
        if (c.index != platform::kGwlStyle) return;
        const bool framed = (c.newValue & platform::kWsCaption) != 0;
        auto apply = [video, window, bare, framed] {
            if (!desktop().exists(video)) return;
            if (framed) {
                const Rect w = desktop().rect(window);
                desktop().setRect(video, {w.left + 4, w.top + 23, w.right - 4, w.bottom - 44});
            } else {
                desktop().setRect(video, bare);
            }
        };
        if (delayMs == 0) {
            apply();
        } else {
            desktop().after(delayMs, apply);
        }
    });
}

// The window that stands for Clipveil's main window: a titled top-level window of the own
// process, made the application's main window.
inline Hwnd createHost() {
    WindowSpec host;
    host.className = "Host";
    host.text = "Clipveil";
    host.rect = {1200, 100, 1500, 400};
    const Hwnd hwnd = desktop().createWindow(host);
    platform::setMainWindow(hwnd);
    return hwnd;
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktop().reset();
        host_ = createHost();
        theUserPanel = &notices_;
        panel_ = std::make_unique<CCtrolPanelDlg>();
        ASSERT_TRUE(panel_->Create(host_));
        panel_->ShowWindow(platform::kSwShow);
        panel_->startTimer();
    }
    void TearDown() override {
        if (panel_ && panel_->GetSafeHwnd() != platform::kNoWindow) panel_->DestroyWindow();
        panel_.reset();
        theUserPanel = nullptr;
        theCtrolPanel = nullptr;
        platform::setMainWindow(platform::kNoWindow);
    }

    // Holds the player as the target, as the first tick would.
    void track(const Player& p) {
        panel_->searchTarget();
        ASSERT_EQ(panel_->hasTarget, 1);
        ASSERT_EQ(panel_->target.hwnd, p.window);
        ASSERT_EQ(panel_->component.hwnd, p.video);
    }
    void tick() { desktop().advance(CCtrolPanelDlg::kTrackingPeriodMs); }
    std::vector<Hwnd> overlays() const { return desktop().dialogs(131); }
    std::string field(int id) const { return desktop().textUtf8(desktop().item(panel_->GetSafeHwnd(), id)); }

    Hwnd host_{};
    NoticeLog notices_;
    std::unique_ptr<CCtrolPanelDlg> panel_;
};

}  // namespace engine_test
