// Both panels on a stand-in for the main window, in the test's own process, as the program
// hosts them: the tests click their controls and send the ticks themselves.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "desktop.h"
#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "panels/user_panel.h"
#include "platform/dialog.h"
#include "platform/system.h"
#include "platform/window.h"
#include "player.h"
#include "resources/resource.h"

namespace e2e {

class PanelsOnWine : public ::testing::Test {
protected:
    // The tracking timer is not started: a test that wants it starts it.
    void SetUp() override {
        ASSERT_EQ(leftoverPlayer(), "") << "a player is already on the desktop";
        ASSERT_TRUE(host_.Create(platform::kNoWindow));
        platform::setMainWindow(host_.GetSafeHwnd());
        ASSERT_TRUE(panel_.Create(&host_)) << "user panel template";
        panel_.ShowWindow(platform::kSwShow);
        ASSERT_TRUE(ctrol_.Create(&host_)) << "control panel template";
        ctrol_.ShowWindow(platform::kSwShow);
        host_.ShowWindow(platform::kSwShow);
        platform::getWindowThreadProcessId(host_.GetSafeHwnd(), &ownProcess_);
    }
    void TearDown() override {
        ctrol_.DestroyWindow();
        panel_.DestroyWindow();
        host_.DestroyWindow();
        player_.reset();
        theCtrolPanel = nullptr;
        theUserPanel = nullptr;
        platform::setMainWindow(platform::kNoWindow);
    }

    // One tracking tick through the control panel's message map, as the timer delivers it.
    void tick() {
        platform::sendMessage(ctrol_.GetSafeHwnd(), platform::msg::kTimer, CCtrolPanelDlg::kTrackingTimer, 0);
    }
    platform::Hwnd ctl(int id) const { return panel_.GetDlgItem(id); }
    void press(int id) { platform::sendMessage(ctl(id), platform::msg::kBmClick, 0, 0); }

    platform::CDialog host_{IDD_CLIPVEIL_DIALOG};
    CUserPanelDlg panel_;
    CCtrolPanelDlg ctrol_;
    std::unique_ptr<ImitationPlayer> player_;
    std::uint32_t ownProcess_ = 0;
};

}  // namespace e2e
