// Display scale: the thread's DPI context switched to another window's, with the functions looked
// up at run time so that the program still starts on systems older than Windows 10.
#include <windows.h>

#include "platform/win32/win32_handles.h"
#include "platform/window.h"

namespace platform {

using win32::fromWin;
using win32::toWin;

namespace {

using Context = HANDLE;  // DPI_AWARENESS_CONTEXT, which Windows 7's headers do not know

struct DpiFunctions {
    Context(WINAPI* windowContext)(HWND) = nullptr;                     // Windows 10 1607
    Context(WINAPI* setThreadContext)(Context) = nullptr;               // Windows 10 1607
    BOOL(WINAPI* physicalToLogicalPerMonitor)(HWND, POINT*) = nullptr;  // Windows 8.1
    BOOL(WINAPI* physicalToLogical)(HWND, POINT*) = nullptr;            // Vista
};

const DpiFunctions& dpiFunctions() {
    static const DpiFunctions functions{
        win32::user32Function<decltype(DpiFunctions::windowContext)>("GetWindowDpiAwarenessContext"),
        win32::user32Function<decltype(DpiFunctions::setThreadContext)>("SetThreadDpiAwarenessContext"),
        win32::user32Function<decltype(DpiFunctions::physicalToLogicalPerMonitor)>(
            "PhysicalToLogicalPointForPerMonitorDPI"),
        win32::user32Function<decltype(DpiFunctions::physicalToLogical)>("PhysicalToLogicalPoint"),
    };
    return functions;
}

}  // namespace

WindowSpace::WindowSpace(Hwnd window) : window_(window) {
    const DpiFunctions& f = dpiFunctions();
    if (!f.windowContext || !f.setThreadContext) return;
    const Context context = f.windowContext(toWin(window));
    if (!context) return;
    previous_ = reinterpret_cast<std::uintptr_t>(f.setThreadContext(context));
}

WindowSpace::~WindowSpace() {
    if (previous_ != 0) dpiFunctions().setThreadContext(reinterpret_cast<Context>(previous_));
}

bool WindowSpace::windowRect(Hwnd hwnd, Rect& rect) const {
    RECT r{};
    if (!GetWindowRect(toWin(hwnd), &r)) return false;
    if (previous_ == 0) {
        // The thread could not be switched: it read physical pixels (the program is per-monitor
        // aware on 8.1, system aware on Vista and 7, where that is physical), which the window
        // sees in its own logical space.
        const DpiFunctions& f = dpiFunctions();
        auto* convert = f.physicalToLogicalPerMonitor ? f.physicalToLogicalPerMonitor : f.physicalToLogical;
        if (convert) {
            POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
            if (convert(toWin(window_), &corners[0]) && convert(toWin(window_), &corners[1])) {
                r = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
            }
        }
    }
    rect = fromWin(r);
    return true;
}

}  // namespace platform
