#include "shell/about_dlg.h"

#include "platform/codepage.h"
#include "platform/system.h"
#include "shell/version.h"

namespace {

// Replaces `from` by `to` wherever it stands as a character of its own, never as the trail
// byte of a double-byte character.
void replaceCharacters(std::string& text, char from, char to) {
    char* start = text.data();
    for (const char* p = start; *p != '\0'; p = platform::charNextA(p)) {
        if (*p == from) start[p - start] = to;
    }
}

}  // namespace

void openHomePage(platform::Hwnd owner) {
    platform::shellOpen(owner, kHomePageUrl);
}

std::string aboutVersionText(const char* version) {
    std::string text = version ? version : "";
    replaceCharacters(text, ',', '-');
    replaceCharacters(text, ';', '.');
    // The version is ANSI bytes; the box shows UTF-8 text.
    return "霞窓 " + platform::ansiToUtf8(text);
}

CAboutDlg::CAboutDlg(platform::CDialog* parent) : platform::CDialog(IDD, parent) {}

CAboutDlg::~CAboutDlg() = default;

const platform::MessageMap& CAboutDlg::GetMessageMap() const {
    static const platform::MessageMap map{
        &platform::CDialog::GetMessageMap(),
        {platform::onNotify(IDC_HOMEPAGE_LINK, platform::kNmClick, &CAboutDlg::OnNMClickLink)}};
    return map;
}

void CAboutDlg::DoDataExchange(platform::CDataExchange& dx) {
    platform::CDialog::DoDataExchange(dx);
    platform::DDX_Text(dx, IDC_VERSION_TEXT, m_version);
}

bool CAboutDlg::OnInitDialog() {
    platform::CDialog::OnInitDialog();
    m_version = aboutVersionText(getVersionString());
    UpdateData(false);
    return true;
}

void CAboutDlg::OnNMClickLink(const platform::NotifyHeader&, std::intptr_t& result) {
    openHomePage(GetSafeHwnd());
    result = 0;
}
