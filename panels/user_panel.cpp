#include "panels/user_panel.h"

#include <cstdio>
#include <string>

#include "engine/ctrol_panel.h"
#include "panels/trans_dlg.h"
#include "platform/codepage.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "resources/resource.h"

namespace {

constexpr platform::ColorRef kPanelGrey = platform::rgb(120, 120, 120);
constexpr platform::ColorRef kStatusBlack = platform::rgb(0, 0, 0);
constexpr platform::ColorRef kStatusGreen = platform::rgb(0, 255, 0);

// Another program's title, read into a fixed buffer, may end in the lead byte of a double-byte
// character whose trail did not fit (Wine cuts there). Handed on as it is, the system's
// conversion takes the terminating NUL for the trail and reads on past the text, so the status
// line would show garbage: only whole characters are shown, and counted.
std::string wholeCharacters(const std::string& ansi, std::size_t& characters) {
    std::size_t i = 0;
    characters = 0;
    while (i < ansi.size()) {
        const std::size_t length = platform::isDbcsLeadByte(static_cast<unsigned char>(ansi[i])) ? 2 : 1;
        if (i + length > ansi.size()) break;
        i += length;
        ++characters;
    }
    return ansi.substr(0, i);
}

// The player's title as the user should read it: its own wide text, which holds whatever its
// script is, cut to the characters an ANSI record of the same title keeps (one UTF-16 unit
// each). The title is read afresh in both forms: the record may be a tick old, from before the
// next track's title. The record's bytes stand in when the window has no text to give (gone
// meanwhile).
void showTitle(platform::Hwnd line, platform::Hwnd player, const std::string& record) {
    std::size_t characters = 0;
    std::string whole = wholeCharacters(record, characters);
    std::wstring wide;
    if (!whole.empty()) {
        const std::string now = platform::getWindowTextA(player, kTitleBytes);
        if (!now.empty()) whole = wholeCharacters(now, characters);
        wide = platform::utf8ToWide(platform::getWindowTextWide(player, kTitleBytes));
    }
    if (wide.empty()) {
        platform::setWindowTextA(line, whole);
        return;
    }
    if (wide.size() > characters) wide.resize(characters);
    if (!wide.empty() && wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();  // half a pair
    platform::setWindowTextUtf8(line, platform::wideToUtf8(wide));
}

}  // namespace

CUserPanelDlg::CUserPanelDlg(platform::CDialog* parent)
    : platform::CDialog(IDD, parent), m_backBrush(kPanelGrey), m_statusBrush(kStatusBlack) {}

CUserPanelDlg::~CUserPanelDlg() {
    // The engine must not send its notices into a panel that no longer exists.
    if (theUserPanel == this) theUserPanel = nullptr;
}

// Out of the topmost band, and no longer layered and click-through. False when the player
// did not take both (it did not answer), so that the box can go on showing what it is.
bool CUserPanelDlg::seeThroughOff() {
    if (!theCtrolPanel) return true;  // only the panel's own flags change then
    const bool band = theCtrolPanel->setTopMost(0) == 1;
    const bool style = theCtrolPanel->setTransStyle(0) == 1;
    // A player that is gone is see-through no more.
    return (band && style) || !platform::isWindow(theCtrolPanel->target.hwnd);
}

bool CUserPanelDlg::seeThroughOn() {
    if (!theCtrolPanel) return true;  // only the panel's own flags change then
    if (theCtrolPanel->setTopMost(1) != 1) return false;
    // The layered style must be on before the opacity can take; a layered window with no
    // opacity set is not drawn at all, so a half-made change is taken back.
    if (theCtrolPanel->setTransStyle(1) == 1 && theCtrolPanel->setTransAlpha(alphaFor(m_transPercent)) == 1) {
        return true;
    }
    seeThroughOff();
    return false;
}

bool CUserPanelDlg::DestroyWindow() {
    // The restore that follows puts back the styles of a clip; see-through is undone here in
    // full, so a player is left neither above everything nor click-through.
    if (m_trans == 1) seeThroughOff();
    return platform::CDialog::DestroyWindow();
}

const platform::MessageMap& CUserPanelDlg::GetMessageMap() const {
    static const platform::MessageMap map{
        &platform::CDialog::GetMessageMap(),
        {
            platform::onClicked(IDC_MODE_VIDEO, &CUserPanelDlg::OnBnClickedMode),
            platform::onClicked(IDC_MODE_RESTORE, &CUserPanelDlg::OnBnClickedMode),
            platform::onClicked(IDC_DRAG, &CUserPanelDlg::OnBnClickedDrag),
            platform::onClicked(IDC_TRANS, &CUserPanelDlg::OnBnClickedTrans),
            platform::onClicked(IDC_TRANS_SETTING, &CUserPanelDlg::OnBnClickedSetting),
            platform::onCtlColor(&CUserPanelDlg::OnCtlColor),
        }};
    return map;
}

void CUserPanelDlg::DoDataExchange(platform::CDataExchange& dx) {
    platform::CDialog::DoDataExchange(dx);
    platform::DDX_Radio(dx, IDC_MODE_VIDEO, m_mode);
    platform::DDX_Check(dx, IDC_DRAG, m_drag);
    platform::DDX_Check(dx, IDC_TRANS, m_trans);
}

bool CUserPanelDlg::OnInitDialog() {
    platform::CDialog::OnInitDialog();
    theUserPanel = this;
    m_mode = 1;
    m_drag = 0;
    UpdateData(false);
    updateStatus();
    updateControls();
    SetWindowPos(platform::kHwndTopmost, 0, 0, 0, 0, platform::kSwpNoMove | platform::kSwpNoSize);
    return true;
}

void CUserPanelDlg::componentFound(CWinInf target, CChildWinInf component) {
    m_found = 1;
    m_target = target;
    m_component = component;
    updateStatus();
    updateControls();
}

void CUserPanelDlg::targetLost() {
    // The engine has already taken the clip and the overlay off. A player lost while
    // see-through (resized, say) still stands in the topmost band: that goes too, and the
    // boxes show what is left, nothing, rather than carry old flags to the next player.
    if (m_trans == 1) seeThroughOff();
    m_trans = 0;
    m_drag = 0;
    m_found = 0;
    m_mode = 1;
    updateStatus();
    updateControls();
    UpdateData(false);
}

void CUserPanelDlg::updateStatus() {
    std::string component = "Movieコンポーネント検索中";
    std::string title;
    platform::Hwnd player = platform::kNoWindow;
    if (m_found == 1) {
        // The class name is one of the two ASCII names discovery matches, so it is valid
        // UTF-8 beside our own text.
        component = m_component.className + " を検出しました";
        title = m_target.title;
        player = m_target.hwnd;
    }
    char percent[32];
    std::snprintf(percent, sizeof(percent), "%d %%", static_cast<int>(m_transPercent));

    SetDlgItemText(IDC_FOUND_STATUS, component);
    showTitle(GetDlgItem(IDC_TARGET_STATUS), player, title);
    SetDlgItemText(IDC_TRANS_PERCENT, percent);
}

void CUserPanelDlg::updateControls() {
    constexpr int kCommands[] = {IDC_MODE_VIDEO, IDC_MODE_RESTORE, IDC_DRAG};
    constexpr int kSeeThrough[] = {IDC_TRANS, IDC_TRANS_PERCENT, IDC_TRANS_SETTING};
    const auto showSeeThrough = [&](int command) {
        for (int id : kSeeThrough) platform::showWindow(GetDlgItem(id), command);
    };
    if (m_found == 1) {
        for (int id : kCommands) platform::enableWindow(GetDlgItem(id), true);
        if (m_mode != 0) {
            showSeeThrough(platform::kSwHide);
        } else if (m_component.className == kEvrVideoClass) {
            showSeeThrough(platform::kSwShow);
        }
    } else {
        for (int id : kCommands) platform::enableWindow(GetDlgItem(id), false);
        showSeeThrough(platform::kSwHide);
    }
}

// Every engine call reads theCtrolPanel afresh: the panel may act before the control panel
// exists, and then only its own flags change.

void CUserPanelDlg::OnBnClickedMode() {
    UpdateData(true);
    if (m_mode == 0) {
        const bool wasSeeThrough = m_trans == 1;
        m_drag = m_component.className == kWmpVideoClass ? 0 : 1;
        bool stillSeeThrough = false;
        if (m_found == 1) {
            const bool clipInPlace = theCtrolPanel != nullptr && theCtrolPanel->masking == 1;
            // "透かし" ends unticked: the see-through styles go first, so that a clip made now
            // saves the player's own styles, never ours. A player that did not take that off
            // is still see-through, and the box says so.
            if (wasSeeThrough) stillSeeThrough = !seeThroughOff();
            if (theCtrolPanel) theCtrolPanel->startMask(m_drag);
            if (clipInPlace) {
                // startMask leaves an existing clip alone; the overlay follows the box.
                if (m_drag == 1) {
                    if (theCtrolPanel) theCtrolPanel->showMoveWin();
                } else {
                    if (theCtrolPanel) theCtrolPanel->closeMoveWin();
                }
            }
            if (theCtrolPanel) {
                // The buttons show what the player is: no clip made (the video window gone,
                // the player not answering) leaves "元に戻す" down.
                if (theCtrolPanel->masking != 1) m_mode = 1;
                m_drag = theCtrolPanel->overlayOpen() ? 1 : 0;
            }
        }
        m_trans = stillSeeThrough ? 1 : 0;
        updateStatus();
        updateControls();
        InvalidateRect(nullptr, true);
    } else {
        const bool wasSeeThrough = m_trans == 1;
        m_trans = seeThroughOff() || !wasSeeThrough ? 0 : 1;
        if (theCtrolPanel) theCtrolPanel->stopMask();
        m_drag = 0;
        // An overlay opened without a clip is not closed by stopMask.
        if (theCtrolPanel) theCtrolPanel->closeMoveWin();
        updateStatus();
        updateControls();
    }
    UpdateData(false);
}

void CUserPanelDlg::OnBnClickedDrag() {
    UpdateData(true);
    if (m_drag == 1) {
        if (theCtrolPanel) theCtrolPanel->showMoveWin();
        if (theCtrolPanel && !theCtrolPanel->overlayOpen()) {
            // No overlay (the player does not answer): the box shows that, and see-through
            // stays as it is.
            m_drag = 0;
            UpdateData(false);
            return;
        }
        if (m_trans == 1) {
            // Dragging and see-through exclude each other: a player that stays see-through
            // gets no overlay.
            if (seeThroughOff()) {
                m_trans = 0;
            } else {
                if (theCtrolPanel) theCtrolPanel->closeMoveWin();
                m_drag = 0;
            }
            UpdateData(false);
        }
    } else {
        if (theCtrolPanel) theCtrolPanel->closeMoveWin();
    }
}

void CUserPanelDlg::OnBnClickedTrans() {
    UpdateData(true);
    if (m_trans == 1) {
        // The overlay goes first: it is owned by the player, and while it is open Wine puts
        // it in the topmost band in the player's place, leaving the player below it.
        if (m_drag == 1) {
            m_drag = 0;
            if (theCtrolPanel) theCtrolPanel->closeMoveWin();
            UpdateData(false);
        }
        if (!seeThroughOn()) {
            // The player did not answer: it is not see-through, and the box says so.
            m_trans = 0;
            UpdateData(false);
        }
    } else if (!seeThroughOff()) {
        m_trans = 1;
        UpdateData(false);
    }
}

void CUserPanelDlg::OnBnClickedSetting() {
    // No parent: the application's main window owns the dialog.
    CTransDlg dialog;
    dialog.m_percent = m_transPercent;
    if (dialog.DoModal() != platform::kIdOk) return;
    if (m_trans == 1) {
        // The percentage shown is the player's: one it did not take (it did not answer)
        // is not kept.
        if (theCtrolPanel && theCtrolPanel->setTransAlpha(alphaFor(dialog.m_percent)) != 1) return;
        m_transPercent = dialog.m_percent;
        updateStatus();
        return;
    }
    m_transPercent = dialog.m_percent;
}

platform::BrushHandle CUserPanelDlg::OnCtlColor(platform::DcHandle dc, platform::Hwnd control,
                                                platform::CtlColor kind) {
    const platform::BrushHandle answer = DefaultCtlColor(dc, control, kind);
    switch (kind) {
        case platform::CtlColor::Dialog:
        case platform::CtlColor::Button:
            return m_backBrush.handle();
        case platform::CtlColor::Static: {
            const int id = platform::getDlgCtrlId(control);
            platform::setBkMode(dc, platform::kTransparent);
            if (id == IDC_FOUND_STATUS || id == IDC_TARGET_STATUS || id == IDC_TRANS_PERCENT) {
                platform::setTextColor(dc, kStatusGreen);
                return m_statusBrush.handle();
            }
            return m_backBrush.handle();
        }
        default:
            return answer;
    }
}
