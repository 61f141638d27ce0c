// Stands in for the platform's dialog framework, which the MinGW toolchain does not have.
// In its spirit: one class per template, OnInitDialog, DoDataExchange/UpdateData, OnOK/OnCancel,
// and a per-class table that binds messages and control notifications to handlers.
// Backend-neutral: windows come from the backend hooks at the end of this file (win32/ for the
// product, sim/ for native tests).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/gdi.h"
#include "platform/window.h"
#include "platform/types.h"

namespace platform {

class CDialog;

// The parts of WM_NOTIFY's header the program reads.
struct NotifyHeader {
    Hwnd from{};
    std::uintptr_t id = 0;
    int code = 0;
};

enum class CtlColor { MsgBox, Edit, ListBox, Button, Dialog, ScrollBar, Static };

// One binding of a message (or a control's notification) to a handler.
struct Binding {
    unsigned message = 0;
    int id = -1;   // WM_COMMAND / WM_NOTIFY: the control; -1 for any
    int code = 0;  // WM_COMMAND: notification code; WM_NOTIFY: NM_* code
    bool anyCtlColor = false;
    std::function<std::intptr_t(CDialog&, unsigned, std::uintptr_t, std::intptr_t)> call;
};

// A class's table, with the base class's table behind it.
struct MessageMap {
    const MessageMap* base = nullptr;
    std::vector<Binding> entries;
};

template <class T>
Binding onClicked(int id, void (T::*handler)()) {
    return {msg::kCommand, id, static_cast<int>(kBnClicked), false,
            [handler](CDialog& d, unsigned, std::uintptr_t, std::intptr_t) -> std::intptr_t {
                (static_cast<T&>(d).*handler)();
                return 0;
            }};
}

// handler(header, result): result starts at 0 and is the notification's answer.
template <class T>
Binding onNotify(int id, int code, void (T::*handler)(const NotifyHeader&, std::intptr_t&));

template <class T>
Binding onMessage(unsigned message, std::intptr_t (T::*handler)(std::uintptr_t, std::intptr_t)) {
    return {message, -1, 0, false, [handler](CDialog& d, unsigned, std::uintptr_t wp, std::intptr_t lp) {
                return (static_cast<T&>(d).*handler)(wp, lp);
            }};
}

template <class T>
Binding onTimer(void (T::*handler)(std::uintptr_t)) {
    return {msg::kTimer, -1, 0, false,
            [handler](CDialog& d, unsigned, std::uintptr_t wp, std::intptr_t) -> std::intptr_t {
                (static_cast<T&>(d).*handler)(wp);
                return 0;
            }};
}

// WM_MOVE: x and y of the client area (screen coordinates for a popup).
template <class T>
Binding onMove(void (T::*handler)(int, int)) {
    return {msg::kMove, -1, 0, false,
            [handler](CDialog& d, unsigned, std::uintptr_t, std::intptr_t lp) -> std::intptr_t {
                const auto x = static_cast<std::int16_t>(lp & 0xFFFF);
                const auto y = static_cast<std::int16_t>((lp >> 16) & 0xFFFF);
                (static_cast<T&>(d).*handler)(x, y);
                return 0;
            }};
}

template <class T>
Binding onSysCommand(void (T::*handler)(unsigned, std::intptr_t)) {
    return {msg::kSysCommand, -1, 0, false,
            [handler](CDialog& d, unsigned, std::uintptr_t wp, std::intptr_t lp) -> std::intptr_t {
                (static_cast<T&>(d).*handler)(static_cast<unsigned>(wp), lp);
                return 0;
            }};
}

template <class T>
Binding onPaint(void (T::*handler)()) {
    return {msg::kPaint, -1, 0, false,
            [handler](CDialog& d, unsigned, std::uintptr_t, std::intptr_t) -> std::intptr_t {
                (static_cast<T&>(d).*handler)();
                return 0;
            }};
}

// WM_QUERYDRAGICON: the icon a minimised window shows while dragged.
template <class T>
Binding onQueryDragIcon(IconHandle (T::*handler)()) {
    return {msg::kQueryDragIcon, -1, 0, false,
            [handler](CDialog& d, unsigned, std::uintptr_t, std::intptr_t) -> std::intptr_t {
                return static_cast<std::intptr_t>((static_cast<T&>(d).*handler)());
            }};
}

// WM_ENDSESSION: ending is true when the session ends once the message has been answered.
template <class T>
Binding onEndSession(void (T::*handler)(bool ending)) {
    return {msg::kEndSession, -1, 0, false,
            [handler](CDialog& d, unsigned, std::uintptr_t wp, std::intptr_t) -> std::intptr_t {
                (static_cast<T&>(d).*handler)(wp != 0);
                return 0;
            }};
}

// WM_MOUSEACTIVATE: hit-test code and mouse message of the press; the answer is an MA_* code
// (Default() gives the system's).
template <class T>
Binding onMouseActivate(std::intptr_t (T::*handler)(int hitTest, unsigned mouseMessage)) {
    return {msg::kMouseActivate, -1, 0, false,
            [handler](CDialog& d, unsigned, std::uintptr_t, std::intptr_t lp) -> std::intptr_t {
                const auto hitTest = static_cast<std::int16_t>(lp & 0xFFFF);
                const auto mouseMessage = static_cast<unsigned>((lp >> 16) & 0xFFFF);
                return (static_cast<T&>(d).*handler)(hitTest, mouseMessage);
            }};
}

// All WM_CTLCOLOR* requests: handler(dc, control, kind) answers the brush.
template <class T>
Binding onCtlColor(BrushHandle (T::*handler)(DcHandle, Hwnd, CtlColor));

// Data exchange between controls and members (UpdateData).
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;
};

class CSpinButtonCtrl;
// The radio group that starts at firstId: index of the checked button, -1 if none.
void DDX_Radio(CDataExchange& dx, int firstId, int& value);
void DDX_Check(CDataExchange& dx, int id, int& value);
void DDX_Text(CDataExchange& dx, int id, std::string& utf8);
void DDX_Control(CDataExchange& dx, int id, CSpinButtonCtrl& control);

class CDialog {
public:
    explicit CDialog(int templateId, CDialog* parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Modeless: a child of parent when the template says WS_CHILD, else owned by it.
    bool Create(Hwnd parentOrOwner);
    bool Create(CDialog* parent) { return Create(parent ? parent->GetSafeHwnd() : kNoWindow); }
    // Modal: the owner (the parent given at construction, else the application's main
    // window) is disabled while the dialog runs; the window is destroyed through the
    // virtual DestroyWindow when the run ends.
    virtual std::intptr_t DoModal();
    void EndDialog(int result);
    virtual bool DestroyWindow();

    bool UpdateData(bool saveAndValidate = true);

    Hwnd GetSafeHwnd() const { return m_hWnd; }
    Hwnd GetDlgItem(int id) const;
    int templateId() const { return m_templateId; }

    bool ShowWindow(int command);
    bool MoveWindow(int x, int y, int width, int height, bool repaint = true);
    bool SetWindowPos(Hwnd insertAfter, int x, int y, int cx, int cy, unsigned flags);
    bool GetWindowRect(Rect& rect) const;
    bool InvalidateRect(const Rect* rect, bool erase = true);
    bool SetDlgItemText(int id, std::string_view utf8);
    std::uintptr_t SetTimer(std::uintptr_t id, unsigned elapseMs);
    bool KillTimer(std::uintptr_t id);

    // A flag that turns false when this object's window has been destroyed and the object
    // may have freed itself; code that survives a nested message loop checks it.
    std::shared_ptr<const bool> aliveToken() const { return m_alive; }

    // The framework's message procedure, public so backends and tests can reach it.
    static std::intptr_t dialogProc(void* context, Hwnd hwnd, unsigned message, std::uintptr_t wParam,
                                    std::intptr_t lParam, bool& handled);

protected:
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange& dx);
    virtual void OnOK();
    virtual void OnCancel();
    // Every message passes here first; the base runs the message map, then Default().
    virtual std::intptr_t WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    // The last call an object receives after its window is gone; may delete the object.
    virtual void PostNcDestroy();
    virtual const MessageMap& GetMessageMap() const;

    // Leaves the current message to the system's default processing.
    std::intptr_t Default();
    // Runs the message map (and the framework's own OnInitDialog/OnOK/OnCancel routing).
    bool OnWndMsg(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result);
    // The system's default answer to a WM_CTLCOLOR* request.
    BrushHandle DefaultCtlColor(DcHandle dc, Hwnd control, CtlColor kind);

private:
    int m_templateId;
    CDialog* m_parent;
    Hwnd m_hWnd{};
    bool* m_handled = nullptr;
    unsigned m_currentMessage = 0;
    std::shared_ptr<bool> m_alive;
    bool m_modal = false;
    bool m_ended = false;
    std::intptr_t m_modalResult = -1;
};

// The framework's message box: the text with OK and the warning icon, the application's
// name as caption, owned by the main window.
int AfxMessageBox(std::string_view textUtf8);

class CSpinButtonCtrl {
public:
    Hwnd m_hWnd{};
    void SetRange32(int lower, int upper);
    void SetPos32(int position);
    std::uint32_t GetPos() const;  // UDM_GETPOS: low word position, high word error flag
};

// Owns a GDI brush; never copied. The brush goes with the object.
class CBrush {
public:
    CBrush() = default;
    explicit CBrush(ColorRef color) { CreateSolidBrush(color); }
    CBrush(const CBrush&) = delete;
    CBrush& operator=(const CBrush&) = delete;
    bool CreateSolidBrush(ColorRef color);
    bool DeleteObject();
    BrushHandle handle() const { return m_brush.get(); }

private:
    UniqueBrush m_brush;
};

// The application object: one static instance; all start-up work in InitInstance.
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    // Returns the process's exit status.
    virtual int InitInstance() = 0;
    static CWinApp* current();
    CDialog* m_pMainWnd = nullptr;
};

// ---- backend hooks -------------------------------------------------------------------
namespace backend {
using DialogProc = std::intptr_t (*)(void* context, Hwnd hwnd, unsigned message, std::uintptr_t wParam,
                                     std::intptr_t lParam, bool& handled);
// Creates the dialog from the program's template templateId; WM_INITDIALOG reaches proc
// (with context) before the call returns. parent is the parent of a WS_CHILD template,
// else the owner.
Hwnd createDialog(int templateId, Hwnd parent, DialogProc proc, void* context);
// Runs the thread's message loop (with dialog keyboard handling for `dialog`) until
// ended() is true after a message.
void runModalLoop(Hwnd dialog, const std::function<bool()>& ended);
// Centres a popup over `over` (or the screen's work area when none).
void centerWindow(Hwnd hwnd, Hwnd over);
// Whether the template places the dialog at (0, 0) without a centring style.
bool templateAtOrigin(int templateId);
// The system's answer to a WM_CTLCOLOR* request (DefWindowProc).
BrushHandle defaultCtlColor(Hwnd dialog, unsigned message, DcHandle dc, Hwnd control);
NotifyHeader decodeNotify(std::intptr_t lParam);
Hwnd nextSibling(Hwnd hwnd);  // GetWindow(GW_HWNDNEXT)
}  // namespace backend

// ---- template definitions --------------------------------------------------------------
template <class T>
Binding onNotify(int id, int code, void (T::*handler)(const NotifyHeader&, std::intptr_t&)) {
    return {msg::kNotify, id, code, false, [handler](CDialog& d, unsigned, std::uintptr_t, std::intptr_t lp) {
                std::intptr_t result = 0;
                (static_cast<T&>(d).*handler)(backend::decodeNotify(lp), result);
                return result;
            }};
}

template <class T>
Binding onCtlColor(BrushHandle (T::*handler)(DcHandle, Hwnd, CtlColor)) {
    return {0, -1, 0, true,
            [handler](CDialog& d, unsigned message, std::uintptr_t wp, std::intptr_t lp) -> std::intptr_t {
                const auto kind = static_cast<CtlColor>(message - msg::kCtlColorMsgBox);
                const auto dc = static_cast<DcHandle>(static_cast<std::uint32_t>(wp));
                const auto control = toHwnd(static_cast<std::uint32_t>(lp));
                return static_cast<std::intptr_t>((static_cast<T&>(d).*handler)(dc, control, kind));
            }};
}

}  // namespace platform
