// Brushes, device contexts, icons, strings, menus and painting on the simulated desktop.
#include "platform/gdi.h"

#include "platform/sim/world.h"

namespace platform {

using sim::world;

namespace {

constexpr ColorRef kClrInvalid = 0xFFFFFFFFu;

std::vector<sim::MenuItem> defaultSystemMenu() {
    return {{false, sim::k::kScRestore, "&Restore"},    {false, sim::k::kScMove, "&Move"},
            {false, sim::k::kScSize, "&Size"},          {false, sim::k::kScMinimize, "Mi&nimize"},
            {false, sim::k::kScMaximize, "Ma&ximize"},  {true, 0, ""},
            {false, sim::k::kScClose, "&Close\tAlt+F4"}};
}

std::vector<sim::MenuItem>* menuFor(MenuHandle menu) {
    auto& menus = world().menus;
    const auto it = menus.find(static_cast<std::uint32_t>(menu));
    return it == menus.end() ? nullptr : &it->second;
}

}  // namespace

BrushHandle createSolidBrush(ColorRef color) {
    sim::World& w = world();
    const std::uint32_t h = w.nextBrush++;
    w.brushes[h] = sim::Brush{color & 0x00FFFFFFu, true, false};
    return static_cast<BrushHandle>(h);
}

bool deleteBrush(BrushHandle brush) {
    sim::World& w = world();
    const auto it = w.brushes.find(static_cast<std::uint32_t>(brush));
    if (it == w.brushes.end()) return false;
    if (it->second.system) return true;  // the system's own brushes ignore it
    if (!it->second.live) {
        ++w.brushDoubleDeletes;
        return false;
    }
    it->second.live = false;
    return true;
}

int setBkMode(DcHandle dc, int mode) {
    auto& dcs = world().dcs;
    const auto it = dcs.find(static_cast<std::uint32_t>(dc));
    if (it == dcs.end()) return 0;
    const int old = it->second.bkMode;
    it->second.bkMode = mode;
    it->second.bkModeSet = true;
    return old;
}

ColorRef setTextColor(DcHandle dc, ColorRef color) {
    auto& dcs = world().dcs;
    const auto it = dcs.find(static_cast<std::uint32_t>(dc));
    if (it == dcs.end()) return kClrInvalid;
    const ColorRef old = it->second.textColor;
    it->second.textColor = color;
    it->second.textColorSet = true;
    return old;
}

IconHandle loadIcon(int resourceId) {
    if (sim::resources().groupIcons.count(resourceId)) {
        return static_cast<IconHandle>(0x00A00000u | static_cast<std::uint32_t>(resourceId & 0xFFFF));
    }
    return IconHandle{};
}

std::string loadStringUtf8(int resourceId) {
    const sim::World& w = world();
    if (const auto it = w.strings.find(resourceId); it != w.strings.end()) return it->second;
    const auto& store = sim::resources().strings;
    if (const auto it = store.find(resourceId); it != store.end()) return it->second;
    return {};
}

// The program only ever takes the menu to add to it; a revert is not modelled.
MenuHandle getSystemMenu(Hwnd hwnd, bool /*revert*/) {
    sim::World& w = world();
    sim::Window* win = w.find(hwnd);
    if (!win) return MenuHandle{};
    if (!win->sysMenu) {
        win->sysMenu = w.nextMenu++;
        w.menus[win->sysMenu] = defaultSystemMenu();
    }
    return static_cast<MenuHandle>(win->sysMenu);
}

bool appendMenuSeparator(MenuHandle menu) {
    auto* items = menuFor(menu);
    if (!items) return false;
    items->push_back({true, 0, ""});
    return true;
}

bool appendMenuString(MenuHandle menu, unsigned commandId, std::string_view textUtf8) {
    auto* items = menuFor(menu);
    if (!items) return false;
    items->push_back({false, commandId, std::string(textUtf8)});
    return true;
}

int getSystemMetrics(int index, Hwnd window) {
    // The icon size is all the program asks; an unknown index answers 0, as on Windows.
    const int base = (index == kSmCxIcon || index == kSmCyIcon) ? 32 : 0;
    const sim::World& w = world();
    const sim::Window* win = w.find(window);
    // At the window's DPI, as GetSystemMetricsForDpi gives it.
    return win ? base * static_cast<int>(w.spaceDpi(win->awareness, w.monitorOf(window))) / 96 : base;
}

PaintScope::PaintScope(Hwnd hwnd) : hwnd_(hwnd) {
    sim::World& w = world();
    if (!w.alive(hwnd)) return;
    dc_ = static_cast<DcHandle>(w.newDc());
}

PaintScope::~PaintScope() {
    if (dc_ != DcHandle{}) world().dcs.erase(static_cast<std::uint32_t>(dc_));
}

bool drawIcon(DcHandle dc, int x, int y, IconHandle icon) {
    sim::World& w = world();
    if (!w.dcs.count(static_cast<std::uint32_t>(dc)) || icon == IconHandle{}) return false;
    w.iconDraws.push_back({dc, x, y, icon});
    return true;
}

}  // namespace platform
