// The simulated desktop's core: windows and their tree, z-order, geometry, styles, messages
// and the virtual clock.
#include "platform/sim/world.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace platform::sim {

namespace {

Kind kindOf(std::string_view className) {
    std::string lower(className);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == kDialogClass) return Kind::Dialog;
    if (lower == "button") return Kind::Button;
    if (lower == "edit") return Kind::Edit;
    if (lower == "static") return Kind::Static;
    if (lower == "msctls_updown32") return Kind::UpDown;
    if (lower == "syslink") return Kind::SysLink;
    return Kind::Generic;
}

// The system's own classes answer GetClassName with their registered spelling, however
// the creator spelled them.
std::string registeredName(Kind kind, const std::string& given) {
    switch (kind) {
        case Kind::Button:
            return "Button";
        case Kind::Edit:
            return "Edit";
        case Kind::Static:
            return "Static";
        case Kind::UpDown:
            return "msctls_updown32";
        case Kind::SysLink:
            return "SysLink";
        default:
            return given;
    }
}

// Windows recomputes the window-edge bit from the frame styles whenever either changes.
std::uint32_t fixExStyle(std::uint32_t style, std::uint32_t exStyle) {
    if ((exStyle & k::kWsExDlgModalFrame) || (style & (kWsDlgFrame | kWsThickFrame))) {
        return exStyle | kWsExWindowEdge;
    }
    return exStyle & ~kWsExWindowEdge;
}

Rect offset(Rect r, int dx, int dy) {
    return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

std::intptr_t makeLParam(int low, int high) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(low) & 0xFFFFu) |
                                      ((static_cast<std::uint32_t>(high) & 0xFFFFu) << 16));
}

}  // namespace

void unmodelled(std::string_view what) {
    std::fprintf(stderr, "simulated desktop: not modelled: %.*s\n", static_cast<int>(what.size()),
                 what.data());
    std::abort();
}

World::World() {
    args = {programPath};
    Process own;
    const auto slash = programPath.find_last_of('\\');
    own.recipe.modules = {{programPath.substr(slash == std::string::npos ? 0 : slash + 1), programPath},
                          {"ntdll.dll", "C:\\Windows\\SYSTEM32\\ntdll.dll"}};
    processes[ownPid] = own;
    Process player;
    player.recipe.modules = {{"player.exe", "C:\\Program Files\\Player\\player.exe"},
                             {"ntdll.dll", "C:\\Windows\\SYSTEM32\\ntdll.dll"}};
    processes[defaultPid] = player;
}

// ---- windows ---------------------------------------------------------------------------

Window* World::find(Hwnd h) {
    const auto it = windows.find(handleValue(h));
    return it == windows.end() ? nullptr : it->second.get();
}

const Window* World::find(Hwnd h) const {
    const auto it = windows.find(handleValue(h));
    return it == windows.end() ? nullptr : it->second.get();
}

void World::noteCall(std::string_view call, Hwnd h) {
    if (callHook) {
        const auto hook = callHook;
        hook(call, h);
    }
}

void World::log(Call call, Hwnd h, bool ok, std::vector<std::int64_t> args, std::vector<std::string> texts) {
    calls.push_back(CallRecord{call, h, std::move(args), std::move(texts), ok});
}

std::uint16_t World::classAtom(const std::string& name) {
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto it = classAtoms.find(lower);
    if (it != classAtoms.end()) return it->second;
    const auto atom = static_cast<std::uint16_t>(0xC010 + classAtoms.size());
    classAtoms[lower] = atom;
    return atom;
}

bool World::failNow(Failure what) {
    const auto it = failures.find(what);
    if (it == failures.end()) return false;
    if (it->second.remaining < 0) return true;
    if (--it->second.remaining <= 0) failures.erase(it);
    return true;
}

Rect World::clientFor(const Rect& rect, std::uint32_t style, std::uint32_t exStyle) const {
    if (style & kWsMinimize) return Rect{rect.left, rect.top, rect.left, rect.top};
    // The frame rules of AdjustWindowRectEx.
    int adjust = 0;
    if ((exStyle & k::kWsExDlgModalFrame) || (style & (kWsThickFrame | kWsDlgFrame))) adjust = 2;
    if (style & kWsThickFrame) adjust += 1;  // sizing frame 4, fixed frame 3
    if ((style & (kWsBorder | kWsDlgFrame)) || (exStyle & k::kWsExDlgModalFrame)) adjust += 1;
    int left = adjust, top = adjust, right = adjust, bottom = adjust;
    if ((style & kWsCaption) == kWsCaption) top += kCaptionHeight;
    if (exStyle & kWsExClientEdge) {
        left += 2;
        top += 2;
        right += 2;
        bottom += 2;
    }
    Rect c{rect.left + left, rect.top + top, rect.right - right, rect.bottom - bottom};
    if (c.right < c.left) c.right = c.left;
    if (c.bottom < c.top) c.bottom = c.top;
    return c;
}

Hwnd World::create(const WindowSpec& recipe, Hwnd parent) {
    auto w = std::make_unique<Window>();
    const Hwnd h = toHwnd(nextHandle);
    nextHandle += 2;
    w->handle = h;
    w->kind = kindOf(recipe.className);
    w->className = registeredName(w->kind, recipe.className);
    w->text = recipe.text;
    w->style = recipe.style;
    w->exStyle = recipe.exStyle;
    w->id = recipe.id;
    Window* pw = find(parent);
    if (pw) {
        w->style |= kWsChild;
        w->parent = parent;
        w->processId = recipe.processId ? recipe.processId : pw->processId;
    } else {
        w->style &= ~kWsChild;
        if (!(w->style & kWsPopup)) w->style |= kWsCaption;  // an overlapped window always has a caption
        w->style |= kWsClipSiblings;
        w->processId = recipe.processId ? recipe.processId : defaultPid;
        if (find(recipe.owner)) w->owner = recipe.owner;
    }
    w->exStyle = fixExStyle(w->style, w->exStyle);
    if (recipe.awareness) {
        w->awareness = *recipe.awareness;
    } else if (pw) {
        w->awareness = pw->awareness;
    } else if (w->processId == ownPid) {
        w->awareness = threadSpace();  // a window takes its thread's context when it is made
    }
    w->rect = recipe.rect;
    w->client = clientFor(w->rect, w->style, w->exStyle);
    w->restoreRect = w->rect;
    Window* raw = w.get();
    windows[handleValue(h)] = std::move(w);
    if (pw) {
        pw->children.push_back(h);
    } else {
        const auto band = std::count_if(topLevel.begin(), topLevel.end(),
                                        [this](Hwnd t) { return (find(t)->exStyle & kWsExTopmost) != 0; });
        topLevel.insert(topLevel.begin() + ((raw->exStyle & kWsExTopmost) ? 0 : band), h);
    }
    initControl(*raw);
    return h;
}

std::vector<Hwnd>& World::siblingsOf(const Window& w) {
    if (Window* p = find(w.parent)) return p->children;
    return topLevel;
}

void World::unlink(Window& w) {
    auto& list = siblingsOf(w);
    list.erase(std::remove(list.begin(), list.end(), w.handle), list.end());
}

bool World::visibleWithAncestors(Hwnd h) const {
    const Window* w = find(h);
    if (!w) return false;
    for (; w; w = find(w->parent)) {
        if (!(w->style & kWsVisible)) return false;
    }
    return true;
}

bool World::enabledWithAncestors(Hwnd h) const {
    for (const Window* w = find(h); w; w = find(w->parent)) {
        if (w->style & kWsDisabled) return false;
    }
    return find(h) != nullptr;
}

Hwnd World::dialogItem(Hwnd dialog, int id) const {
    const Window* d = find(dialog);
    if (!d) return kNoWindow;
    for (Hwnd c : d->children) {
        const Window* cw = find(c);
        if (cw && cw->id == id) return c;
    }
    return kNoWindow;
}

std::string World::ansiText(const Window& w) const {
    return w.textUtf8 ? utf8ToAnsi(w.text, codePage) : w.text;
}
std::string World::utf8Text(const Window& w) const {
    return w.textUtf8 ? w.text : ansiToUtf8(w.text, codePage);
}

void World::setAnsiText(Window& w, std::string_view ansi) {
    w.text.assign(ansi.data(), ansi.size());
    w.textUtf8 = false;
}

void World::setUtf8Text(Window& w, std::string_view utf8) {
    w.text.assign(utf8.data(), utf8.size());
    w.textUtf8 = true;
}

bool World::destroy(Hwnd h) {
    Window* w = find(h);
    if (!w || w->destroying) return false;
    std::vector<Hwnd> subtree;
    const std::function<void(Hwnd)> collect = [&](Hwnd x) {
        subtree.push_back(x);
        if (const Window* xw = find(x)) {
            for (Hwnd c : xw->children) collect(c);
        }
    };
    collect(h);
    for (Hwnd x : subtree) find(x)->destroying = true;
    w->style &= ~kWsVisible;  // hidden first, as the system does
    if (std::find(subtree.begin(), subtree.end(), focus) != subtree.end()) focus = kNoWindow;

    // Owned windows of the same process go first; another process's lose their owner.
    if (w->parent == kNoWindow) {
        const std::uint32_t pid = w->processId;
        const auto list = topLevel;
        for (Hwnd o : list) {
            Window* ow = find(o);
            if (!ow || ow->owner != h) continue;
            if (ow->processId == pid) {
                destroy(o);
            } else {
                ow->owner = kNoWindow;
            }
        }
    }
    for (Hwnd x : subtree) {
        if (alive(x)) send(x, msg::kDestroy, 0, 0);
    }
    const std::function<void(Hwnd)> finish = [&](Hwnd x) {
        Window* xw = find(x);
        if (!xw) return;
        const auto kids = xw->children;
        for (Hwnd c : kids) finish(c);
        if (!alive(x)) return;
        send(x, msg::kNcDestroy, 0, 0);
        xw = find(x);
        if (!xw) return;
        unlink(*xw);
        timers.erase(
            std::remove_if(timers.begin(), timers.end(), [x](const Timer& t) { return t.hwnd == x; }),
            timers.end());
        if (xw->sysMenu) menus.erase(xw->sysMenu);
        if (mainWindow == x) mainWindow = kNoWindow;
        auto node = windows.extract(handleValue(x));
        graveyard.push_back(std::move(node.mapped()));
    };
    finish(h);
    return true;
}

void World::offsetDescendants(Window& w, int dx, int dy) {
    for (Hwnd c : w.children) {
        Window* cw = find(c);
        if (!cw) continue;
        cw->rect = offset(cw->rect, dx, dy);
        cw->client = offset(cw->client, dx, dy);
        cw->restoreRect = offset(cw->restoreRect, dx, dy);
        offsetDescendants(*cw, dx, dy);
    }
}

void World::setGeometry(Hwnd h, const Rect& rect, bool frameChanged) {
    Window* w = find(h);
    if (!w) return;
    const Rect oldRect = w->rect;
    const Rect oldClient = w->client;
    w->rect = rect;
    const bool sized = rect.width() != oldRect.width() || rect.height() != oldRect.height();
    if (sized || frameChanged) {
        w->client = clientFor(rect, w->style, w->exStyle);
    } else {
        w->client = offset(oldClient, rect.left - oldRect.left, rect.top - oldRect.top);
    }
    const int dx = w->client.left - oldClient.left;
    const int dy = w->client.top - oldClient.top;
    if (dx || dy) offsetDescendants(*w, dx, dy);
    const Rect client = w->client;
    const bool clientSized = client.width() != oldClient.width() || client.height() != oldClient.height();
    if (dx || dy) {
        int x = client.left, y = client.top;
        if (const Window* p = find(w->parent)) {
            x -= p->client.left;
            y -= p->client.top;
        }
        send(h, msg::kMove, 0, makeLParam(x, y));
    }
    if (clientSized && alive(h)) {
        const bool minimised = (find(h)->style & kWsMinimize) != 0;
        send(h, msg::kSize, minimised ? 1 : 0, makeLParam(client.width(), client.height()));
    }
}

void World::reorder(Hwnd h, Hwnd after) {
    Window* w = find(h);
    if (!w) return;
    auto& list = siblingsOf(*w);
    const auto at = [&list](Hwnd x) { return std::find(list.begin(), list.end(), x); };
    // Only the program's raising of windows is modelled (setWindowPos refuses the rest): a
    // child simply goes to the top of its siblings.
    if (w->parent != kNoWindow) {
        list.erase(at(h));
        if (after == kHwndTopmost) w->exStyle |= kWsExTopmost;
        list.insert(list.begin(), h);
        return;
    }
    const bool wasTopmost = (w->exStyle & kWsExTopmost) != 0;
    if (after == kHwndNoTopmost && !wasTopmost) return;  // already among the non-topmost windows
    list.erase(at(h));
    const auto band = [&] {
        return std::count_if(list.begin(), list.end(),
                             [this](Hwnd t) { return (find(t)->exStyle & kWsExTopmost) != 0; });
    };
    if (after == kHwndTopmost) {
        w->exStyle |= kWsExTopmost;
        list.insert(list.begin(), h);
    } else if (after == kHwndNoTopmost) {
        w->exStyle &= ~kWsExTopmost;
        list.insert(list.begin() + band(), h);
    } else {
        list.insert(list.begin() + (wasTopmost ? 0 : band()), h);
    }
    // Owned windows stay above their owner and share its band.
    std::vector<Hwnd> owned;
    for (Hwnd t : list) {
        if (const Window* tw = find(t); tw && tw->owner == h) owned.push_back(t);
    }
    for (Hwnd o : owned) {
        list.erase(at(o));
        Window* ow = find(o);
        ow->exStyle = (ow->exStyle & ~kWsExTopmost) | (w->exStyle & kWsExTopmost);
    }
    list.insert(at(h), owned.begin(), owned.end());
}

bool World::setStyleLong(Hwnd h, int index, std::uint32_t value, std::uint32_t& old) {
    Window* w = find(h);
    if (!w) return false;
    std::uint32_t now = value;
    if (index == kGwlStyle) {
        old = w->style;
        if (w->parent == kNoWindow) now |= kWsClipSiblings;  // cannot be cleared on a top-level window
        if (w->style & kWsMinimize) now |= kWsMinimize;      // nor can a minimised window's
        w->style = now;
        w->exStyle = fixExStyle(now, w->exStyle);
    } else if (index == kGwlExStyle) {
        old = w->exStyle;
        now = (now & ~kWsExTopmost) | (w->exStyle & kWsExTopmost);  // only SetWindowPos changes it
        now = fixExStyle(w->style, now);
        if (!(now & kWsExLayered)) w->layeredSet = false;  // the attributes go with the bit
        w->exStyle = now;
    } else {
        return false;
    }
    if (w->onStyleChanged) {
        const auto hook = w->onStyleChanged;
        hook(StyleChange{h, index, old, now});
    }
    return true;
}

void World::minimise(Hwnd h) {
    Window* w = find(h);
    if (!w || (w->style & kWsMinimize)) return;
    w->restoreRect = w->rect;
    w->style |= kWsMinimize;
    Rect parked = w->rect;
    if (w->parent == kNoWindow) parked = Rect{kMinimisedX, kMinimisedY, kMinimisedX + 160, kMinimisedY + 28};
    setGeometry(h, parked, true);
}

void World::restore(Hwnd h) {
    Window* w = find(h);
    if (!w || !(w->style & kWsMinimize)) return;
    w->style &= ~kWsMinimize;
    setGeometry(h, w->restoreRect, true);
}

bool World::showWindow(Hwnd h, int command) {
    Window* w = find(h);
    if (!w) return false;
    const bool wasVisible = (w->style & kWsVisible) != 0;
    switch (command) {
        case kSwHide:
            w->style &= ~kWsVisible;
            break;
        case kSwShow:
            w->style |= kWsVisible;
            break;
        default:
            unmodelled("ShowWindow with a command other than SW_SHOW or SW_HIDE");
    }
    return wasVisible;
}

// ---- messages --------------------------------------------------------------------------

std::intptr_t World::send(Hwnd h, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    Window* w = find(h);
    if (!w) {
        lastError = k::kErrorInvalidWindowHandle;
        return 0;
    }
    if (w->onMessage) {
        const auto hook = w->onMessage;
        if (const auto answer = hook(message, wParam, lParam)) return *answer;
        w = find(h);
        if (!w) return 0;
    }
    if (w->proc) {
        const auto proc = w->proc;
        void* const context = w->context;
        bool handled = false;
        const std::intptr_t result = proc(context, h, message, wParam, lParam, handled);
        if (handled || message == msg::kNcDestroy) return result;
    }
    return defaultProc(h, message, wParam, lParam);
}

void World::post(Hwnd h, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    posted.push_back(Posted{h, message, wParam, lParam});
}

void World::notifyParent(Hwnd control, unsigned code) {
    const Window* w = find(control);
    if (!w || !find(w->parent)) return;
    const auto wParam =
        static_cast<std::uintptr_t>((static_cast<std::uint32_t>(w->id) & 0xFFFFu) | (code << 16));
    send(w->parent, msg::kCommand, wParam, static_cast<std::intptr_t>(handleValue(control)));
}

bool World::waitForAnswer(Hwnd h, std::optional<std::uint32_t> limitMs) {
    const Window* w = find(h);
    if (!w) return false;
    if (!w->hung) return true;
    if (limitMs && now - w->hungSince >= kHungThresholdMs) return false;  // known hung: no wait at all
    const std::uint64_t deadline = limitMs ? now + *limitMs : std::numeric_limits<std::uint64_t>::max();
    for (;;) {
        w = find(h);
        if (!w) return false;
        if (!w->hung) return true;
        auto next = events.end();
        for (auto it = events.begin(); it != events.end(); ++it) {
            // The earliest; among equal times the first scheduled, which comes first here.
            if (it->time <= deadline && (next == events.end() || it->time < next->time)) {
                next = it;
            }
        }
        if (next == events.end()) break;
        SceneEvent event = std::move(*next);
        events.erase(next);
        now = std::max(now, event.time);
        event.fn();
    }
    if (limitMs) {
        now = std::max(now, deadline);
    } else {
        ++deadlocks;
    }
    return false;
}

// ---- clock -----------------------------------------------------------------------------

void World::schedule(std::uint64_t time, std::function<void()> fn) {
    events.push_back(SceneEvent{time, std::move(fn)});
}

void World::run(std::uint64_t until, bool messageLoop) {
    for (;;) {
        if (messageLoop && !posted.empty()) {
            const Posted p = posted.front();
            posted.pop_front();
            if (p.hwnd != kNoWindow && alive(p.hwnd)) send(p.hwnd, p.message, p.wParam, p.lParam);
            continue;
        }
        auto event = events.end();
        for (auto it = events.begin(); it != events.end(); ++it) {
            if (it->time <= until && (event == events.end() || it->time < event->time)) {
                event = it;
            }
        }
        auto timer = timers.end();
        if (messageLoop) {
            for (auto it = timers.begin(); it != timers.end(); ++it) {
                // Timers stay in the order they were set (re-arming keeps the place).
                if (it->due <= until && (timer == timers.end() || it->due < timer->due)) {
                    timer = it;
                }
            }
        }
        // A scene event and a tick due at the same moment: the scene changes first.
        if (event != events.end() && (timer == timers.end() || event->time <= timer->due)) {
            SceneEvent e = std::move(*event);
            events.erase(event);
            now = std::max(now, e.time);
            e.fn();
            continue;
        }
        if (timer == timers.end()) break;
        const std::uint64_t fireAt = std::max(now, timer->due);
        now = fireAt;
        // Ticks missed while nobody ran the loop come as one; the period keeps its phase.
        const std::uint64_t missed = (fireAt - timer->due) / timer->elapse;
        timer->due += timer->elapse * (missed + 1);
        const Hwnd h = timer->hwnd;
        const std::uintptr_t id = timer->id;
        send(h, msg::kTimer, id, 0);
    }
    now = std::max(now, until);
}

// ---- GDI helpers -----------------------------------------------------------------------

std::uint32_t World::newDc() {
    const std::uint32_t dc = nextDc++;
    dcs[dc] = Dc{};
    return dc;
}

BrushHandle World::systemBrush(ColorRef color) {
    auto it = systemBrushes.find(color);
    if (it == systemBrushes.end()) {
        const std::uint32_t h = nextSystemBrush++;
        brushes[h] = Brush{color, true, true};
        it = systemBrushes.emplace(color, h).first;
    }
    return static_cast<BrushHandle>(it->second);
}

DpiAwareness awarenessFromManifest(std::string_view manifest) {
    const auto element = [&](std::string_view name) -> std::optional<std::string> {
        const std::string open = "<" + std::string(name);
        std::size_t at = manifest.find(open);
        while (at != std::string_view::npos) {
            const char next = at + open.size() < manifest.size() ? manifest[at + open.size()] : '\0';
            if (next == '>' || next == ' ') break;  // not a longer name that starts the same
            at = manifest.find(open, at + 1);
        }
        if (at == std::string_view::npos) return std::nullopt;
        const std::size_t start = manifest.find('>', at);
        const std::size_t end = manifest.find('<', start);
        if (start == std::string_view::npos || end == std::string_view::npos) return std::nullopt;
        std::string value(manifest.substr(start + 1, end - start - 1));
        for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return value;
    };
    const auto trimmed = [](std::string v) {
        const auto first = v.find_first_not_of(" \t\r\n");
        const auto last = v.find_last_not_of(" \t\r\n");
        return first == std::string::npos ? std::string() : v.substr(first, last - first + 1);
    };
    if (const auto list = element("dpiAwareness")) {
        std::size_t from = 0;
        while (from <= list->size()) {
            const std::size_t comma = std::min(list->find(',', from), list->size());
            const std::string item = trimmed(list->substr(from, comma - from));
            if (item == "permonitorv2" || item == "permonitor") return DpiAwareness::PerMonitor;
            if (item == "system") return DpiAwareness::System;
            if (item == "unaware" || item == "unaware_gdiscaled") return DpiAwareness::Unaware;
            from = comma + 1;  // an unknown value: the next one is tried
        }
    }
    if (const auto aware = element("dpiAware")) {
        const std::string v = trimmed(*aware);
        if (v == "true/pm" || v == "per monitor") return DpiAwareness::PerMonitor;
        if (v == "true") return DpiAwareness::System;
    }
    return DpiAwareness::Unaware;
}

DpiAwareness World::ownAwareness() const {
    if (!programAwareness) programAwareness = awarenessFromManifest(resources().manifest);
    return *programAwareness;
}

const MonitorSpec* World::mostCovered(const Rect& r, DpiAwareness space) const {
    const MonitorSpec* best = nullptr;
    long long bestArea = 0;
    for (const MonitorSpec& m : monitors) {
        const Rect mr = toSpace(m.rect, space, m);
        const long long x = std::min(r.right, mr.right) - std::max(r.left, mr.left);
        const long long y = std::min(r.bottom, mr.bottom) - std::max(r.top, mr.top);
        if (x > 0 && y > 0 && x * y > bestArea) {
            bestArea = x * y;
            best = &m;
        }
    }
    return best;
}

const MonitorSpec& World::monitorOf(Hwnd h) const {
    const Window* w = find(h);
    while (w && w->parent != kNoWindow && find(w->parent)) w = find(w->parent);
    const MonitorSpec* on = w ? mostCovered(w->rect, DpiAwareness::PerMonitor) : nullptr;
    return on ? *on : monitors.front();
}

unsigned World::spaceDpi(DpiAwareness space, const MonitorSpec& m) const {
    switch (space) {
        case DpiAwareness::Unaware:
            return 96;
        case DpiAwareness::System:
            return monitors.front().dpi;
        case DpiAwareness::PerMonitor:
            break;
    }
    return m.dpi;
}

namespace {

// MulDiv: rounded to the nearest, halves away from zero.
int mulDiv(int value, unsigned numerator, unsigned denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

Rect scaleAbout(const Rect& r, int x, int y, unsigned numerator, unsigned denominator) {
    return Rect{x + mulDiv(r.left - x, numerator, denominator), y + mulDiv(r.top - y, numerator, denominator),
                x + mulDiv(r.right - x, numerator, denominator),
                y + mulDiv(r.bottom - y, numerator, denominator)};
}

}  // namespace

Rect World::toSpace(const Rect& physical, DpiAwareness space, const MonitorSpec& m) const {
    return scaleAbout(physical, m.rect.left, m.rect.top, spaceDpi(space, m), m.dpi);
}

Rect World::fromSpace(const Rect& logical, DpiAwareness space, const MonitorSpec& m) const {
    return scaleAbout(logical, m.rect.left, m.rect.top, m.dpi, spaceDpi(space, m));
}

Rect World::fromThread(Hwnd h, const Rect& logical) const {
    const MonitorSpec* on = mostCovered(logical, threadSpace());
    return fromSpace(logical, threadSpace(), on ? *on : monitorOf(h));
}

Rect scaledRegion(const Rect& region, unsigned numerator, unsigned denominator) {
    return scaleAbout(region, 0, 0, numerator, denominator);
}

}  // namespace platform::sim
