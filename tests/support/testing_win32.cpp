// The test services on the real system: the readers, and the process and message-loop
// services of the Windows test programs and the demo.
#include "tests/support/testing.h"

#include "platform/codepage.h"
#include "platform/win32/win32_handles.h"

#include <windows.h>
#include <commctrl.h>
#include <winternl.h>

#include <cstring>

#include <vector>

namespace platform::testing {

using win32::fromWin;
using win32::toWin;
using win32::toWinHandle;

std::optional<Rect> getWindowRgnBox(Hwnd hwnd) {
    win32::GdiObject rgn(CreateRectRgn(0, 0, 0, 0));
    if (!rgn.get()) return std::nullopt;
    if (GetWindowRgn(toWin(hwnd), static_cast<HRGN>(rgn.get())) == ERROR) return std::nullopt;
    RECT box{};
    GetRgnBox(static_cast<HRGN>(rgn.get()), &box);
    return fromWin(box);
}

std::optional<std::uint8_t> getLayeredAlpha(Hwnd hwnd) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(toWin(hwnd), &key, &alpha, &flags)) return std::nullopt;
    return alpha;
}

Hwnd getParent(Hwnd hwnd) {
    return fromWin(GetParent(toWin(hwnd)));
}

int getMenuItemCount(MenuHandle menu) {
    return GetMenuItemCount(toWinHandle<HMENU>(menu));
}

std::string getMenuItemText(MenuHandle menu, int position) {
    wchar_t text[256] = {};
    const int n =
        GetMenuStringW(toWinHandle<HMENU>(menu), static_cast<UINT>(position), text, 256, MF_BYPOSITION);
    return n > 0 ? wideToUtf8(std::wstring_view(text, static_cast<std::size_t>(n))) : std::string();
}

bool isMenuSeparator(MenuHandle menu, int position) {
    const UINT state = GetMenuState(toWinHandle<HMENU>(menu), static_cast<UINT>(position), MF_BYPOSITION);
    return state != static_cast<UINT>(-1) && (state & MF_SEPARATOR) != 0;
}

std::optional<SpawnedProcess> spawnProcess(const std::string& commandLine) {
    // CreateProcessA may write into the command line: it gets its own copy.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    SpawnedProcess spawned;
    spawned.process.reset(reinterpret_cast<std::uintptr_t>(info.hProcess));
    spawned.processId = info.dwProcessId;
    return spawned;
}

bool terminateProcess(const ProcessHandle& process, std::uint32_t exitCode) {
    const auto handle = reinterpret_cast<HANDLE>(process.get());
    if (!handle) return false;
    if (!TerminateProcess(handle, exitCode)) {
        // Already ended is as good as ended now.
        return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    }
    return WaitForSingleObject(handle, 5000) == WAIT_OBJECT_0;
}

std::optional<std::uint32_t> waitForExit(const ProcessHandle& process, std::uint32_t timeoutMs) {
    const auto handle = reinterpret_cast<HANDLE>(process.get());
    if (!handle || WaitForSingleObject(handle, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(handle, &code)) return std::nullopt;
    return static_cast<std::uint32_t>(code);
}

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void waitForMessages(std::uint32_t timeoutMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs, QS_ALLINPUT);
}

std::optional<std::intptr_t> sendMessageTimeout(Hwnd hwnd, unsigned message, std::uintptr_t wParam,
                                                std::intptr_t lParam, std::uint32_t timeoutMs) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(win32::toWin(hwnd), message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs,
                             &answer))
        return std::nullopt;
    return static_cast<std::intptr_t>(answer);
}

void initDialogControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LINK_CLASS | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
}

bool clickAt(int x, int y) {
    if (!SetCursorPos(x, y)) return false;
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

std::optional<int> textWidthInOwnFont(Hwnd control, std::string_view utf8, bool prefix) {
    const HWND hwnd = toWin(control);
    const HDC dc = GetDC(hwnd);
    if (!dc) return std::nullopt;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    const std::wstring text = utf8ToWide(utf8);
    // Measured the way the controls draw a label: DrawText, on one line.
    RECT box{};
    const int height = DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
                                 DT_CALCRECT | DT_SINGLELINE | (prefix ? 0u : DT_NOPREFIX));
    if (old) SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    if (height == 0) return std::nullopt;
    return static_cast<int>(box.right - box.left);
}

std::optional<std::uint32_t> guiResources(bool userObjects) {
    SetLastError(0);
    const DWORD count = GetGuiResources(GetCurrentProcess(), userObjects ? GR_USEROBJECTS : GR_GDIOBJECTS);
    if (count == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) return std::nullopt;
    return static_cast<std::uint32_t>(count);
}

namespace {

// One entry of Wine's GDI handle table (GDI_HANDLE_ENTRY, 24 bytes whatever the bitness);
// an entry is in use while its type is nonzero. Windows lays its table out differently, so
// it is read only under Wine.
struct WineGdiEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t userPointer;
};
static_assert(sizeof(WineGdiEntry) == 24);
constexpr std::size_t kWineGdiHandles = 16384;
#if defined(__x86_64__)
constexpr std::size_t kPebGdiSharedHandleTable = 0xF8;
#elif defined(__i386__)
constexpr std::size_t kPebGdiSharedHandleTable = 0x94;
#else
#error "the PEB's layout is known for x86 and x86_64 only"
#endif

bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

BOOL CALLBACK countDescendant(HWND, LPARAM context) {
    ++*reinterpret_cast<std::uint32_t*>(context);
    return TRUE;
}

void countWindow(HWND hwnd, LPARAM context) {
    ++*reinterpret_cast<std::uint32_t*>(context);
    EnumChildWindows(hwnd, countDescendant, context);
}

BOOL CALLBACK countOwnTopLevel(HWND hwnd, LPARAM context) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == GetCurrentProcessId()) countWindow(hwnd, context);
    return TRUE;
}

}  // namespace

std::optional<std::uint32_t> liveGdiObjects() {
    if (!underWine()) return std::nullopt;
    // The PEB's address sits in the thread block: fs:[0x30] on x86, gs:[0x60] on x86_64. Read
    // with a plain instruction: through the headers' accessors GCC takes the segment-relative
    // address for an empty object, and an optimised build fails its bounds check.
    std::uintptr_t pebAddress = 0;
#if defined(__x86_64__)
    asm("movq %%gs:0x60, %0" : "=r"(pebAddress));
#else
    asm("movl %%fs:0x30, %0" : "=r"(pebAddress));
#endif
    const auto* peb = reinterpret_cast<const unsigned char*>(pebAddress);
    const WineGdiEntry* table = nullptr;
    std::memcpy(&table, peb + kPebGdiSharedHandleTable, sizeof(table));
    if (!table) return std::nullopt;
    std::uint32_t used = 0;
    for (std::size_t i = 0; i < kWineGdiHandles; ++i) {
        if (table[i].type != 0) ++used;
    }
    return used;
}

std::uint64_t processCpuMicroseconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto units = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (units(kernel) + units(user)) / 10;  // 100 ns units
}

std::uint32_t liveWindows() {
    std::uint32_t count = 0;
    EnumWindows(countOwnTopLevel, reinterpret_cast<LPARAM>(&count));
    return count;
}

bool setClipboardText(const std::string& utf8) {
    const std::wstring wide = utf8ToWide(utf8);
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    std::memcpy(GlobalLock(memory), wide.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    // The clipboard owns the memory once it has taken it.
    const bool taken = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!taken) GlobalFree(memory);
    return taken;
}

std::optional<std::uint32_t> setLogPixels(std::optional<std::uint32_t> dpi) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> before;
    DWORD value = 0, type = 0, size = sizeof(value);
    if (RegQueryValueExW(key, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD) {
        before = value;
    }
    if (dpi) {
        const DWORD set = *dpi;
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&set), sizeof(set));
    } else {
        RegDeleteValueW(key, L"LogPixels");
    }
    RegCloseKey(key);
    return before;
}

namespace {
INT_PTR CALLBACK measuredDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}
}  // namespace

int dialogTemplateHeight(int templateId) {
    initDialogControls();
    const HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr,
                                           measuredDialogProc, 0);
    if (!dialog) return 0;
    RECT r{};
    GetWindowRect(dialog, &r);
    DestroyWindow(dialog);
    return r.bottom - r.top;
}

}  // namespace platform::testing
