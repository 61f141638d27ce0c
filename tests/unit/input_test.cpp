// Bad input over the simulated desktop: titles and class names at and over their buffers,
// broken double-byte sequences of code page 932, a huge command line and every kind of text
// in the setting dialog. The program must find what it should, cut where it should, and
// neither crash nor show garbage.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/clipveil_app.h"
#include "engine/ctrol_panel.h"
#include "panels/user_panel.h"
#include "platform/codepage.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "panels_scene.h"
#include "resources/resource.h"

namespace {

using platform::Hwnd;
using platform::Rect;
using platform::sim::desktop;
using platform::sim::WindowSpec;

constexpr std::size_t kTitleLimit = 255;      // a 256-byte buffer
constexpr std::size_t kChildTextLimit = 510;  // WM_GETTEXT with 511

// "あ" in code page 932.
constexpr char kA932[] = "\x82\xA0";

// True when the text survives a round trip through UTF-16 unchanged: no broken sequence, no
// byte that is not part of a character.
bool validUtf8(const std::string& text) {
    return platform::wideToUtf8(platform::utf8ToWide(text)) == text &&
           text.find("\xEF\xBF\xBD") == std::string::npos;
}

struct Player {
    Hwnd window{};
    Hwnd video{};
};

// Both panels, and a player built from raw ANSI bytes.
class BadInput : public panels_test::PanelsTest {
protected:
    void TearDown() override {
        PanelsTest::TearDown();
        desktop().setCodePage(932);
    }

    Player addPlayer(const std::string& title, const std::string& frameClass = "PlayerFrame",
                     const std::string& videoText = "Video", const std::string& module = "player.exe") {
        auto& d = desktop();
        platform::sim::ProcessSpec process;
        process.modules = {{module, "C:\\Player\\" + module}};
        WindowSpec frame;
        frame.className = frameClass;
        frame.text = title;
        frame.rect = {100, 100, 740, 580};
        frame.processId = d.addProcess(process);
        Player p;
        p.window = d.createWindow(frame);
        WindowSpec video;
        video.className = kEvrVideoClass;
        video.text = videoText;
        video.style = platform::kWsChild | platform::kWsVisible;
        video.rect = {104, 123, 736, 536};
        p.video = d.createChild(p.window, video);
        return p;
    }
    void tick() { desktop().advance(CCtrolPanelDlg::kTrackingPeriodMs); }
    std::string statusLine(int id) const {
        return desktop().textUtf8(desktop().item(panel_->GetSafeHwnd(), id));
    }
};

TEST_F(BadInput, TitlesAtAndOverTheBufferAreFoundAndCutToTheirFirst255Bytes) {
    for (std::size_t length : {254u, 255u, 256u, 510u, 511u, 512u, 4000u, 70000u}) {
        SCOPED_TRACE("title of " + std::to_string(length) + " bytes");
        std::string title;
        for (std::size_t i = 0; i < length; ++i) title.push_back(static_cast<char>('A' + i % 26));
        const Player p = addPlayer(title);
        tick();
        ASSERT_EQ(ctrol_->hasTarget, 1);
        EXPECT_EQ(ctrol_->target.hwnd, p.window);
        const std::string cut = title.substr(0, std::min(length, kTitleLimit));
        EXPECT_EQ(ctrol_->target.title, cut);
        EXPECT_EQ(panel_->m_target.title, cut);
        EXPECT_EQ(statusLine(IDC_TARGET_STATUS), cut);
        EXPECT_EQ(statusLine(IDC_FOUND_STATUS), "EVRVideoHandler を検出しました");
        desktop().destroy(p.window);
        tick();
        EXPECT_EQ(statusLine(IDC_TARGET_STATUS), "");
    }
}

// The cut never leaves half a character: a double-byte character that does not fit in the
// buffer is left out whole, and the status line shows exactly the characters that fit.
TEST_F(BadInput, ADoubleByteTitleIsCutBetweenCharacters) {
    for (const std::string& lead : {std::string("a"), std::string("aa")}) {
        SCOPED_TRACE("lead-in of " + std::to_string(lead.size()) + " bytes");
        std::string title = lead;
        while (title.size() < 600) title += kA932;
        const Player p = addPlayer(title);
        tick();
        ASSERT_EQ(ctrol_->target.hwnd, p.window);
        const std::string& got = ctrol_->target.title;
        EXPECT_LE(got.size(), kTitleLimit);
        EXPECT_GE(got.size(), kTitleLimit - 1);
        EXPECT_EQ(got, title.substr(0, got.size()));
        EXPECT_EQ((got.size() - lead.size()) % 2, 0u) << "no lone lead byte at the end";
        const std::string shown = statusLine(IDC_TARGET_STATUS);
        EXPECT_TRUE(validUtf8(shown));
        EXPECT_EQ(shown, desktop().fromAnsi(got));
        desktop().destroy(p.window);
        tick();
    }
}

TEST_F(BadInput, TheVideoWindowsTextAndDecoysOverTheirBuffersDoNotHideTheVideo) {
    const std::string longText(4000, 'v');
    const std::string longClass(600, 'C');
    const Player p = addPlayer("Player", "PlayerFrame", longText);
    // A decoy before the video whose class and text are both longer than the buffer, and one
    // whose class begins with the video class.
    WindowSpec decoy;
    decoy.className = longClass;
    decoy.text = longText;
    decoy.style = platform::kWsChild | platform::kWsVisible;
    decoy.rect = {104, 540, 200, 570};
    const Hwnd big = desktop().createChild(p.window, decoy);
    decoy.className = kEvrVideoClass + std::string(500, 'x');
    desktop().createChild(p.window, decoy);
    tick();
    ASSERT_EQ(ctrol_->hasTarget, 1);
    EXPECT_EQ(ctrol_->component.hwnd, p.video);
    EXPECT_EQ(ctrol_->component.text, longText.substr(0, kChildTextLimit));
    // Neither decoy is taken for a video window, a class that only begins with the video
    // class included: the video is all that is recorded.
    const CWinInf& rec = ctrol_->target;
    ASSERT_EQ(rec.children.size(), 1u);
    EXPECT_EQ(rec.children.front().hwnd, p.video);
    EXPECT_EQ(platform::getClassNameA(big, kChildTextLimit + 1), longClass.substr(0, kChildTextLimit))
        << "the class name is read within its buffer";
}

// A frame class of 255 and 256 characters (the system's limit for a class name is 255; the
// program never reads a top-level window's class, so either is found).
TEST_F(BadInput, LongFrameClassNamesAreFound) {
    for (std::size_t length : {255u, 256u}) {
        SCOPED_TRACE(length);
        const Player p = addPlayer("Player", std::string(length, 'K'));
        tick();
        EXPECT_EQ(ctrol_->target.hwnd, p.window);
        EXPECT_EQ(statusLine(IDC_TARGET_STATUS), "Player");
        desktop().destroy(p.window);
        tick();
    }
}

// Code page 932 byte strings that are not valid: a lone lead byte at the end, a lead byte
// followed by a byte that cannot trail it, and bytes no character starts with. The program
// keeps them byte for byte, finds the player, and shows the valid part unchanged.
TEST_F(BadInput, InvalidDoubleByteSequencesInTitlesAndModuleNames) {
    const struct {
        const char* name;
        std::string title;
        std::string validPrefix;
    } cases[] = {
        {"lone lead byte at the end", "Film\x82", "Film"},
        {"lead byte and a blank", "Film\x82 rest", "Film"},
        {"lead byte and DEL", "Film\x81\x7F", "Film"},
        {"lead byte and NUL-adjacent end", std::string(254, 'a') + "\x82", std::string(254, 'a')},
        {"bytes no character starts with", "Film\xFD\xFE\xFF", "Film"},
        {"only a lead byte", "\x82", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Player p = addPlayer(c.title, "PlayerFrame", c.title, std::string("pl\x82") + "y.exe\x82");
        tick();
        ASSERT_EQ(ctrol_->hasTarget, 1);
        EXPECT_EQ(ctrol_->target.hwnd, p.window);
        EXPECT_EQ(ctrol_->target.title, c.title) << "kept byte for byte";
        EXPECT_EQ(ctrol_->component.text, c.title);
        // The lead byte takes "y" as its trail and the one at the end stays alone.
        EXPECT_EQ(ctrol_->windowList.front().moduleName, std::string("PL\x82y.EXE\x82"));
        const std::string shown = statusLine(IDC_TARGET_STATUS);
        EXPECT_TRUE(validUtf8(shown)) << shown;
        EXPECT_EQ(shown.substr(0, c.validPrefix.size()), c.validPrefix);
        desktop().destroy(p.window);
        tick();
    }
}

// The system may hand over a title cut between the lead and the trail byte; the status line
// shows the whole characters before it, never a conversion of the lone lead byte.
TEST_F(BadInput, AStatusLineNeverEndsInHalfACharacter) {
    CWinInf target;
    CChildWinInf component;
    component.className = kEvrVideoClass;
    for (const std::string& title :
         {std::string("Film\x82"), std::string(254, 'a') + "\x81", std::string("\x82\xA0\x82")}) {
        target.title = title;
        panel_->componentFound(target, component);
        const std::string whole = title.substr(0, title.size() - 1);
        EXPECT_EQ(statusLine(IDC_TARGET_STATUS), desktop().fromAnsi(whole));
    }
    desktop().setCodePage(1252);
    target.title = "Caf\xE9\x82";
    panel_->componentFound(target, component);
    EXPECT_EQ(statusLine(IDC_TARGET_STATUS), desktop().fromAnsi(target.title)) << "single bytes are whole";
}

TEST(BadInputPaths, ALoneLeadByteInTheProgramPathNeitherOverrunsNorSeparates) {
    desktop().reset();
    EXPECT_EQ(directoryOfPath("C:\\Tools\\\x82"), "C:\\Tools");
    EXPECT_EQ(directoryOfPath("C:\\Tools\\app\x82\\x.exe"), "C:\\Tools") << "0x82 0x5C is one character";
    EXPECT_EQ(directoryOfPath("\x82"), "");
    EXPECT_EQ(directoryOfPath("C:\\\x81\x7F\\x.exe"), "C:\\\x81\x7F");
}

// 100 arguments of 4,000 bytes: every one is echoed whole, in order, with its label, and the
// switch still counts only when exact.
TEST(BadInputCommandLine, AHundredArgumentsOfFourThousandBytesAreEchoedWhole) {
    std::vector<std::string> args{"C:\\Tools\\app.exe"};
    for (int i = 1; i <= 100; ++i) args.push_back(std::string(4000, static_cast<char>('a' + i % 26)));
    args[50] = "-D119" + std::string(3995, 'x');
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(dumpArguments(args), 0);
    const std::string out = ::testing::internal::GetCapturedStdout();
    std::string expected;
    for (std::size_t i = 1; i < args.size(); ++i)
        expected += std::to_string(i) + "番目の引数=" + args[i] + "\n";
    EXPECT_EQ(out, expected);

    args.back() = "-D119";
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(dumpArguments(args), 1);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("100番目の引数=-D119\nDEBUGMODE ON\n"),
              std::string::npos);
}

TEST(BadInputCommandLine, StartUpWithAHugeCommandLineRunsNormally) {
    desktop().reset();
    desktop().setProgramPath("C:\\Tools\\app.exe");
    std::vector<std::string> args{"C:\\Tools\\app.exe"};
    for (int i = 0; i < 100; ++i) args.push_back(std::string(4000, '\x82'));  // lone leads, too
    desktop().setCommandLine(args);
    bool opened = false;
    desktop().onModal([&](Hwnd dialog) {
        if (desktop().templateOf(dialog) == IDD_CLIPVEIL_DIALOG) opened = true;
    });
    CClipveilApp app;
    ::testing::internal::CaptureStdout();
    const int result = app.InitInstance();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(opened) << "the main window ran";
    EXPECT_EQ(desktop().console().allocations, 0) << "not in debug mode";
    EXPECT_EQ(desktop().currentDirectory(), "C:\\Tools");
    platform::setMainWindow(platform::kNoWindow);
    theCtrolPanel = nullptr;
    theUserPanel = nullptr;
}

// Whatever is typed into the setting dialog, OK leaves a percentage within 20..100 that the
// field and the player's opacity both show.
TEST_F(BadInput, EveryKindOfTextInTheSettingDialogEndsWithin20To100) {
    const Player p = addPlayer("Player");
    tick();
    ASSERT_TRUE(desktop().click(desktop().item(panel_->GetSafeHwnd(), IDC_MODE_VIDEO)));
    ASSERT_TRUE(desktop().click(desktop().item(panel_->GetSafeHwnd(), IDC_TRANS)));
    // Each text is typed after 50 was set: 50 afterwards means the text was not taken.
    const struct {
        std::string typed;
        int percent;
    } cases[] = {
        {"45", 45},
        {"４５", 45},    // full-width digits are digits, as the system reads them
        {"－４５", 50},  // a full-width minus is no sign
        {"\xE3\x80\x80"
         "45",
         45},  // the ideographic blank leads like a blank
        {"-45", 50},
        {"-0", 50},
        {"0", 50},
        {"150", 50},
        {"19", 50},
        {"1,000", 50},
        {"1,00", 100},  // the separator is dropped before the number is read
        {"abc", 50},
        {"", 50},
        {"45abc", 50},
        {" 45", 45},
        {"45 ", 50},
        {"\t20", 20},
        {"+100", 100},
        {"2147483648", 50},
        {"-2147483649", 50},
        {"99999999999999999999999", 50},
        {std::string(5000, '7'), 50},
        {std::string(4998, '0') + "55", 50},  // only the first characters are read
        {std::string(5000, 'x'), 50},
        {"\x82\xA0", 50},  // ANSI bytes typed as text: no digits
        {"８5", 85},
    };
    const auto setTo = [&](const std::string& typed) {
        desktop().onModal([typed](Hwnd dialog) {
            desktop().typeText(desktop().item(dialog, IDC_PERCENT_EDIT), typed);
            desktop().click(desktop().item(dialog, platform::kIdOk));
        });
        return desktop().click(desktop().item(panel_->GetSafeHwnd(), IDC_TRANS_SETTING));
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("typed \"" + c.typed.substr(0, 40) + "\"");
        ASSERT_TRUE(setTo("50"));
        ASSERT_EQ(panel_->m_transPercent, 50);
        ASSERT_TRUE(setTo(c.typed));
        EXPECT_EQ(panel_->m_transPercent, c.percent);
        EXPECT_EQ(statusLine(IDC_TRANS_PERCENT), std::to_string(c.percent) + " %");
        EXPECT_EQ(desktop().state(p.window)->alpha, CUserPanelDlg::alphaFor(c.percent));
    }
}

}  // namespace
