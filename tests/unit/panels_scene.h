// Both panels on a host window, as the main window holds them: the user panel always, the
// control panel (with its tracking timer running) unless a test asks for the panel alone.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "panels/user_panel.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"

namespace panels_test {

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& d = platform::sim::desktop();
        d.reset();
        platform::sim::WindowSpec host;
        host.className = "HostWindow";
        host.text = "Clipveil";
        host.rect = {1200, 100, 1500, 300};
        host_ = d.createWindow(host);
        platform::setMainWindow(host_);
        panel_ = std::make_unique<CUserPanelDlg>();
        ASSERT_TRUE(panel_->Create(host_));
        panel_->ShowWindow(platform::kSwShow);
        if (withControlPanel_) {
            ctrol_ = std::make_unique<CCtrolPanelDlg>();
            ASSERT_TRUE(ctrol_->Create(host_));
            ctrol_->ShowWindow(platform::kSwShow);
            ctrol_->startTimer();
        }
    }
    void TearDown() override {
        if (ctrol_) ctrol_->DestroyWindow();
        panel_->DestroyWindow();
        ctrol_.reset();
        panel_.reset();
        theCtrolPanel = nullptr;
        theUserPanel = nullptr;
        platform::setMainWindow(platform::kNoWindow);
    }

    bool withControlPanel_ = true;
    platform::Hwnd host_{};
    std::unique_ptr<CUserPanelDlg> panel_;
    std::unique_ptr<CCtrolPanelDlg> ctrol_;
};

}  // namespace panels_test
