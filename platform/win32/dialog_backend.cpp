// The dialog framework's hooks into the system's dialog manager.
#include <windows.h>

#include <memory>

#include "platform/dialog.h"
#include "platform/win32/win32_handles.h"

namespace platform::backend {

using win32::fromWin;
using win32::fromWinHandle;
using win32::toWin;
using win32::toWinHandle;

namespace {

// What one dialog window dispatches to. It lives in DWLP_USER from WM_INITDIALOG until
// WM_NCDESTROY; createDialog owns it while the window is being created.
struct ProcBinding {
    DialogProc proc;
    void* context;
    bool creating = true;
    bool destroyed = false;
};

// Messages whose answer is the dialog procedure's return value rather than DWLP_MSGRESULT.
bool returnsDirectly(UINT message) {
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return true;
        default:
            return false;
    }
}

INT_PTR CALLBACK dialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ProcBinding* binding = nullptr;
    if (message == WM_INITDIALOG) {
        binding = reinterpret_cast<ProcBinding*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(binding));
    } else {
        binding = reinterpret_cast<ProcBinding*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT, ...) and after WM_NCDESTROY go to the system.
    if (!binding) return FALSE;

    bool handled = false;
    const std::intptr_t result =
        binding->proc(binding->context, fromWin(hwnd), message, wParam, lParam, handled);

    if (message == WM_NCDESTROY) {
        // The object may be gone now; only the binding is touched, and nothing dispatches again.
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        if (binding->creating) {
            binding->destroyed = true;  // createDialog still owns it, and frees it
        } else {
            const std::unique_ptr<ProcBinding> owned(binding);  // the window's, gone with it
        }
        return FALSE;  // the dialog manager frees its own data here
    }
    if (!handled) return FALSE;
    if (returnsDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
    return TRUE;
}

// The header of a dialog template, either form.
struct TemplateOrigin {
    DWORD style = 0;
    short x = 0;
    short y = 0;
};

bool readTemplate(int templateId, TemplateOrigin& out) {
    const HINSTANCE instance = win32::ownInstance();
    const HRSRC found =
        FindResourceW(instance, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    if (!found) return false;
    const HGLOBAL loaded = LoadResource(instance, found);
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes || SizeofResource(instance, found) < 18) return false;
    const auto word = [bytes](std::size_t at) { return static_cast<WORD>(bytes[at] | (bytes[at + 1] << 8)); };
    const auto dword = [&](std::size_t at) { return static_cast<DWORD>(word(at) | (word(at + 2) << 16)); };
    if (word(0) == 1 && word(2) == 0xFFFF) {
        // DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y, cx, cy.
        if (SizeofResource(instance, found) < 26) return false;
        out.style = dword(12);
        out.x = static_cast<short>(word(18));
        out.y = static_cast<short>(word(20));
    } else {
        // DLGTEMPLATE: style, dwExtendedStyle, cdit, x, y, cx, cy.
        out.style = dword(0);
        out.x = static_cast<short>(word(10));
        out.y = static_cast<short>(word(12));
    }
    return true;
}

}  // namespace

Hwnd createDialog(int templateId, Hwnd parent, DialogProc proc, void* context) {
    auto binding = std::make_unique<ProcBinding>(ProcBinding{proc, context});
    const HWND hwnd = CreateDialogParamW(win32::ownInstance(), MAKEINTRESOURCEW(templateId), toWin(parent),
                                         dialogProcedure, reinterpret_cast<LPARAM>(binding.get()));
    binding->creating = false;
    // A window that failed, or died during its own creation, never handed the binding on.
    if (!hwnd || binding->destroyed || !IsWindow(hwnd)) {
        if (hwnd && IsWindow(hwnd) &&
            GetWindowLongPtrW(hwnd, DWLP_USER) == reinterpret_cast<LONG_PTR>(binding.get())) {
            SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        }
        return kNoWindow;
    }
    // The window has it now, until WM_NCDESTROY.
    (void)binding.release();
    return fromWin(hwnd);
}

void runModalLoop(Hwnd dialog, const std::function<bool()>& ended) {
    MSG m{};
    while (!ended()) {
        const BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got == 0) {
            // Whoever asked the thread to quit still wants that after this loop.
            PostQuitMessage(static_cast<int>(m.wParam));
            return;
        }
        if (got == -1) return;
        if (!IsDialogMessageW(toWin(dialog), &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
}

void centerWindow(Hwnd hwnd, Hwnd over) {
    const HWND window = toWin(hwnd);
    const HWND center = toWin(over);
    RECT rc{};
    if (!GetWindowRect(window, &rc)) return;

    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(center ? center : window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;

    RECT area = work;
    if (center && IsWindowVisible(center) && !IsIconic(center)) GetWindowRect(center, &area);

    const LONG width = rc.right - rc.left;
    const LONG height = rc.bottom - rc.top;
    LONG x = (area.left + area.right) / 2 - width / 2;
    LONG y = (area.top + area.bottom) / 2 - height / 2;
    // Kept on the screen: the top-left corner wins when the window is larger than the work area.
    if (x + width > work.right) x = work.right - width;
    if (x < work.left) x = work.left;
    if (y + height > work.bottom) y = work.bottom - height;
    if (y < work.top) y = work.top;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool templateAtOrigin(int templateId) {
    TemplateOrigin t;
    if (!readTemplate(templateId, t)) return false;
    constexpr DWORD kPlacedByTemplate = DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN;
    return t.x == 0 && t.y == 0 && (t.style & kPlacedByTemplate) == 0;
}

BrushHandle defaultCtlColor(Hwnd dialog, unsigned message, DcHandle dc, Hwnd control) {
    const LRESULT brush =
        DefWindowProcW(toWin(dialog), message, reinterpret_cast<WPARAM>(toWinHandle<HDC>(dc)),
                       reinterpret_cast<LPARAM>(toWin(control)));
    return fromWinHandle<BrushHandle>(reinterpret_cast<HBRUSH>(brush));
}

NotifyHeader decodeNotify(std::intptr_t lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header) return {};
    return NotifyHeader{fromWin(header->hwndFrom), header->idFrom, static_cast<int>(header->code)};
}

Hwnd nextSibling(Hwnd hwnd) {
    return fromWin(GetWindow(toWin(hwnd), GW_HWNDNEXT));
}

}  // namespace platform::backend
