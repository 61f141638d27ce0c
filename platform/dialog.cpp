// The dialog framework's backend-neutral half: message routing, modal runs, data exchange and
// the small wrappers. Windows come from the backend hooks; everything else is the seam.
#include "platform/dialog.h"

#include <cctype>

#include "platform/system.h"
#include "platform/window.h"

namespace platform {

namespace {

CWinApp* g_app = nullptr;

constexpr std::uint32_t kButtonTypeMask = 0xF;
constexpr std::uint32_t kBsRadioButton = 4;
constexpr std::uint32_t kBsAutoRadioButton = 9;

bool isCtlColor(unsigned message) {
    return message >= msg::kCtlColorMsgBox && message <= msg::kCtlColorStatic;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool isRadioButton(Hwnd control) {
    if (!equalsIgnoringCase(getClassNameA(control, 256), "Button")) return false;
    const auto type = static_cast<std::uint32_t>(getWindowLongA(control, kGwlStyle)) & kButtonTypeMask;
    return type == kBsRadioButton || type == kBsAutoRadioButton;
}

bool matches(const Binding& b, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (b.anyCtlColor) return isCtlColor(message);
    if (b.message != message) return false;
    if (message == msg::kCommand) {
        const int id = static_cast<int>(wParam & 0xFFFF);
        const int code = static_cast<int>((wParam >> 16) & 0xFFFF);
        return (b.id == -1 || b.id == id) && b.code == code;
    }
    if (message == msg::kNotify) {
        const NotifyHeader header = backend::decodeNotify(lParam);
        return (b.id == -1 || static_cast<std::uintptr_t>(b.id) == header.id) && b.code == header.code;
    }
    return true;
}

}  // namespace

// ---- CDialog -----------------------------------------------------------------------------

CDialog::CDialog(int templateId, CDialog* parent)
    : m_templateId(templateId), m_parent(parent), m_alive(std::make_shared<bool>(true)) {}

CDialog::~CDialog() {
    // A window that outlives its object would dispatch into freed memory.
    if (m_hWnd != kNoWindow && isWindow(m_hWnd)) platform::destroyWindow(m_hWnd);
    *m_alive = false;
}

bool CDialog::Create(Hwnd parentOrOwner) {
    if (m_hWnd != kNoWindow) return false;
    return backend::createDialog(m_templateId, parentOrOwner, &CDialog::dialogProc, this) != kNoWindow;
}

std::intptr_t CDialog::DoModal() {
    const Hwnd owner = m_parent ? m_parent->GetSafeHwnd() : mainWindow();
    const bool disableOwner = owner != kNoWindow && isWindowEnabled(owner);
    if (disableOwner) enableWindow(owner, false);

    m_modal = true;
    m_ended = false;
    m_modalResult = -1;

    // Turns false if the window goes before this run ends it; the object may be gone then.
    const auto alive = m_alive;
    if (Create(owner)) {
        if (!m_ended) showWindow(m_hWnd, kSwShow);
        backend::runModalLoop(m_hWnd, [this, alive] { return !*alive || m_ended; });
    }
    if (!*alive) {
        if (disableOwner) enableWindow(owner, true);
        return -1;
    }

    // The owner is enabled before this window goes, so that the system hands the activation
    // back to it rather than to some other program's window.
    if (disableOwner) enableWindow(owner, true);
    const std::intptr_t result = m_modalResult;
    m_modal = false;
    if (m_hWnd != kNoWindow) DestroyWindow();
    if (owner != kNoWindow && isWindow(owner))
        setWindowPos(owner, kHwndTop, 0, 0, 0, 0, kSwpNoMove | kSwpNoSize);
    return result;
}

void CDialog::EndDialog(int result) {
    m_modalResult = result;
    if (m_modal) {
        m_ended = true;
        // Wakes the modal loop, which looks at the flag after every message.
        postMessage(kNoWindow, 0, 0, 0);
    } else if (m_hWnd != kNoWindow) {
        showWindow(m_hWnd, kSwHide);
    }
}

bool CDialog::DestroyWindow() {
    if (m_hWnd == kNoWindow) return false;
    return platform::destroyWindow(m_hWnd);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    if (m_hWnd == kNoWindow) return false;
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(dx);
    return true;
}

Hwnd CDialog::GetDlgItem(int id) const {
    return getDlgItem(m_hWnd, id);
}
bool CDialog::ShowWindow(int command) {
    return showWindow(m_hWnd, command);
}
bool CDialog::MoveWindow(int x, int y, int width, int height, bool repaint) {
    return moveWindow(m_hWnd, x, y, width, height, repaint);
}
bool CDialog::SetWindowPos(Hwnd insertAfter, int x, int y, int cx, int cy, unsigned flags) {
    return setWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
}
bool CDialog::GetWindowRect(Rect& rect) const {
    return getWindowRect(m_hWnd, rect);
}
bool CDialog::InvalidateRect(const Rect* rect, bool erase) {
    return invalidateRect(m_hWnd, rect, erase);
}
bool CDialog::SetDlgItemText(int id, std::string_view utf8) {
    return setWindowTextUtf8(GetDlgItem(id), utf8);
}
std::uintptr_t CDialog::SetTimer(std::uintptr_t id, unsigned elapseMs) {
    return setTimer(m_hWnd, id, elapseMs);
}
bool CDialog::KillTimer(std::uintptr_t id) {
    return killTimer(m_hWnd, id);
}

std::intptr_t CDialog::dialogProc(void* context, Hwnd hwnd, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam, bool& handled) {
    auto* self = static_cast<CDialog*>(context);
    if (message == msg::kInitDialog) {
        self->m_hWnd = hwnd;
        // The application's main window owns message boxes and parentless dialogs from now on.
        if (CWinApp* app = CWinApp::current(); app && app->m_pMainWnd == self) setMainWindow(hwnd);
    }

    // Handlers may run nested messages (a send, a modal loop); each keeps its own flag.
    const auto alive = self->m_alive;
    bool* const outerHandled = self->m_handled;
    const unsigned outerMessage = self->m_currentMessage;
    bool thisHandled = true;
    self->m_handled = &thisHandled;
    self->m_currentMessage = message;

    const std::intptr_t result = self->WindowProc(message, wParam, lParam);

    if (!*alive) {
        // The window went during the handler and the object may have freed itself.
        handled = thisHandled;
        return result;
    }
    self->m_handled = outerHandled;
    self->m_currentMessage = outerMessage;

    if (message == msg::kNcDestroy) {
        self->m_hWnd = kNoWindow;
        // Holders of the token learn that the window is gone; a later window gets a new one.
        *self->m_alive = false;
        self->m_alive = std::make_shared<bool>(true);
        if (self->m_modal) self->m_ended = true;
        if (mainWindow() == hwnd) setMainWindow(kNoWindow);
        handled = false;
        self->PostNcDestroy();  // may delete the object: nothing touches it after this
        return 0;
    }
    handled = thisHandled;
    return result;
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(kIdOk);
}

void CDialog::OnCancel() {
    EndDialog(kIdCancel);
}

std::intptr_t CDialog::WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    std::intptr_t result = 0;
    if (!OnWndMsg(message, wParam, lParam, result)) return Default();
    return result;
}

void CDialog::PostNcDestroy() {}

const MessageMap& CDialog::GetMessageMap() const {
    static const MessageMap map{};
    return map;
}

std::intptr_t CDialog::Default() {
    if (m_handled) *m_handled = false;
    return 0;
}

bool CDialog::OnWndMsg(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result) {
    if (message == msg::kInitDialog) {
        const auto alive = m_alive;
        result = OnInitDialog() ? 1 : 0;
        if (!*alive) return true;
        // Like the platform's own framework: a modal popup whose template leaves the place
        // to the program opens centred over its owner.
        if (m_modal && m_hWnd != kNoWindow &&
            (static_cast<std::uint32_t>(getWindowLongA(m_hWnd, kGwlStyle)) & kWsChild) == 0 &&
            backend::templateAtOrigin(m_templateId)) {
            backend::centerWindow(m_hWnd, getOwner(m_hWnd));
        }
        return true;
    }

    for (const MessageMap* map = &GetMessageMap(); map; map = map->base) {
        for (const Binding& b : map->entries) {
            if (b.call && matches(b, message, wParam, lParam)) {
                result = b.call(*this, message, wParam, lParam);
                return true;
            }
        }
    }

    if (message == msg::kCommand && ((wParam >> 16) & 0xFFFF) == kBnClicked) {
        const int id = static_cast<int>(wParam & 0xFFFF);
        if (id == kIdOk) {
            OnOK();
            result = 0;
            return true;
        }
        if (id == kIdCancel) {
            OnCancel();
            result = 0;
            return true;
        }
    }
    return false;
}

BrushHandle CDialog::DefaultCtlColor(DcHandle dc, Hwnd control, CtlColor kind) {
    return backend::defaultCtlColor(m_hWnd, msg::kCtlColorMsgBox + static_cast<unsigned>(kind), dc, control);
}

// ---- data exchange -----------------------------------------------------------------------

void DDX_Radio(CDataExchange& dx, int firstId, int& value) {
    const Hwnd dialog = dx.m_pDlgWnd->GetSafeHwnd();
    Hwnd control = getDlgItem(dialog, firstId);
    if (control == kNoWindow) return;
    if (dx.m_bSaveAndValidate) value = -1;
    int index = 0;
    // The group runs from the first button up to the next control that starts a group.
    do {
        if (isRadioButton(control)) {
            if (dx.m_bSaveAndValidate) {
                if (value == -1 && sendMessage(control, msg::kBmGetCheck, 0, 0) != 0) value = index;
            } else {
                sendMessage(control, msg::kBmSetCheck, index == value ? kBstChecked : kBstUnchecked, 0);
            }
            ++index;
        }
        control = backend::nextSibling(control);
    } while (control != kNoWindow &&
             (static_cast<std::uint32_t>(getWindowLongA(control, kGwlStyle)) & kWsGroup) == 0);
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
    const Hwnd dialog = dx.m_pDlgWnd->GetSafeHwnd();
    if (dx.m_bSaveAndValidate) {
        value = isDlgButtonChecked(dialog, id);
    } else {
        checkDlgButton(dialog, id, value);
    }
}

void DDX_Text(CDataExchange& dx, int id, std::string& utf8) {
    const Hwnd control = dx.m_pDlgWnd->GetDlgItem(id);
    if (dx.m_bSaveAndValidate) {
        utf8 = getWindowTextUtf8(control);
    } else {
        setWindowTextUtf8(control, utf8);
    }
}

void DDX_Control(CDataExchange& dx, int id, CSpinButtonCtrl& control) {
    control.m_hWnd = dx.m_pDlgWnd->GetDlgItem(id);
}

// ---- wrappers ------------------------------------------------------------------------------

void CSpinButtonCtrl::SetRange32(int lower, int upper) {
    sendMessage(m_hWnd, msg::kUdmSetRange32, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(lower)),
                upper);
}

void CSpinButtonCtrl::SetPos32(int position) {
    sendMessage(m_hWnd, msg::kUdmSetPos32, 0, position);
}

std::uint32_t CSpinButtonCtrl::GetPos() const {
    return static_cast<std::uint32_t>(sendMessage(m_hWnd, msg::kUdmGetPos, 0, 0));
}

bool CBrush::CreateSolidBrush(ColorRef color) {
    DeleteObject();
    m_brush.reset(createSolidBrush(color));
    return static_cast<bool>(m_brush);
}

bool CBrush::DeleteObject() {
    // The system's answer is the caller's; the owner's own close would drop it.
    return m_brush && deleteBrush(m_brush.release());
}

CWinApp::CWinApp() {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::current() {
    return g_app;
}

int AfxMessageBox(std::string_view textUtf8) {
    return messageBox(mainWindow(), textUtf8, applicationName(), kMbOk | kMbIconExclamation);
}

}  // namespace platform
