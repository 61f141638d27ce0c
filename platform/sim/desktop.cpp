// The scene API over the simulated desktop's state.
#include "platform/sim/desktop.h"

#include <algorithm>

#include "platform/sim/world.h"

namespace platform::sim {

Desktop& desktop() {
    static Desktop instance;
    return instance;
}

World& world() {
    return desktop().world();
}

Desktop::Desktop() : world_(std::make_unique<World>()) {}
Desktop::~Desktop() = default;

void Desktop::reset() {
    world_ = std::make_unique<World>();
}

// ---- display scale ---------------------------------------------------------------------

void Desktop::setMonitors(std::vector<MonitorSpec> monitors) {
    if (monitors.empty()) unmodelled("a desktop without a monitor");
    world_->monitors = std::move(monitors);
}

void Desktop::setRescaleRegions(bool rescale) {
    world_->rescaleRegions = rescale;
}

DpiAwareness Desktop::programAwareness() const {
    return world_->ownAwareness();
}

Rect Desktop::rectIn(Hwnd hwnd, DpiAwareness space) const {
    const Window* w = world_->find(hwnd);
    return w ? world_->toSpace(w->rect, space, world_->monitorOf(hwnd)) : Rect{};
}

// ---- windows -------------------------------------------------------------------------

Hwnd Desktop::createWindow(const WindowSpec& recipe) {
    return world_->create(recipe, kNoWindow);
}

Hwnd Desktop::createChild(Hwnd parent, const WindowSpec& recipe) {
    if (!world_->alive(parent)) return kNoWindow;
    WindowSpec child = recipe;
    child.style |= kWsChild;
    return world_->create(child, parent);
}

bool Desktop::destroy(Hwnd hwnd) {
    return world_->destroy(hwnd);
}

void Desktop::setText(Hwnd hwnd, std::string_view ansi) {
    if (Window* w = world_->find(hwnd)) world_->setAnsiText(*w, ansi);
}

void Desktop::setTextUtf8(Hwnd hwnd, std::string_view utf8) {
    if (Window* w = world_->find(hwnd)) world_->setUtf8Text(*w, utf8);
}

void Desktop::setRect(Hwnd hwnd, const Rect& screen) {
    world_->setGeometry(hwnd, screen, false);
}

void Desktop::setStyle(Hwnd hwnd, std::uint32_t style) {
    if (Window* w = world_->find(hwnd)) w->style = style;
}

void Desktop::setExStyle(Hwnd hwnd, std::uint32_t exStyle) {
    if (Window* w = world_->find(hwnd)) w->exStyle = exStyle;
}

void Desktop::show(Hwnd hwnd, bool visible) {
    world_->showWindow(hwnd, visible ? kSwShow : kSwHide);
}

void Desktop::setEnabled(Hwnd hwnd, bool enabled) {
    if (Window* w = world_->find(hwnd)) {
        if (enabled) {
            w->style &= ~kWsDisabled;
        } else {
            w->style |= kWsDisabled;
        }
    }
}

void Desktop::minimise(Hwnd hwnd) {
    world_->minimise(hwnd);
}
void Desktop::restore(Hwnd hwnd) {
    world_->restore(hwnd);
}

void Desktop::setHung(Hwnd hwnd, bool hung) {
    if (Window* w = world_->find(hwnd)) {
        if (hung && !w->hung) w->hungSince = world_->now;
        w->hung = hung;
    }
}

void Desktop::setProcessHung(std::uint32_t processId, bool hung) {
    for (const auto& [value, w] : world_->windows) {
        if (w->processId == processId) setHung(w->handle, hung);
    }
}

bool Desktop::exists(Hwnd hwnd) const {
    return world_->alive(hwnd);
}

std::optional<WindowState> Desktop::state(Hwnd hwnd) const {
    const Window* w = world_->find(hwnd);
    if (!w) return std::nullopt;
    WindowState s;
    s.handle = w->handle;
    s.className = w->className;
    s.textAnsi = world_->ansiText(*w);
    s.textUtf8 = world_->utf8Text(*w);
    s.style = w->style;
    s.exStyle = w->exStyle;
    s.rect = w->rect;
    s.client = w->client;
    s.id = w->id;
    s.parent = w->parent;
    s.owner = w->owner;
    s.processId = w->processId;
    s.region = w->region;
    s.awareness = w->awareness;
    if ((w->exStyle & kWsExLayered) && w->layeredSet) s.alpha = w->alpha;
    s.hung = w->hung;
    s.isDialog = w->kind == Kind::Dialog;
    s.templateId = w->templateId;
    s.checkState = w->checkState;
    s.invalidations = w->invalidations;
    s.lastInvalidateErased = w->lastInvalidateErased;
    s.lastInvalidateWhole = w->lastInvalidateWhole;
    return s;
}

std::string Desktop::textUtf8(Hwnd hwnd) const {
    const Window* w = world_->find(hwnd);
    return w ? world_->utf8Text(*w) : std::string();
}

Rect Desktop::rect(Hwnd hwnd) const {
    const Window* w = world_->find(hwnd);
    return w ? w->rect : Rect{};
}

std::optional<Rect> Desktop::region(Hwnd hwnd) const {
    const Window* w = world_->find(hwnd);
    return w ? w->region : std::nullopt;
}

std::uint32_t Desktop::style(Hwnd hwnd) const {
    const Window* w = world_->find(hwnd);
    return w ? w->style : 0;
}

std::uint32_t Desktop::exStyle(Hwnd hwnd) const {
    const Window* w = world_->find(hwnd);
    return w ? w->exStyle : 0;
}

bool Desktop::isVisible(Hwnd hwnd) const {
    return world_->visibleWithAncestors(hwnd);
}

std::vector<Hwnd> Desktop::topLevelWindows() const {
    return world_->topLevel;
}

Hwnd Desktop::item(Hwnd dialog, int id) const {
    return world_->dialogItem(dialog, id);
}

std::size_t Desktop::windowCount() const {
    return world_->windows.size();
}

std::vector<Hwnd> Desktop::dialogs(int templateId) const {
    // Handles are never reused and only grow, so the highest is the newest.
    std::vector<Hwnd> out;
    for (auto it = world_->windows.rbegin(); it != world_->windows.rend(); ++it) {
        const Window& w = *it->second;
        if (w.templateId == templateId && w.kind == Kind::Dialog) out.push_back(w.handle);
    }
    return out;
}

// ---- processes -----------------------------------------------------------------------

std::uint32_t Desktop::ownProcessId() const {
    return world_->ownPid;
}
std::uint32_t Desktop::defaultProcessId() const {
    return world_->defaultPid;
}

std::uint32_t Desktop::addProcess(const ProcessSpec& recipe) {
    const std::uint32_t pid = world_->nextPid;
    world_->nextPid += 4;
    world_->processes[pid].recipe = recipe;
    return pid;
}

void Desktop::setProcess(std::uint32_t processId, const ProcessSpec& recipe) {
    Process& p = world_->processes[processId];
    p.recipe = recipe;
    p.moduleHandles.clear();
}

void Desktop::endProcess(std::uint32_t processId) {
    std::vector<Hwnd> windows;
    for (const auto& [value, w] : world_->windows) {
        if (w->processId == processId && !world_->find(w->parent)) windows.push_back(w->handle);
    }
    for (Hwnd hwnd : windows) destroy(hwnd);
    world_->processes[processId].ended = true;
}

std::size_t Desktop::openProcessHandles() const {
    return world_->openProcesses.size();
}

// ---- code page -----------------------------------------------------------------------

void Desktop::setCodePage(unsigned codePage) {
    world_->codePage = codePage == 1252 ? 1252 : 932;
}
std::string Desktop::toAnsi(std::string_view utf8) const {
    return utf8ToAnsi(utf8, world_->codePage);
}
std::string Desktop::fromAnsi(std::string_view ansi) const {
    return ansiToUtf8(ansi, world_->codePage);
}

// ---- clock ---------------------------------------------------------------------------

std::uint64_t Desktop::now() const {
    return world_->now;
}
void Desktop::advance(std::uint32_t ms) {
    world_->run(world_->now + ms, true);
}
void Desktop::after(std::uint32_t ms, std::function<void()> event) {
    world_->schedule(world_->now + ms, std::move(event));
}

bool Desktop::hasTimer(Hwnd hwnd, std::uintptr_t id) const {
    return timerPeriod(hwnd, id).has_value();
}

std::optional<unsigned> Desktop::timerPeriod(Hwnd hwnd, std::uintptr_t id) const {
    for (const Timer& t : world_->timers) {
        if (t.hwnd == hwnd && t.id == id) return t.elapse;
    }
    return std::nullopt;
}

// ---- hooks ---------------------------------------------------------------------------

void Desktop::onStyleChanged(Hwnd hwnd, std::function<void(const StyleChange&)> fn) {
    if (Window* w = world_->find(hwnd)) w->onStyleChanged = std::move(fn);
}

void Desktop::onMessage(Hwnd hwnd, MessageHook fn) {
    if (Window* w = world_->find(hwnd)) w->onMessage = std::move(fn);
}

void Desktop::onEnumerate(std::function<void(Hwnd)> fn) {
    world_->enumerateHook = std::move(fn);
}
void Desktop::destroyWhenEnumerated(Hwnd hwnd) {
    world_->destroyOnEnumerate.insert(handleValue(hwnd));
}
void Desktop::onCall(std::function<void(std::string_view, Hwnd)> fn) {
    world_->callHook = std::move(fn);
}
void Desktop::failEnumWindowsAfter(std::size_t n) {
    world_->enumWindowsLimit = n;
}

// ---- failures ------------------------------------------------------------------------

void Desktop::fail(Failure what, int times) {
    if (times == 0) {
        world_->failures.erase(what);
        return;
    }
    world_->failures[what] = FailSwitch{times < 0 ? -1 : times};
}

void Desktop::failCreateDialog(int templateId) {
    world_->failingTemplates.insert(templateId);
}
void Desktop::holdMutex(std::string name) {
    world_->mutexes.insert(std::move(name));
}

// ---- call log ------------------------------------------------------------------------

const std::vector<CallRecord>& Desktop::calls() const {
    return world_->calls;
}

void Desktop::clearCalls() {
    world_->calls.clear();
}

// ---- user actions --------------------------------------------------------------------

namespace {

bool usable(const World& w, Hwnd h) {
    return w.visibleWithAncestors(h) && w.enabledWithAncestors(h);
}

}  // namespace

bool Desktop::click(Hwnd control) {
    World& w = *world_;
    Window* c = w.find(control);
    if (!c || !usable(w, control)) return false;
    switch (c->kind) {
        case Kind::Button:
            return w.buttonClick(control);
        case Kind::SysLink: {
            NotifyBlock block{control, static_cast<std::uintptr_t>(static_cast<std::uint32_t>(c->id)),
                              kNmClick};
            if (w.alive(c->parent)) {
                w.send(c->parent, msg::kNotify, block.id, reinterpret_cast<std::intptr_t>(&block));
            }
            return true;
        }
        default:
            unmodelled("a click on a control other than a button or a link");
    }
}

bool Desktop::typeText(Hwnd edit, std::string_view utf8) {
    World& w = *world_;
    Window* e = w.find(edit);
    if (!e || !usable(w, edit) || (e->style & k::kEsReadOnly)) return false;
    w.setUtf8Text(*e, utf8);
    w.notifyParent(edit, k::kEnChange);
    return true;
}

bool Desktop::pressKey(Hwnd window, unsigned virtualKey) {
    World& w = *world_;
    Window* win = w.find(window);
    if (!win || !usable(w, window)) return false;
    if (virtualKey == kVkUp || virtualKey == kVkDown) {
        Hwnd updown = win->kind == Kind::UpDown ? window : w.upDownFor(window);
        const Window* ud = w.find(updown);
        if (!ud || !(ud->style & k::kUdsArrowKeys)) return false;
        w.upDownStep(updown, virtualKey == kVkUp ? 1 : -1);
        return true;
    }
    // The dialog manager's keys: the dialog is the window itself or the control's parent.
    const Hwnd dialog = win->kind == Kind::Dialog ? window : win->parent;
    const Window* d = w.find(dialog);
    if (!d || d->kind != Kind::Dialog) return false;
    if (virtualKey == kVkEscape) {
        w.send(dialog, msg::kCommand, static_cast<std::uintptr_t>(kIdCancel),
               static_cast<std::intptr_t>(handleValue(w.dialogItem(dialog, kIdCancel))));
        return true;
    }
    if (virtualKey != kVkReturn) return false;
    const std::uint32_t type = win->style & k::kBsTypeMask;
    if (win->kind == Kind::Button && (type == k::kBsPushButton || type == k::kBsDefPushButton)) {
        return w.buttonClick(window);  // Enter on a push button presses that button
    }
    const std::intptr_t defId = w.send(dialog, msg::kDmGetDefId, 0, 0);
    int id = kIdOk;
    if (((defId >> 16) & 0xFFFF) == k::kDcHasDefId) {
        id = static_cast<int>(defId & 0xFFFF);
        const Window* def = w.find(w.dialogItem(dialog, id));
        if (def && (def->style & kWsDisabled)) return false;
    }
    w.send(dialog, msg::kCommand, static_cast<std::uintptr_t>(id) | (kBnClicked << 16),
           static_cast<std::intptr_t>(handleValue(w.dialogItem(dialog, id))));
    return true;
}

bool Desktop::clickSpin(Hwnd updown, bool up) {
    World& w = *world_;
    const Window* ud = w.find(updown);
    if (!ud || ud->kind != Kind::UpDown || !usable(w, updown)) return false;
    w.upDownStep(updown, up ? 1 : -1);
    return true;
}

void Desktop::close(Hwnd hwnd) {
    world_->send(hwnd, msg::kClose, 0, 0);
    pump();
}

void Desktop::setDragScript(std::vector<DragStep> steps) {
    world_->dragScript = std::move(steps);
}

bool Desktop::drag(Hwnd hwnd, std::vector<DragStep> steps) {
    World& w = *world_;
    if (!w.alive(hwnd) || !usable(w, hwnd)) return false;
    const std::size_t before = w.moveLoops;
    // The press is first offered as an activation, which may drop it before it becomes a
    // button message.
    constexpr auto kHtClientOnButtonDown = static_cast<std::intptr_t>((msg::kLButtonDown << 16) | kHtClient);
    const std::intptr_t activate = w.send(hwnd, msg::kMouseActivate, 0, kHtClientOnButtonDown);
    if (activate == kMaActivateAndEat || activate == kMaNoActivateAndEat) return false;
    w.dragScript = std::move(steps);
    w.send(hwnd, msg::kLButtonDown, 1, 0);
    w.dragScript.reset();  // a press that started no move loop leaves nothing behind
    return w.moveLoops > before;
}

bool Desktop::dragBy(Hwnd hwnd, int dx, int dy, int steps, std::uint32_t msPerStep) {
    const Window* win = world_->find(hwnd);
    if (!win || steps <= 0) return false;
    std::vector<DragStep> script;
    for (int i = 1; i <= steps; ++i) {
        script.push_back(
            DragStep{win->rect.left + dx * i / steps, win->rect.top + dy * i / steps, msPerStep});
    }
    return drag(hwnd, std::move(script));
}

std::size_t Desktop::moveLoopsRun() const {
    return world_->moveLoops;
}

std::optional<CtlColorReport> Desktop::ctlColor(Hwnd control) {
    World& w = *world_;
    const Window* c = w.find(control);
    if (!c) return std::nullopt;
    unsigned message = 0;
    Hwnd target = c->parent;
    const std::uint32_t type = c->style & k::kBsTypeMask;
    switch (c->kind) {
        case Kind::Dialog:
            message = msg::kCtlColorDlg;
            target = control;  // a dialog colours its own background
            break;
        case Kind::Button:
            // Push buttons, and check boxes or radio buttons drawn like them, ask as buttons.
            message = (type == k::kBsPushButton || type == k::kBsDefPushButton || (c->style & k::kBsPushLike))
                          ? msg::kCtlColorBtn
                          : msg::kCtlColorStatic;
            break;
        case Kind::Static:
        case Kind::SysLink:
            message = msg::kCtlColorStatic;
            break;
        default:
            return std::nullopt;
    }
    if (!w.alive(target)) return std::nullopt;
    const std::uint32_t dc = w.newDc();
    const std::intptr_t answer =
        w.send(target, message, dc, static_cast<std::intptr_t>(handleValue(control)));
    CtlColorReport report;
    report.message = message;
    report.brush = static_cast<BrushHandle>(static_cast<std::uint32_t>(answer));
    if (const auto it = w.brushes.find(static_cast<std::uint32_t>(answer)); it != w.brushes.end()) {
        report.brushColor = it->second.color;
        report.systemBrush = it->second.system;
    }
    const Dc& d = w.dcs[dc];
    report.textColor = d.textColor;
    report.textColorSet = d.textColorSet;
    report.bkMode = d.bkMode;
    report.bkModeSet = d.bkModeSet;
    w.dcs.erase(dc);
    return report;
}

// ---- modal runs and message boxes ----------------------------------------------------

void Desktop::onModal(std::function<void(Hwnd)> script) {
    world_->modalScript = std::move(script);
}
std::size_t Desktop::modalRuns() const {
    return world_->modalRuns;
}
std::size_t Desktop::unendedModalRuns() const {
    return world_->unendedModalRuns;
}
void Desktop::onMessageBox(std::function<int(const MessageBoxRecord&)> handler) {
    world_->messageBoxHandler = std::move(handler);
}
const std::vector<MessageBoxRecord>& Desktop::messageBoxes() const {
    return world_->messageBoxes;
}
std::size_t Desktop::deadlocks() const {
    return world_->deadlocks;
}

// ---- dialogs and resources -----------------------------------------------------------

void Desktop::registerTemplate(int templateId, DialogTemplate tpl) {
    world_->templates[templateId] = std::move(tpl);
}
void Desktop::registerString(int id, std::string utf8) {
    world_->strings[id] = std::move(utf8);
}

int Desktop::templateOf(Hwnd dialog) const {
    const Window* w = world_->find(dialog);
    return w ? w->templateId : 0;
}

Hwnd Desktop::focus() const {
    return world_->alive(world_->focus) ? world_->focus : kNoWindow;
}

// ---- GDI -----------------------------------------------------------------------------

std::size_t Desktop::liveBrushes() const {
    return static_cast<std::size_t>(
        std::count_if(world_->brushes.begin(), world_->brushes.end(),
                      [](const auto& b) { return b.second.live && !b.second.system; }));
}

std::size_t Desktop::brushDoubleDeletes() const {
    return world_->brushDoubleDeletes;
}

const std::vector<Desktop::IconDraw>& Desktop::iconDraws() const {
    return world_->iconDraws;
}

// ---- system --------------------------------------------------------------------------

void Desktop::setCommandLine(std::vector<std::string> args) {
    world_->args = std::move(args);
}

void Desktop::setProgramPath(std::string path) {
    world_->programPath = path;
    const auto slash = path.find_last_of('\\');
    Process& own = world_->processes[world_->ownPid];
    if (!own.recipe.modules.empty())
        own.recipe.modules.front() = Module{path.substr(slash == std::string::npos ? 0 : slash + 1), path};
    if (!world_->args.empty()) world_->args.front() = path;
}

std::string Desktop::programPath() const {
    return world_->programPath;
}
std::string Desktop::currentDirectory() const {
    return world_->currentDirectory;
}
std::vector<std::string> Desktop::currentDirectoryChanges() const {
    return world_->directoryChanges;
}

void Desktop::setVersionInfo(std::vector<std::uint8_t> block) {
    world_->versionOverride = std::move(block);
    world_->versionCleared = false;
}

void Desktop::clearVersionInfo() {
    world_->versionOverride.reset();
    world_->versionCleared = true;
}

const Desktop::ConsoleState& Desktop::console() const {
    return world_->console;
}

int Desktop::fireConsoleEvent(std::uint32_t event) {
    const ConsoleCtrlHandler handler = world_->console.handler;
    return handler ? handler(event) : 0;
}

const std::vector<Desktop::ShellOpen>& Desktop::shellOpens() const {
    return world_->shellOpens;
}

std::vector<std::string> Desktop::mutexes() const {
    return std::vector<std::string>(world_->mutexes.begin(), world_->mutexes.end());
}

}  // namespace platform::sim
