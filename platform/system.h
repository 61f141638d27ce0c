// Kernel, shell and version services used at start-up and by the shell's dialogs.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace platform {

// Command-line arguments as the C runtime splits them (argv[0] first), ANSI bytes.
std::vector<std::string> commandLineArgs();

// CreateMutexA(nullptr, initialOwner, name). The handle is kept for the life of the process.
struct MutexResult {
    bool created = false;         // a handle came back
    std::uint32_t lastError = 0;  // GetLastError right after the call
};
MutexResult createMutexA(bool initialOwner, const char* name);
inline constexpr std::uint32_t kErrorAlreadyExists = 183;

// MessageBoxW(owner, text, caption, type), texts in UTF-8. Returns the button pressed.
int messageBox(Hwnd owner, std::string_view textUtf8, std::string_view captionUtf8, unsigned type);

// The program file's name without directory and extension: the application's name.
std::string applicationName();

// Console and standard streams.
bool allocConsole();
bool freeConsole();
// freopen_s on stdout / stdin; the program's own diagnostic lines go to stdout.
bool reopenStdout(const char* path, const char* mode);
bool reopenStdin(const char* path, const char* mode);
// printf to stdout, flushed at once: each diagnostic line reaches the debug console whole
// (a UTF-8 character cut across two writes would come out garbled) and when it is printed.
// Once stdout has been reopened on the null device (outside debug mode), nobody reads the
// lines: it returns before formatting, rather than pay a system call for each.
[[gnu::format(printf, 1, 2)]] void debugPrintf(const char* format, ...);
// SetConsoleCtrlHandler(handler, TRUE). The handler runs on a thread of the system.
using ConsoleCtrlHandler = int (*)(std::uint32_t event);
bool setConsoleCtrlHandler(ConsoleCtrlHandler handler);
inline constexpr std::uint32_t kCtrlShutdownEvent = 6;

bool setCurrentDirectoryA(const char* path);

// GetModuleFileNameA(nullptr, buffer, size): the program's own path.
std::uint32_t getModuleFileNameA(char* buffer, std::uint32_t size);
std::uint32_t getLastError();

// Version information services over a file.
std::uint32_t getFileVersionInfoSizeA(const char* path);
bool getFileVersionInfoA(const char* path, std::uint32_t size, void* block);
// VerQueryValueA: pointer into the block and length of the value.
bool verQueryValueA(const void* block, const char* subBlock, const void** value, std::uint32_t* length);

// ShellExecuteA(owner, "open", target, nullptr, nullptr, SW_SHOWNORMAL). Must not block.
void shellOpen(Hwnd owner, const char* target);

// Process-wide: the dialog that stands for the application's main window (owner of
// message boxes and of dialogs created without a parent).
void setMainWindow(Hwnd hwnd);
Hwnd mainWindow();

}  // namespace platform
