#include "program.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "pump.h"
#include "platform/window.h"
#include "resources/resource.h"
#include "tests/support/testing.h"

#ifndef CLIPVEIL_EXE_PATH
#error "CLIPVEIL_EXE_PATH must name Clipveil.exe"
#endif

namespace e2e {

using platform::Hwnd;

std::string windowsPath(std::string path) {
    if (path.empty() || path.front() != '/') return path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

std::string uniqueName(const char* stem) {
    static unsigned counter = 0;
    std::ostringstream name;
    name << stem << std::chrono::steady_clock::now().time_since_epoch().count() << "-" << ++counter;
    return name.str();
}

std::optional<std::string> readWhole(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Wine starts a Unix program as it is, but its process handle then says nothing about it, so
// the shell leaves the exit status in a file that the test waits for.
std::string xdotool(const std::string& arguments) {
    const std::string status = "/tmp/" + uniqueName("clipveil-e2e-xdotool-");
    const std::string line = "Z:\\bin\\sh -c \"xdotool " + arguments + "; echo $? >" + status +
                             ".tmp && mv " + status + ".tmp " + status + "\"";
    if (!platform::testing::spawnProcess(line)) return "could not start: " + line;
    std::optional<std::string> result;
    const bool done = pumpUntil([&] { return (result = readWhole(windowsPath(status))).has_value(); },
                                std::chrono::seconds(5));
    std::remove(windowsPath(status).c_str());
    if (!done) return "xdotool did not finish: " + arguments;
    if (result->rfind("0", 0) != 0) return "xdotool " + arguments + " ended with status " + *result;
    return {};
}

std::vector<Hwnd> topLevelWindowsOf(std::uint32_t processId) {
    struct Search {
        std::uint32_t processId;
        std::vector<Hwnd> found;
    } search{processId, {}};
    platform::enumWindows(
        [](Hwnd hwnd, std::uintptr_t context) -> int {
            auto& s = *reinterpret_cast<Search*>(context);
            std::uint32_t pid = 0;
            platform::getWindowThreadProcessId(hwnd, &pid);
            if (pid == s.processId) s.found.push_back(hwnd);
            return 1;
        },
        reinterpret_cast<std::uintptr_t>(&search));
    return search.found;
}

std::optional<Hwnd> windowCaptioned(std::uint32_t processId, const std::string& caption) {
    for (Hwnd hwnd : topLevelWindowsOf(processId)) {
        if (platform::isWindowVisible(hwnd) && platform::getWindowTextUtf8(hwnd) == caption) return hwnd;
    }
    return std::nullopt;
}

Hwnd descendantWithId(Hwnd parent, int id) {
    struct Search {
        int id;
        Hwnd found{};
    } search{id, {}};
    platform::enumChildWindows(
        parent,
        [](Hwnd hwnd, std::uintptr_t context) -> int {
            auto& s = *reinterpret_cast<Search*>(context);
            if (platform::getDlgCtrlId(hwnd) != s.id) return 1;
            s.found = hwnd;
            return 0;
        },
        reinterpret_cast<std::uintptr_t>(&search));
    return search.found;
}

Hwnd controlPanelOf(Hwnd main) {
    struct Search {
        Hwnd main;
        Hwnd found{};
    } search{main, {}};
    platform::enumChildWindows(
        main,
        [](Hwnd hwnd, std::uintptr_t context) -> int {
            auto& s = *reinterpret_cast<Search*>(context);
            if (platform::testing::getParent(hwnd) != s.main ||
                platform::getClassNameA(hwnd, 64) != platform::kDialogClass)
                return 1;
            const auto isStatic = [hwnd](int id) {
                return platform::getClassNameA(platform::getDlgItem(hwnd, id), 64) == "Static";
            };
            if (!isStatic(IDC_TARGET_HANDLE) || !isStatic(IDC_COMPONENT_HANDLE)) return 1;
            s.found = hwnd;
            return 0;
        },
        reinterpret_cast<std::uintptr_t>(&search));
    return search.found;
}

std::string ClipveilRun::programPath() {
    return windowsPath(CLIPVEIL_EXE_PATH);
}

std::unique_ptr<ClipveilRun> ClipveilRun::start(const std::string& arguments) {
    std::string line = "\"" + programPath() + "\"";
    if (!arguments.empty()) line += " " + arguments;
    auto spawned = platform::testing::spawnProcess(line);
    if (!spawned) return nullptr;
    std::unique_ptr<ClipveilRun> run(new ClipveilRun);
    run->process_ = std::move(spawned->process);
    run->processId_ = spawned->processId;
    return run;
}

ClipveilRun::~ClipveilRun() {
    if (process_ && !platform::testing::waitForExit(process_, 0))
        platform::testing::terminateProcess(process_, 1);
}

Hwnd ClipveilRun::mainWindow(std::chrono::milliseconds timeout) {
    std::optional<Hwnd> main;
    pumpUntil([&] { return (main = windowCaptioned(processId_, program_texts::kMainCaption)).has_value(); },
              timeout);
    return main.value_or(platform::kNoWindow);
}

std::optional<std::uint32_t> ClipveilRun::exitCode(std::chrono::milliseconds timeout) {
    std::optional<std::uint32_t> code;
    pumpUntil([&] { return (code = platform::testing::waitForExit(process_, 0)).has_value(); }, timeout);
    return code;
}

bool ClipveilRun::running() {
    return !platform::testing::waitForExit(process_, 0).has_value();
}

bool ClipveilRun::kill() {
    return platform::testing::terminateProcess(process_, 1);
}

}  // namespace e2e
