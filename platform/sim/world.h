// The simulated desktop's state and the operations that both the seam and the scene API use.
// Internal to platform/sim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/dialog.h"
#include "platform/sim/desktop.h"
#include "platform/types.h"

namespace platform::sim {

enum class Kind { Generic, Dialog, Button, Edit, Static, UpDown, SysLink };

struct UpDownState {
    int lower = 100;  // the control's default range is 100 .. 0
    int upper = 0;
    int pos = 0;
    Hwnd buddy{};
};

struct Window {
    Hwnd handle{};
    bool destroying = false;
    Kind kind = Kind::Generic;
    std::string className;
    std::string text;  // bytes, UTF-8 when textUtf8, else ANSI
    bool textUtf8 = false;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    Rect rect;    // screen
    Rect client;  // screen
    Rect restoreRect;
    std::int32_t id = 0;
    Hwnd parent{};
    Hwnd owner{};
    std::uint32_t processId = 0;
    std::vector<Hwnd> children;  // z-order, top first
    std::optional<Rect> region;
    bool layeredSet = false;
    std::uint8_t alpha = 0;
    bool hung = false;
    std::uint64_t hungSince = 0;
    DpiAwareness awareness = DpiAwareness::PerMonitor;  // taken at creation
    // Window properties by name; names compare without regard to ASCII case, as atoms do.
    std::map<std::string, std::uintptr_t> props;
    // Dialogs made from templates.
    backend::DialogProc proc = nullptr;
    void* context = nullptr;
    int templateId = 0;
    int defaultId = 0;
    // Controls.
    int checkState = 0;
    UpDownState updown;
    // Observations.
    int invalidations = 0;
    bool lastInvalidateErased = false;
    bool lastInvalidateWhole = false;
    std::uint32_t sysMenu = 0;
    // Scene hooks.
    std::function<void(const StyleChange&)> onStyleChanged;
    Desktop::MessageHook onMessage;
};

struct Process {
    ProcessSpec recipe;
    std::vector<std::uintptr_t> moduleHandles;
    bool ended = false;
};

struct Timer {
    Hwnd hwnd{};
    std::uintptr_t id = 0;
    unsigned elapse = 0;
    std::uint64_t due = 0;
};

struct SceneEvent {
    std::uint64_t time = 0;
    std::function<void()> fn;
};

struct Posted {
    Hwnd hwnd{};
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

struct Brush {
    ColorRef color = 0;
    bool live = true;
    bool system = false;
};

struct Dc {
    ColorRef textColor = 0;
    bool textColorSet = false;
    int bkMode = 2;
    bool bkModeSet = false;
};

struct MenuItem {
    bool separator = false;
    unsigned id = 0;
    std::string text;  // UTF-8
};

struct FailSwitch {
    int remaining = 0;  // -1: always
};

// What the WM_NOTIFY of a simulated control points at (lParam).
struct NotifyBlock {
    Hwnd from{};
    std::uintptr_t id = 0;
    int code = 0;
};

struct World {
    // Windows.
    std::map<std::uint32_t, std::unique_ptr<Window>> windows;  // live
    std::vector<std::unique_ptr<Window>> graveyard;            // gone; kept so stale pointers stay harmless
    std::vector<Hwnd> topLevel;                                // z-order, top first
    std::uint32_t nextHandle = 0x00010010;                     // only grows: handles are never reused
    Hwnd focus{};

    // Processes and the screen.
    std::map<std::uint32_t, Process> processes;
    std::uint32_t ownPid = 1000;
    std::uint32_t defaultPid = 2000;
    std::uint32_t nextPid = 2004;
    std::map<std::uintptr_t, std::uint32_t> openProcesses;  // handle -> pid
    std::uintptr_t nextProcessHandle = 0x104;
    std::vector<MonitorSpec> monitors{MonitorSpec{}};  // the first is the primary one
    // The calling thread's DPI context; unset: the program's own, from its manifest.
    std::optional<DpiAwareness> threadAwareness;
    bool rescaleRegions = false;
    mutable std::optional<DpiAwareness> programAwareness;
    unsigned codePage = 932;

    // Clock.
    std::uint64_t now = 0;
    std::vector<SceneEvent> events;  // in the order scheduled
    std::vector<Timer> timers;       // in the order first set
    std::deque<Posted> posted;

    // Hooks and scripts.
    std::function<void(Hwnd)> enumerateHook;
    std::set<std::uint32_t> destroyOnEnumerate;
    std::function<void(std::string_view, Hwnd)> callHook;
    std::optional<std::size_t> enumWindowsLimit;
    std::function<void(Hwnd)> modalScript;
    std::size_t modalRuns = 0;
    std::size_t unendedModalRuns = 0;
    std::function<int(const MessageBoxRecord&)> messageBoxHandler;
    std::vector<MessageBoxRecord> messageBoxes;
    std::optional<std::vector<DragStep>> dragScript;
    std::size_t moveLoops = 0;
    std::size_t deadlocks = 0;

    // Failures.
    std::map<Failure, FailSwitch> failures;
    std::set<int> failingTemplates;

    // Call log.
    std::vector<CallRecord> calls;

    // Per-desktop resources.
    std::map<int, DialogTemplate> templates;
    std::map<int, std::string> strings;

    // GDI.
    std::map<std::uint32_t, Brush> brushes;
    std::uint32_t nextBrush = 0x00B00010;
    std::uint32_t nextSystemBrush = 0x00100010;
    std::map<ColorRef, std::uint32_t> systemBrushes;
    std::size_t brushDoubleDeletes = 0;
    std::map<std::uint32_t, Dc> dcs;
    std::uint32_t nextDc = 0x01010010;
    std::map<std::uint32_t, std::vector<MenuItem>> menus;
    std::uint32_t nextMenu = 0x00C00010;
    std::vector<Desktop::IconDraw> iconDraws;
    std::map<std::string, std::uint16_t> classAtoms;

    // System.
    std::vector<std::string> args;
    std::string programPath = "C:\\Clipveil\\Clipveil.exe";
    std::string currentDirectory = "C:\\";
    std::vector<std::string> directoryChanges;
    std::optional<std::vector<std::uint8_t>> versionOverride;  // set: replaces the resource's
    bool versionCleared = false;
    Desktop::ConsoleState console;
    std::vector<Desktop::ShellOpen> shellOpens;
    std::set<std::string> mutexes;
    Hwnd mainWindow{};
    std::uint32_t lastError = 0;

    World();

    // ---- windows ----
    Window* find(Hwnd h);
    const Window* find(Hwnd h) const;
    bool alive(Hwnd h) const { return find(h) != nullptr; }
    Hwnd create(const WindowSpec& recipe, Hwnd parent);
    bool destroy(Hwnd h);
    void noteCall(std::string_view call, Hwnd h);
    void log(Call call, Hwnd h, bool ok, std::vector<std::int64_t> args = {},
             std::vector<std::string> texts = {});
    bool visibleWithAncestors(Hwnd h) const;
    bool enabledWithAncestors(Hwnd h) const;
    std::vector<Hwnd>& siblingsOf(const Window& w);
    void unlink(Window& w);
    void setGeometry(Hwnd h, const Rect& rect, bool frameChanged);
    void offsetDescendants(Window& w, int dx, int dy);
    void reorder(Hwnd h, Hwnd insertAfter);
    bool setStyleLong(Hwnd h, int index, std::uint32_t value, std::uint32_t& old);
    void minimise(Hwnd h);
    void restore(Hwnd h);
    bool showWindow(Hwnd h, int command);
    Rect clientFor(const Rect& rect, std::uint32_t style, std::uint32_t exStyle) const;
    Hwnd dialogItem(Hwnd dialog, int id) const;
    std::string ansiText(const Window& w) const;
    std::string utf8Text(const Window& w) const;
    void setAnsiText(Window& w, std::string_view ansi);
    void setUtf8Text(Window& w, std::string_view utf8);
    std::uint16_t classAtom(const std::string& name);
    bool failNow(Failure what);

    // ---- display scale ----
    DpiAwareness ownAwareness() const;
    DpiAwareness threadSpace() const { return threadAwareness.value_or(ownAwareness()); }
    // The monitor that the most of a rectangle in the given space lies on; null if none.
    const MonitorSpec* mostCovered(const Rect& r, DpiAwareness space) const;
    // The monitor the window's top-level window mostly lies on (the primary one if none).
    const MonitorSpec& monitorOf(Hwnd h) const;
    unsigned spaceDpi(DpiAwareness space, const MonitorSpec& m) const;
    Rect toSpace(const Rect& physical, DpiAwareness space, const MonitorSpec& m) const;
    Rect fromSpace(const Rect& logical, DpiAwareness space, const MonitorSpec& m) const;
    // A rectangle of the window's, as the calling thread reads it, and back.
    Rect toThread(Hwnd h, const Rect& physical) const {
        return toSpace(physical, threadSpace(), monitorOf(h));
    }
    // A place the calling thread gives a window, mapped by the monitor it lies on in that
    // thread's space (the window's present monitor if it lies on none).
    Rect fromThread(Hwnd h, const Rect& logical) const;

    // ---- messages ----
    std::intptr_t send(Hwnd h, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    std::intptr_t defaultProc(Hwnd h, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    // Waits (virtual time, scene events only) until a hung window answers; false if it never does
    // within limitMs (nullopt: no limit).
    bool waitForAnswer(Hwnd h, std::optional<std::uint32_t> limitMs);
    void post(Hwnd h, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void notifyParent(Hwnd control, unsigned code);

    // ---- clock ----
    // Runs events up to now + ms; with the message loop also posted messages and timers.
    void run(std::uint64_t until, bool messageLoop);
    void schedule(std::uint64_t time, std::function<void()> fn);

    // ---- controls ----
    bool buttonClick(Hwnd button);
    void setCheck(Hwnd button, int state);
    std::intptr_t upDownMessage(Hwnd updown, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    bool upDownTakeBuddyText(Window& ud);
    void upDownWriteBuddy(Window& ud);
    void upDownStep(Hwnd updown, int direction);
    Hwnd upDownFor(Hwnd buddy) const;
    void moveLoop(Hwnd h);
    void initControl(Window& control);

    // ---- dialogs and modal runs ----
    Hwnd createDialog(int templateId, Hwnd parent, backend::DialogProc proc, void* context);
    void runModal(Hwnd dialog, const std::function<bool()>& ended);
    int messageBox(Hwnd owner, std::string_view text, std::string_view caption, unsigned type);
    const DialogTemplate* findTemplate(int templateId) const;
    void centre(Hwnd h, Hwnd over);

    // ---- GDI ----
    std::uint32_t newDc();
    BrushHandle systemBrush(ColorRef color);
};

// The desktop's state; valid until the next reset().
World& world();

// Code page helpers shared by the sim's files.
std::string ansiToUtf8(std::string_view ansi, unsigned codePage);
std::string utf8ToAnsi(std::string_view utf8, unsigned codePage);
bool leadByte(unsigned char byte, unsigned codePage);
// Cuts ANSI text to at most maxBytes without splitting a double-byte character.
std::string cutAnsi(std::string_view ansi, std::size_t maxBytes, unsigned codePage);

// A region's coordinates scaled about the window's corner, as from one DPI space to another.
Rect scaledRegion(const Rect& region, unsigned numerator, unsigned denominator);

// Resources read from files; they outlive reset().
using ResourceStore = ResourceContents;
ResourceStore& resources();

// System values the sim needs beyond the seam's own.
namespace k {
inline constexpr std::uint32_t kWsExDlgModalFrame = 0x00000001u;
inline constexpr std::uint32_t kWsExNoParentNotify = 0x00000004u;
inline constexpr std::uint32_t kWsExControlParent = 0x00010000u;
inline constexpr std::uint32_t kDsAbsAlign = 0x0001u;
inline constexpr std::uint32_t kDsModalFrame = 0x0080u;
inline constexpr std::uint32_t kDsControl = 0x0400u;
inline constexpr std::uint32_t kDsCenter = 0x0800u;
inline constexpr std::uint32_t kDsCenterMouse = 0x1000u;
inline constexpr std::uint32_t kBsTypeMask = 0x000Fu;
inline constexpr std::uint32_t kBsPushButton = 0;
inline constexpr std::uint32_t kBsDefPushButton = 1;
inline constexpr std::uint32_t kBsAutoCheckBox = 3;
inline constexpr std::uint32_t kBsAutoRadioButton = 9;
inline constexpr std::uint32_t kBsPushLike = 0x1000u;
inline constexpr std::uint32_t kEsReadOnly = 0x0800u;
inline constexpr std::uint32_t kUdsSetBuddyInt = 0x0002u;
inline constexpr std::uint32_t kUdsAlignRight = 0x0004u;
inline constexpr std::uint32_t kUdsAutoBuddy = 0x0010u;
inline constexpr std::uint32_t kUdsArrowKeys = 0x0020u;
inline constexpr unsigned kDcHasDefId = 0x534B;
inline constexpr unsigned kScSize = 0xF000;
inline constexpr unsigned kScMove = 0xF010;
inline constexpr unsigned kScMinimize = 0xF020;
inline constexpr unsigned kScMaximize = 0xF030;
inline constexpr unsigned kScClose = 0xF060;
inline constexpr unsigned kScRestore = 0xF120;
inline constexpr unsigned kEnChange = 0x0300;
inline constexpr std::uint32_t kErrorInvalidWindowHandle = 1400;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorResourceTypeNotFound = 1813;
inline constexpr std::uint32_t kErrorTimeout = 1460;
inline constexpr ColorRef kColorBtnFace = 0x00F0F0F0;
inline constexpr ColorRef kColorWindowText = 0x00000000;
}  // namespace k

// Stops the test program when the code under test asks for something the sim does not model,
// rather than letting the sim answer differently from Windows.
[[noreturn]] void unmodelled(std::string_view what);

}  // namespace platform::sim
