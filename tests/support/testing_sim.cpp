// The readers on the simulated desktop: what the program did, read as a test on Windows would.
#include "tests/support/testing.h"

#include "platform/sim/world.h"

namespace platform::testing {

using sim::world;

namespace {

const std::vector<sim::MenuItem>* menuFor(MenuHandle menu) {
    const auto& menus = world().menus;
    const auto it = menus.find(static_cast<std::uint32_t>(menu));
    return it == menus.end() ? nullptr : &it->second;
}

}  // namespace

std::optional<Rect> getWindowRgnBox(Hwnd hwnd) {
    world().noteCall("GetWindowRgn", hwnd);
    const sim::Window* w = world().find(hwnd);
    if (!w) return std::nullopt;
    return w->region;
}

std::optional<std::uint8_t> getLayeredAlpha(Hwnd hwnd) {
    world().noteCall("GetLayeredWindowAttributes", hwnd);
    const sim::Window* w = world().find(hwnd);
    if (!w || !(w->exStyle & kWsExLayered) || !w->layeredSet) return std::nullopt;
    return w->alpha;
}

Hwnd getParent(Hwnd hwnd) {
    world().noteCall("GetParent", hwnd);
    const sim::Window* w = world().find(hwnd);
    if (!w) return kNoWindow;
    if (w->parent != kNoWindow) return w->parent;
    return (w->style & kWsPopup) ? w->owner : kNoWindow;
}

int getMenuItemCount(MenuHandle menu) {
    const auto* items = menuFor(menu);
    return items ? static_cast<int>(items->size()) : -1;
}

std::string getMenuItemText(MenuHandle menu, int position) {
    const auto* items = menuFor(menu);
    if (!items || position < 0 || position >= static_cast<int>(items->size())) return {};
    return (*items)[static_cast<std::size_t>(position)].text;
}

bool isMenuSeparator(MenuHandle menu, int position) {
    const auto* items = menuFor(menu);
    if (!items || position < 0 || position >= static_cast<int>(items->size())) return false;
    return (*items)[static_cast<std::size_t>(position)].separator;
}

}  // namespace platform::testing
