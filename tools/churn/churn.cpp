// Desktop churn for the robustness tests: top-level windows that come and go while Clipveil
// searches, so that every step of a search may meet a window that has just closed. Some hold a
// video window Clipveil would take (and then lose when it closes), some one it must pass over.
//
// churn [options]
//   --count N          windows to make in all (default 100)
//   --every MS         a new window every MS milliseconds (default 40)
//   --life MS          each window lives MS milliseconds (default 250); several live at once
//   --video K          every K-th window holds a "WMPVideoWindow" child with control id 0 and
//                      text, one Clipveil takes; the one after it an "EVRVideoHandler" one level
//                      deeper; 0 for none (default 4). Every other window holds a decoy of the
//                      video class with control id 7.
//   --report FILE      write "done N\n" once the last window has gone (FILE is a Windows path)
//   --help             print this text
// The program ends once the last window has gone.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kUsage[] =
    "usage: churn [--count N] [--every MS] [--life MS] [--video K] [--report FILE] [--help]\n"
    "Top-level windows that come and go; see the top of churn.cpp.\n";

constexpr UINT_PTR kMakeTimer = 1;
constexpr UINT kCloseLater = WM_APP + 1;

struct Options {
    int count = 100;
    int every = 40;
    int life = 250;
    int video = 4;
    std::string report;
};

Options opt;
HINSTANCE instance = nullptr;
HWND pacer = nullptr;  // message-only window that paces the churn
int made = 0;
int alive = 0;

// A fixed sequence, so that two runs make the same windows in the same places.
unsigned nextRandom() {
    static unsigned state = 12345;
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7FFF;
}

void finish() {
    std::printf("done %d\n", made);
    std::fflush(stdout);
    if (!opt.report.empty()) {
        const std::string temp = opt.report + ".tmp";
        if (std::FILE* f = std::fopen(temp.c_str(), "wb")) {
            std::fprintf(f, "done %d\n", made);
            std::fclose(f);
            MoveFileExA(temp.c_str(), opt.report.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    PostQuitMessage(0);
}

void makeWindow() {
    const int n = ++made;
    char title[64];
    std::snprintf(title, sizeof title, "Churn window %d", n);
    const int x = static_cast<int>(nextRandom() % 900), y = static_cast<int>(nextRandom() % 700);
    const int w = 160 + static_cast<int>(nextRandom() % 200), h = 120 + static_cast<int>(nextRandom() % 150);
    HWND top = CreateWindowExA(0, "ChurnWindow", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, w, h, nullptr,
                               nullptr, instance, nullptr);
    if (!top) return;
    ++alive;
    const bool takes = opt.video > 0 && n % opt.video == 0;
    const bool deeper = opt.video > 0 && n % opt.video == 1 && n > 1;
    if (takes) {
        CreateWindowExA(0, "WMPVideoWindow", "Churn video", WS_CHILD | WS_VISIBLE, 4, 4, w / 2, h / 2, top,
                        nullptr, instance, nullptr);
    } else if (deeper) {
        HWND panel = CreateWindowExA(0, "ChurnPanel", "", WS_CHILD | WS_VISIBLE, 4, 4, w / 2, h / 2, top,
                                     reinterpret_cast<HMENU>(1), instance, nullptr);
        CreateWindowExA(0, "EVRVideoHandler", "Churn video", WS_CHILD | WS_VISIBLE, 0, 0, w / 2, h / 2, panel,
                        nullptr, instance, nullptr);
    } else {
        CreateWindowExA(0, "WMPVideoWindow", "Churn decoy", WS_CHILD | WS_VISIBLE, 4, 4, w / 2, h / 2, top,
                        reinterpret_cast<HMENU>(7), instance, nullptr);
    }
    // Each window closes itself after its life, give or take a third.
    const int life =
        opt.life * 2 / 3 + static_cast<int>(nextRandom() % static_cast<unsigned>(opt.life * 2 / 3 + 1));
    SetTimer(top, 1, static_cast<UINT>(life), nullptr);
}

LRESULT CALLBACK churnProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
        case WM_TIMER:
            KillTimer(hwnd, wp);
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostMessageA(pacer, kCloseLater, 0, 0);
            return 0;
    }
    return DefWindowProcA(hwnd, message, wp, lp);
}

LRESULT CALLBACK pacerProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
        case WM_TIMER:
            if (wp == kMakeTimer) {
                if (made < opt.count) makeWindow();
                if (made >= opt.count) KillTimer(hwnd, kMakeTimer);
                if (made >= opt.count && alive == 0) finish();
            }
            return 0;
        case kCloseLater:
            --alive;
            if (made >= opt.count && alive == 0) finish();
            return 0;
    }
    return DefWindowProcA(hwnd, message, wp, lp);
}

bool registerClass(const char* name, WNDPROC proc) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

bool positive(const char* s, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    out = static_cast<int>(v);
    return end != s && *end == '\0' && v >= 0;
}

bool parse(int argc, char** argv, bool& help) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            help = true;
            continue;
        }
        if (i + 1 >= argc) return std::fprintf(stderr, "%s needs an argument\n", a.c_str()), false;
        const char* v = argv[++i];
        bool ok = true;
        if (a == "--count") {
            ok = positive(v, opt.count);
        } else if (a == "--every") {
            ok = positive(v, opt.every) && opt.every > 0;
        } else if (a == "--life") {
            ok = positive(v, opt.life) && opt.life > 0;
        } else if (a == "--video") {
            ok = positive(v, opt.video);
        } else if (a == "--report") {
            opt.report = v;
        } else {
            return std::fprintf(stderr, "unknown option %s\n", a.c_str()), false;
        }
        if (!ok) return std::fprintf(stderr, "%s takes a number, not %s\n", a.c_str(), v), false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool help = false;
    if (!parse(argc, argv, help)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    instance = GetModuleHandleA(nullptr);
    if (!registerClass("ChurnWindow", churnProc) || !registerClass("ChurnPanel", DefWindowProcA) ||
        !registerClass("ChurnPacer", pacerProc) || !registerClass("WMPVideoWindow", DefWindowProcA) ||
        !registerClass("EVRVideoHandler", DefWindowProcA)) {
        std::fprintf(stderr, "RegisterClassEx failed: %lu\n", GetLastError());
        return 1;
    }
    pacer = CreateWindowExA(0, "ChurnPacer", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!pacer) {
        std::fprintf(stderr, "CreateWindowEx failed: %lu\n", GetLastError());
        return 1;
    }
    if (opt.count == 0) {
        finish();
    } else {
        SetTimer(pacer, kMakeTimer, static_cast<UINT>(opt.every), nullptr);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
