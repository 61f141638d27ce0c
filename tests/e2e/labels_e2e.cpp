// Every label a user reads fits its control: the static texts, check boxes and buttons of the
// main window, the user panel, the About box and the setting dialog, measured in the font
// each control draws with. The test desktop draws the dialogs' font with a twin of the same
// character widths (desktop-up.sh), so a label cut here is cut on Windows too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "panels/trans_dlg.h"
#include "panels_host.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "player.h"
#include "resources/resource.h"
#include "shell/about_dlg.h"
#include "tests/support/testing.h"

namespace {

using platform::Hwnd;

// Control styles, as the templates set them.
constexpr std::uint32_t kSsTypeMask = 0x1F;
constexpr std::uint32_t kSsTextTypes[] = {0x0 /*LEFT*/, 0x1 /*CENTER*/, 0x2 /*RIGHT*/, 0xB /*SIMPLE*/,
                                          0xC /*LEFTNOWORDWRAP*/};
constexpr std::uint32_t kSsNoPrefix = 0x80;
constexpr std::uint32_t kBsTypeMask = 0xF;
constexpr std::uint32_t kBsPushTypes[] = {0x0 /*PUSHBUTTON*/, 0x1 /*DEFPUSHBUTTON*/};
constexpr std::uint32_t kBsMarkTypes[] = {0x2 /*CHECKBOX*/, 0x3 /*AUTOCHECKBOX*/, 0x4 /*RADIOBUTTON*/,
                                          0x5 /*3STATE*/,   0x6 /*AUTO3STATE*/,   0x9 /*AUTORADIOBUTTON*/};
constexpr std::uint32_t kBsPushLike = 0x1000;
constexpr int kSmCxMenuCheck = 71;

template <class List>
bool contains(const List& list, std::uint32_t value) {
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct Cut {
    std::string where;
    int id = 0;
    std::string text;
    int width = 0;
    int room = 0;
};

// The labels among the dialog's own controls that are wider than the room they are drawn in:
// the client width, less the mark and its gap for a check box or radio button. The mark is
// taken as wide as a menu check mark (13 px at 96 DPI, the box the button draws), the gap as
// half the width of "0", which the button leaves before its label. Link controls, icons and
// frames have no label to cut.
void collectCuts(Hwnd dialog, const std::string& where, std::vector<Cut>& cuts, int skipId = 0) {
    struct Walk {
        Hwnd dialog;
        std::vector<Hwnd> children;
    } walk{dialog, {}};
    platform::enumChildWindows(
        dialog,
        [](Hwnd child, std::uintptr_t context) -> int {
            auto& w = *reinterpret_cast<Walk*>(context);
            if (platform::testing::getParent(child) == w.dialog) w.children.push_back(child);
            return 1;
        },
        reinterpret_cast<std::uintptr_t>(&walk));
    for (Hwnd child : walk.children) {
        const int id = platform::getDlgCtrlId(child);
        const std::string text = platform::getWindowTextUtf8(child);
        if (id == skipId || text.empty()) continue;
        const std::string kind = lowered(platform::getClassNameA(child, 64));
        const auto style = static_cast<std::uint32_t>(platform::getWindowLongA(child, platform::kGwlStyle));
        bool prefix = true;
        int mark = 0;
        if (kind == "static") {
            if (!contains(kSsTextTypes, style & kSsTypeMask)) continue;
            prefix = (style & kSsNoPrefix) == 0;
        } else if (kind == "button") {
            const std::uint32_t type = style & kBsTypeMask;
            const bool pushLike = contains(kBsPushTypes, type) || (style & kBsPushLike) != 0;
            if (!pushLike && !contains(kBsMarkTypes, type)) continue;
            if (!pushLike)
                mark = platform::getSystemMetrics(kSmCxMenuCheck) +
                       platform::testing::textWidthInOwnFont(child, "0", false).value_or(0) / 2;
        } else {
            continue;
        }
        platform::Rect client;
        ASSERT_TRUE(platform::getClientRect(child, client)) << where << " " << id;
        const auto width = platform::testing::textWidthInOwnFont(child, text, prefix);
        ASSERT_TRUE(width.has_value()) << where << " " << id << " '" << text << "'";
        const int room = client.right - client.left - mark;
        if (*width > room) cuts.push_back({where, id, text, *width, room});
    }
}

class LabelsOnWine : public e2e::PanelsOnWine {};

TEST_F(LabelsOnWine, EveryLabelFitsItsControlInTheDialogsFont) {
    std::vector<Cut> cuts;
    collectCuts(host_.GetSafeHwnd(), "main window", cuts);
    collectCuts(panel_.GetSafeHwnd(), "user panel, searching", cuts);

    // The longer of the two video classes makes the longer status line. The line below it is
    // the player's title, as long as the player makes it: that one is not the layout's.
    std::string error;
    player_ = e2e::ImitationPlayer::start({.videoClass = "WMP", .title = "Labels e2e player"}, error);
    ASSERT_TRUE(player_) << error;
    tick();
    ASSERT_EQ(ctrol_.target.hwnd, player_->window());
    collectCuts(panel_.GetSafeHwnd(), "user panel, found", cuts, IDC_TARGET_STATUS);

    CAboutDlg about(&host_);
    ASSERT_TRUE(about.Create(&host_));
    collectCuts(about.GetSafeHwnd(), "About box", cuts);
    about.DestroyWindow();

    CTransDlg setting(&host_);
    ASSERT_TRUE(setting.Create(&host_));
    collectCuts(setting.GetSafeHwnd(), "setting dialog", cuts);
    setting.DestroyWindow();

    std::ostringstream table;
    for (const Cut& c : cuts)
        table << "\n  " << c.where << ", control " << c.id << " '" << c.text << "': " << c.width << " px in "
              << c.room << " px";
    EXPECT_TRUE(cuts.empty()) << "labels cut:" << table.str();
}

}  // namespace
