// The floor for one tracking tick: a plain Win32 program making the same system calls, in
// the same order and with the same arguments, as the engine's tick, and nothing else (no
// records, lists or copies beyond what the calls need). Run on the same desktop as
// tick_bench, it tells how much of a tick is the system's and how much is ours.
//
// tick_floor [--ticks K]
//   Prints, like tick_bench:
//     floor search|track ticks=K median_us=M p10_us=A p90_us=B listed=L position=P
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../timing.h"
#include "engine/saved_styles.h"

namespace {

using bench::summarise;
using bench::Summary;
using bench::timeTicks;

constexpr UINT kGetTextTimeoutMs = 150;
constexpr int kTargetField = 1003;
constexpr int kComponentField = 1004;
// The engine's saved-styles mark, looked up on every candidate before it is examined.

struct Child {
    HWND hwnd;
    char className[512];
    int ctrlId;
};

std::vector<HWND> listed;     // the window list: handles only
std::vector<Child> children;  // the candidate's descendants
HMODULE modules[1024];        // 4096 bytes, as the inventory's
char nameBuffer[1024];

void readFirstModule(DWORD processId, bool path) {
    std::memset(nameBuffer, 0, sizeof(nameBuffer));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return;
    DWORD needed = 0;
    if (EnumProcessModules(process, modules, sizeof(modules), &needed)) {
        if (path) {
            GetModuleFileNameExA(process, modules[0], nameBuffer, sizeof(nameBuffer));
        } else {
            GetModuleBaseNameA(process, modules[0], nameBuffer, sizeof(nameBuffer));
        }
    }
    CloseHandle(process);
}

BOOL CALLBACK addWindow(HWND hwnd, LPARAM) {
    if (!IsWindowVisible(hwnd)) return TRUE;
    if (IsIconic(hwnd)) return TRUE;
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof(title));
    if (title[0] == '\0') return TRUE;
    const auto style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    if (!(style & WS_SYSMENU) || (style & WS_DISABLED)) return TRUE;
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    readFirstModule(processId, false);
    CharUpperBuffA(nameBuffer, static_cast<DWORD>(std::strlen(nameBuffer)));
    RECT rect;
    if (!GetWindowRect(hwnd, &rect)) return TRUE;
    if (rect.bottom == rect.top || rect.left == rect.right) return TRUE;
    if (!MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) return TRUE;
    readFirstModule(processId, true);
    listed.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK addChild(HWND hwnd, LPARAM) {
    if (!IsWindowVisible(hwnd)) return TRUE;
    if (!IsWindowEnabled(hwnd)) return TRUE;
    char text[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, 511, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, kGetTextTimeoutMs, &copied)) {
        return TRUE;
    }
    if (text[0] == '\0') return TRUE;
    WINDOWINFO info{};
    info.cbSize = sizeof(info);
    GetWindowInfo(hwnd, &info);
    Child child;
    child.hwnd = hwnd;
    GetClassNameA(hwnd, child.className, 511);
    child.ctrlId = GetDlgCtrlID(hwnd);
    children.push_back(child);
    return TRUE;
}

// The descendants' scan and the look-up of the video window; the title on success.
HWND findComponent(HWND top) {
    if (!IsWindow(top)) return nullptr;
    children.clear();
    EnumChildWindows(top, addChild, 0);
    for (const char* className : {"WMPVideoWindow", "EVRVideoHandler"}) {
        for (const Child& c : children) {
            if (c.ctrlId == 0 && std::strcmp(c.className, className) == 0) {
                char title[256] = {};
                GetWindowTextA(top, title, sizeof(title));
                return c.hwnd;
            }
        }
    }
    return nullptr;
}

struct Fields {
    HWND window;
    void show(HWND target, HWND component) {
        wchar_t text[16];
        std::swprintf(text, 16, L"0x%08x", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(target)));
        SetDlgItemTextW(window, kTargetField, text);
        std::swprintf(text, 16, L"0x%08x", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(component)));
        SetDlgItemTextW(window, kComponentField, text);
    }
};

}  // namespace

int main(int argc, char** argv) {
    int ticks = 50;
    if (!bench::readTicksOption(argc, argv, "tick_floor", ticks)) return 2;
    // A hidden window with the two handle fields, styled as the engine's (sunken, centred).
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ClipveilBenchFloor";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(0, wc.lpszClassName, "Floor", WS_OVERLAPPEDWINDOW, 900, 760, 300, 200,
                                nullptr, nullptr, wc.hInstance, nullptr);
    const DWORD fieldStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_SUNKEN | SS_CENTERIMAGE | SS_CENTER;
    CreateWindowExA(0, "STATIC", "Static", fieldStyle, 10, 10, 100, 20, host,
                    reinterpret_cast<HMENU>(kTargetField), nullptr, nullptr);
    CreateWindowExA(0, "STATIC", "Static", fieldStyle, 10, 40, 100, 20, host,
                    reinterpret_cast<HMENU>(kComponentField), nullptr, nullptr);
    Fields fields{host};

    HWND target = nullptr;
    HWND component = nullptr;
    auto search = [&] {
        listed.clear();
        EnumWindows(addWindow, 0);
        for (HWND candidate : listed) {
            GetPropA(candidate, kSavedMarkProp);
            if (HWND found = findComponent(candidate)) {
                target = candidate;
                component = found;
                break;
            }
        }
        fields.show(target, component);
    };
    auto track = [&] {
        if (IsWindow(target) && !IsIconic(target)) {
            if (HWND found = findComponent(target)) component = found;
        }
        fields.show(target, component);
    };

    search();  // warms up, and finds the player
    if (!target) {
        std::fprintf(stderr, "tick_floor: no player found\n");
        return 1;
    }
    const HWND player = target;
    const auto position = 1 + (std::find(listed.begin(), listed.end(), player) - listed.begin());
    std::vector<double> searchUs;
    const auto processCpuUs = [] {
        FILETIME created{}, exited{}, kernel{}, user{};
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        const auto units = [](const FILETIME& t) {
            return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        return (units(kernel) + units(user)) / 10;
    };
    const double searchCpu = bench::cpuPerTick(
        ticks,
        [&] {
            target = nullptr;
            search();
        },
        processCpuUs, searchUs);
    const Summary s = summarise(searchUs);
    const bool found = target == player;
    const Summary t = summarise(timeTicks(ticks, track));
    // A tracking tick's CPU over ten times as many ticks, as tick_bench measures it.
    std::vector<double> moreTracks;
    const double trackCpu = bench::cpuPerTick(10 * ticks, track, processCpuUs, moreTracks);
    // Where a tracking tick's time goes, as tick_bench reports it.
    const Summary r = summarise(timeTicks(ticks, [&] { findComponent(target); }));
    const Summary f = summarise(timeTicks(ticks, [&] { fields.show(target, component); }));
    std::fprintf(stderr,
                 "floor search ticks=%d median_us=%.1f p10_us=%.1f p90_us=%.1f listed=%u position=%d "
                 "max_us=%.1f cpu_us=%.1f\n",
                 ticks, s.median, s.p10, s.p90, static_cast<unsigned>(listed.size()),
                 static_cast<int>(position), s.max, searchCpu);
    std::fprintf(stderr,
                 "floor track ticks=%d median_us=%.1f p10_us=%.1f p90_us=%.1f listed=%u position=%d "
                 "cpu_us=%.1f\n",
                 ticks, t.median, t.p10, t.p90, static_cast<unsigned>(listed.size()),
                 static_cast<int>(position), trackCpu);
    std::fprintf(stderr, "floor track-rescan ticks=%d median_us=%.1f p10_us=%.1f p90_us=%.1f\n", ticks,
                 r.median, r.p10, r.p90);
    std::fprintf(stderr, "floor track-fields ticks=%d median_us=%.1f p10_us=%.1f p90_us=%.1f\n", ticks,
                 f.median, f.p10, f.p90);
    DestroyWindow(host);
    if (!found) {
        std::fprintf(stderr, "tick_floor: the player was not found again\n");
        return 1;
    }
    return 0;
}
