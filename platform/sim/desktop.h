// The simulated desktop behind the seam for native tests: a model of the windows, processes,
// monitors, clock and dialogs that the program works on, not a mock. A test builds a scene
// (a player with a grandchild video window, a process that cannot be opened, ...), runs the
// real code on it and reads the outcome back from here.
//
// Everything is single-threaded and synchronous. Time is virtual: sleepMs, advance and the
// modal and drag scripts move it; nothing waits for real time.
//
// Coordinates: every rectangle taken or given here is in screen coordinates, children too.
// Texts: WindowSpec::text and textAnsi are bytes of the sim's ANSI code page (932 unless
// changed); the UTF-8 forms are the program's own texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/sim/system_values.h"
#include "platform/system.h"
#include "platform/types.h"

namespace platform::sim {

struct World;

// Dialog units to pixels: the fixed base units of the template font (6 x 12 pixels), so
// one horizontal unit is 6 / 4 pixels and one vertical unit 12 / 8 pixels.
inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 12;
// Frame metrics used for client areas (those of the classic Windows look).
inline constexpr int kCaptionHeight = 19;
// A minimised top-level window is parked here, as Windows does.
inline constexpr int kMinimisedX = -32000;
inline constexpr int kMinimisedY = -32000;
// A hung window's thread has been stuck this long when abort-if-hung gives up at once.
inline constexpr std::uint32_t kHungThresholdMs = 5000;

// Display scale, as Windows 10 models it. Window rectangles are kept in physical pixels; each
// read through the seam is mapped into the calling thread's space, and each position given is
// mapped from it. A space is a monitor's own scale about the monitor's top-left corner:
// 96 DPI for an unaware thread, the primary monitor's DPI (the system DPI) for a system-aware
// one, the monitor's own for a per-monitor one. Everything the scene API takes or gives is
// physical.
enum class DpiAwareness { Unaware, System, PerMonitor };
struct MonitorSpec {
    Rect rect{0, 0, 1920, 1080};  // physical pixels
    unsigned dpi = 96;            // 96 is 100 %, 144 is 150 %
};
// What the manifest makes of a process on Windows 10 and later: <dpiAwareness>'s list, tried
// in order, takes precedence over <dpiAware>; neither makes it unaware.
DpiAwareness awarenessFromManifest(std::string_view manifest);

struct WindowSpec {
    std::string className = "SimWindow";
    std::string text;  // ANSI bytes
    std::uint32_t style = kWsOverlappedWindow | kWsVisible;
    std::uint32_t exStyle = 0;
    Rect rect{100, 100, 740, 580};  // screen coordinates, children too
    std::int32_t id = 0;            // control identifier (children)
    std::uint32_t processId = 0;    // 0: the parent's, or for a top-level window the default process
    Hwnd owner{};                   // top-level windows only
    // Unset: a child takes its parent's; a top-level window of another process is per-monitor
    // aware (as current players are), one of the own process takes the thread's context.
    std::optional<DpiAwareness> awareness;
};

// A read-only copy of one window's state.
struct WindowState {
    Hwnd handle{};
    std::string className;
    std::string textAnsi;
    std::string textUtf8;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    Rect rect;    // screen
    Rect client;  // screen
    std::int32_t id = 0;
    Hwnd parent{};
    Hwnd owner{};
    std::uint32_t processId = 0;
    std::optional<Rect> region;  // window coordinates, in the window's own space
    std::optional<std::uint8_t> alpha;
    DpiAwareness awareness = DpiAwareness::PerMonitor;
    bool hung = false;
    bool isDialog = false;
    int templateId = 0;
    int checkState = 0;
    int invalidations = 0;  // InvalidateRect calls received
    bool lastInvalidateErased = false;
    bool lastInvalidateWhole = false;
};

struct Module {
    std::string baseName;  // as the system reports it, e.g. "player.exe"
    std::string path;      // full path
};

struct ProcessSpec {
    std::vector<Module> modules;  // the first is the program's own module
    bool openable = true;         // OpenProcess succeeds
    bool modulesListable = true;  // EnumProcessModules succeeds
};

struct StyleChange {
    Hwnd hwnd{};
    int index = 0;  // kGwlStyle or kGwlExStyle
    std::uint32_t oldValue = 0;
    std::uint32_t newValue = 0;
};

// The window-changing calls the call log records, each with its numbers (args) and strings
// (texts) as the program passed them, after the window.
enum class Call {
    SetWindowLong,               // index (GWL_STYLE, GWL_EXSTYLE), value
    SetWindowRgn,                // left, top, right, bottom; none for NULL
    MoveWindow,                  // x, y, width, height
    SetWindowPos,                // insert-after (a handle value), flags
    SetLayeredWindowAttributes,  // key, alpha, flags
    SetProp,                     // value; the name
    RemoveProp,                  // the name
    ShowWindow,                  // command
    EnableWindow,                // 0 or 1
    DestroyWindow,               // nothing more
    InvalidateRect,              // left, top, right, bottom unless NULL, then erase
    SetWindowText,               // the text, UTF-8
    SetTimer,                    // id, ms
    KillTimer,                   // id
    MessageBox,                  // type; text, caption (the window is the owner)
    DragMove,                    // x, y: one step of a move loop
};

// One window-changing call the program made, in order.
struct CallRecord {
    Call call{};
    Hwnd hwnd{};
    std::vector<std::int64_t> args;
    std::vector<std::string> texts;
    bool ok = true;
};

struct MessageBoxRecord {
    Hwnd owner{};
    std::string text;     // UTF-8
    std::string caption;  // UTF-8
    unsigned type = 0;
    std::uint64_t time = 0;
};

// The answer to a WM_CTLCOLOR* request made by ctlColor().
struct CtlColorReport {
    unsigned message = 0;  // the WM_CTLCOLOR* sent
    BrushHandle brush{};
    std::optional<ColorRef> brushColor;  // empty when the answer is no brush the sim knows
    bool systemBrush = false;            // one of the system's own brushes
    ColorRef textColor = 0;
    bool textColorSet = false;  // the program called setTextColor
    int bkMode = 2;             // OPAQUE until changed
    bool bkModeSet = false;     // the program called setBkMode
};

// One step of a move loop: the window's new top-left corner, reached delayMs after the
// previous step (the clock advances, timers and scene events run, in between).
struct DragStep {
    int x = 0;
    int y = 0;
    std::uint32_t delayMs = 0;
};

// One parsed dialog template (both DIALOG and DIALOGEX forms). Class and title ordinals are
// kept as numbers; texts are UTF-8.
struct DialogItemTemplate {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t id = 0;
    std::string className;  // the class name, also for the predefined atoms ("Button", ...)
    std::uint16_t classAtom = 0;
    std::string text;
    std::optional<std::uint16_t> textOrdinal;
};

struct DialogTemplate {
    bool extended = false;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::string className;
    std::string title;
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0;
    std::uint8_t charset = 0;
    std::string font;
    std::vector<DialogItemTemplate> items;
};

// What a compiled resource file holds, by kind. Templates and strings by their numbers.
struct ResourceContents {
    std::map<int, DialogTemplate> dialogs;
    std::map<int, std::string> strings;  // UTF-8
    std::vector<std::uint8_t> versionInfo;
    std::set<int> icons;       // RT_ICON
    std::set<int> groupIcons;  // RT_GROUP_ICON
    std::string manifest;      // RT_MANIFEST 1, as stored (UTF-8 XML)
};

// Builds a VS_VERSIONINFO block the way resource compilers lay it out.
struct VersionInfoSpec {
    struct Translation {
        std::uint16_t language = 0x0411;
        std::uint16_t codePage = 0x04B0;
    };
    struct StringTable {
        std::string key;                                          // "041104b0"
        std::vector<std::pair<std::string, std::string>> values;  // name, UTF-8 value
    };
    std::uint16_t fileVersion[4] = {1, 0, 0, 0};
    std::uint16_t productVersion[4] = {1, 0, 0, 0};
    bool fixedInfo = true;
    std::vector<StringTable> stringTables;
    std::vector<Translation> translations;
    bool varFileInfo = true;  // false leaves out \VarFileInfo entirely
};
std::vector<std::uint8_t> buildVersionInfo(const VersionInfoSpec& recipe);

// Reads a compiled resource file (.res): nullopt when it is missing or malformed.
std::optional<ResourceContents> readResourceFile(const std::string& path);
std::optional<ResourceContents> readResourceBytes(const std::vector<std::uint8_t>& bytes);
std::optional<DialogTemplate> parseDialogTemplate(const std::vector<std::uint8_t>& bytes);
// Reads the file into the program's resources, which dialogs, strings, icons and the
// version services use. They stay for the whole test program (reset() keeps them).
bool loadResourceFile(const std::string& path);

enum class Failure {
    SetWindowRgn,
    GetFileVersionInfoSize,
    GetFileVersionInfo,
    CreateMutex,  // no handle comes back
    AllocConsole,
    SetProp,
};

class Desktop {
public:
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // A fresh desktop: no windows, one monitor 1920x1080 at 96 DPI, the own process, the
    // default process, time 0, no hooks, no failures, empty logs. Loaded resource files stay.
    void reset();

    // ---- display scale -----------------------------------------------------------------
    // The first monitor is the primary one; its DPI is the system DPI.
    void setMonitors(std::vector<MonitorSpec> monitors);
    // Windows keeps a region as given; a system could also rescale one set from another DPI
    // space into the window's. The program must clip right either way.
    void setRescaleRegions(bool rescale);
    // The own process's awareness, from the program's manifest in the loaded resources.
    DpiAwareness programAwareness() const;
    // The space a thread of that awareness works in on the monitor the window lies on.
    Rect rectIn(Hwnd hwnd, DpiAwareness space) const;

    // ---- windows -------------------------------------------------------------------
    Hwnd createWindow(const WindowSpec& recipe);              // top-level, on top of its band
    Hwnd createChild(Hwnd parent, const WindowSpec& recipe);  // last among its siblings
    // As the window's own thread would: its children and the windows it owns in the same
    // process go too; windows of other processes that it owns lose their owner and stay
    // (as on Windows and Wine). The program's own overlay survives a player closing.
    bool destroy(Hwnd hwnd);
    void setText(Hwnd hwnd, std::string_view ansi);
    void setTextUtf8(Hwnd hwnd, std::string_view utf8);
    void setRect(Hwnd hwnd, const Rect& screen);    // descendants move along
    void setStyle(Hwnd hwnd, std::uint32_t style);  // plain write, no hooks
    void setExStyle(Hwnd hwnd, std::uint32_t exStyle);
    void show(Hwnd hwnd, bool visible);
    void setEnabled(Hwnd hwnd, bool enabled);
    void minimise(Hwnd hwnd);
    void restore(Hwnd hwnd);
    // A hung window's thread does not answer sent messages; see sendGetTextA.
    void setHung(Hwnd hwnd, bool hung);
    void setProcessHung(std::uint32_t processId, bool hung);

    [[nodiscard]] bool exists(Hwnd hwnd) const;
    std::optional<WindowState> state(Hwnd hwnd) const;
    std::string textUtf8(Hwnd hwnd) const;  // empty for a gone window
    Rect rect(Hwnd hwnd) const;
    std::optional<Rect> region(Hwnd hwnd) const;
    std::uint32_t style(Hwnd hwnd) const;
    std::uint32_t exStyle(Hwnd hwnd) const;
    bool isVisible(Hwnd hwnd) const;            // with ancestors
    std::vector<Hwnd> topLevelWindows() const;  // z-order, top first
    Hwnd item(Hwnd dialog, int id) const;
    std::size_t windowCount() const;
    // Windows created from a template, the newest first.
    std::vector<Hwnd> dialogs(int templateId) const;

    // ---- processes -------------------------------------------------------------------
    std::uint32_t ownProcessId() const;
    std::uint32_t defaultProcessId() const;
    std::uint32_t addProcess(const ProcessSpec& recipe);
    void setProcess(std::uint32_t processId, const ProcessSpec& recipe);
    std::size_t openProcessHandles() const;  // opened and not yet closed
    // The process ends: its windows go; handles opened before stay valid and report the end.
    void endProcess(std::uint32_t processId);

    // ---- code page -----------------------------------------------------------------
    void setCodePage(unsigned codePage);  // 932 (default) or 1252
    std::string toAnsi(std::string_view utf8) const;
    std::string fromAnsi(std::string_view ansi) const;

    // ---- clock -----------------------------------------------------------------------
    std::uint64_t now() const;
    // Runs the thread's message loop for ms: posted messages, scene events and WM_TIMER in
    // time order (a timer due several times fires at each due time; an overdue one once).
    void advance(std::uint32_t ms);
    void pump() { advance(0); }
    void after(std::uint32_t ms, std::function<void()> event);
    bool hasTimer(Hwnd hwnd, std::uintptr_t id) const;
    std::optional<unsigned> timerPeriod(Hwnd hwnd, std::uintptr_t id) const;

    // ---- hooks -------------------------------------------------------------------------
    // After setWindowLongA changed GWL_STYLE or GWL_EXSTYLE (the window's WM_STYLECHANGED).
    void onStyleChanged(Hwnd hwnd, std::function<void(const StyleChange&)> fn);
    // A scene window's own answer to a message; nullopt leaves it to default processing.
    using MessageHook = std::function<std::optional<std::intptr_t>(unsigned, std::uintptr_t, std::intptr_t)>;
    void onMessage(Hwnd hwnd, MessageHook fn);
    // Called for each window an enumeration is about to report, before the callback sees it.
    void onEnumerate(std::function<void(Hwnd)> fn);
    // The window is destroyed right after the enumeration reaches it: the callback then
    // examines a handle that has just gone.
    void destroyWhenEnumerated(Hwnd hwnd);
    // Called at the start of every seam query or change on a window, with the system call's
    // name ("GetWindowRect", "IsWindowVisible", ...): lets a window vanish mid-examination.
    void onCall(std::function<void(std::string_view call, Hwnd)> fn);
    // EnumWindows fails part-way: it reports n windows, then returns failure.
    void failEnumWindowsAfter(std::size_t n);

    // ---- failures ----------------------------------------------------------------------
    void fail(Failure what, int times = -1);  // -1: every call; 0 clears it
    void failCreateDialog(int templateId);
    void holdMutex(std::string name);  // another instance already holds it

    // ---- call log --------------------------------------------------------------------
    const std::vector<CallRecord>& calls() const;
    void clearCalls();

    // ---- user actions ----------------------------------------------------------------
    // A click as the user makes it: nothing when the control or an ancestor is hidden or
    // disabled. Buttons do their auto behaviour and notify the parent; SysLink sends
    // NM_CLICK; a click on anything else is not modelled.
    bool click(Hwnd control);
    // Replaces an edit control's text as typing would (EN_CHANGE to the parent).
    bool typeText(Hwnd edit, std::string_view utf8);
    // Enter, Escape (dialog commands) and Up / Down (up-down controls and their buddies).
    bool pressKey(Hwnd window, unsigned virtualKey);
    // One arrow click on an up-down control.
    bool clickSpin(Hwnd updown, bool up);
    // WM_CLOSE, as the close box sends it, then the thread's queue.
    void close(Hwnd hwnd);
    // Installs the move loop that the next WM_NCLBUTTONDOWN/HTCAPTION runs.
    void setDragScript(std::vector<DragStep> steps);
    // A left press on the window with the steps as the move loop. True when a move loop ran.
    bool drag(Hwnd hwnd, std::vector<DragStep> steps);
    bool dragBy(Hwnd hwnd, int dx, int dy, int steps = 1, std::uint32_t msPerStep = 0);
    std::size_t moveLoopsRun() const;
    // Sends the WM_CTLCOLOR* that the control's painting sends, with a fresh device context.
    std::optional<CtlColorReport> ctlColor(Hwnd control);

    // ---- modal runs and message boxes ------------------------------------------------
    // Called with the dialog of every modal run. If it has not ended when the script
    // returns, the sim sends IDCANCEL; a run that still does not end is counted.
    void onModal(std::function<void(Hwnd dialog)> script);
    std::size_t modalRuns() const;
    std::size_t unendedModalRuns() const;
    // Answers the program's message boxes (default: IDYES for MB_YESNO and MB_YESNOCANCEL,
    // else IDOK).
    void onMessageBox(std::function<int(const MessageBoxRecord&)> handler);
    const std::vector<MessageBoxRecord>& messageBoxes() const;
    // Sent messages that could never be answered (a hung window nobody wakes).
    std::size_t deadlocks() const;

    // ---- dialogs and resources -------------------------------------------------------
    void registerTemplate(int templateId, DialogTemplate tpl);  // this desktop only
    void registerString(int id, std::string utf8);
    int templateOf(Hwnd dialog) const;
    // The control with the keyboard focus: the one WM_INITDIALOG's answer gave it to.
    Hwnd focus() const;

    // ---- GDI ---------------------------------------------------------------------------
    std::size_t liveBrushes() const;  // created and not deleted (system brushes excluded)
    std::size_t brushDoubleDeletes() const;
    struct IconDraw {
        DcHandle dc{};
        int x = 0, y = 0;
        IconHandle icon{};
    };
    const std::vector<IconDraw>& iconDraws() const;

    // ---- system ------------------------------------------------------------------------
    void setCommandLine(std::vector<std::string> args);  // argv[0] included
    void setProgramPath(std::string path);
    std::string programPath() const;
    std::string currentDirectory() const;
    std::vector<std::string> currentDirectoryChanges() const;
    void setVersionInfo(std::vector<std::uint8_t> block);  // replaces the resource's
    void clearVersionInfo();                               // no version resource at all
    struct ConsoleState {
        int allocations = 0;
        int frees = 0;
        bool open = false;
        std::vector<std::pair<std::string, std::string>> stdoutReopens;  // path, mode
        std::vector<std::pair<std::string, std::string>> stdinReopens;
        ConsoleCtrlHandler handler = nullptr;
    };
    const ConsoleState& console() const;
    // The system's console event, delivered the way the sim can: on this thread.
    int fireConsoleEvent(std::uint32_t event);
    struct ShellOpen {
        Hwnd owner{};
        std::string target;
    };
    const std::vector<ShellOpen>& shellOpens() const;
    std::vector<std::string> mutexes() const;

    World& world() { return *world_; }
    const World& world() const { return *world_; }

private:
    std::unique_ptr<World> world_;
};

// The one desktop of the test program.
Desktop& desktop();

}  // namespace platform::sim
