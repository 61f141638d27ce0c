// The system's numbers that the program never uses but the simulated desktop models: the
// styles, messages and keys of its windows, dialogs and controls. The tests speak to both
// backends with them (tests/support/testing.h includes this header). Each number is written
// here once; the program's own are in platform/types.h.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace platform {

// Window styles.
inline constexpr std::uint32_t kWsPopup = 0x80000000u;
inline constexpr std::uint32_t kWsMinimize = 0x20000000u;
inline constexpr std::uint32_t kWsVisible = 0x10000000u;
inline constexpr std::uint32_t kWsClipSiblings = 0x04000000u;
inline constexpr std::uint32_t kWsBorder = 0x00800000u;
inline constexpr std::uint32_t kWsDlgFrame = 0x00400000u;
inline constexpr std::uint32_t kWsTabStop = 0x00010000u;
inline constexpr std::uint32_t kWsMinimizeBox = 0x00020000u;
inline constexpr std::uint32_t kWsMaximizeBox = 0x00010000u;
inline constexpr std::uint32_t kWsOverlappedWindow =
    kWsCaption | kWsSysMenu | kWsThickFrame | kWsMinimizeBox | kWsMaximizeBox;

// Extended styles.
inline constexpr std::uint32_t kWsExWindowEdge = 0x00000100u;
inline constexpr std::uint32_t kWsExClientEdge = 0x00000200u;

// Messages of the system's windows and controls.
namespace msg {
inline constexpr unsigned kDestroy = 0x0002;
inline constexpr unsigned kSize = 0x0005;
inline constexpr unsigned kGetText = 0x000D;
inline constexpr unsigned kGetTextLength = 0x000E;
inline constexpr unsigned kCtlColorBtn = 0x0135;
inline constexpr unsigned kCtlColorDlg = 0x0136;
inline constexpr unsigned kDmGetDefId = 0x0400;
inline constexpr unsigned kUdmGetBuddy = 0x046A;
}  // namespace msg

// Hit test and WM_MOUSEACTIVATE answers.
inline constexpr int kHtClient = 1;
inline constexpr std::intptr_t kMaActivateAndEat = 2;

// showWindow commands.
inline constexpr int kSwMinimize = 6;

// setWindowPos flags.
inline constexpr unsigned kSwpNoZOrder = 0x0004;
inline constexpr unsigned kSwpNoActivate = 0x0010;
inline constexpr unsigned kSwpFrameChanged = 0x0020;

// The class of the system's dialog windows.
inline constexpr const char* kDialogClass = "#32770";

// Virtual keys the dialogs and the simulated keyboard know.
inline constexpr unsigned kVkReturn = 0x0D;
inline constexpr unsigned kVkEscape = 0x1B;
inline constexpr unsigned kVkUp = 0x26;
inline constexpr unsigned kVkDown = 0x28;

}  // namespace platform
