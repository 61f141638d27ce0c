// Dialogs from templates, modal runs and message boxes on the simulated desktop, and the
// dialog framework's backend hooks.
#include <algorithm>

#include "platform/sim/world.h"

namespace platform::sim {

namespace {

// MulDiv: rounded to the nearest.
int mulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

}  // namespace

const DialogTemplate* World::findTemplate(int templateId) const {
    if (const auto it = templates.find(templateId); it != templates.end()) return &it->second;
    const auto& store = resources().dialogs;
    if (const auto it = store.find(templateId); it != store.end()) return &it->second;
    return nullptr;
}

Hwnd World::createDialog(int templateId, Hwnd parent, backend::DialogProc proc, void* context) {
    const DialogTemplate* tpl = findTemplate(templateId);
    if (!tpl || failingTemplates.count(templateId)) {
        lastError = k::kErrorResourceTypeNotFound;
        return kNoWindow;
    }
    const DialogTemplate t = *tpl;  // a copy: the store may change while the dialog initialises
    std::uint32_t style = t.style;
    std::uint32_t exStyle = t.exStyle;
    if (style & k::kDsModalFrame) exStyle |= k::kWsExDlgModalFrame;
    if (style & k::kDsControl) {
        style &= ~(kWsCaption | kWsSysMenu);
        exStyle |= k::kWsExControlParent;
    }
    const bool showAfterInit = (style & kWsVisible) != 0;
    style &= ~kWsVisible;
    const bool child = (style & kWsChild) != 0;
    if (!child && !(style & kWsPopup)) style |= kWsCaption;  // as every overlapped window gets
    const Window* pw = find(parent);
    if (child && !pw) {
        lastError = k::kErrorInvalidWindowHandle;
        return kNoWindow;
    }
    const Hwnd owner = (!child && pw) ? parent : kNoWindow;  // the program's owners are top-level

    // The template places the client area; the frame goes around it.
    const int clientWidth = mulDiv(t.cx, kBaseUnitX, 4);
    const int clientHeight = mulDiv(t.cy, kBaseUnitY, 8);
    int x = mulDiv(t.x, kBaseUnitX, 4);
    int y = mulDiv(t.y, kBaseUnitY, 8);
    if (child) {
        x += pw->client.left;
        y += pw->client.top;
    } else if (!(style & k::kDsAbsAlign) && owner != kNoWindow) {
        x += find(owner)->client.left;
        y += find(owner)->client.top;
    }
    const Rect probe = clientFor(Rect{0, 0, 1000, 1000}, style, exStyle);
    Rect rect{x - probe.left, y - probe.top, x + clientWidth + (1000 - probe.right),
              y + clientHeight + (1000 - probe.bottom)};
    if (!child) {
        const Rect& mon = monitors.front().rect;
        // Kept on the monitor.
        const int dx = rect.right > mon.right ? mon.right - rect.right : 0;
        const int dy = rect.bottom > mon.bottom ? mon.bottom - rect.bottom : 0;
        rect = Rect{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
        if (rect.left < mon.left) rect = Rect{mon.left, rect.top, mon.left + rect.width(), rect.bottom};
        if (rect.top < mon.top) rect = Rect{rect.left, mon.top, rect.right, mon.top + rect.height()};
    }

    WindowSpec recipe;
    recipe.className = t.className.empty() ? kDialogClass : t.className;
    recipe.style = style;
    recipe.exStyle = exStyle;
    recipe.rect = rect;
    recipe.processId = ownPid;
    recipe.owner = owner;
    const Hwnd h = create(recipe, child ? parent : kNoWindow);
    Window* w = find(h);
    w->kind = Kind::Dialog;
    setUtf8Text(*w, t.title);
    w->templateId = templateId;
    const Rect client = w->client;

    for (const DialogItemTemplate& item : t.items) {
        WindowSpec c;
        c.className = item.className;
        c.style = item.style | kWsChild;
        c.exStyle = item.exStyle | k::kWsExNoParentNotify;
        const int cx = client.left + mulDiv(item.x, kBaseUnitX, 4);
        const int cy = client.top + mulDiv(item.y, kBaseUnitY, 8);
        c.rect = Rect{cx, cy, cx + mulDiv(item.cx, kBaseUnitX, 4), cy + mulDiv(item.cy, kBaseUnitY, 8)};
        c.id = static_cast<std::int32_t>(item.id);
        const Hwnd ch = create(c, h);
        Window* cw = find(ch);
        setUtf8Text(*cw, item.text);
        if (cw->kind == Kind::Button && (item.style & k::kBsTypeMask) == k::kBsDefPushButton &&
            find(h)->defaultId == 0) {
            find(h)->defaultId = c.id;
        }
    }

    w = find(h);
    w->proc = proc;
    w->context = context;
    Hwnd firstTab = kNoWindow;
    for (Hwnd c : w->children) {
        const Window* cw = find(c);
        if ((cw->style & kWsTabStop) && (cw->style & kWsVisible) && !(cw->style & kWsDisabled)) {
            firstTab = c;
            break;
        }
    }
    const std::intptr_t setFocus =
        send(h, msg::kInitDialog, handleValue(firstTab), reinterpret_cast<std::intptr_t>(context));
    if (!alive(h)) return kNoWindow;
    if (setFocus && firstTab != kNoWindow && alive(firstTab)) focus = firstTab;
    if (showAfterInit) find(h)->style |= kWsVisible;
    return h;
}

void World::centre(Hwnd h, Hwnd over) {
    Window* w = find(h);
    if (!w) return;
    const Window* ow = find(over);
    const Rect rect = w->rect;
    const Rect& work = monitors.front().rect;
    const Rect area = (ow && visibleWithAncestors(over) && !(ow->style & kWsMinimize)) ? ow->rect : work;
    const int x = (area.left + area.right) / 2 - rect.width() / 2;
    const int y = (area.top + area.bottom) / 2 - rect.height() / 2;
    setGeometry(h, Rect{x, y, x + rect.width(), y + rect.height()}, false);
}

void World::runModal(Hwnd dialog, const std::function<bool()>& ended) {
    ++modalRuns;
    run(now, true);
    if (!ended() && alive(dialog) && modalScript) {
        const auto script = modalScript;
        script(dialog);
    }
    run(now, true);
    if (!ended() && alive(dialog)) {
        // The script is done with the dialog: it ends the way Escape would end it.
        send(dialog, msg::kCommand, static_cast<std::uintptr_t>(kIdCancel),
             static_cast<std::intptr_t>(handleValue(dialogItem(dialog, kIdCancel))));
        run(now, true);
    }
    if (!ended() && alive(dialog)) ++unendedModalRuns;
}

int World::messageBox(Hwnd owner, std::string_view text, std::string_view caption, unsigned type) {
    MessageBoxRecord record{owner, std::string(text), std::string(caption), type, now};
    messageBoxes.push_back(record);
    log(Call::MessageBox, owner, true, {type}, {record.text, record.caption});
    // The box's own message loop runs while it is open: what was due arrives at once.
    Window* ow = find(owner);
    const bool disable = ow && !(ow->style & kWsDisabled);
    if (disable) ow->style |= kWsDisabled;
    run(now, true);
    int answer = kIdOk;
    const unsigned buttons = type & 0xF;
    if (buttons == 3 || buttons == 4) answer = 6;  // MB_YESNOCANCEL, MB_YESNO: IDYES
    if (messageBoxHandler) {
        const auto handler = messageBoxHandler;
        answer = handler(record);
    } else if (buttons == 2 || buttons == 5) {
        unmodelled("the first button of an abort/retry box");
    }
    if (disable) {
        if (Window* again = find(owner)) again->style &= ~kWsDisabled;
    }
    return answer;
}

}  // namespace platform::sim

// ---- the framework's hooks ---------------------------------------------------------------

namespace platform::backend {

using sim::world;

Hwnd createDialog(int templateId, Hwnd parent, DialogProc proc, void* context) {
    return world().createDialog(templateId, parent, proc, context);
}

void runModalLoop(Hwnd dialog, const std::function<bool()>& ended) {
    world().runModal(dialog, ended);
}

void centerWindow(Hwnd hwnd, Hwnd over) {
    world().centre(hwnd, over);
}

bool templateAtOrigin(int templateId) {
    const sim::DialogTemplate* t = world().findTemplate(templateId);
    if (!t) return false;
    constexpr std::uint32_t kPlacedByTemplate =
        sim::k::kDsCenter | sim::k::kDsCenterMouse | sim::k::kDsAbsAlign;
    return t->x == 0 && t->y == 0 && (t->style & kPlacedByTemplate) == 0;
}

BrushHandle defaultCtlColor(Hwnd dialog, unsigned message, DcHandle dc, Hwnd control) {
    return static_cast<BrushHandle>(static_cast<std::uint32_t>(world().defaultProc(
        dialog, message, static_cast<std::uint32_t>(dc), static_cast<std::intptr_t>(handleValue(control)))));
}

NotifyHeader decodeNotify(std::intptr_t lParam) {
    const auto* block = reinterpret_cast<const sim::NotifyBlock*>(lParam);
    if (!block) return {};
    return NotifyHeader{block->from, block->id, block->code};
}

Hwnd nextSibling(Hwnd hwnd) {
    sim::World& w = world();
    const sim::Window* win = w.find(hwnd);
    if (!win) return kNoWindow;
    const auto& list = w.siblingsOf(*win);
    const auto it = std::find(list.begin(), list.end(), hwnd);
    if (it == list.end() || it + 1 == list.end()) return kNoWindow;
    return *(it + 1);
}

}  // namespace platform::backend
