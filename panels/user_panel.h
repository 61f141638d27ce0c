// The user panel: the status lines and the commands through which the user works the
// engine ("動画だけ", "元に戻す", drag move, see-through and its setting). It holds no engine
// state; every effect on the player is an operation of the control panel.
#pragma once

#include <cstdint>

#include "engine/user_panel_notice.h"
#include "inventory/win_inf.h"
#include "platform/dialog.h"
#include "resources/resource.h"

class CUserPanelDlg : public platform::CDialog, public IUserPanelNotice {
public:
    static constexpr int IDD = IDD_USER_PANEL;
    static constexpr std::int32_t kDefaultPercent = 70;

    explicit CUserPanelDlg(platform::CDialog* parent = nullptr);
    ~CUserPanelDlg() override;

    // Takes a see-through player out of the topmost band before the panel goes: the
    // control panel's restore that follows puts back styles, not the z-order band.
    bool DestroyWindow() override;

    // Notices from the engine.
    void componentFound(CWinInf target, CChildWinInf component) override;
    void targetLost() override;

    void updateStatus();
    void updateControls();

    // Opacity byte for a see-through percentage: percent * 255 / 100, truncated.
    static std::int32_t alphaFor(std::int32_t percent) { return percent * 255 / 100; }

    std::int32_t m_mode = -1;  // 0 "動画だけ", 1 "元に戻す", -1 neither
    std::int32_t m_drag = 0;   // check box 1004
    std::int32_t m_trans = 0;  // check box 1005
    platform::CBrush m_backBrush;
    platform::CBrush m_statusBrush;
    std::int32_t m_found = 0;
    CWinInf m_target;
    CChildWinInf m_component;
    std::int32_t m_transPercent = kDefaultPercent;

protected:
    const platform::MessageMap& GetMessageMap() const override;
    void DoDataExchange(platform::CDataExchange& dx) override;
    bool OnInitDialog() override;

    void OnBnClickedMode();
    void OnBnClickedDrag();
    void OnBnClickedTrans();
    void OnBnClickedSetting();
    platform::BrushHandle OnCtlColor(platform::DcHandle dc, platform::Hwnd control, platform::CtlColor kind);

private:
    bool seeThroughOff();
    bool seeThroughOn();
};
