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
inline constexpr std::uint32_t kWsChild = 0x40000000u;
inline constexpr std::uint32_t kWsDisabled = 0x08000000u;
inline constexpr std::uint32_t kWsCaption = 0x00C00000u;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000u;
inline constexpr std::uint32_t kWsThickFrame = 0x00040000u;
inline constexpr std::uint32_t kWsGroup = 0x00020000u;

// Extended styles.
inline constexpr std::uint32_t kWsExTopmost = 0x00000008u;
inline constexpr std::uint32_t kWsExTransparent = 0x00000020u;
inline constexpr std::uint32_t kWsExLayered = 0x00080000u;

// Messages the program sends, receives or binds. Each number is written here once: the
// simulated desktop's and the tests' own are in platform/sim/system_values.h.
namespace msg {
inline constexpr unsigned kMove = 0x0003;
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
inline constexpr unsigned kInitDialog = 0x0110;
inline constexpr unsigned kCommand = 0x0111;
inline constexpr unsigned kSysCommand = 0x0112;
inline constexpr unsigned kTimer = 0x0113;
// WM_CTLCOLORMSGBOX .. WM_CTLCOLORSTATIC: one message per CtlColor kind, in its order.
inline constexpr unsigned kCtlColorMsgBox = 0x0132;
inline constexpr unsigned kCtlColorStatic = 0x0138;
inline constexpr unsigned kLButtonDown = 0x0201;
inline constexpr unsigned kLButtonUp = 0x0202;
inline constexpr unsigned kBmGetCheck = 0x00F0;
inline constexpr unsigned kBmSetCheck = 0x00F1;
inline constexpr unsigned kUdmGetPos = 0x0468;
inline constexpr unsigned kUdmSetRange32 = 0x046F;
inline constexpr unsigned kUdmSetPos32 = 0x0471;
}  // namespace msg

// Notification and command codes.
inline constexpr unsigned kBnClicked = 0;
inline constexpr int kNmClick = -2;
inline constexpr int kHtCaption = 2;
// WM_MOUSEACTIVATE's answer that drops the press.
inline constexpr std::intptr_t kMaNoActivateAndEat = 4;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// showWindow commands.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShow = 5;

// setWindowPos flags.
inline constexpr unsigned kSwpNoSize = 0x0001;
inline constexpr unsigned kSwpNoMove = 0x0002;

// setLayeredWindowAttributes flags.
inline constexpr std::uint32_t kLwaAlpha = 0x00000002u;

// Message box types and answers.
inline constexpr unsigned kMbOk = 0x00000000u;
inline constexpr unsigned kMbIconExclamation = 0x00000030u;

// Process access for the module queries.
inline constexpr std::uint32_t kProcessQueryInformation = 0x0400;
inline constexpr std::uint32_t kProcessVmRead = 0x0010;

// Button check states.
inline constexpr int kBstUnchecked = 0;
inline constexpr int kBstChecked = 1;

// Background mode.
inline constexpr int kTransparent = 1;

}  // namespace platform
