// Brushes, icons, menus and painting for the program's own dialogs.
#include "platform/gdi.h"

#include <windows.h>

#include <new>

#include "platform/codepage.h"
#include "platform/win32/win32_handles.h"

namespace platform {

using win32::fromWinHandle;
using win32::toWin;
using win32::toWinHandle;

namespace {
HDC toDc(DcHandle dc) {
    return toWinHandle<HDC>(dc);
}
HMENU toMenu(MenuHandle menu) {
    return toWinHandle<HMENU>(menu);
}
}  // namespace

BrushHandle createSolidBrush(ColorRef color) {
    return fromWinHandle<BrushHandle>(CreateSolidBrush(color));
}
bool deleteBrush(BrushHandle brush) {
    return DeleteObject(toWinHandle<HBRUSH>(brush)) != FALSE;
}

int setBkMode(DcHandle dc, int mode) {
    return SetBkMode(toDc(dc), mode);
}
ColorRef setTextColor(DcHandle dc, ColorRef color) {
    return SetTextColor(toDc(dc), color);
}

IconHandle loadIcon(int resourceId) {
    return fromWinHandle<IconHandle>(LoadIconW(win32::ownInstance(), MAKEINTRESOURCEW(resourceId)));
}

std::string loadStringUtf8(int resourceId) {
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource.
    const wchar_t* text = nullptr;
    const int n =
        LoadStringW(win32::ownInstance(), static_cast<UINT>(resourceId), reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || !text) return {};
    return wideToUtf8(std::wstring_view(text, static_cast<std::size_t>(n)));
}

MenuHandle getSystemMenu(Hwnd hwnd, bool revert) {
    return fromWinHandle<MenuHandle>(GetSystemMenu(toWin(hwnd), revert ? TRUE : FALSE));
}

bool appendMenuSeparator(MenuHandle menu) {
    return AppendMenuW(toMenu(menu), MF_SEPARATOR, 0, nullptr) != FALSE;
}

bool appendMenuString(MenuHandle menu, unsigned commandId, std::string_view textUtf8) {
    return AppendMenuW(toMenu(menu), MF_STRING, commandId, utf8ToWide(textUtf8).c_str()) != FALSE;
}

int getSystemMetrics(int index, Hwnd window) {
    static const auto forDpi = win32::user32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    static const auto dpiOf = win32::user32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (window != kNoWindow && forDpi && dpiOf) {
        if (const UINT dpi = dpiOf(toWin(window))) return forDpi(index, dpi);
    }
    return GetSystemMetrics(index);
}

// PaintScope keeps the PAINTSTRUCT in 72 bytes of its own.
static_assert(sizeof(PAINTSTRUCT) <= 72 && alignof(PAINTSTRUCT) <= 8, "PAINTSTRUCT fits the scope");

PaintScope::PaintScope(Hwnd hwnd) : hwnd_(hwnd) {
    auto* ps = new (storage_) PAINTSTRUCT{};
    dc_ = fromWinHandle<DcHandle>(BeginPaint(toWin(hwnd_), ps));
}

PaintScope::~PaintScope() {
    EndPaint(toWin(hwnd_), std::launder(reinterpret_cast<PAINTSTRUCT*>(storage_)));
}

bool drawIcon(DcHandle dc, int x, int y, IconHandle icon) {
    return DrawIcon(toDc(dc), x, y, toWinHandle<HICON>(icon)) != FALSE;
}

}  // namespace platform
