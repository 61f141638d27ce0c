// The window seam over the simulated desktop.
#include "platform/window.h"

#include <algorithm>
#include <vector>

#include "platform/codepage.h"
#include "platform/sim/world.h"

namespace platform {

using sim::Call;
using sim::World;
using sim::world;

namespace {

// WindowSpace's note that the thread ran in the program's own context before (the sim keeps
// the other contexts as the awareness plus one).
constexpr std::uintptr_t kOwnContext = 0x100;

// A rectangle's sides as the call log takes them; none for NULL.
std::vector<std::int64_t> rectArgs(const Rect* r) {
    if (!r) return {};
    return {r->left, r->top, r->right, r->bottom};
}

// The enumeration is about to report h: the scene may act on it first.
void reporting(World& w, Hwnd h) {
    if (w.enumerateHook) {
        const auto hook = w.enumerateHook;
        hook(h);
    }
    if (w.destroyOnEnumerate.erase(handleValue(h))) w.destroy(h);
}

// EnumChildWindows: each window's children are listed before its callback runs, and are
// reported right after it (depth first, in z-order).
bool enumerateChildren(World& w, const std::vector<Hwnd>& list, EnumProc proc, std::uintptr_t context) {
    for (Hwnd h : list) {
        const sim::Window* win = w.find(h);
        if (!win) continue;
        const std::vector<Hwnd> children = win->children;
        reporting(w, h);
        if (!proc(h, context)) return false;
        if (!enumerateChildren(w, children, proc, context)) return false;
    }
    return true;
}

}  // namespace

bool enumWindows(EnumProc proc, std::uintptr_t context) {
    World& w = world();
    w.noteCall("EnumWindows", kNoWindow);
    const std::vector<Hwnd> list = w.topLevel;
    std::size_t reported = 0;
    for (Hwnd h : list) {
        if (!w.alive(h)) continue;
        if (w.enumWindowsLimit && reported >= *w.enumWindowsLimit) return false;
        reporting(w, h);
        ++reported;
        if (!proc(h, context)) return false;
    }
    return true;
}

bool enumChildWindows(Hwnd parent, EnumProc proc, std::uintptr_t context) {
    World& w = world();
    w.noteCall("EnumChildWindows", parent);
    const sim::Window* p = w.find(parent);
    if (!p) return false;
    return enumerateChildren(w, p->children, proc, context);
}

bool isWindow(Hwnd hwnd) {
    world().noteCall("IsWindow", hwnd);
    return world().alive(hwnd);
}

bool isWindowVisible(Hwnd hwnd) {
    world().noteCall("IsWindowVisible", hwnd);
    return world().visibleWithAncestors(hwnd);
}

bool isIconic(Hwnd hwnd) {
    world().noteCall("IsIconic", hwnd);
    const sim::Window* w = world().find(hwnd);
    return w && (w->style & kWsMinimize);
}

bool isWindowEnabled(Hwnd hwnd) {
    world().noteCall("IsWindowEnabled", hwnd);
    const sim::Window* w = world().find(hwnd);
    return w && !(w->style & kWsDisabled);
}

std::string getWindowTextA(Hwnd hwnd, int maxCount) {
    World& w = world();
    w.noteCall("GetWindowTextA", hwnd);
    const sim::Window* win = w.find(hwnd);
    if (!win || maxCount <= 0) return {};
    // The text is read without a message, so a hung window still has one.
    return sim::cutAnsi(w.ansiText(*win), static_cast<std::size_t>(maxCount - 1), w.codePage);
}

bool windowAnswers(Hwnd hwnd, std::uint32_t timeoutMs) {
    World& w = world();
    w.noteCall("SendMessageTimeoutA", hwnd);
    if (!w.alive(hwnd)) return false;
    if (!w.waitForAnswer(hwnd, timeoutMs)) {
        w.lastError = sim::k::kErrorTimeout;
        return false;
    }
    return true;
}

bool awaitAnswer(Hwnd hwnd, std::uint32_t limitMs, Hwnd holdInput) {
    World& w = world();
    const auto knownHung = [&w](const sim::Window* win) {
        return win->hung && w.now - win->hungSince >= sim::kHungThresholdMs;
    };
    const std::uint64_t deadline = w.now + limitMs;
    if (windowAnswers(hwnd, std::min(limitMs, kAnswerTimeoutMs))) return true;
    const sim::Window* win = w.find(hwnd);
    if (!win || knownHung(win)) return false;
    // The owner is held as a message box holds it; one already disabled stays so.
    sim::Window* owner = w.find(holdInput);
    const bool held = owner && !(owner->style & kWsDisabled);
    if (held) owner->style |= kWsDisabled;
    bool answered = false;
    // The thread's own loop runs meanwhile, in steps finer than the system's probes.
    constexpr std::uint64_t kStepMs = 10;
    while (w.now < deadline) {
        w.run(std::min(deadline, w.now + kStepMs), true);
        win = w.find(hwnd);
        if (!win || knownHung(win)) break;
        if (!win->hung) {
            answered = true;
            break;
        }
    }
    if (held) {
        if (sim::Window* again = w.find(holdInput)) again->style &= ~kWsDisabled;
    }
    if (!answered) w.lastError = sim::k::kErrorTimeout;
    return answered;
}

std::string sendGetTextA(Hwnd hwnd, int maxCount, bool* answered) {
    World& w = world();
    w.noteCall("SendMessageTimeoutA", hwnd);
    if (answered) *answered = true;
    if (!w.alive(hwnd) || maxCount <= 0) return {};
    if (!w.waitForAnswer(hwnd, kGetTextTimeoutMs)) {
        w.lastError = sim::k::kErrorTimeout;
        if (answered) *answered = false;
        return {};
    }
    std::vector<char> buffer(static_cast<std::size_t>(maxCount) + 1, '\0');
    w.send(hwnd, msg::kGetText, static_cast<std::uintptr_t>(maxCount),
           reinterpret_cast<std::intptr_t>(buffer.data()));
    return std::string(buffer.data());
}

std::string getClassNameA(Hwnd hwnd, int maxCount) {
    World& w = world();
    w.noteCall("GetClassNameA", hwnd);
    const sim::Window* win = w.find(hwnd);
    if (!win || maxCount <= 0) return {};
    return sim::cutAnsi(win->className, static_cast<std::size_t>(maxCount - 1), w.codePage);
}

std::int32_t getDlgCtrlId(Hwnd hwnd) {
    world().noteCall("GetDlgCtrlID", hwnd);
    const sim::Window* w = world().find(hwnd);
    return (w && w->parent != kNoWindow) ? w->id : 0;
}

bool getWindowInfo(Hwnd hwnd, WindowInfo& info) {
    World& w = world();
    w.noteCall("GetWindowInfo", hwnd);
    const sim::Window* win = w.find(hwnd);
    if (!win) return false;
    info.cbSize = sizeof(WindowInfo);
    info.rcWindow = w.toThread(hwnd, win->rect);
    info.rcClient = w.toThread(hwnd, win->client);
    info.dwStyle = win->style;
    info.dwExStyle = win->exStyle;
    info.dwWindowStatus = 0;
    info.cxWindowBorders = static_cast<std::uint32_t>(info.rcClient.left - info.rcWindow.left);
    info.cyWindowBorders = static_cast<std::uint32_t>(info.rcWindow.bottom - info.rcClient.bottom);
    info.atomWindowType = w.classAtom(win->className);
    info.wCreatorVersion = 0x0400;
    return true;
}

std::int32_t getWindowLongA(Hwnd hwnd, int index) {
    World& w = world();
    w.noteCall("GetWindowLongA", hwnd);
    const sim::Window* win = w.find(hwnd);
    if (!win) {
        w.lastError = sim::k::kErrorInvalidWindowHandle;
        return 0;
    }
    switch (index) {
        case kGwlStyle:
            return static_cast<std::int32_t>(win->style);
        case kGwlExStyle:
            return static_cast<std::int32_t>(win->exStyle);
        default:
            sim::unmodelled("GetWindowLongA of a window long other than the styles");
    }
}

std::int32_t setWindowLongA(Hwnd hwnd, int index, std::int32_t value) {
    World& w = world();
    w.noteCall("SetWindowLongA", hwnd);
    if (index != kGwlStyle && index != kGwlExStyle) {
        sim::unmodelled("SetWindowLongA of a window long other than the styles");
    }
    sim::Window* win = w.find(hwnd);
    w.log(Call::SetWindowLong, hwnd, win != nullptr, {index, static_cast<std::uint32_t>(value)});
    if (!win) {
        w.lastError = sim::k::kErrorInvalidWindowHandle;
        return 0;
    }
    std::uint32_t old = 0;
    w.setStyleLong(hwnd, index, static_cast<std::uint32_t>(value), old);
    return static_cast<std::int32_t>(old);
}

std::uint32_t getWindowThreadProcessId(Hwnd hwnd, std::uint32_t* processId) {
    world().noteCall("GetWindowThreadProcessId", hwnd);
    const sim::Window* w = world().find(hwnd);
    if (!w) return 0;
    if (processId) *processId = w->processId;
    return w->processId + 4;  // each process has one user-interface thread
}

bool getWindowRect(Hwnd hwnd, Rect& rect) {
    World& w = world();
    w.noteCall("GetWindowRect", hwnd);
    const sim::Window* win = w.find(hwnd);
    if (!win) return false;
    rect = w.toThread(hwnd, win->rect);
    return true;
}

bool getClientRect(Hwnd hwnd, Rect& rect) {
    World& w = world();
    w.noteCall("GetClientRect", hwnd);
    const sim::Window* win = w.find(hwnd);
    if (!win) return false;
    const Rect client = w.toThread(hwnd, win->client);
    rect = Rect{0, 0, client.width(), client.height()};
    return true;
}

bool monitorFromRect(const Rect& rect) {
    World& w = world();
    w.noteCall("MonitorFromRect", kNoWindow);
    for (const sim::MonitorSpec& monitor : w.monitors) {
        const Rect m = w.toSpace(monitor.rect, w.threadSpace(), monitor);
        if (rect.right <= rect.left || rect.bottom <= rect.top) {
            // An empty rectangle stands for its top-left point.
            if (rect.left >= m.left && rect.left < m.right && rect.top >= m.top && rect.top < m.bottom)
                return true;
        } else if (rect.left < m.right && rect.right > m.left && rect.top < m.bottom && rect.bottom > m.top) {
            return true;
        }
    }
    return false;
}

WindowSpace::WindowSpace(Hwnd window) : window_(window) {
    // Windows 10's way: the thread takes the window's own context, as GetWindowDpiAwarenessContext
    // reports it for any process's window.
    World& w = world();
    const sim::Window* win = w.find(window);
    if (!win) return;
    previous_ = w.threadAwareness ? static_cast<std::uintptr_t>(*w.threadAwareness) + 1 : kOwnContext;
    w.threadAwareness = win->awareness;
}

WindowSpace::~WindowSpace() {
    if (previous_ == 0) return;
    World& w = world();
    if (previous_ == kOwnContext) {
        w.threadAwareness.reset();
    } else {
        w.threadAwareness = static_cast<sim::DpiAwareness>(previous_ - 1);
    }
}

bool WindowSpace::windowRect(Hwnd hwnd, Rect& rect) const {
    return getWindowRect(hwnd, rect);
}

bool setWindowRgn(Hwnd hwnd, const Rect* region, bool /*redraw*/) {
    World& w = world();
    w.noteCall("SetWindowRgn", hwnd);
    sim::Window* win = w.find(hwnd);
    const bool ok = win && !w.failNow(sim::Failure::SetWindowRgn);
    w.log(Call::SetWindowRgn, hwnd, ok, rectArgs(region));
    if (!ok) {
        if (!win) w.lastError = sim::k::kErrorInvalidWindowHandle;
        return false;
    }
    if (!region) {
        win->region.reset();
        return true;
    }
    // CreateRectRgn orders the corners; an empty region's box reads back as all zero.
    Rect r{std::min(region->left, region->right), std::min(region->top, region->bottom),
           std::max(region->left, region->right), std::max(region->top, region->bottom)};
    if (w.rescaleRegions) {
        const sim::MonitorSpec& m = w.monitorOf(hwnd);
        r = sim::scaledRegion(r, w.spaceDpi(win->awareness, m), w.spaceDpi(w.threadSpace(), m));
    }
    if (r.width() == 0 || r.height() == 0) r = Rect{};
    win->region = r;
    return true;
}

bool moveWindow(Hwnd hwnd, int x, int y, int width, int height, bool /*repaint*/) {
    World& w = world();
    w.noteCall("MoveWindow", hwnd);
    sim::Window* win = w.find(hwnd);
    if (win && win->parent != kNoWindow) sim::unmodelled("MoveWindow on a child window");
    w.log(Call::MoveWindow, hwnd, win != nullptr, {x, y, width, height});
    if (!win) return false;
    w.setGeometry(hwnd, w.fromThread(hwnd, Rect{x, y, x + std::max(width, 0), y + std::max(height, 0)}),
                  false);
    return true;
}

// The program moves and sizes windows with moveWindow; here only the z-order and a frame
// change are modelled.
bool setWindowPos(Hwnd hwnd, Hwnd insertAfter, int /*x*/, int /*y*/, int /*cx*/, int /*cy*/, unsigned flags) {
    World& w = world();
    w.noteCall("SetWindowPos", hwnd);
    constexpr unsigned kModelled = kSwpNoSize | kSwpNoMove | kSwpNoZOrder | kSwpNoActivate | kSwpFrameChanged;
    if ((flags & kSwpNoMove) == 0 || (flags & kSwpNoSize) == 0 || (flags & ~kModelled) != 0) {
        sim::unmodelled("SetWindowPos that moves, sizes, shows or hides");
    }
    if (!(flags & kSwpNoZOrder) && insertAfter != kHwndTop && insertAfter != kHwndTopmost &&
        insertAfter != kHwndNoTopmost) {
        sim::unmodelled("SetWindowPos to a place other than the top, topmost or not topmost");
    }
    sim::Window* win = w.find(hwnd);
    w.log(Call::SetWindowPos, hwnd, win != nullptr, {handleValue(insertAfter), flags});
    if (!win) return false;
    if (!(flags & kSwpNoZOrder)) w.reorder(hwnd, insertAfter);
    w.setGeometry(hwnd, win->rect, (flags & kSwpFrameChanged) != 0);
    return true;
}

bool setLayeredWindowAttributes(Hwnd hwnd, ColorRef key, std::uint8_t alpha, std::uint32_t flags) {
    World& w = world();
    w.noteCall("SetLayeredWindowAttributes", hwnd);
    sim::Window* win = w.find(hwnd);
    const bool layered = win && (win->exStyle & kWsExLayered);
    w.log(Call::SetLayeredWindowAttributes, hwnd, layered, {key, alpha, flags});
    if (!layered) {
        w.lastError = win ? sim::k::kErrorInvalidParameter : sim::k::kErrorInvalidWindowHandle;
        return false;
    }
    win->layeredSet = true;
    win->alpha = alpha;
    return true;
}

namespace {

std::string propKey(const char* name) {
    std::string key = name ? name : "";
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

}  // namespace

bool setProp(Hwnd hwnd, const char* name, std::uintptr_t value) {
    World& w = world();
    w.noteCall("SetPropA", hwnd);
    sim::Window* win = w.find(hwnd);
    const bool ok = win && !w.failNow(sim::Failure::SetProp);
    w.log(Call::SetProp, hwnd, ok, {static_cast<std::int64_t>(value)}, {name ? name : ""});
    if (!ok) {
        w.lastError = win ? sim::k::kErrorAccessDenied : sim::k::kErrorInvalidWindowHandle;
        return false;
    }
    win->props[propKey(name)] = value;
    return true;
}

std::uintptr_t getProp(Hwnd hwnd, const char* name) {
    World& w = world();
    w.noteCall("GetPropA", hwnd);
    const sim::Window* win = w.find(hwnd);
    if (!win) return 0;
    const auto it = win->props.find(propKey(name));
    return it == win->props.end() ? 0 : it->second;
}

std::uintptr_t removeProp(Hwnd hwnd, const char* name) {
    World& w = world();
    w.noteCall("RemovePropA", hwnd);
    sim::Window* win = w.find(hwnd);
    const auto node = win ? win->props.extract(propKey(name)) : decltype(win->props)::node_type{};
    w.log(Call::RemoveProp, hwnd, !node.empty(), {}, {name ? name : ""});
    return node.empty() ? 0 : node.mapped();
}

bool showWindow(Hwnd hwnd, int command) {
    World& w = world();
    w.noteCall("ShowWindow", hwnd);
    const bool alive = w.alive(hwnd);
    w.log(Call::ShowWindow, hwnd, alive, {command});
    return alive && w.showWindow(hwnd, command);
}

bool enableWindow(Hwnd hwnd, bool enable) {
    World& w = world();
    w.noteCall("EnableWindow", hwnd);
    sim::Window* win = w.find(hwnd);
    w.log(Call::EnableWindow, hwnd, win != nullptr, {enable ? 1 : 0});
    if (!win) return false;
    // The answer is whether the window was disabled before.
    const bool wasDisabled = (win->style & kWsDisabled) != 0;
    if (enable) {
        win->style &= ~kWsDisabled;
    } else {
        win->style |= kWsDisabled;
    }
    return wasDisabled;
}

bool destroyWindow(Hwnd hwnd) {
    World& w = world();
    w.noteCall("DestroyWindow", hwnd);
    sim::Window* win = w.find(hwnd);
    // Only the thread that made a window can destroy it.
    const bool own = win && win->processId == w.ownPid;
    w.log(Call::DestroyWindow, hwnd, own);
    if (!win) {
        w.lastError = sim::k::kErrorInvalidWindowHandle;
        return false;
    }
    if (!own) {
        w.lastError = sim::k::kErrorAccessDenied;
        return false;
    }
    return w.destroy(hwnd);
}

bool invalidateRect(Hwnd hwnd, const Rect* rect, bool erase) {
    World& w = world();
    w.noteCall("InvalidateRect", hwnd);
    sim::Window* win = w.find(hwnd);
    std::vector<std::int64_t> args = rectArgs(rect);
    args.push_back(erase ? 1 : 0);
    w.log(Call::InvalidateRect, hwnd, win != nullptr, std::move(args));
    if (!win) return false;
    ++win->invalidations;
    win->lastInvalidateErased = erase;
    win->lastInvalidateWhole = rect == nullptr;
    return true;
}

Hwnd getOwner(Hwnd hwnd) {
    world().noteCall("GetWindow", hwnd);
    const sim::Window* w = world().find(hwnd);
    return (w && w->parent == kNoWindow) ? w->owner : kNoWindow;
}

Hwnd getDlgItem(Hwnd dialog, int id) {
    world().noteCall("GetDlgItem", dialog);
    return world().dialogItem(dialog, id);
}

bool setWindowTextUtf8(Hwnd hwnd, std::string_view utf8) {
    World& w = world();
    w.noteCall("SetWindowTextW", hwnd);
    sim::Window* win = w.find(hwnd);
    w.log(Call::SetWindowText, hwnd, win != nullptr, {}, {std::string(utf8)});
    if (!win) return false;
    w.setUtf8Text(*win, utf8);
    return true;
}

std::string getWindowTextUtf8(Hwnd hwnd) {
    World& w = world();
    w.noteCall("GetWindowTextW", hwnd);
    const sim::Window* win = w.find(hwnd);
    return win ? w.utf8Text(*win) : std::string();
}

std::string getWindowTextWide(Hwnd hwnd, int maxChars) {
    World& w = world();
    w.noteCall("GetWindowTextW", hwnd);
    const sim::Window* win = w.find(hwnd);
    if (!win || maxChars <= 0) return {};
    std::wstring text = utf8ToWide(w.utf8Text(*win));
    if (text.size() >= static_cast<std::size_t>(maxChars))
        text.resize(static_cast<std::size_t>(maxChars) - 1);
    return wideToUtf8(text);
}

bool setWindowTextA(Hwnd hwnd, std::string_view ansi) {
    World& w = world();
    w.noteCall("SetWindowTextA", hwnd);
    sim::Window* win = w.find(hwnd);
    w.log(Call::SetWindowText, hwnd, win != nullptr, {}, {sim::ansiToUtf8(ansi, w.codePage)});
    if (!win) return false;
    w.setAnsiText(*win, ansi);
    return true;
}

bool checkDlgButton(Hwnd dialog, int id, int state) {
    World& w = world();
    w.noteCall("CheckDlgButton", dialog);
    const Hwnd item = w.dialogItem(dialog, id);
    if (item == kNoWindow) return false;
    w.send(item, msg::kBmSetCheck, static_cast<std::uintptr_t>(state), 0);
    return true;
}

int isDlgButtonChecked(Hwnd dialog, int id) {
    World& w = world();
    w.noteCall("IsDlgButtonChecked", dialog);
    const Hwnd item = w.dialogItem(dialog, id);
    if (item == kNoWindow) return 0;
    return static_cast<int>(w.send(item, msg::kBmGetCheck, 0, 0));
}

std::intptr_t sendMessage(Hwnd hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    World& w = world();
    w.noteCall("SendMessageA", hwnd);
    if (!w.alive(hwnd)) {
        w.lastError = sim::k::kErrorInvalidWindowHandle;
        return 0;
    }
    // A plain send waits as long as the window's thread is stuck.
    if (!w.waitForAnswer(hwnd, std::nullopt)) return 0;
    return w.send(hwnd, message, wParam, lParam);
}

bool postMessage(Hwnd hwnd, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    World& w = world();
    w.noteCall("PostMessageA", hwnd);
    if (hwnd != kNoWindow && !w.alive(hwnd)) {
        w.lastError = sim::k::kErrorInvalidWindowHandle;
        return false;
    }
    w.post(hwnd, message, wParam, lParam);
    return true;
}

std::uintptr_t setTimer(Hwnd hwnd, std::uintptr_t id, unsigned elapseMs) {
    World& w = world();
    w.noteCall("SetTimer", hwnd);
    const bool ok = w.alive(hwnd);
    w.log(Call::SetTimer, hwnd, ok, {static_cast<std::int64_t>(id), elapseMs});
    if (!ok) return 0;
    const unsigned elapse = std::clamp(elapseMs, 10u, 0x7FFFFFFFu);  // USER_TIMER_MINIMUM and MAXIMUM
    const auto it = std::find_if(w.timers.begin(), w.timers.end(),
                                 [&](const sim::Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it != w.timers.end()) {
        it->elapse = elapse;
        it->due = w.now + elapse;
    } else {
        w.timers.push_back(sim::Timer{hwnd, id, elapse, w.now + elapse});
    }
    return id == 0 ? 1 : id;
}

bool killTimer(Hwnd hwnd, std::uintptr_t id) {
    World& w = world();
    w.noteCall("KillTimer", hwnd);
    const auto it = std::find_if(w.timers.begin(), w.timers.end(),
                                 [&](const sim::Timer& t) { return t.hwnd == hwnd && t.id == id; });
    const bool found = it != w.timers.end();
    w.log(Call::KillTimer, hwnd, found, {static_cast<std::int64_t>(id)});
    if (found) w.timers.erase(it);
    return found;
}

void sleepMs(std::uint32_t ms) {
    World& w = world();
    w.noteCall("Sleep", kNoWindow);
    w.run(w.now + ms, false);
}

}  // namespace platform
