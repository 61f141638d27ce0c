#include "shell/main_dlg.h"

#include <string>

#include "platform/gdi.h"
#include "platform/window.h"
#include "shell/about_dlg.h"

namespace {

constexpr std::uintptr_t kIconBig = 1;
constexpr std::uintptr_t kIconSmall = 0;

}  // namespace

CClipveilDlg::CClipveilDlg(platform::CDialog* parent)
    : platform::CDialog(IDD, parent), m_userPanel(nullptr), m_ctrolPanel(nullptr) {
    m_hIcon = platform::loadIcon(IDR_MAINFRAME);
}

// Members go in reverse order: control panel, user panel, then the base. The icon is shared.
CClipveilDlg::~CClipveilDlg() = default;

const platform::MessageMap& CClipveilDlg::GetMessageMap() const {
    static const platform::MessageMap map{
        &platform::CDialog::GetMessageMap(),
        {
            platform::onSysCommand(&CClipveilDlg::OnSysCommand),
            platform::onPaint(&CClipveilDlg::OnPaint),
            platform::onQueryDragIcon(&CClipveilDlg::OnQueryDragIcon),
            platform::onNotify(IDC_HOMEPAGE_LINK, platform::kNmClick, &CClipveilDlg::OnNMClickLink),
            platform::onEndSession(&CClipveilDlg::OnEndSession),
        }};
    return map;
}

bool CClipveilDlg::OnInitDialog() {
    platform::CDialog::OnInitDialog();
    const platform::Hwnd self = GetSafeHwnd();

    const platform::MenuHandle sysMenu = platform::getSystemMenu(self, false);
    if (sysMenu != platform::MenuHandle{}) {
        const std::string about = platform::loadStringUtf8(IDS_ABOUTBOX);
        if (!about.empty()) {
            platform::appendMenuSeparator(sysMenu);
            platform::appendMenuString(sysMenu, IDM_ABOUTBOX, about);
        }
    }

    const auto icon = static_cast<std::intptr_t>(m_hIcon);
    platform::sendMessage(self, platform::msg::kSetIcon, kIconBig, icon);
    platform::sendMessage(self, platform::msg::kSetIcon, kIconSmall, icon);

    m_userPanel.Create(this);
    m_userPanel.ShowWindow(platform::kSwShow);
    m_ctrolPanel.Create(this);
    m_ctrolPanel.ShowWindow(platform::kSwShow);
    m_ctrolPanel.startTimer();
    return true;
}

bool CClipveilDlg::DestroyWindow() {
    // The control panel puts a clipped player back before its window goes.
    m_userPanel.DestroyWindow();
    m_ctrolPanel.DestroyWindow();
    return platform::CDialog::DestroyWindow();
}

void CClipveilDlg::OnSysCommand(unsigned id, std::intptr_t) {
    if ((id & 0xFFF0u) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        Default();
    }
}

void CClipveilDlg::OnPaint() {
    const platform::Hwnd self = GetSafeHwnd();
    if (!platform::isIconic(self)) {
        Default();
        return;
    }
    platform::PaintScope paint(self);
    platform::sendMessage(self, platform::msg::kIconEraseBkgnd,
                          static_cast<std::uintptr_t>(static_cast<std::uint32_t>(paint.dc())), 0);
    const int cx = platform::getSystemMetrics(platform::kSmCxIcon, self);
    const int cy = platform::getSystemMetrics(platform::kSmCyIcon, self);
    platform::Rect client;
    platform::getClientRect(self, client);
    const int x = (client.width() - cx + 1) / 2;
    const int y = (client.height() - cy + 1) / 2;
    platform::drawIcon(paint.dc(), x, y, m_hIcon);
}

platform::IconHandle CClipveilDlg::OnQueryDragIcon() {
    return m_hIcon;
}

void CClipveilDlg::OnNMClickLink(const platform::NotifyHeader&, std::intptr_t& result) {
    openHomePage(GetSafeHwnd());
    result = 0;
}

// Once this returns at the end of a session the system may end the process without destroying
// a window, so the player is put back now, as closing would, and the run ends.
void CClipveilDlg::OnEndSession(bool ending) {
    if (!ending) return;
    m_userPanel.DestroyWindow();
    m_ctrolPanel.DestroyWindow();
    EndDialog(platform::kIdCancel);
}
