// Window services: enumeration, queries, styles, rectangles, regions, z-order, layered opacity,
// messages and timers. Each function is named after the system call it makes; where it makes
// more than one, or bounds a wait, its comment says so. Texts read from other windows are ANSI
// byte strings, the program's own texts are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform {

// A window handle as the program shows and logs it: "0x" and eight lower-case hex digits.
inline std::string handleText(Hwnd hwnd) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "0x00000000";
    std::size_t at = text.size();
    for (std::uint32_t value = handleValue(hwnd); value != 0; value >>= 4) text[--at] = kDigits[value & 0xFu];
    return text;
}

// EnumWindows / EnumChildWindows: the callback gets each handle and the context value;
// it returns nonzero to go on. Calls happen on the calling thread before the call returns.
using EnumProc = int (*)(Hwnd hwnd, std::uintptr_t context);
bool enumWindows(EnumProc proc, std::uintptr_t context);
bool enumChildWindows(Hwnd parent, EnumProc proc, std::uintptr_t context);

[[nodiscard]] bool isWindow(Hwnd hwnd);
// Nonzero when the window and all its ancestors have the visible style.
[[nodiscard]] bool isWindowVisible(Hwnd hwnd);
[[nodiscard]] bool isIconic(Hwnd hwnd);
[[nodiscard]] bool isWindowEnabled(Hwnd hwnd);

// GetWindowTextA with a buffer of maxCount bytes: at most maxCount - 1 bytes come back.
std::string getWindowTextA(Hwnd hwnd, int maxCount);
// WM_GETTEXT sent to a window that may belong to another process, into a buffer of
// maxCount bytes. Bounded: a window whose thread does not answer within a short time
// (abort-if-hung) counts as having no text, and *answered (when given) is set to false.
std::string sendGetTextA(Hwnd hwnd, int maxCount, bool* answered = nullptr);
// How long sendGetTextA waits for a window's thread to answer; both backends use it.
inline constexpr std::uint32_t kGetTextTimeoutMs = 150;
// GetClassNameA with a buffer of maxCount bytes.
std::string getClassNameA(Hwnd hwnd, int maxCount);
std::int32_t getDlgCtrlId(Hwnd hwnd);
bool getWindowInfo(Hwnd hwnd, WindowInfo& info);

// SendMessageTimeout(WM_NULL) with abort-if-hung, not serving other senders meanwhile: true
// when the window's thread answered within timeoutMs. Every change made to another program's
// window waits for that program's thread, so the engine asks first.
[[nodiscard]] bool windowAnswers(Hwnd hwnd, std::uint32_t timeoutMs);
inline constexpr std::uint32_t kAnswerTimeoutMs = 150;
// Waits up to limitMs for the window's thread to answer, as windowAnswers does first; a thread
// that is only busy (opening a file, seeking) is then waited for while this thread handles its
// own messages, so that the program's windows keep answering: SendMessageTimeout(WM_NULL) in
// short slices that serve other senders, PeekMessage between them. holdInput (the program's
// main window, or none) takes no input meanwhile, as a message box's owner, so that a second
// press cannot start a second change. False when the window is gone, when the system counts
// its thread as hung (IsHungAppWindow: nothing handled for 5 s; no wait at all then) or when
// the time is up. A WM_QUIT met meanwhile is posted again and ends the wait.
[[nodiscard]] bool awaitAnswer(Hwnd hwnd, std::uint32_t limitMs, Hwnd holdInput);
// How long a change to another program waits for it.
inline constexpr std::uint32_t kBusyLimitMs = 2000;

std::int32_t getWindowLongA(Hwnd hwnd, int index);
std::int32_t setWindowLongA(Hwnd hwnd, int index, std::int32_t value);
std::uint32_t getWindowThreadProcessId(Hwnd hwnd, std::uint32_t* processId);

// GetWindowRect: screen coordinates. False (and rect untouched) when the window is gone.
bool getWindowRect(Hwnd hwnd, Rect& rect);
bool getClientRect(Hwnd hwnd, Rect& rect);
// MonitorFromRect(rect, MONITOR_DEFAULTTONULL) != null.
[[nodiscard]] bool monitorFromRect(const Rect& rect);

// Display scale: while a WindowSpace lives, the calling thread works in the DPI space of the
// window it was made for (of any process), so that the rectangles it reads of that window and
// the region and positions it gives it agree whatever the program's and the window's
// awareness. On Windows 10 1607 and later it puts the thread into the window's DPI awareness
// context (GetWindowDpiAwarenessContext, SetThreadDpiAwarenessContext) and back when it ends;
// where the system cannot switch, the thread stays in the program's space and windowRect
// converts the corners it reads (PhysicalToLogicalPointForPerMonitorDPI on 8.1,
// PhysicalToLogicalPoint on Vista and 7). The functions are looked up at run time. Message
// boxes and windows of the program's own are made outside it.
class WindowSpace {
public:
    explicit WindowSpace(Hwnd window);
    ~WindowSpace();
    WindowSpace(const WindowSpace&) = delete;
    WindowSpace& operator=(const WindowSpace&) = delete;
    // GetWindowRect, in the window's space: for computing a region. Positions to give with
    // moveWindow are read with getWindowRect, which is in the thread's space.
    bool windowRect(Hwnd hwnd, Rect& rect) const;

private:
    [[maybe_unused]] Hwnd window_;  // for converting corners where the thread was not switched
    std::uintptr_t previous_ = 0;   // the thread's context before; 0 when it was not switched
};

// CreateRectRgn + SetWindowRgn(hwnd, region, redraw); a null rect removes the region.
// The region belongs to the system after a successful call; on failure it is deleted here.
bool setWindowRgn(Hwnd hwnd, const Rect* region, bool redraw);

bool moveWindow(Hwnd hwnd, int x, int y, int width, int height, bool repaint);
bool setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy, unsigned flags);
bool setLayeredWindowAttributes(Hwnd hwnd, ColorRef key, std::uint8_t alpha, std::uint32_t flags);

// SetPropA / GetPropA / RemovePropA: a value kept on a window under a name, which any
// process on the desktop can read and remove; it goes when the window is destroyed.
// A missing property reads 0.
bool setProp(Hwnd hwnd, const char* name, std::uintptr_t value);
[[nodiscard]] std::uintptr_t getProp(Hwnd hwnd, const char* name);
std::uintptr_t removeProp(Hwnd hwnd, const char* name);

bool showWindow(Hwnd hwnd, int command);
bool enableWindow(Hwnd hwnd, bool enable);
bool destroyWindow(Hwnd hwnd);
bool invalidateRect(Hwnd hwnd, const Rect* rect, bool erase);

Hwnd getOwner(Hwnd hwnd);  // GetWindow(GW_OWNER)
Hwnd getDlgItem(Hwnd dialog, int id);

// The program's own texts: UTF-8 in, shown through the wide-character calls.
bool setWindowTextUtf8(Hwnd hwnd, std::string_view utf8);
std::string getWindowTextUtf8(Hwnd hwnd);
// GetWindowTextW with a buffer of maxChars characters, as UTF-8: another window's text as it
// reads on any code page. Like getWindowTextA it sends no message to another process.
std::string getWindowTextWide(Hwnd hwnd, int maxChars);
// Data read from other windows: ANSI bytes of the system code page.
bool setWindowTextA(Hwnd hwnd, std::string_view ansi);

bool checkDlgButton(Hwnd dialog, int id, int state);
int isDlgButtonChecked(Hwnd dialog, int id);

std::intptr_t sendMessage(Hwnd hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
bool postMessage(Hwnd hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

// SetTimer / KillTimer on a window, no callback: ticks arrive as WM_TIMER.
std::uintptr_t setTimer(Hwnd hwnd, std::uintptr_t id, unsigned elapseMs);
bool killTimer(Hwnd hwnd, std::uintptr_t id);

// Sleep: blocks the calling thread; delivers no messages.
void sleepMs(std::uint32_t ms);

}  // namespace platform
