// Brushes, icons, menus and painting for the program's own dialogs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/types.h"
#include "platform/unique_handle.h"

namespace platform {

BrushHandle createSolidBrush(ColorRef color);
bool deleteBrush(BrushHandle brush);

// A brush of the program's own (createSolidBrush); deleted with deleteBrush.
struct BrushTraits {
    using Handle = BrushHandle;
    static constexpr Handle null() { return {}; }
    static void close(Handle brush) noexcept { (void)deleteBrush(brush); }
};
using UniqueBrush = UniqueHandle<BrushTraits>;

// In a WM_CTLCOLOR* handler.
int setBkMode(DcHandle dc, int mode);
ColorRef setTextColor(DcHandle dc, ColorRef color);

// LoadIcon(own instance, id): a shared icon, never destroyed.
IconHandle loadIcon(int resourceId);
// LoadStringW(own instance, id), as UTF-8; empty when missing.
std::string loadStringUtf8(int resourceId);

// GetSystemMenu(hwnd, FALSE); AppendMenu with a separator / a string item.
MenuHandle getSystemMenu(Hwnd hwnd, bool revert);
bool appendMenuSeparator(MenuHandle menu);
bool appendMenuString(MenuHandle menu, unsigned commandId, std::string_view textUtf8);

// GetSystemMetrics; given a window, GetSystemMetricsForDpi at that window's DPI (Windows 10 1607
// and later, looked up at run time), so that what it sizes follows the window's scale.
int getSystemMetrics(int index, Hwnd window = kNoWindow);
inline constexpr int kSmCxIcon = 11;
inline constexpr int kSmCyIcon = 12;

// BeginPaint / EndPaint around a scope.
class PaintScope {
public:
    explicit PaintScope(Hwnd hwnd);
    ~PaintScope();
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    DcHandle dc() const { return dc_; }

private:
    Hwnd hwnd_;
    DcHandle dc_{};
    alignas(8) unsigned char storage_[72]{};  // PAINTSTRUCT (64 bytes on 32-bit)
};
bool drawIcon(DcHandle dc, int x, int y, IconHandle icon);

}  // namespace platform
