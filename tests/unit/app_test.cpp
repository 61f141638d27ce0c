// Start-up over the simulated desktop: the argument dump and the debug switch, the program's
// directory, the single-instance guard, the streams and the console's shut-down handler.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/clipveil_app.h"
#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "platform/dialog.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "resources/resource.h"

namespace {

using platform::Hwnd;
using platform::sim::desktop;
using Reopens = std::vector<std::pair<std::string, std::string>>;

constexpr char kBanner[] = "********** Start Paperlark DEBUG MODE  *******\n";

struct Dump {
    std::int32_t debug;
    std::string out;
};

Dump dump(std::vector<std::string> args) {
    ::testing::internal::CaptureStdout();
    const std::int32_t debug = dumpArguments(args);
    return {debug, ::testing::internal::GetCapturedStdout()};
}

TEST(ArgumentDump, EchoesEveryArgumentAfterTheProgramPath) {
    EXPECT_EQ(dump({"C:\\app.exe", "one", "two words"}).out, "1番目の引数=one\n2番目の引数=two words\n");
    const Dump none = dump({"C:\\app.exe"});
    EXPECT_EQ(none.out, "") << "no arguments, no lines";
    EXPECT_EQ(none.debug, 0);
}

TEST(ArgumentDump, OnlyTheExactSwitchTurnsDebugModeOn) {
    EXPECT_EQ(dump({"app.exe", "-D119"}).debug, 1);
    const Dump later = dump({"app.exe", "x", "y", "-D119"});
    EXPECT_EQ(later.debug, 1) << "the switch counts anywhere";
    EXPECT_EQ(later.out, "1番目の引数=x\n2番目の引数=y\n3番目の引数=-D119\nDEBUGMODE ON\n");

    for (const char* near : {"-d119", "-D1190", "-D11", "/D119", "-D119 ", " -D119", ""}) {
        SCOPED_TRACE(std::string("argument \"") + near + "\"");
        const Dump d = dump({"app.exe", near});
        EXPECT_EQ(d.debug, 0);
        EXPECT_EQ(d.out.find("DEBUGMODE ON"), std::string::npos);
    }
}

TEST(ArgumentDump, TheSwitchTwiceWritesTheLineTwice) {
    const Dump twice = dump({"app.exe", "-D119", "-D119"});
    EXPECT_EQ(twice.debug, 1);
    EXPECT_EQ(twice.out, "1番目の引数=-D119\nDEBUGMODE ON\n2番目の引数=-D119\nDEBUGMODE ON\n");
}

TEST(ProgramDirectory, IsEverythingBeforeTheLastBackslash) {
    desktop().reset();
    EXPECT_EQ(directoryOfPath("C:\\Tools\\Sub\\app.exe"), "C:\\Tools\\Sub");
    EXPECT_EQ(directoryOfPath("C:\\app.exe"), "C:") << "a drive's root keeps no backslash";
    EXPECT_EQ(directoryOfPath("app.exe"), "");
    EXPECT_EQ(directoryOfPath("C:/Tools/app.exe"), "") << "forward slashes are no separators";
    EXPECT_EQ(directoryOfPath("\\\\server\\share\\app.exe"), "\\\\server\\share");
    EXPECT_EQ(directoryOfPath(""), "");
}

TEST(ProgramDirectory, ATrailByteIsNoSeparator) {
    desktop().reset();
    desktop().setCodePage(932);
    // 0x95 0x5C is one character of code page 932 (its second byte is a backslash's).
    EXPECT_EQ(directoryOfPath("C:\\\x95\x5C\\app.exe"), "C:\\\x95\x5C");
    EXPECT_EQ(directoryOfPath("C:\\Tools\\\x95\x5C"
                              "app.exe"),
              "C:\\Tools");
    // In a single-byte code page the same byte is a backslash of its own.
    desktop().setCodePage(1252);
    EXPECT_EQ(directoryOfPath("C:\\Tools\\\x95\x5C"
                              "app.exe"),
              "C:\\Tools\\\x95");
    desktop().setCodePage(932);
}

class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        desktop().reset();
        desktop().setProgramPath("C:\\Tools\\Sub\\app.exe");
    }
    void TearDown() override {
        platform::setMainWindow(platform::kNoWindow);
        // The panels published themselves and are gone with the main window.
        theCtrolPanel = nullptr;
        theUserPanel = nullptr;
    }

    // Runs InitInstance with this command line; `user` works the main window while it is open.
    int start(std::vector<std::string> args, std::function<void(Hwnd)> user = {}) {
        desktop().setCommandLine(std::move(args));
        desktop().onModal([this, user](Hwnd dialog) {
            if (desktop().templateOf(dialog) != IDD_CLIPVEIL_DIALOG) return;
            main_ = dialog;
            mainWindowDuringRun_ = platform::mainWindow();
            appMainWnd_ = app_.m_pMainWnd;
            openedAt_ = desktop().now();
            // Left open, the run ends as Esc would end it.
            if (user) user(dialog);
        });
        ::testing::internal::CaptureStdout();
        const int result = app_.InitInstance();
        out_ = ::testing::internal::GetCapturedStdout();
        // Failures inside the run were printed while stdout was captured.
        if (HasFailure()) std::fputs(out_.c_str(), stderr);
        return result;
    }

    CClipveilApp app_;
    Hwnd main_{};
    Hwnd mainWindowDuringRun_{};
    platform::CDialog* appMainWnd_ = nullptr;
    std::uint64_t openedAt_ = 0;
    std::string out_;
};

TEST_F(StartUp, RunsTheMainWindowInTheProgramsDirectoryWithOutputDiscarded) {
    EXPECT_EQ(start({"C:\\Tools\\Sub\\app.exe"}), 0);
    EXPECT_NE(main_, platform::kNoWindow) << "the main window ran";
    EXPECT_EQ(mainWindowDuringRun_, main_) << "the main window owns message boxes while it runs";
    EXPECT_NE(appMainWnd_, nullptr);
    EXPECT_EQ(app_.m_pMainWnd, nullptr) << "no reference to the destroyed dialog is kept";
    EXPECT_FALSE(desktop().exists(main_));

    EXPECT_EQ(desktop().currentDirectory(), "C:\\Tools\\Sub");
    EXPECT_EQ(desktop().currentDirectoryChanges(), std::vector<std::string>{"C:\\Tools\\Sub"})
        << "set once, to the program's directory";
    EXPECT_EQ(out_, std::string(kBanner) + "CurrentDir=C:\\Tools\\Sub") << "the last line has no line end";

    const auto& console = desktop().console();
    EXPECT_EQ(console.allocations, 0);
    EXPECT_EQ(console.stdoutReopens, (Reopens{{"/dev/nul", "w"}}));
    EXPECT_EQ(console.stdinReopens, (Reopens{{"/dev/nul", "r"}}));
    EXPECT_EQ(console.handler, nullptr);
    EXPECT_LT(desktop().now() - openedAt_, 1000u) << "not in debug mode: no pause before the end";
    EXPECT_TRUE(desktop().messageBoxes().empty());
}

TEST_F(StartUp, ASecondStartIsRefusedWithItsMessageBox) {
    desktop().holdMutex(CClipveilApp::kMutexName);
    EXPECT_EQ(start({"C:\\Tools\\Sub\\app.exe", "-D119"}), -1);
    ASSERT_EQ(desktop().messageBoxes().size(), 1u);
    const auto& box = desktop().messageBoxes().front();
    EXPECT_EQ(box.owner, platform::kNoWindow);
    EXPECT_EQ(box.text, "     霞窓は既に起動されています.     ");
    EXPECT_EQ(box.caption, "２重起動");
    EXPECT_EQ(box.type, platform::kMbOk) << "OK only, no icon";

    // Nothing of the later steps happens.
    EXPECT_EQ(main_, platform::kNoWindow);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(desktop().console().allocations, 0);
    EXPECT_TRUE(desktop().console().stdoutReopens.empty());
    EXPECT_TRUE(desktop().currentDirectoryChanges().empty());
}

TEST_F(StartUp, TheGuardIsHeldForTheLifeOfTheProcess) {
    EXPECT_EQ(start({"app.exe"}), 0);
    EXPECT_EQ(desktop().mutexes(), std::vector<std::string>{CClipveilApp::kMutexName});
    EXPECT_TRUE(desktop().messageBoxes().empty());

    CClipveilApp second;
    desktop().setCommandLine({"app.exe"});
    EXPECT_EQ(second.InitInstance(), -1) << "the first start still holds the mutex";
    EXPECT_EQ(desktop().messageBoxes().size(), 1u);
}

TEST_F(StartUp, NoMutexAtAllEndsWithoutAMessage) {
    desktop().fail(platform::sim::Failure::CreateMutex);
    EXPECT_EQ(start({"app.exe"}), -1);
    EXPECT_TRUE(desktop().messageBoxes().empty());
    EXPECT_EQ(main_, platform::kNoWindow);
}

TEST_F(StartUp, DebugModeOpensTheConsoleAndPausesAtTheEnd) {
    EXPECT_EQ(start({"C:\\Tools\\Sub\\app.exe", "x", "-D119"}), 0);
    EXPECT_EQ(desktop().console().handler, &CClipveilApp::consoleCtrlHandler) << "in debug mode";
    EXPECT_EQ(out_, std::string("1番目の引数=x\n2番目の引数=-D119\nDEBUGMODE ON\n") + kBanner +
                        "DEBUG_MODE ON\nCurrentDir=C:\\Tools\\Sub");

    const auto& console = desktop().console();
    EXPECT_EQ(console.allocations, 1);
    EXPECT_EQ(console.frees, 1) << "the console goes when the main window has closed";
    EXPECT_FALSE(console.open);
    EXPECT_EQ(console.stdoutReopens, (Reopens{{"CONOUT$", "w"}}));
    EXPECT_EQ(console.stdinReopens, (Reopens{{"CONIN$", "r"}}));
    EXPECT_NE(console.handler, nullptr);
    EXPECT_GE(desktop().now() - openedAt_, 1000u) << "one second's pause before the end";
}

TEST_F(StartUp, AFailedConsoleIsNotChecked) {
    desktop().fail(platform::sim::Failure::AllocConsole);
    EXPECT_EQ(start({"app.exe", "-D119"}), 0);
    EXPECT_EQ(desktop().console().stdoutReopens, (Reopens{{"CONOUT$", "w"}}));
    EXPECT_NE(main_, platform::kNoWindow);
}

TEST_F(StartUp, WithoutABackslashTheCurrentDirectoryStays) {
    for (const char* path : {"app.exe", "C:/Tools/app.exe"}) {
        SCOPED_TRACE(path);
        desktop().reset();
        const std::string before = desktop().currentDirectory();
        CClipveilApp app;
        desktop().setCommandLine({path});
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(app.InitInstance(), 0);
        const std::string out = ::testing::internal::GetCapturedStdout();
        EXPECT_TRUE(desktop().currentDirectoryChanges().empty());
        EXPECT_EQ(desktop().currentDirectory(), before);
        EXPECT_EQ(out, std::string(kBanner) + "CurrentDir=");
    }
}

TEST_F(StartUp, ADrivesRootIsPassedWithoutItsBackslash) {
    EXPECT_EQ(start({"C:\\app.exe"}), 0);
    EXPECT_EQ(desktop().currentDirectoryChanges(), std::vector<std::string>{"C:"});
    EXPECT_EQ(out_, std::string(kBanner) + "CurrentDir=C:");
}

TEST_F(StartUp, TheConsolesShutDownEventClosesTheMainWindowBeforeItReturns) {
    int closes = 0;
    int cancels = 0;
    EXPECT_EQ(start({"app.exe", "-D119"},
                    [&](Hwnd main) {
                        desktop().onMessage(
                            main,
                            [&](unsigned message, std::uintptr_t wParam,
                                std::intptr_t) -> std::optional<std::intptr_t> {
                                if (message == platform::msg::kClose) ++closes;
                                if (message == platform::msg::kCommand && wParam == platform::kIdCancel)
                                    ++cancels;
                                return std::nullopt;
                            });
                        // Ctrl+C, Ctrl+Break, console closed, log-off: handled, and nothing closes.
                        for (std::uint32_t event : {0u, 1u, 2u, 5u}) {
                            EXPECT_EQ(desktop().fireConsoleEvent(event), 1) << "event " << event;
                        }
                        EXPECT_EQ(closes, 0);
                        EXPECT_EQ(desktop().fireConsoleEvent(platform::kCtrlShutdownEvent), 1);
                        EXPECT_EQ(closes, 1) << "WM_CLOSE was sent, and handled before the handler returned";
                        desktop().pump();
                        EXPECT_EQ(cancels, 1) << "closing as the close box does: the dialog cancels";
                    }),
              0);
    EXPECT_EQ(closes, 1);
    // With the main window gone, a late event finds nothing to close.
    EXPECT_EQ(CClipveilApp::consoleCtrlHandler(platform::kCtrlShutdownEvent), 1);
    EXPECT_EQ(closes, 1);
}

}  // namespace
