// What engine_e2e and engine_host say to each other. The host runs the control panel and
// its tracking timer in a process of its own; the test sends these messages to the panel's
// window and reads the player's windows itself, from a third process.
#pragma once

#include <cstdint>

namespace engine_host {

inline constexpr unsigned kWmApp = 0x8000;

// startMask(wParam); answers masking afterwards.
inline constexpr unsigned kStartMask = kWmApp + 1;
// stopMask(); answers masking afterwards.
inline constexpr unsigned kStopMask = kWmApp + 2;
// Answers the value of the Field in wParam.
inline constexpr unsigned kRead = kWmApp + 3;
// Destroys the panel (the engine then restores a clipped player) and ends the host.
inline constexpr unsigned kQuit = kWmApp + 4;
// setTopMost(wParam), setTransStyle(wParam), setTransAlpha(wParam); each answers the result.
inline constexpr unsigned kSetTopMost = kWmApp + 5;
inline constexpr unsigned kSetTransStyle = kWmApp + 6;
inline constexpr unsigned kSetTransAlpha = kWmApp + 7;

enum Field : std::uintptr_t {
    kHasTarget,
    kTarget,     // target.hwnd
    kComponent,  // component.hwnd
    kMasking,
    kHasMoveWin,  // 1 while the engine holds an overlay
    kClipLeft,
    kClipTop,
    kClipRight,
    kClipBottom,
    kTicks,            // tracking ticks run so far
    kFound,            // componentFound notices so far
    kLost,             // targetLost notices so far
    kLastFoundTarget,  // the target and component of the latest componentFound
    kLastFoundComponent,
    kLostTick,             // the tick of the latest targetLost, 0 if none
    kFirstFoundAfterLoss,  // the tick of the first componentFound after it, 0 if none
    kFieldCount
};

}  // namespace engine_host
