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
// script is, cut to the characters the ANSI record kept (one UTF-16 unit each). The ANSI
// bytes stand in when the window has no text to give (gone meanwhile).
constexpr int kTitleChars = 256;
void showTitle(platform::Hwnd line, platform::Hwnd player, const std::string& ansi) {
    std::size_t characters = 0;
    const std::string whole = wholeCharacters(ansi, characters);
    std::wstring wide;
    if (!whole.empty()) wide = platform::utf8ToWide(platform::getWindowTextWide(player, kTitleChars));
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

// Out of the topmost band, and no longer layered and click-through.
void CUserPanelDlg::seeThroughOff() {
    if (theCtrolPanel) theCtrolPanel->setTopMost(0);
    if (theCtrolPanel) theCtrolPanel->setTransStyle(0);
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
        if (m_found == 1) {
            const bool clipInPlace = theCtrolPanel != nullptr && theCtrolPanel->masking == 1;
            // "透かし" ends unticked: the see-through styles go first, so that a clip made now
            // saves the player's own styles, never ours.
            if (wasSeeThrough) seeThroughOff();
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
        m_trans = 0;
        updateStatus();
        updateControls();
        InvalidateRect(nullptr, true);
    } else {
        m_trans = 0;
        seeThroughOff();
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
            // Dragging and see-through exclude each other.
            m_trans = 0;
            seeThroughOff();
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
        // The layered style must be on before the opacity can take.
        if (theCtrolPanel) theCtrolPanel->setTopMost(1);
        if (theCtrolPanel) theCtrolPanel->setTransStyle(1);
        if (theCtrolPanel) theCtrolPanel->setTransAlpha(alphaFor(m_transPercent));
    } else {
        seeThroughOff();
    }
}

void CUserPanelDlg::OnBnClickedSetting() {
    // No parent: the application's main window owns the dialog.
    CTransDlg dialog;
    dialog.m_percent = m_transPercent;
    if (dialog.DoModal() != platform::kIdOk) return;
    m_transPercent = dialog.m_percent;
    if (m_trans == 1) {
        if (theCtrolPanel) theCtrolPanel->setTransAlpha(alphaFor(m_transPercent));
        updateStatus();
    }
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
