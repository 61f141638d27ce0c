// Clipveil.exe as the Windows tests drive it from outside: started, found by its windows,
// its controls reached by identifier, ended by force if a test lets go of it while it runs.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/testing.h"
#include "platform/types.h"

namespace e2e {

// What the program shows and takes, as the tests look for it.
namespace program_texts {
inline constexpr char kMainCaption[] = "霞窓";
inline constexpr char kAboutCaption[] = "Clipveilのﾊﾞｰｼﾞｮﾝ情報";
inline constexpr char kSecondCaption[] = "２重起動";
inline constexpr char kSecondText[] = "     霞窓は既に起動されています.     ";
inline constexpr char kSearching[] = "Movieコンポーネント検索中";
inline constexpr char kSettingCaption[] = "透かし透明度設定";
inline constexpr unsigned kScClose = 0xF060;
inline constexpr int kMsgBoxTextId = 0xFFFF;  // a message box's text control
}  // namespace program_texts

// Wine shows the Unix file system as drive Z:.
std::string windowsPath(std::string path);
// A file name no other test of this run uses: the stem, the time and a count.
std::string uniqueName(const char* stem);
// The whole of a file, or nothing when it cannot be read.
std::optional<std::string> readWhole(const std::string& file);
// Runs xdotool with these arguments on the test desktop and waits for it; empty when it
// finished with success, otherwise what went wrong.
std::string xdotool(const std::string& arguments);

std::vector<platform::Hwnd> topLevelWindowsOf(std::uint32_t processId);
// The visible top-level window of the process with this caption (UTF-8), if there is one.
std::optional<platform::Hwnd> windowCaptioned(std::uint32_t processId, const std::string& caption);
// Any descendant with this control identifier (the panels' controls are grandchildren); the
// user panel's come first in z-order.
platform::Hwnd descendantWithId(platform::Hwnd parent, int id);
// The never-seen control panel: the main window's child dialog whose two handle fields are
// static controls (the user panel's controls 1003 and 1004 are a static and a button).
platform::Hwnd controlPanelOf(platform::Hwnd main);

class ClipveilRun {
public:
    // Starts Clipveil.exe with these arguments (a command-line tail); null on failure.
    static std::unique_ptr<ClipveilRun> start(const std::string& arguments = {});
    ~ClipveilRun();
    ClipveilRun(const ClipveilRun&) = delete;
    ClipveilRun& operator=(const ClipveilRun&) = delete;

    // Waits for the main window ("霞窓"); kNoWindow when it did not come up in time.
    platform::Hwnd mainWindow(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::optional<std::uint32_t> exitCode(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool running();
    std::uint32_t processId() const { return processId_; }
    // As the task manager ends it: no message, no clean-up of its own.
    bool kill();

    // The program (Windows path), as built beside the tests.
    static std::string programPath();

private:
    ClipveilRun() = default;
    platform::ProcessHandle process_;
    std::uint32_t processId_ = 0;
};

}  // namespace e2e
