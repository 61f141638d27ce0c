// The end of the session while the main window clips a player: once the system has been told
// the session ends it may end the process without destroying a window, so the player must
// have its shape back by the time the message returns.
#include <gtest/gtest.h>

#include "engine_scene.h"
#include "platform/window.h"
#include "resources/resource.h"
#include "shell/main_dlg.h"

namespace {

using engine_test::makePlayer;
using engine_test::Player;
using engine_test::relayoutOnFrameChange;
using platform::Hwnd;
using platform::sim::desktop;

constexpr std::intptr_t kEndSessionLogoff = static_cast<std::intptr_t>(0x80000000u);

class SessionEnd : public ::testing::Test {
protected:
    void SetUp() override { desktop().reset(); }
    void TearDown() override {
        platform::setMainWindow(platform::kNoWindow);
        theCtrolPanel = nullptr;
        theUserPanel = nullptr;
    }

    // Runs the main window with a player found and clipped, then hands it to `then`; Esc
    // closes it afterwards unless it has gone by itself. True when `then` ran.
    bool runClipped(const Player& p, const std::function<void(Hwnd)>& then) {
        bool ran = false;
        desktop().onModal([&](Hwnd main) {
            desktop().advance(600);  // the first tick finds the player
            const Hwnd user = desktop().dialogs(IDD_USER_PANEL).front();
            if (!desktop().click(desktop().item(user, IDC_MODE_VIDEO))) return;
            if (!desktop().region(p.window).has_value()) return;
            ran = true;
            then(main);
            if (desktop().exists(main)) desktop().pressKey(main, platform::kVkEscape);
        });
        CClipveilDlg dialog;
        app_.m_pMainWnd = &dialog;
        dialog.DoModal();
        app_.m_pMainWnd = nullptr;
        return ran;
    }

    struct App : platform::CWinApp {
        int InitInstance() override { return 0; }
    } app_;
};

TEST_F(SessionEnd, TheClipIsTakenOffBeforeTheAnswer) {
    const Player p = makePlayer();
    relayoutOnFrameChange(p, engine_test::kBareVideo);
    bool restoredAtAnswer = false;
    ASSERT_TRUE(runClipped(p, [&](Hwnd main) {
        platform::sendMessage(main, platform::msg::kEndSession, 1, kEndSessionLogoff);
        restoredAtAnswer = !desktop().region(p.window).has_value() && desktop().style(p.window) == p.style;
    }));
    EXPECT_TRUE(restoredAtAnswer) << "still clipped when the answer went back";
    EXPECT_EQ(desktop().exStyle(p.window), p.exStyle);
}

TEST_F(SessionEnd, ALogOffThatDoesNotHappenChangesNothing) {
    const Player p = makePlayer();
    relayoutOnFrameChange(p, engine_test::kBareVideo);
    bool stillClipped = false;
    ASSERT_TRUE(runClipped(p, [&](Hwnd main) {
        platform::sendMessage(main, platform::msg::kEndSession, 0, kEndSessionLogoff);
        desktop().advance(1000);
        stillClipped = desktop().region(p.window).has_value() && desktop().exists(main);
    }));
    EXPECT_TRUE(stillClipped);
    EXPECT_FALSE(desktop().region(p.window).has_value()) << "closing afterwards still restores";
}

}  // namespace
