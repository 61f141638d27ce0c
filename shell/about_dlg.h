// The About box: the program's name with its version, and a link to the maker's home page.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"
#include "resources/resource.h"

// The maker's home page, opened by the links of the main window and the About box.
inline constexpr char kHomePageUrl[] = "https://quenwick.example/clipveil/";

// Opens the home page with the shell's "open" verb, owned by `owner`; a failure is not reported.
void openHomePage(platform::Hwnd owner);

// What the About box shows for a version text (ANSI bytes): "霞窓 " and the text with every
// "," made "-" and then every ";" made ".", matching whole characters of the ANSI code page
// only; UTF-8, as the box's own texts are.
std::string aboutVersionText(const char* version);

class CAboutDlg : public platform::CDialog {
public:
    static constexpr int IDD = IDD_ABOUTBOX;

    explicit CAboutDlg(platform::CDialog* parent = nullptr);
    ~CAboutDlg() override;

    std::string m_version;  // UTF-8, exchanged with control 1002

protected:
    const platform::MessageMap& GetMessageMap() const override;
    void DoDataExchange(platform::CDataExchange& dx) override;
    bool OnInitDialog() override;

    void OnNMClickLink(const platform::NotifyHeader& header, std::intptr_t& result);
};
