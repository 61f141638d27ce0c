#include "engine/ctrol_panel.h"

#include "engine/user_panel_notice.h"
#include "engine/move_win.h"
#include "platform/window.h"
#include "resources/resource.h"

CCtrolPanelDlg* theCtrolPanel = nullptr;
IUserPanelNotice* theUserPanel = nullptr;

using platform::handleText;

CCtrolPanelDlg::CCtrolPanelDlg(platform::CDialog* parent) : platform::CDialog(IDD, parent) {}

// Members go in reverse order of declaration: component, target, windowList, then the base.
CCtrolPanelDlg::~CCtrolPanelDlg() = default;

const platform::MessageMap& CCtrolPanelDlg::GetMessageMap() const {
    static const platform::MessageMap map{&platform::CDialog::GetMessageMap(),
                                          {platform::onTimer(&CCtrolPanelDlg::OnTimer)}};
    return map;
}

bool CCtrolPanelDlg::OnInitDialog() {
    platform::CDialog::OnInitDialog();
    theCtrolPanel = this;
    return true;
}

bool CCtrolPanelDlg::DestroyWindow() {
    KillTimer(kTrackingTimer);
    stopMask();
    // An overlay opened without a clip would otherwise outlive the program's windows.
    closeMoveWin();
    // This can run inside a call to the player that let a sent message in (a log-off during
    // a click): whatever that click does next must not find a target to change again.
    hasTarget = 0;
    target = CWinInf{};
    component = CChildWinInf{};
    return platform::CDialog::DestroyWindow();
}

void CCtrolPanelDlg::startTimer() {
    SetTimer(kTrackingTimer, kTrackingPeriodMs);
}

void CCtrolPanelDlg::OnTimer(std::uintptr_t id) {
    // A tick inside a wait for the player would change what the waiting change works on.
    if (id == kTrackingTimer && !waitingForPlayer()) {
        checkTarget();
        showHandles();
    }
    Default();
}

void CCtrolPanelDlg::checkTarget() {
    // A thread asked in vain once is asked again only on the next tick.
    silentThreads_.clear();
    silentPlayer_ = platform::kNoWindow;
    if (hasTarget == 1) {
        moduleNames_.forgetEnded();
        if (!platform::isWindow(target.hwnd)) {
            loseTarget();
        } else if (platform::isIconic(target.hwnd)) {
            return;
        } else if (masking == 0) {
            // A restore the player could not take while it hung is finished once it answers.
            restoreAbandoned(target.hwnd);
            findComponent(target);
        } else {
            // Read in the same space as maskWindowRect: a per-monitor player that crossed to a
            // monitor of another scale has changed its size, and is restored as on any resize.
            platform::Rect now;
            platform::WindowSpace(target.hwnd).windowRect(target.hwnd, now);
            if (now.width() == maskWindowRect.width() && now.height() == maskWindowRect.height()) {
                findComponent(target);
            } else {
                loseTarget();
            }
        }
    }
    if (hasTarget == 0) searchTarget();
}

void CCtrolPanelDlg::loseTarget() {
    hasTarget = 0;
    stopMask();
    // An overlay opened without a clip is not closed by stopMask; once its player is gone
    // it has nothing left to drag.
    if (!platform::isWindow(target.hwnd)) closeMoveWin();
    if (theUserPanel) theUserPanel->targetLost();
}

void CCtrolPanelDlg::showHandles() {
    if (hasTarget != 0) {
        SetDlgItemText(IDC_TARGET_HANDLE, handleText(target.hwnd));
        SetDlgItemText(IDC_COMPONENT_HANDLE, handleText(component.hwnd));
    } else {
        SetDlgItemText(IDC_TARGET_HANDLE, "");
        SetDlgItemText(IDC_COMPONENT_HANDLE, "");
    }
}
