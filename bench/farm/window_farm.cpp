// Stands in for the other programs on a desktop, for the benchmarks under Wine: one process
// with many captioned top-level windows, each holding a tree of titled child controls that
// answer WM_GETTEXT from its own message loop, as a real application's would. Like the
// imitation player it is a foreign program, so it calls Win32 directly.
//
// window_farm --windows N --children C --report FILE [--lifetime SECONDS] [--hang SECONDS]
//   N top-level windows with C descendants each (groups of four: a child with three
//   children of its own); writes "ready N\n" to FILE (a Windows path) once all are shown,
//   then runs until closed or until the lifetime (default 600 s) is over. With --hang its
//   one thread stops answering for that long once the windows are shown, as a hung
//   program's does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr UINT_PTR kLifetimeTimer = 1;

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kLifetimeTimer) PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void addChildren(HWND frame, int count) {
    static const char* const kClasses[] = {"BUTTON", "STATIC", "EDIT", "BUTTON"};
    HWND group = nullptr;
    for (int i = 0; i < count; ++i) {
        const std::string text = "Item " + std::to_string(i);
        const int y = 4 + (i % 16) * 22;
        if (i % 4 == 0) {
            // A static that holds the next three: a panel of controls.
            group = CreateWindowExA(0, "STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 4 + (i / 16) * 90, y,
                                    86, 80, frame, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1000 + i)),
                                    nullptr, nullptr);
        } else {
            CreateWindowExA(0, kClasses[i % 4], text.c_str(), WS_CHILD | WS_VISIBLE, 2, (i % 4) * 18, 80, 16,
                            group, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1000 + i)), nullptr, nullptr);
        }
    }
}

bool writeReport(const std::string& file, int windows) {
    const std::string temp = file + ".tmp";
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    if (!out) return false;
    std::fprintf(out, "ready %d\n", windows);
    std::fclose(out);
    return MoveFileExA(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    int windows = -1;
    int children = 0;
    unsigned lifetime = 600;
    unsigned hang = 0;
    std::string report;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--windows") == 0 && i + 1 < argc) {
            windows = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--children") == 0 && i + 1 < argc) {
            children = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--report") == 0 && i + 1 < argc) {
            report = argv[++i];
        } else if (std::strcmp(argv[i], "--lifetime") == 0 && i + 1 < argc) {
            lifetime = static_cast<unsigned>(std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--hang") == 0 && i + 1 < argc) {
            hang = static_cast<unsigned>(std::atoi(argv[++i]));
        } else {
            windows = -1;
            break;
        }
    }
    if (windows < 0 || children < 0 || report.empty()) {
        std::fprintf(stderr,
                     "usage: window_farm --windows N --children C --report FILE [--lifetime SECONDS] "
                     "[--hang SECONDS]\n");
        return 2;
    }

    WNDCLASSA wc{};
    wc.lpfnWndProc = frameProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "ClipveilBenchFarm";
    if (!RegisterClassA(&wc)) return 1;

    HWND first = nullptr;
    for (int i = 0; i < windows; ++i) {
        const std::string title = "Farm window " + std::to_string(i);
        // Spread over the screen but clear of the player's corner, all on the monitor.
        const int x = 700 + (i * 37) % 400;
        const int y = 40 + (i * 29) % 600;
        HWND frame = CreateWindowExA(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, x, y, 420, 380,
                                     nullptr, nullptr, wc.hInstance, nullptr);
        if (!frame) return 1;
        if (!first) first = frame;
        addChildren(frame, children);
        ShowWindow(frame, SW_SHOWNOACTIVATE);
    }
    if (first) SetTimer(first, kLifetimeTimer, lifetime * 1000, nullptr);
    if (!writeReport(report, windows)) return 1;
    if (hang > 0) Sleep(hang * 1000);

    MSG message;
    // With no window at all the lifetime is kept by the loop's own timer.
    const UINT_PTR threadTimer = first ? 0 : SetTimer(nullptr, 0, lifetime * 1000, nullptr);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == threadTimer) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
