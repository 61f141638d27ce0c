// What a test reads of another program's windows, through the seam.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/ctrol_panel.h"
#include "platform/types.h"
#include "platform/window.h"
#include "tests/support/testing.h"

namespace e2e {

inline std::uint32_t styleOf(platform::Hwnd hwnd) {
    return static_cast<std::uint32_t>(platform::getWindowLongA(hwnd, platform::kGwlStyle));
}
inline std::uint32_t exStyleOf(platform::Hwnd hwnd) {
    return static_cast<std::uint32_t>(platform::getWindowLongA(hwnd, platform::kGwlExStyle));
}
// Bounding box of the window's region, in window coordinates; empty when it has none.
inline std::optional<platform::Rect> regionOf(platform::Hwnd hwnd) {
    return platform::testing::getWindowRgnBox(hwnd);
}
// Layered opacity; empty until the window is layered with attributes set.
inline std::optional<std::uint8_t> alphaOf(platform::Hwnd hwnd) {
    return platform::testing::getLayeredAlpha(hwnd);
}
inline std::optional<platform::Rect> windowRectOf(platform::Hwnd hwnd) {
    platform::Rect rect;
    if (!platform::getWindowRect(hwnd, rect)) return std::nullopt;
    return rect;
}

// The title of a player that discovery would already take, left over from an earlier test;
// empty when the desktop is clean.
inline std::string leftoverPlayer() {
    CCtrolPanelDlg probe;
    probe.searchTarget();
    return probe.hasTarget ? probe.target.title : std::string();
}

}  // namespace e2e
