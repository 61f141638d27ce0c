// Kernel, shell and version services used at start-up and by the shell's dialogs.
#include "platform/system.h"

#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/codepage.h"
#include "platform/win32/win32_handles.h"

namespace platform {

using win32::toWin;

namespace {

std::atomic<ConsoleCtrlHandler> g_consoleHandler{nullptr};
std::atomic<std::uint32_t> g_mainWindow{0};
// Set while stdout is the null device; only the user-interface thread prints and reopens.
bool g_stdoutDiscarded = false;

// The system calls a WINAPI routine; the seam's handler is a plain function.
BOOL WINAPI consoleTrampoline(DWORD event) {
    const ConsoleCtrlHandler handler = g_consoleHandler.load();
    return handler && handler(event) != 0 ? TRUE : FALSE;
}

bool reopen(const char* path, const char* mode, FILE* stream) {
    FILE* reopened = nullptr;
    return freopen_s(&reopened, path, mode, stream) == 0;
}

// The system takes a last path component "nul", in any case, for the null device wherever
// it stands.
bool namesNullDevice(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    return _stricmp(name, "nul") == 0;
}

}  // namespace

std::vector<std::string> commandLineArgs() {
    std::vector<std::string> args;
    for (int i = 0; i < __argc; ++i) args.emplace_back(__argv[i] ? __argv[i] : "");
    return args;
}

MutexResult createMutexA(bool initialOwner, const char* name) {
    const HANDLE mutex = CreateMutexA(nullptr, initialOwner ? TRUE : FALSE, name);
    const DWORD error = GetLastError();
    // The handle is held until the process ends; the system releases the mutex then.
    return MutexResult{mutex != nullptr, error};
}

int messageBox(Hwnd owner, std::string_view textUtf8, std::string_view captionUtf8, unsigned type) {
    return MessageBoxW(toWin(owner), utf8ToWide(textUtf8).c_str(), utf8ToWide(captionUtf8).c_str(), type);
}

std::string applicationName() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, n);
    const auto slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return wideToUtf8(name);
}

bool allocConsole() {
    if (!AllocConsole()) return false;
    // The program's diagnostic lines are UTF-8; only a console of our own is switched, never
    // one shared with the program that started us.
    SetConsoleOutputCP(CP_UTF8);
    return true;
}
bool freeConsole() {
    return FreeConsole() != FALSE;
}
bool reopenStdout(const char* path, const char* mode) {
    if (!reopen(path, mode, stdout)) return false;
    g_stdoutDiscarded = namesNullDevice(path);
    // The runtime writes a character device (the console, the null device) unbuffered, one
    // system call per piece of every line, and the tracking tick prints a line each time.
    // Buffered, each line goes out in one write when debugPrintf flushes it.
    std::setvbuf(stdout, nullptr, _IOFBF, 4096);
    return true;
}
bool reopenStdin(const char* path, const char* mode) {
    return reopen(path, mode, stdin);
}

void debugPrintf(const char* format, ...) {
    if (g_stdoutDiscarded) return;
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

bool setConsoleCtrlHandler(ConsoleCtrlHandler handler) {
    g_consoleHandler.store(handler);
    return SetConsoleCtrlHandler(consoleTrampoline, TRUE) != FALSE;
}

bool setCurrentDirectoryA(const char* path) {
    return SetCurrentDirectoryA(path) != FALSE;
}

std::uint32_t getModuleFileNameA(char* buffer, std::uint32_t size) {
    return GetModuleFileNameA(nullptr, buffer, size);
}

std::uint32_t getLastError() {
    return GetLastError();
}

std::uint32_t getFileVersionInfoSizeA(const char* path) {
    DWORD ignored = 0;
    return GetFileVersionInfoSizeA(path, &ignored);
}

bool getFileVersionInfoA(const char* path, std::uint32_t size, void* block) {
    return GetFileVersionInfoA(path, 0, size, block) != FALSE;
}

bool verQueryValueA(const void* block, const char* subBlock, const void** value, std::uint32_t* length) {
    LPVOID found = nullptr;
    UINT foundLength = 0;
    if (!VerQueryValueA(block, subBlock, &found, &foundLength)) return false;
    if (value) *value = found;
    if (length) *length = foundLength;
    return true;
}

void shellOpen(Hwnd owner, const char* target) {
    // ShellExecute may start a browser, wait on a COM server or pump messages for a long time,
    // so it runs on a worker thread of its own and the user-interface thread goes on at once.
    // Its result is not used.
    std::thread([owner, address = std::string(target ? target : "")] {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        ShellExecuteA(toWin(owner), "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        if (SUCCEEDED(com)) CoUninitialize();
    }).detach();
}

void setMainWindow(Hwnd hwnd) {
    g_mainWindow.store(handleValue(hwnd));
}
Hwnd mainWindow() {
    return toHwnd(g_mainWindow.load());
}

}  // namespace platform
