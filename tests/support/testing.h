// What only the tests and the demo need beside the seam. The readers come for both backends
// (testing_win32.cpp, testing_sim.cpp); the rest, starting and ending other programs (the
// imitation player) and running this thread's messages while a test waits, for win32 only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/gdi.h"
#include "platform/process.h"
#include "platform/sim/system_values.h"
#include "platform/types.h"

// Messages only the tests send.
namespace platform::msg {
inline constexpr unsigned kNull = 0x0000;
inline constexpr unsigned kQueryEndSession = 0x0011;
inline constexpr unsigned kNcHitTest = 0x0084;
inline constexpr unsigned kEmSetSel = 0x00B1;
inline constexpr unsigned kBmClick = 0x00F5;
inline constexpr unsigned kKeyDown = 0x0100;
inline constexpr unsigned kKeyUp = 0x0101;
inline constexpr unsigned kChar = 0x0102;
inline constexpr unsigned kSysKeyDown = 0x0104;
inline constexpr unsigned kSysKeyUp = 0x0105;
inline constexpr unsigned kPaste = 0x0302;
}  // namespace platform::msg

namespace platform {
// showWindow's command that only the tests give.
inline constexpr int kSwRestore = 9;
}  // namespace platform

namespace platform::testing {

// ---- readers of what the program did, both backends ------------------------------------

// GetWindowRgn + GetRgnBox: the bounding box of the window's region, if it has one.
std::optional<Rect> getWindowRgnBox(Hwnd hwnd);
// GetLayeredWindowAttributes: the alpha, when the window is layered and has attributes.
std::optional<std::uint8_t> getLayeredAlpha(Hwnd hwnd);
Hwnd getParent(Hwnd hwnd);
// The menu's items by position: count (-1 for no menu), text (UTF-8; empty for a separator).
int getMenuItemCount(MenuHandle menu);
std::string getMenuItemText(MenuHandle menu, int position);
bool isMenuSeparator(MenuHandle menu, int position);

// ---- programs and messages, win32 only -------------------------------------------------

struct SpawnedProcess {
    ProcessHandle process;
    std::uint32_t processId = 0;
};

// CreateProcessA with the whole command line (program path first, quoted as needed), in
// this process's current directory. Empty on failure.
std::optional<SpawnedProcess> spawnProcess(const std::string& commandLine);
// TerminateProcess, then waits (bounded) until the process is gone.
bool terminateProcess(const ProcessHandle& process, std::uint32_t exitCode);
// The exit code once the process has ended within timeoutMs; empty while it still runs.
std::optional<std::uint32_t> waitForExit(const ProcessHandle& process, std::uint32_t timeoutMs);

// Dispatches every message waiting for this thread.
void pumpMessages();
// Blocks until a message arrives for this thread or timeoutMs has passed.
void waitForMessages(std::uint32_t timeoutMs);

// SendMessageTimeout with abort-if-hung: the window's answer, or empty when its thread did not
// answer within timeoutMs (or is hung, or the window is gone).
std::optional<std::intptr_t> sendMessageTimeout(Hwnd hwnd, unsigned message, std::uintptr_t wParam,
                                                std::intptr_t lParam, std::uint32_t timeoutMs);

// What the program's entry point does before its first dialog: registers the common
// controls (link, up-down) that the templates use.
void initDialogControls();

// A left click of the real mouse at a screen point (SetCursorPos, then SendInput down and up):
// the click reaches whatever window of any process lies there, as the user's would.
bool clickAt(int x, int y);

// The width in pixels of one line of text (UTF-8) in the font the control draws with
// (WM_GETFONT; the system font when it has none). With `prefix`, an "&" marks a mnemonic and
// takes no room, as in a label without SS_NOPREFIX. Empty when it cannot be measured.
std::optional<int> textWidthInOwnFont(Hwnd control, std::string_view utf8, bool prefix);

// Counts of this process's live user-interface objects, for the leak tests.
// GetGuiResources (GR_GDIOBJECTS, or GR_USEROBJECTS): empty when the system does not count
// (Wine 8 answers 0 with ERROR_CALL_NOT_IMPLEMENTED).
std::optional<std::uint32_t> guiResources(bool userObjects);
// Entries in use in the system's GDI handle table of this process (brushes, regions, fonts,
// device contexts, ...): Wine keeps the table in the process, reachable from the PEB. Empty
// when there is no such table.
std::optional<std::uint32_t> liveGdiObjects();
// Windows of this process: every top-level window and all of their descendants.
std::uint32_t liveWindows();
// CPU time (user and kernel) this process has used so far, in microseconds.
std::uint64_t processCpuMicroseconds();
// Puts the text on the clipboard (as Unicode text), as a copy in another program would.
bool setClipboardText(const std::string& utf8);

// HKCU\Control Panel\Desktop\LogPixels, the display scale that programs take when they start:
// sets it (removes it when dpi is empty) and returns what was there before.
std::optional<std::uint32_t> setLogPixels(std::optional<std::uint32_t> dpi);
// The height of the window that a dialog template of this program makes in this process (made
// hidden, measured and destroyed at once); 0 when it cannot be made.
int dialogTemplateHeight(int templateId);

}  // namespace platform::testing
