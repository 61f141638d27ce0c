// The seam's own words for the operating system's handles, rectangles and constants.
// Nothing here includes a Win32 header; the values are the system's, so both backends agree.
#pragma once

#include <cstdint>
#include <utility>

namespace platform {

// A window handle: an opaque value that fits in 32 bits (shown as "0x%08x").
enum class Hwnd : std::uint32_t {};
inline constexpr Hwnd kNoWindow{};
inline constexpr std::uint32_t handleValue(Hwnd h) {
    return static_cast<std::uint32_t>(h);
}
inline constexpr Hwnd toHwnd(std::uint32_t v) {
    return static_cast<Hwnd>(v);
}

// Special insert-after values for setWindowPos.
inline constexpr Hwnd kHwndTop = toHwnd(0);
inline constexpr Hwnd kHwndTopmost = toHwnd(0xFFFFFFFFu);    // (HWND)-1
inline constexpr Hwnd kHwndNoTopmost = toHwnd(0xFFFFFFFEu);  // (HWND)-2

// The first module of a process, as EnumProcessModules lists it: an address, as wide as a
// pointer (a 64-bit program's modules load above 4 GiB).
enum class ModuleHandle : std::uintptr_t {};

// GDI and menu objects the dialogs hand to the system: pointer-wide, as the system's are.
enum class BrushHandle : std::uintptr_t {};
enum class IconHandle : std::uintptr_t {};
enum class DcHandle : std::uintptr_t {};
enum class MenuHandle : std::uintptr_t {};

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int32_t width() const { return right - left; }
    constexpr std::int32_t height() const { return bottom - top; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// Same members and layout as the system's WINDOWINFO (60 bytes).
struct WindowInfo {
    std::uint32_t cbSize = 0;
    Rect rcWindow;
    Rect rcClient;
    std::uint32_t dwStyle = 0;
    std::uint32_t dwExStyle = 0;
    std::uint32_t dwWindowStatus = 0;
    std::uint32_t cxWindowBorders = 0;
    std::uint32_t cyWindowBorders = 0;
    std::uint16_t atomWindowType = 0;
    std::uint16_t wCreatorVersion = 0;
};
static_assert(sizeof(WindowInfo) == 60, "WINDOWINFO is 60 bytes");

// Colour as the system packs it: 0x00BBGGRR.
using ColorRef = std::uint32_t;
constexpr ColorRef rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) | (static_cast<ColorRef>(b) << 16);
}

// Window long indexes.
inline constexpr int kGwlStyle = -16;
inline constexpr int kGwlExStyle = -20;

// Window styles.
inline constexpr std::uint32_t kWsPopup = 0x80000000u;
inline constexpr std::uint32_t kWsChild = 0x40000000u;
inline constexpr std::uint32_t kWsMinimize = 0x20000000u;
inline constexpr std::uint32_t kWsVisible = 0x10000000u;
inline constexpr std::uint32_t kWsDisabled = 0x08000000u;
inline constexpr std::uint32_t kWsClipSiblings = 0x04000000u;
inline constexpr std::uint32_t kWsCaption = 0x00C00000u;
inline constexpr std::uint32_t kWsBorder = 0x00800000u;
inline constexpr std::uint32_t kWsDlgFrame = 0x00400000u;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000u;
inline constexpr std::uint32_t kWsThickFrame = 0x00040000u;
inline constexpr std::uint32_t kWsGroup = 0x00020000u;
inline constexpr std::uint32_t kWsTabStop = 0x00010000u;
inline constexpr std::uint32_t kWsMinimizeBox = 0x00020000u;
inline constexpr std::uint32_t kWsMaximizeBox = 0x00010000u;
inline constexpr std::uint32_t kWsOverlappedWindow =
    kWsCaption | kWsSysMenu | kWsThickFrame | kWsMinimizeBox | kWsMaximizeBox;

// Extended styles.
inline constexpr std::uint32_t kWsExTopmost = 0x00000008u;
inline constexpr std::uint32_t kWsExTransparent = 0x00000020u;
inline constexpr std::uint32_t kWsExWindowEdge = 0x00000100u;
inline constexpr std::uint32_t kWsExClientEdge = 0x00000200u;
inline constexpr std::uint32_t kWsExLayered = 0x00080000u;

// Messages the program sends, receives or binds, and those the simulated desktop's system
// controls answer. Each number is written here once.
namespace msg {
inline constexpr unsigned kNull = 0x0000;
inline constexpr unsigned kDestroy = 0x0002;
inline constexpr unsigned kMove = 0x0003;
inline constexpr unsigned kSize = 0x0005;
inline constexpr unsigned kGetText = 0x000D;
inline constexpr unsigned kGetTextLength = 0x000E;
inline constexpr unsigned kPaint = 0x000F;
inline constexpr unsigned kClose = 0x0010;
inline constexpr unsigned kEndSession = 0x0016;
inline constexpr unsigned kMouseActivate = 0x0021;
inline constexpr unsigned kIconEraseBkgnd = 0x0027;
inline constexpr unsigned kQueryDragIcon = 0x0037;
inline constexpr unsigned kNotify = 0x004E;
inline constexpr unsigned kSetIcon = 0x0080;
inline constexpr unsigned kNcDestroy = 0x0082;
inline constexpr unsigned kNcLButtonDown = 0x00A1;
inline constexpr unsigned kKeyDown = 0x0100;
inline constexpr unsigned kInitDialog = 0x0110;
inline constexpr unsigned kCommand = 0x0111;
inline constexpr unsigned kSysCommand = 0x0112;
inline constexpr unsigned kTimer = 0x0113;
inline constexpr unsigned kCtlColorMsgBox = 0x0132;
inline constexpr unsigned kCtlColorEdit = 0x0133;
inline constexpr unsigned kCtlColorListBox = 0x0134;
inline constexpr unsigned kCtlColorBtn = 0x0135;
inline constexpr unsigned kCtlColorDlg = 0x0136;
inline constexpr unsigned kCtlColorScrollBar = 0x0137;
inline constexpr unsigned kCtlColorStatic = 0x0138;
inline constexpr unsigned kLButtonDown = 0x0201;
inline constexpr unsigned kLButtonUp = 0x0202;
inline constexpr unsigned kBmGetCheck = 0x00F0;
inline constexpr unsigned kBmSetCheck = 0x00F1;
inline constexpr unsigned kBmClick = 0x00F5;
inline constexpr unsigned kDmGetDefId = 0x0400;
inline constexpr unsigned kUdmGetPos = 0x0468;
inline constexpr unsigned kUdmGetBuddy = 0x046A;
inline constexpr unsigned kUdmSetRange32 = 0x046F;
inline constexpr unsigned kUdmSetPos32 = 0x0471;
}  // namespace msg

// Notification and command codes.
inline constexpr unsigned kBnClicked = 0;
inline constexpr int kNmClick = -2;
inline constexpr int kHtClient = 1;
inline constexpr int kHtCaption = 2;
// WM_MOUSEACTIVATE's answers that drop the press.
inline constexpr std::intptr_t kMaActivateAndEat = 2;
inline constexpr std::intptr_t kMaNoActivateAndEat = 4;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// showWindow commands.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShow = 5;
inline constexpr int kSwMinimize = 6;
inline constexpr int kSwRestore = 9;

// setWindowPos flags.
inline constexpr unsigned kSwpNoSize = 0x0001;
inline constexpr unsigned kSwpNoMove = 0x0002;
inline constexpr unsigned kSwpNoZOrder = 0x0004;
inline constexpr unsigned kSwpNoActivate = 0x0010;
inline constexpr unsigned kSwpFrameChanged = 0x0020;

// setLayeredWindowAttributes flags.
inline constexpr std::uint32_t kLwaAlpha = 0x00000002u;

// Message box types and answers.
inline constexpr unsigned kMbOk = 0x00000000u;
inline constexpr unsigned kMbIconExclamation = 0x00000030u;

// The class of the system's dialog windows.
inline constexpr const char* kDialogClass = "#32770";

// Process access for the module queries.
inline constexpr std::uint32_t kProcessQueryInformation = 0x0400;
inline constexpr std::uint32_t kProcessVmRead = 0x0010;

// Button check states.
inline constexpr int kBstUnchecked = 0;
inline constexpr int kBstChecked = 1;

// Background mode.
inline constexpr int kTransparent = 1;

// Virtual keys the dialogs and the simulated keyboard know.
inline constexpr unsigned kVkReturn = 0x0D;
inline constexpr unsigned kVkEscape = 0x1B;
inline constexpr unsigned kVkUp = 0x26;
inline constexpr unsigned kVkDown = 0x28;

}  // namespace platform
