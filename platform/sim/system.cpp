// Kernel and shell services of the simulated desktop: recorded, never touching the test
// program's own console, streams or directory.
#include "platform/system.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/sim/world.h"

namespace platform {

using sim::world;

std::vector<std::string> commandLineArgs() {
    return world().args;
}

MutexResult createMutexA(bool /*initialOwner*/, const char* name) {
    sim::World& w = world();
    if (w.failNow(sim::Failure::CreateMutex)) {
        w.lastError = sim::k::kErrorAccessDenied;
        return MutexResult{false, w.lastError};
    }
    w.lastError = 0;
    if (name && *name) {
        // The process keeps its handle for life, so the name stays taken until reset().
        if (!w.mutexes.insert(name).second) w.lastError = kErrorAlreadyExists;
    }
    return MutexResult{true, w.lastError};
}

int messageBox(Hwnd owner, std::string_view textUtf8, std::string_view captionUtf8, unsigned type) {
    return world().messageBox(owner, textUtf8, captionUtf8, type);
}

std::string applicationName() {
    std::string name = world().programPath;
    const auto slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

bool allocConsole() {
    sim::World& w = world();
    if (w.console.open || w.failNow(sim::Failure::AllocConsole)) {
        w.lastError = sim::k::kErrorAccessDenied;
        return false;
    }
    ++w.console.allocations;
    w.console.open = true;
    return true;
}

bool freeConsole() {
    sim::World& w = world();
    ++w.console.frees;
    const bool had = w.console.open;
    w.console.open = false;
    return had;
}

bool reopenStdout(const char* path, const char* mode) {
    world().console.stdoutReopens.emplace_back(path ? path : "", mode ? mode : "");
    return path != nullptr && mode != nullptr;
}

bool reopenStdin(const char* path, const char* mode) {
    world().console.stdinReopens.emplace_back(path ? path : "", mode ? mode : "");
    return path != nullptr && mode != nullptr;
}

// The reopens above leave the test program's stdout as it is, so every line reaches it: the
// tests read them there.
void debugPrintf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

bool setConsoleCtrlHandler(ConsoleCtrlHandler handler) {
    world().console.handler = handler;
    return true;
}

bool setCurrentDirectoryA(const char* path) {
    sim::World& w = world();
    w.directoryChanges.emplace_back(path ? path : "");
    if (!path || !*path) {
        w.lastError = 123;  // ERROR_INVALID_NAME
        return false;
    }
    w.currentDirectory = path;
    return true;
}

std::uint32_t getModuleFileNameA(char* buffer, std::uint32_t size) {
    sim::World& w = world();
    if (!buffer || size == 0) return 0;
    const std::string& path = w.programPath;
    if (path.size() < size) {
        std::memcpy(buffer, path.c_str(), path.size() + 1);
        return static_cast<std::uint32_t>(path.size());
    }
    // Cut and terminated; the full size comes back with ERROR_INSUFFICIENT_BUFFER.
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    w.lastError = 122;
    return size;
}

std::uint32_t getLastError() {
    return world().lastError;
}

void shellOpen(Hwnd owner, const char* target) {
    world().shellOpens.push_back({owner, target ? target : ""});
}

void setMainWindow(Hwnd hwnd) {
    world().mainWindow = hwnd;
}

Hwnd mainWindow() {
    return world().mainWindow;
}

}  // namespace platform
