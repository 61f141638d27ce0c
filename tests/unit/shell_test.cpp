// The version text, the About box and the main window over the simulated desktop, built from
// the program's real templates and version resource.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "platform/gdi.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "platform/window.h"
#include "resources/resource.h"
#include "shell/about_dlg.h"
#include "shell/main_dlg.h"
#include "shell/version.h"
#include "tests/support/sim_calls.h"
#include "tests/support/testing.h"

namespace {

using platform::Hwnd;
using platform::sim::Call;
using platform::sim::CallRecord;
using platform::sim::callsAre;
using platform::sim::desktop;
using platform::sim::ExpectedCall;
using platform::sim::VersionInfoSpec;

constexpr char kAboutItem[] = "Clipveil のﾊﾞｰｼﾞｮﾝ情報(&A)...";

// A version resource with one string table per translation, each with these values.
std::vector<std::uint8_t> versionBlock(std::vector<VersionInfoSpec::Translation> translations,
                                       std::vector<std::pair<std::string, std::string>> values) {
    VersionInfoSpec recipe;
    recipe.translations = translations;
    for (const auto& t : translations) {
        char key[16];
        std::snprintf(key, sizeof key, "%04x%04x", unsigned{t.language}, unsigned{t.codePage});
        recipe.stringTables.push_back({key, values});
    }
    return platform::sim::buildVersionInfo(recipe);
}

std::vector<std::uint8_t> productVersion(const std::string& value) {
    return versionBlock({{0x0411, 0x04B0}}, {{"FileVersion", value}, {"ProductVersion", value}});
}

// Whether the reader holds its text for good: asked again while the resource can't be read,
// it still gives it. A reader that holds nothing yet stays as it was.
bool holdsItsText(CVersionReader& reader) {
    desktop().fail(platform::sim::Failure::GetFileVersionInfoSize);
    const bool held = reader.read()[0] != '\0';
    desktop().fail(platform::sim::Failure::GetFileVersionInfoSize, 0);
    return held;
}

class VersionText : public ::testing::Test {
protected:
    void SetUp() override { desktop().reset(); }
    CVersionReader reader_;
};

TEST_F(VersionText, ReadsTheProductVersionOfTheProgramsOwnResource) {
    EXPECT_STREQ(reader_.read(), "Ver.:1, 0, 1, 102");
    EXPECT_TRUE(holdsItsText(reader_));
    EXPECT_EQ(aboutVersionText(reader_.read()), "霞窓 Ver.:1- 0- 1- 102");
}

TEST_F(VersionText, IsReadOnceAndKeptInTheSameBuffer) {
    const char* first = reader_.read();
    desktop().setVersionInfo(productVersion("2, 0, 0, 1"));
    EXPECT_EQ(reader_.read(), first);
    EXPECT_STREQ(reader_.read(), "Ver.:1, 0, 1, 102");
    desktop().clearVersionInfo();
    EXPECT_STREQ(reader_.read(), "Ver.:1, 0, 1, 102");
}

TEST_F(VersionText, AFailedReadGivesEmptyTextAndIsTriedAgain) {
    desktop().clearVersionInfo();
    EXPECT_STREQ(reader_.read(), "");
    EXPECT_FALSE(holdsItsText(reader_));
    EXPECT_EQ(aboutVersionText(reader_.read()), "霞窓 ");

    desktop().setVersionInfo(productVersion("3, 1"));
    desktop().fail(platform::sim::Failure::GetFileVersionInfoSize, 1);
    EXPECT_STREQ(reader_.read(), "");
    desktop().fail(platform::sim::Failure::GetFileVersionInfo, 1);
    EXPECT_STREQ(reader_.read(), "");
    EXPECT_FALSE(holdsItsText(reader_));
    EXPECT_STREQ(reader_.read(), "Ver.:3, 1") << "the next call reads again";
    EXPECT_TRUE(holdsItsText(reader_));
}

TEST_F(VersionText, NoTranslationListCountsAsNoVersion) {
    VersionInfoSpec recipe;
    recipe.stringTables.push_back({"041104b0", {{"ProductVersion", "1, 2"}}});
    recipe.varFileInfo = false;
    desktop().setVersionInfo(platform::sim::buildVersionInfo(recipe));
    EXPECT_STREQ(reader_.read(), "");
    EXPECT_FALSE(holdsItsText(reader_));
}

TEST_F(VersionText, OnlyTheFirstTranslationIsUsed) {
    VersionInfoSpec recipe;
    recipe.translations = {{0x0409, 0x04E4}, {0x0411, 0x04B0}};
    recipe.stringTables = {{"041104b0", {{"ProductVersion", "2, 2"}}},
                           {"040904e4", {{"ProductVersion", "1, 1"}}}};
    desktop().setVersionInfo(platform::sim::buildVersionInfo(recipe));
    EXPECT_STREQ(reader_.read(), "Ver.:1, 1");
}

TEST_F(VersionText, LanguageAndCodePageKeepTheirLeadingZeros) {
    desktop().setVersionInfo(versionBlock({{0x0009, 0x0000}}, {{"ProductVersion", "4, 5"}}));
    EXPECT_STREQ(reader_.read(), "Ver.:4, 5") << "looked up under 00090000";
}

TEST_F(VersionText, AMissingProductVersionStillCountsAsRead) {
    desktop().setVersionInfo(versionBlock({{0x0411, 0x04B0}}, {{"FileVersion", "1, 0"}}));
    EXPECT_STREQ(reader_.read(), "Ver.:");
    EXPECT_TRUE(holdsItsText(reader_));
    desktop().setVersionInfo(productVersion("9, 9"));
    EXPECT_STREQ(reader_.read(), "Ver.:");
}

TEST_F(VersionText, ALongValueIsCutToWholeCharacters) {
    desktop().setVersionInfo(productVersion(std::string(250, '7')));
    EXPECT_EQ(std::string(reader_.read()), "Ver.:" + std::string(250, '7')) << "250 bytes still fit";

    CVersionReader longer;
    desktop().setVersionInfo(productVersion(std::string(300, '7')));
    EXPECT_EQ(std::string(longer.read()), "Ver.:" + std::string(250, '7'));
    EXPECT_TRUE(holdsItsText(longer));

    // One byte, then double-byte characters: the 125th would end at byte 251 and is left out.
    desktop().setCodePage(932);
    std::string kana;
    for (int i = 0; i < 150; ++i) kana += "あ";
    CVersionReader cut;
    desktop().setVersionInfo(productVersion("a" + kana));
    const std::string text = cut.read();
    ASSERT_EQ(text.size(), 5u + 249u);
    std::string expected = "Ver.:a";
    for (int i = 0; i < 124; ++i) expected += "あ";
    EXPECT_EQ(desktop().fromAnsi(text), expected);
}

TEST(AboutVersionText, CommasBecomeHyphensThenSemicolonsFullStops) {
    desktop().reset();
    EXPECT_EQ(aboutVersionText("Ver.:1, 0, 1, 102"), "霞窓 Ver.:1- 0- 1- 102");
    EXPECT_EQ(aboutVersionText("Ver.:1;0;2"), "霞窓 Ver.:1.0.2");
    EXPECT_EQ(aboutVersionText("Ver.:1,2;3, 4"), "霞窓 Ver.:1-2.3- 4");
    EXPECT_EQ(aboutVersionText(""), "霞窓 ");
}

class ShellWindows : public ::testing::Test {
protected:
    void SetUp() override { desktop().reset(); }
    void TearDown() override {
        platform::setMainWindow(platform::kNoWindow);
        // The panels published themselves and are gone with the main window.
        theCtrolPanel = nullptr;
        theUserPanel = nullptr;
    }

    // Runs the main window; `user` works it, then it is closed with Esc unless already gone.
    void runMain(const std::function<void(Hwnd)>& user) {
        desktop().onModal([&](Hwnd dialog) {
            if (desktop().templateOf(dialog) == IDD_ABOUTBOX) {
                abouts_.push_back(dialog);
                aboutText_ = desktop().textUtf8(desktop().item(dialog, IDC_VERSION_TEXT));
                mainDisabledDuringAbout_ = (desktop().style(main_) & platform::kWsDisabled) != 0;
                if (aboutScript_) aboutScript_(dialog);
                if (desktop().exists(dialog)) desktop().pressKey(dialog, platform::kVkEscape);
                return;
            }
            main_ = dialog;
            user(dialog);
            if (desktop().exists(dialog)) desktop().pressKey(dialog, platform::kVkEscape);
        });
        // As start-up does it: the main window owns the About box through the application.
        CClipveilDlg dialog;
        app_.m_pMainWnd = &dialog;
        dialog.DoModal();
        app_.m_pMainWnd = nullptr;
    }

    Hwnd userPanel() const { return desktop().dialogs(IDD_USER_PANEL).front(); }
    Hwnd ctrolPanel() const { return desktop().dialogs(IDD_CTROL_PANEL).front(); }

    struct App : platform::CWinApp {
        int InitInstance() override { return 0; }
    } app_;
    Hwnd main_{};
    std::vector<Hwnd> abouts_;
    std::string aboutText_;
    bool mainDisabledDuringAbout_ = false;
    std::function<void(Hwnd)> aboutScript_;
};

TEST_F(ShellWindows, MainWindowHostsBothPanelsAndStartsTheTimer) {
    Hwnd user{}, ctrol{};
    runMain([&](Hwnd main) {
        EXPECT_EQ(desktop().textUtf8(main), "霞窓");
        user = userPanel();
        ctrol = ctrolPanel();
        EXPECT_EQ(desktop().state(user)->parent, main);
        EXPECT_EQ(desktop().state(ctrol)->parent, main);
        EXPECT_TRUE(desktop().isVisible(user));
        EXPECT_TRUE(desktop().state(ctrol)->style & platform::kWsVisible)
            << "shown, though below the client area";
        EXPECT_TRUE(desktop().hasTimer(ctrol, 101));
        EXPECT_EQ(desktop().timerPeriod(ctrol, 101), 500u);

        const auto& log = desktop().calls();
        const auto shown = [&](Hwnd h) {
            const auto show = [h](const CallRecord& c) {
                return c.hwnd == h && c.call == Call::ShowWindow && c.args[0] == platform::kSwShow;
            };
            return std::ranges::find_if(log, show) - log.begin();
        };
        EXPECT_LT(shown(user), shown(ctrol)) << "the user panel comes first";
        desktop().clearCalls();
    });

    // Closing destroys the user panel, then the control panel (its timer first), then itself.
    static const ExpectedCall kTeardown[] = {
        {Call::DestroyWindow, 'U'},
        {Call::KillTimer, 'C', {101}},
        {Call::DestroyWindow, 'C'},
        {Call::DestroyWindow, 'M'},
    };
    std::vector<CallRecord> teardown;
    for (const auto& c : desktop().calls()) {
        if (c.call == Call::DestroyWindow || (c.call == Call::KillTimer && c.args[0] == 101))
            teardown.push_back(c);
    }
    EXPECT_TRUE(callsAre(teardown, kTeardown, {{'U', user}, {'C', ctrol}, {'M', main_}}));
    EXPECT_FALSE(desktop().exists(main_));
    EXPECT_FALSE(desktop().exists(user));
    EXPECT_FALSE(desktop().hasTimer(ctrol, 101));
}

TEST_F(ShellWindows, SystemMenuEndsWithASeparatorAndTheAboutItem) {
    runMain([&](Hwnd main) {
        const platform::MenuHandle menu = platform::getSystemMenu(main, false);
        ASSERT_NE(menu, platform::MenuHandle{});
        const int count = platform::testing::getMenuItemCount(menu);
        ASSERT_GE(count, 2);
        EXPECT_TRUE(platform::testing::isMenuSeparator(menu, count - 2));
        EXPECT_EQ(platform::testing::getMenuItemText(menu, count - 1), kAboutItem);
    });
}

TEST_F(ShellWindows, WithoutTheAboutStringTheSystemMenuIsLeftAlone) {
    desktop().registerString(IDS_ABOUTBOX, "");
    runMain([&](Hwnd main) {
        const platform::MenuHandle menu = platform::getSystemMenu(main, false);
        const int count = platform::testing::getMenuItemCount(menu);
        for (int i = 0; i < count; ++i) EXPECT_NE(platform::testing::getMenuItemText(menu, i), kAboutItem);
        EXPECT_FALSE(count > 0 && platform::testing::isMenuSeparator(menu, count - 1))
            << "no separator either";
    });
}

TEST_F(ShellWindows, AnyCommandFrom0x10To0x1FOpensTheAboutBox) {
    runMain([&](Hwnd main) {
        for (unsigned command : {0x0010u, 0x0013u, 0x001Fu}) {
            platform::sendMessage(main, platform::msg::kSysCommand, command, 0);
        }
        EXPECT_EQ(abouts_.size(), 3u);
        EXPECT_TRUE(desktop().exists(main)) << "closing the box returns to the main window";
        EXPECT_EQ(desktop().style(main) & platform::kWsDisabled, 0u);

        // Other system commands keep their usual meaning.
        platform::sendMessage(main, platform::msg::kSysCommand, 0x0020, 0);
        platform::sendMessage(main, platform::msg::kSysCommand, 0xF020, 0);  // SC_MINIMIZE
        EXPECT_EQ(abouts_.size(), 3u);
        EXPECT_TRUE(platform::isIconic(main));
    });
    EXPECT_EQ(aboutText_, "霞窓 Ver.:1- 0- 1- 102");
    EXPECT_TRUE(mainDisabledDuringAbout_);
    for (Hwnd about : abouts_) EXPECT_FALSE(desktop().exists(about));
}

TEST_F(ShellWindows, BothLinksOpenTheHomePageAndLeaveTheirWindowOpen) {
    aboutScript_ = [&](Hwnd about) {
        EXPECT_TRUE(desktop().click(desktop().item(about, IDC_HOMEPAGE_LINK)));
        EXPECT_TRUE(desktop().exists(about));
    };
    runMain([&](Hwnd main) {
        EXPECT_TRUE(desktop().click(desktop().item(main, IDC_HOMEPAGE_LINK)));
        EXPECT_TRUE(desktop().exists(main));
        platform::sendMessage(main, platform::msg::kSysCommand, IDM_ABOUTBOX, 0);
    });
    ASSERT_EQ(desktop().shellOpens().size(), 2u);
    EXPECT_EQ(desktop().shellOpens()[0].owner, main_);
    EXPECT_EQ(desktop().shellOpens()[0].target, kHomePageUrl);
    ASSERT_EQ(abouts_.size(), 1u);
    EXPECT_EQ(desktop().shellOpens()[1].owner, abouts_[0]);
    EXPECT_EQ(desktop().shellOpens()[1].target, kHomePageUrl);
}

TEST_F(ShellWindows, MinimisedItPaintsItsIconCentredAtItsScale) {
    desktop().setMonitors({{platform::Rect{0, 0, 2880, 1620}, 144}});
    const platform::IconHandle icon = platform::loadIcon(IDR_MAINFRAME);
    runMain([&](Hwnd main) {
        EXPECT_EQ(platform::sendMessage(main, platform::msg::kQueryDragIcon, 0, 0),
                  static_cast<std::intptr_t>(icon));

        platform::sendMessage(main, platform::msg::kPaint, 0, 0);
        EXPECT_TRUE(desktop().iconDraws().empty()) << "an open window paints as usual";

        desktop().minimise(main);
        platform::sendMessage(main, platform::msg::kPaint, 0, 0);
        ASSERT_EQ(desktop().iconDraws().size(), 1u);
        platform::Rect client;
        platform::getClientRect(main, client);
        const int cx = 48;  // the 32-pixel icon at 150 %
        const int cy = 48;
        const auto& draw = desktop().iconDraws().front();
        EXPECT_EQ(draw.icon, icon);
        EXPECT_EQ(draw.x, (client.width() - cx + 1) / 2);
        EXPECT_EQ(draw.y, (client.height() - cy + 1) / 2);
        desktop().restore(main);
    });
}

}  // namespace
