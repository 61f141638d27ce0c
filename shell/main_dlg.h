// The main window: hosts the user panel and the (never seen) control panel, carries the
// program's icon, offers the About box in its system menu and links to the home page.
#pragma once

#include <cstdint>

#include "engine/ctrol_panel.h"
#include "panels/user_panel.h"
#include "platform/dialog.h"
#include "platform/types.h"
#include "resources/resource.h"

class CClipveilDlg : public platform::CDialog {
public:
    static constexpr int IDD = IDD_CLIPVEIL_DIALOG;

    explicit CClipveilDlg(platform::CDialog* parent = nullptr);
    ~CClipveilDlg() override;

    bool DestroyWindow() override;

protected:
    const platform::MessageMap& GetMessageMap() const override;
    bool OnInitDialog() override;

    void OnSysCommand(unsigned id, std::intptr_t lParam);
    void OnPaint();
    platform::IconHandle OnQueryDragIcon();
    void OnNMClickLink(const platform::NotifyHeader& header, std::intptr_t& result);
    void OnEndSession(bool ending);

    platform::IconHandle m_hIcon{};
    CUserPanelDlg m_userPanel;
    CCtrolPanelDlg m_ctrolPanel;
};
