// A program that looks like a media player to Clipveil: a captioned, framed top-level window
// whose video is drawn in a child window of the class "WMPVideoWindow" or "EVRVideoHandler"
// (control identifier 0, non-empty text), above a control strip. Like a real player it lays
// its children out again when its style changes, so removing the caption moves the video.
//
// imitation_player [options]
//   --class WMP|EVR        class of the video window (default WMP: "WMPVideoWindow")
//   --title TEXT           window title, set through the ANSI call (default below)
//   --pos X Y W H          window rectangle in screen pixels (default 100 100 640 480)
//   --grandchild           put the video window inside an intermediate child panel
//   --decoys               add, before the video window, windows that must not be taken for
//                          it: the same class with control id 5; the other known class in
//                          lower case; the class name with a suffix; the same class with
//                          empty text, hidden, and disabled. Window classes are atoms shared
//                          by the whole desktop, compared without case: while this runs,
//                          another program's window of the lower-cased class reads in lower
//                          case too. Run a --decoys player alone.
//   --other-video          add, before everything else, a window of the other known video
//                          class (control id 0, with text), as a player that holds both
//                          would have; not with --decoys
//   --inset N              keep the video N pixels inside the area above the control strip
//                          on every side, framed or not (not with --fixed)
//   --fixed                fixed layout: the video keeps one rectangle in the client area
//                          whatever the window's size, and style changes are ignored, so the
//                          video does not move when the caption goes
//   --hang N               stop answering messages for N seconds ...
//   --hang-after M         ... starting M seconds after showing (default 0: at once)
//   --after N ACTION       N seconds after showing: replace (destroy the video window and
//                          make a new one), hide (hide the video window, keep it), resize
//                          (grow by 37 x 23), minimise or close; may be given several times
//   --relayout-delay MS    lay out MS milliseconds after a style change instead of at once
//   --report FILE          write "ready 0x<window> 0x<video>\n" once shown, and again after
//                          each replace (FILE is a Windows path, e.g. Z:\tmp\player.txt)
//   --help                 print this text
// Seconds may have fractions (0.5). The "ready" line is also printed on standard output.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: imitation_player [--class WMP|EVR] [--title TEXT] [--pos X Y W H] [--grandchild]\n"
    "                        [--decoys] [--other-video] [--inset N] [--fixed] [--hang N [--hang-after M]]\n"
    "                        [--after N replace|hide|resize|minimise|close]... [--relayout-delay MS]\n"
    "                        [--report FILE] [--help]\n"
    "A window that Clipveil takes for a media player; see the top of player.cpp.\n";

constexpr int kStripHeight = 40;               // control strip below the video
constexpr RECT kFixedVideo{16, 16, 336, 256};  // --fixed: client coordinates
constexpr UINT_PTR kFrameTimer = 1, kRelayoutTimer = 2, kHangTimer = 3, kFirstActionTimer = 100;
constexpr UINT kStartHang = WM_APP + 1;

enum class Action { Replace, Hide, Resize, Minimise, Close };
const char* const kActionNames[] = {"replace", "hide", "resize", "minimise", "close"};
constexpr int kActionCount = sizeof kActionNames / sizeof kActionNames[0];

struct Options {
    bool evr = false;
    std::string title = "Imitation Player - clip01.mp4";
    int x = 100, y = 100, width = 640, height = 480;
    bool grandchild = false, decoys = false, otherVideo = false, fixed = false;
    int inset = 0;
    bool hang = false;
    double hangSeconds = 0, hangAfter = 0;
    std::vector<std::pair<double, Action>> after;
    int relayoutDelay = 0;
    std::string report;
};

struct Player {
    Options opt;
    HINSTANCE instance = nullptr;
    std::wstring videoClass;
    HWND main = nullptr, panel = nullptr, video = nullptr, otherVideo = nullptr;
    std::vector<HWND> decoys;
    unsigned frame = 0;
};
Player g;

unsigned handleValue(HWND h) {
    return static_cast<unsigned>(reinterpret_cast<UINT_PTR>(h));
}
UINT millis(double seconds) {
    return static_cast<UINT>(seconds * 1000.0 + 0.5);
}

// ---- Reporting ---------------------------------------------------------------------------

void report() {
    char line[64];
    std::snprintf(line, sizeof line, "ready 0x%08x 0x%08x\n", handleValue(g.main), handleValue(g.video));
    std::fputs(line, stdout);
    std::fflush(stdout);
    if (g.opt.report.empty()) return;
    // Written aside and moved into place, so a reader never sees half a line.
    const std::string temp = g.opt.report + ".tmp";
    if (std::FILE* f = std::fopen(temp.c_str(), "wb")) {
        std::fputs(line, f);
        std::fclose(f);
        MoveFileExA(temp.c_str(), g.opt.report.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

void note(const char* what) {
    std::printf("%s\n", what);
    std::fflush(stdout);
}

// ---- Windows -----------------------------------------------------------------------------

HWND createChild(const std::wstring& cls, const wchar_t* text, DWORD style, int id, HWND parent) {
    return CreateWindowExW(0, cls.c_str(), text, WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g.instance, nullptr);
}

HWND createVideo() {
    return createChild(g.videoClass, L"Imitation Video", WS_VISIBLE, 0, g.panel ? g.panel : g.main);
}

void layout() {
    RECT client;
    GetClientRect(g.main, &client);
    const int stripTop = client.bottom > kStripHeight ? client.bottom - kStripHeight : 0;
    const int in = g.opt.inset;
    const RECT v = g.opt.fixed ? kFixedVideo : RECT{in, in, client.right - in, stripTop - in};
    const int w = v.right - v.left, h = v.bottom - v.top;
    if (g.panel) {
        MoveWindow(g.panel, v.left, v.top, w, h, TRUE);
        MoveWindow(g.video, 0, 0, w, h, TRUE);
    } else {
        MoveWindow(g.video, v.left, v.top, w, h, TRUE);
    }
    int x = 160;
    for (HWND d : g.decoys) {
        MoveWindow(d, x, stripTop + 10, 32, 20, TRUE);
        x += 40;
    }
    if (g.otherVideo) MoveWindow(g.otherVideo, x, stripTop + 10, 32, 20, TRUE);
    InvalidateRect(g.main, nullptr, TRUE);
}

// What a real player does when someone changes its style: recompute the frame, then the
// children follow the new client area.
void frameChanged() {
    SetWindowPos(g.main, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    layout();
}

void runAction(Action a) {
    note(kActionNames[static_cast<int>(a)]);
    switch (a) {
        case Action::Replace:
            DestroyWindow(g.video);
            g.video = createVideo();
            layout();
            report();
            break;
        case Action::Hide:
            ShowWindow(g.video, SW_HIDE);
            break;
        case Action::Resize: {
            RECT r;
            GetWindowRect(g.main, &r);
            SetWindowPos(g.main, nullptr, 0, 0, r.right - r.left + 37, r.bottom - r.top + 23,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        case Action::Minimise:
            ShowWindow(g.main, SW_MINIMIZE);
            break;
        case Action::Close:
            DestroyWindow(g.main);
            break;
    }
}

void fill(HDC dc, int l, int t, int r, int b, COLORREF colour) {
    const RECT rc{l, t, r, b};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

// Colour bars with a box moving across them: cheap, and a screenshot shows it is alive.
void paintVideo(HWND hwnd, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    const int w = rc.right, h = rc.bottom;
    if (hwnd != g.video) {  // a decoy
        fill(dc, 0, 0, w, h, RGB(90, 90, 90));
        return;
    }
    static const COLORREF bars[] = {RGB(192, 192, 192), RGB(192, 192, 0), RGB(0, 192, 192), RGB(0, 192, 0),
                                    RGB(192, 0, 192),   RGB(192, 0, 0),   RGB(0, 0, 192)};
    const int barsBottom = h * 3 / 4;
    for (int i = 0; i < 7; ++i) fill(dc, w * i / 7, 0, w * (i + 1) / 7, barsBottom, bars[i]);
    for (int i = 0; i < 6; ++i) {
        const int v = 16 + 40 * i;
        fill(dc, w * i / 6, barsBottom, w * (i + 1) / 6, h, RGB(v, v, v));
    }
    const int box = (w < h ? w : h) / 6 + 1;
    const int span = w > box ? w - box : 1;
    const int step = static_cast<int>(g.frame * 6 % static_cast<unsigned>(2 * span));
    const int x = step < span ? step : 2 * span - step;
    const int y = barsBottom > box ? (barsBottom - box) / 2 : 0;
    fill(dc, x, y, x + box, y + box, RGB(255, 255, 255));
    fill(dc, x + box / 4, y + box / 4, x + box - box / 4, y + box - box / 4, RGB(0, 0, 0));
}

void paintStrip(HDC dc) {
    RECT client;
    GetClientRect(g.main, &client);
    const int top = client.bottom > kStripHeight ? client.bottom - kStripHeight : 0;
    fill(dc, 0, top, client.right, client.bottom, RGB(40, 44, 52));
    // A play mark and a progress bar.
    for (int i = 0; i < 14; ++i)
        fill(dc, 14 + i, top + 13 + i / 2, 15 + i, top + 27 - i / 2, RGB(230, 230, 230));
    const int barLeft = 44, barRight = client.right > 160 ? client.right - 16 : barLeft + 1;
    const int barTop = top + kStripHeight - 8;
    fill(dc, barLeft, barTop, barRight, barTop + 3, RGB(80, 84, 92));
    const int done = static_cast<int>(g.frame % 600) * (barRight - barLeft) / 600;
    fill(dc, barLeft, barTop, barLeft + done, barTop + 3, RGB(255, 160, 0));
}

LRESULT CALLBACK videoProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            paintVideo(hwnd, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
    }
    return DefWindowProcW(hwnd, message, wp, lp);
}

LRESULT CALLBACK mainProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED && g.video) layout();
            return 0;
        case WM_STYLECHANGED:
            if (g.opt.fixed) break;
            if (g.opt.relayoutDelay > 0) {
                SetTimer(hwnd, kRelayoutTimer, static_cast<UINT>(g.opt.relayoutDelay), nullptr);
            } else {
                frameChanged();
            }
            return 0;
        case WM_TIMER:
            if (wp == kFrameTimer) {
                ++g.frame;
                if (g.video) InvalidateRect(g.video, nullptr, FALSE);
                RECT client;
                GetClientRect(hwnd, &client);
                client.top = client.bottom > kStripHeight ? client.bottom - kStripHeight : 0;
                InvalidateRect(hwnd, &client, FALSE);
            } else if (wp == kRelayoutTimer) {
                KillTimer(hwnd, wp);
                frameChanged();
            } else if (wp == kHangTimer) {
                KillTimer(hwnd, wp);
                PostMessageW(hwnd, kStartHang, 0, 0);
            } else if (wp >= kFirstActionTimer && wp < kFirstActionTimer + g.opt.after.size()) {
                KillTimer(hwnd, wp);
                runAction(g.opt.after[wp - kFirstActionTimer].second);
            }
            return 0;
        case kStartHang:
            note("hang");
            Sleep(millis(g.opt.hangSeconds));
            note("awake");
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            paintStrip(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, message, wp, lp);
}

bool registerClass(const wchar_t* name, WNDPROC proc, HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = g.instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

std::wstring widen(const char* s) {
    return std::wstring(s, s + std::strlen(s));
}

// ---- Command line ------------------------------------------------------------------------

bool number(const char* s, double& out) {
    char* end = nullptr;
    out = std::strtod(s, &end);
    return end != s && *end == '\0' && out >= 0;
}

bool integer(const char* s, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    out = static_cast<int>(v);
    return end != s && *end == '\0';
}

// Returns false with a message on stderr when the command line is wrong.
bool parse(int argc, char** argv, Options& o, bool& help) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const int left = argc - i - 1;
        const auto need = [&](int n) {
            if (left >= n) return true;
            std::fprintf(stderr, "%s needs %d argument(s)\n", a.c_str(), n);
            return false;
        };
        if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--class") {
            if (!need(1)) return false;
            const std::string c = argv[++i];
            if (c != "WMP" && c != "EVR") return std::fprintf(stderr, "--class takes WMP or EVR\n"), false;
            o.evr = c == "EVR";
        } else if (a == "--title") {
            if (!need(1)) return false;
            o.title = argv[++i];
        } else if (a == "--pos") {
            if (!need(4)) return false;
            if (!integer(argv[i + 1], o.x) || !integer(argv[i + 2], o.y) || !integer(argv[i + 3], o.width) ||
                !integer(argv[i + 4], o.height))
                return std::fprintf(stderr, "--pos takes four integers\n"), false;
            i += 4;
        } else if (a == "--grandchild") {
            o.grandchild = true;
        } else if (a == "--decoys") {
            o.decoys = true;
        } else if (a == "--other-video") {
            o.otherVideo = true;
        } else if (a == "--inset") {
            if (!need(1)) return false;
            if (!integer(argv[++i], o.inset) || o.inset < 0)
                return std::fprintf(stderr, "--inset takes pixels\n"), false;
        } else if (a == "--fixed") {
            o.fixed = true;
        } else if (a == "--hang" || a == "--hang-after") {
            if (!need(1)) return false;
            if (!number(argv[++i], a == "--hang" ? o.hangSeconds : o.hangAfter))
                return std::fprintf(stderr, "%s takes seconds\n", a.c_str()), false;
            if (a == "--hang") o.hang = true;
        } else if (a == "--after") {
            if (!need(2)) return false;
            double at = 0;
            if (!number(argv[i + 1], at)) return std::fprintf(stderr, "--after takes seconds\n"), false;
            int found = -1;
            for (int k = 0; k < kActionCount; ++k)
                if (std::strcmp(argv[i + 2], kActionNames[k]) == 0) found = k;
            if (found < 0) return std::fprintf(stderr, "unknown action %s\n", argv[i + 2]), false;
            o.after.emplace_back(at, static_cast<Action>(found));
            i += 2;
        } else if (a == "--relayout-delay") {
            if (!need(1)) return false;
            if (!integer(argv[++i], o.relayoutDelay) || o.relayoutDelay < 0)
                return std::fprintf(stderr, "--relayout-delay takes milliseconds\n"), false;
        } else if (a == "--report") {
            if (!need(1)) return false;
            o.report = argv[++i];
        } else {
            std::fprintf(stderr, "unknown option %s\n", a.c_str());
            return false;
        }
    }
    if (o.decoys && o.otherVideo)
        return std::fprintf(stderr, "--other-video and --decoys exclude each other\n"), false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool help = false;
    if (!parse(argc, argv, g.opt, help)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    g.instance = GetModuleHandleW(nullptr);
    const char* realClass = g.opt.evr ? "EVRVideoHandler" : "WMPVideoWindow";
    const char* otherClass = g.opt.evr ? "WMPVideoWindow" : "EVRVideoHandler";
    g.videoClass = widen(realClass);
    std::wstring lowered = widen(otherClass);
    for (auto& ch : lowered) ch = static_cast<wchar_t>(std::tolower(static_cast<unsigned char>(ch)));
    const std::wstring suffixed = g.videoClass + L"Ex";

    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    if (!registerClass(L"ImitationPlayer", mainProc, black) ||
        !registerClass(g.videoClass.c_str(), videoProc, nullptr) ||
        !registerClass(L"ImitationPanel", DefWindowProcW, black) ||
        (g.opt.decoys && (!registerClass(lowered.c_str(), videoProc, nullptr) ||
                          !registerClass(suffixed.c_str(), videoProc, nullptr))) ||
        (g.opt.otherVideo && !registerClass(widen(otherClass).c_str(), videoProc, nullptr))) {
        std::fprintf(stderr, "RegisterClassEx failed: %lu\n", GetLastError());
        return 1;
    }

    g.main = CreateWindowExW(0, L"ImitationPlayer", L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, g.opt.x,
                             g.opt.y, g.opt.width, g.opt.height, nullptr, nullptr, g.instance, nullptr);
    if (!g.main) {
        std::fprintf(stderr, "CreateWindowEx failed: %lu\n", GetLastError());
        return 1;
    }
    SetWindowTextA(g.main, g.opt.title.c_str());
    // Children made first come first in z-order, and so in the order enumeration reports
    // them: the other video window and the decoys go before the video window.
    if (g.opt.otherVideo)
        g.otherVideo = createChild(widen(otherClass), L"Other video", WS_VISIBLE, 0, g.main);
    if (g.opt.decoys) {
        g.decoys = {
            createChild(g.videoClass, L"Decoy with id 5", WS_VISIBLE, 5, g.main),
            createChild(lowered, L"Decoy of another case", WS_VISIBLE, 0, g.main),
            createChild(suffixed, L"Decoy with a longer class", WS_VISIBLE, 0, g.main),
            createChild(g.videoClass, L"", WS_VISIBLE, 0, g.main),
            createChild(g.videoClass, L"Hidden decoy", 0, 0, g.main),
            createChild(g.videoClass, L"Disabled decoy", WS_VISIBLE | WS_DISABLED, 0, g.main),
        };
    }
    if (g.opt.grandchild)
        g.panel = createChild(L"ImitationPanel", L"", WS_VISIBLE | WS_CLIPCHILDREN, 1, g.main);
    g.video = createVideo();
    layout();
    ShowWindow(g.main, SW_SHOWNORMAL);
    UpdateWindow(g.main);
    report();

    SetTimer(g.main, kFrameTimer, 100, nullptr);
    if (g.opt.hang) {
        if (g.opt.hangAfter > 0)
            SetTimer(g.main, kHangTimer, millis(g.opt.hangAfter), nullptr);
        else
            PostMessageW(g.main, kStartHang, 0, 0);
    }
    for (size_t i = 0; i < g.opt.after.size(); ++i) {
        SetTimer(g.main, kFirstActionTimer + i, millis(g.opt.after[i].first), nullptr);
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
