// The top-level inventory: the control panel's list of windows that could be a player.
#include <array>

#include "engine/ctrol_panel.h"
#include "inventory/module_name.h"
#include "platform/codepage.h"
#include "platform/window.h"

namespace {

int addWindowCallback(platform::Hwnd hwnd, std::uintptr_t context) {
    reinterpret_cast<CCtrolPanelDlg*>(context)->addWindow(hwnd);
    return 1;  // always go on: a scan visits every top-level window
}

}  // namespace

void CCtrolPanelDlg::scanWindows() {
    windowList.clear();
    platform::enumWindows(&addWindowCallback, reinterpret_cast<std::uintptr_t>(this));
    moduleNames_.sweep();
}

void CCtrolPanelDlg::addWindow(platform::Hwnd hwnd) {
    if (!platform::isWindowVisible(hwnd)) return;
    if (platform::isIconic(hwnd)) return;
    const std::string title = platform::getWindowTextA(hwnd, kTitleBytes);
    if (title.empty()) return;
    const auto style = static_cast<std::uint32_t>(platform::getWindowLongA(hwnd, platform::kGwlStyle));
    if ((style & platform::kWsSysMenu) == 0 || (style & platform::kWsDisabled) != 0) return;

    std::uint32_t processId = 0;
    platform::getWindowThreadProcessId(hwnd, &processId);
    ModuleNames::Names names = moduleNames_.lookUp(processId);
    std::string moduleName = std::move(names.baseName);
    platform::charUpperBuffA(moduleName);

    platform::Rect rect;
    // A window that closed since the visibility test has no rectangle: skip it.
    if (!platform::getWindowRect(hwnd, rect)) return;
    if (rect.bottom == rect.top || rect.left == rect.right) return;
    if (!platform::monitorFromRect(rect)) return;

    CWinInf record;
    record.hwnd = hwnd;
    record.title = title;
    record.moduleName = moduleName;
    record.modulePath = std::move(names.filePath);
    windowList.push_back(record);
}
