// Window services over user32: one system call per function, with the caller's arguments.
#include "platform/window.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/codepage.h"
#include "platform/win32/win32_handles.h"

namespace platform {

using win32::fromWin;
using win32::toWin;

namespace {

// The seam's callback is not a WINAPI function; the enumeration reaches it through this
// trampoline, which finds the callback and its context in the LPARAM.
struct EnumContext {
    EnumProc proc;
    std::uintptr_t context;
};

BOOL CALLBACK enumTrampoline(HWND hwnd, LPARAM lParam) {
    const auto* c = reinterpret_cast<const EnumContext*>(lParam);
    return c->proc(fromWin(hwnd), c->context) != 0 ? TRUE : FALSE;
}

std::string untilNul(const std::string& buffer) {
    return std::string(buffer.c_str());
}

// A WM_GETTEXT to a window of another thread that timed out may still be answered later. Across
// processes the system copies the text, but a window of this process writes straight into the
// buffer, so such a buffer is never freed.
bool mayStillBeWritten(HWND hwnd) {
    DWORD pid = 0;
    const DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
    return pid == GetCurrentProcessId() && tid != GetCurrentThreadId();
}

}  // namespace

bool enumWindows(EnumProc proc, std::uintptr_t context) {
    EnumContext c{proc, context};
    return EnumWindows(enumTrampoline, reinterpret_cast<LPARAM>(&c)) != FALSE;
}

bool enumChildWindows(Hwnd parent, EnumProc proc, std::uintptr_t context) {
    EnumContext c{proc, context};
    return EnumChildWindows(toWin(parent), enumTrampoline, reinterpret_cast<LPARAM>(&c)) != FALSE;
}

bool isWindow(Hwnd hwnd) {
    return IsWindow(toWin(hwnd)) != FALSE;
}
bool isWindowVisible(Hwnd hwnd) {
    return IsWindowVisible(toWin(hwnd)) != FALSE;
}
bool isIconic(Hwnd hwnd) {
    return IsIconic(toWin(hwnd)) != FALSE;
}
bool isWindowEnabled(Hwnd hwnd) {
    return IsWindowEnabled(toWin(hwnd)) != FALSE;
}

std::string getWindowTextA(Hwnd hwnd, int maxCount) {
    if (maxCount <= 0) return {};
    std::string buffer(static_cast<std::size_t>(maxCount), '\0');
    GetWindowTextA(toWin(hwnd), buffer.data(), maxCount);
    return untilNul(buffer);
}

bool windowAnswers(Hwnd hwnd, std::uint32_t timeoutMs) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(toWin(hwnd), WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs,
                               &answer) != 0;
}

namespace {
constexpr DWORD kAwaitSliceMs = 50;  // the longest the program's own messages wait meanwhile
}  // namespace

bool awaitAnswer(Hwnd hwnd, std::uint32_t limitMs, Hwnd holdInput) {
    const HWND window = toWin(hwnd);
    if (!IsWindow(window) || IsHungAppWindow(window)) return false;
    const DWORD start = GetTickCount();
    if (windowAnswers(hwnd, std::min(limitMs, kAnswerTimeoutMs))) return true;
    const HWND owner = toWin(holdInput);
    // EnableWindow answers whether the window was disabled before: one disabled by someone
    // else (a modal dialog) stays so.
    const HWND focus = GetFocus();
    const bool held = owner != nullptr && IsWindow(owner) && !EnableWindow(owner, FALSE);
    bool answered = false;
    for (bool quit = false; !quit;) {
        MSG m{};
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                // Whoever asked the thread to quit still wants that after this wait.
                PostQuitMessage(static_cast<int>(m.wParam));
                quit = true;
                break;
            }
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        const DWORD spent = GetTickCount() - start;
        if (quit || spent >= limitMs || !IsWindow(window) || IsHungAppWindow(window)) break;
        DWORD_PTR answer = 0;
        const DWORD slice = std::min<DWORD>(kAwaitSliceMs, limitMs - spent);
        answered =
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, slice, &answer) != 0;
        if (answered) break;
    }
    if (held) {
        EnableWindow(owner, TRUE);
        // Disabling took the keyboard focus away; the control that had it gets it back.
        if (focus != nullptr && IsWindow(focus) && GetFocus() == nullptr) SetFocus(focus);
    }
    return answered;
}

std::string sendGetTextA(Hwnd hwnd, int maxCount, bool* answered) {
    if (answered) *answered = true;
    if (maxCount <= 0) return {};
    // One byte more than announced, so the text always ends in a NUL whatever the window writes.
    auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(maxCount) + 1);
    DWORD_PTR copied = 0;
    const LRESULT result = SendMessageTimeoutA(toWin(hwnd), WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                               reinterpret_cast<LPARAM>(buffer.get()),
                                               SMTO_ABORTIFHUNG | SMTO_BLOCK, kGetTextTimeoutMs, &copied);
    if (result == 0) {
        if (answered) *answered = false;
        // Left to the late answer, never freed.
        if (mayStillBeWritten(toWin(hwnd))) (void)buffer.release();
        return {};
    }
    return std::string(buffer.get());
}

std::string getClassNameA(Hwnd hwnd, int maxCount) {
    if (maxCount <= 0) return {};
    std::string buffer(static_cast<std::size_t>(maxCount), '\0');
    GetClassNameA(toWin(hwnd), buffer.data(), maxCount);
    return untilNul(buffer);
}

std::int32_t getDlgCtrlId(Hwnd hwnd) {
    return GetDlgCtrlID(toWin(hwnd));
}

bool getWindowInfo(Hwnd hwnd, WindowInfo& info) {
    WINDOWINFO wi{};
    wi.cbSize = sizeof(wi);
    if (!GetWindowInfo(toWin(hwnd), &wi)) return false;
    info.cbSize = wi.cbSize;
    info.rcWindow = fromWin(wi.rcWindow);
    info.rcClient = fromWin(wi.rcClient);
    info.dwStyle = wi.dwStyle;
    info.dwExStyle = wi.dwExStyle;
    info.dwWindowStatus = wi.dwWindowStatus;
    info.cxWindowBorders = wi.cxWindowBorders;
    info.cyWindowBorders = wi.cyWindowBorders;
    info.atomWindowType = wi.atomWindowType;
    info.wCreatorVersion = wi.wCreatorVersion;
    return true;
}

std::int32_t getWindowLongA(Hwnd hwnd, int index) {
    return GetWindowLongA(toWin(hwnd), index);
}

std::int32_t setWindowLongA(Hwnd hwnd, int index, std::int32_t value) {
    return SetWindowLongA(toWin(hwnd), index, value);
}

std::uint32_t getWindowThreadProcessId(Hwnd hwnd, std::uint32_t* processId) {
    DWORD pid = 0;
    const DWORD tid = GetWindowThreadProcessId(toWin(hwnd), processId ? &pid : nullptr);
    if (processId) *processId = pid;
    return tid;
}

bool getWindowRect(Hwnd hwnd, Rect& rect) {
    RECT r{};
    if (!GetWindowRect(toWin(hwnd), &r)) return false;
    rect = fromWin(r);
    return true;
}

bool getClientRect(Hwnd hwnd, Rect& rect) {
    RECT r{};
    if (!GetClientRect(toWin(hwnd), &r)) return false;
    rect = fromWin(r);
    return true;
}

bool monitorFromRect(const Rect& rect) {
    const RECT r = toWin(rect);
    return MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}

bool setWindowRgn(Hwnd hwnd, const Rect* region, bool redraw) {
    win32::GdiObject rgn(region ? CreateRectRgn(region->left, region->top, region->right, region->bottom)
                                : nullptr);
    if (region && !rgn.get()) return false;
    if (!SetWindowRgn(toWin(hwnd), static_cast<HRGN>(rgn.get()), redraw ? TRUE : FALSE)) return false;
    // The system owns the region now.
    (void)rgn.release();
    return true;
}

bool moveWindow(Hwnd hwnd, int x, int y, int width, int height, bool repaint) {
    return MoveWindow(toWin(hwnd), x, y, width, height, repaint ? TRUE : FALSE) != FALSE;
}

bool setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy, unsigned flags) {
    return SetWindowPos(toWin(hwnd), toWin(insertAfter), x, y, cx, cy, flags) != FALSE;
}

bool setLayeredWindowAttributes(Hwnd hwnd, ColorRef key, std::uint8_t alpha, std::uint32_t flags) {
    return SetLayeredWindowAttributes(toWin(hwnd), key, alpha, flags) != FALSE;
}

bool setProp(Hwnd hwnd, const char* name, std::uintptr_t value) {
    return SetPropA(toWin(hwnd), name, reinterpret_cast<HANDLE>(value)) != FALSE;
}

std::uintptr_t getProp(Hwnd hwnd, const char* name) {
    return reinterpret_cast<std::uintptr_t>(GetPropA(toWin(hwnd), name));
}

std::uintptr_t removeProp(Hwnd hwnd, const char* name) {
    return reinterpret_cast<std::uintptr_t>(RemovePropA(toWin(hwnd), name));
}

bool showWindow(Hwnd hwnd, int command) {
    return ShowWindow(toWin(hwnd), command) != FALSE;
}
bool enableWindow(Hwnd hwnd, bool enable) {
    return EnableWindow(toWin(hwnd), enable ? TRUE : FALSE) != FALSE;
}
bool destroyWindow(Hwnd hwnd) {
    return DestroyWindow(toWin(hwnd)) != FALSE;
}

bool invalidateRect(Hwnd hwnd, const Rect* rect, bool erase) {
    if (!rect) return InvalidateRect(toWin(hwnd), nullptr, erase ? TRUE : FALSE) != FALSE;
    const RECT r = toWin(*rect);
    return InvalidateRect(toWin(hwnd), &r, erase ? TRUE : FALSE) != FALSE;
}

Hwnd getOwner(Hwnd hwnd) {
    return fromWin(GetWindow(toWin(hwnd), GW_OWNER));
}
Hwnd getDlgItem(Hwnd dialog, int id) {
    return fromWin(GetDlgItem(toWin(dialog), id));
}

bool setWindowTextUtf8(Hwnd hwnd, std::string_view utf8) {
    return SetWindowTextW(toWin(hwnd), utf8ToWide(utf8).c_str()) != FALSE;
}

std::string getWindowTextUtf8(Hwnd hwnd) {
    const int length = GetWindowTextLengthW(toWin(hwnd));
    if (length <= 0) return {};
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(toWin(hwnd), buffer.data(), length + 1);
    buffer.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return wideToUtf8(buffer);
}

std::string getWindowTextWide(Hwnd hwnd, int maxChars) {
    if (maxChars <= 0) return {};
    std::wstring buffer(static_cast<std::size_t>(maxChars), L'\0');
    const int copied = GetWindowTextW(toWin(hwnd), buffer.data(), maxChars);
    buffer.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return wideToUtf8(buffer);
}

bool setWindowTextA(Hwnd hwnd, std::string_view ansi) {
    // Converted with its length: text that ends in half a double-byte character (another
    // program's title cut by a fixed buffer) must not make the system read on past the end.
    std::wstring wide;
    if (!ansi.empty()) {
        const int size = static_cast<int>(ansi.size());
        const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
        if (n > 0) {
            wide.assign(static_cast<std::size_t>(n), L'\0');
            MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), n);
        }
    }
    return SetWindowTextW(toWin(hwnd), wide.c_str()) != FALSE;
}

bool checkDlgButton(Hwnd dialog, int id, int state) {
    return CheckDlgButton(toWin(dialog), id, static_cast<UINT>(state)) != FALSE;
}

int isDlgButtonChecked(Hwnd dialog, int id) {
    return static_cast<int>(IsDlgButtonChecked(toWin(dialog), id));
}

std::intptr_t sendMessage(Hwnd hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return SendMessageA(toWin(hwnd), message, wParam, lParam);
}

bool postMessage(Hwnd hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return PostMessageA(toWin(hwnd), message, wParam, lParam) != FALSE;
}

std::uintptr_t setTimer(Hwnd hwnd, std::uintptr_t id, unsigned elapseMs) {
    return SetTimer(toWin(hwnd), id, elapseMs, nullptr);
}

bool killTimer(Hwnd hwnd, std::uintptr_t id) {
    return KillTimer(toWin(hwnd), id) != FALSE;
}

void sleepMs(std::uint32_t ms) {
    Sleep(ms);
}

}  // namespace platform
