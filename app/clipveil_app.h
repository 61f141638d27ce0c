// The application object: refuses a second instance, reads the debug switch, sets up the
// standard streams and the current directory, and runs the main window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog.h"

class CClipveilApp : public platform::CWinApp {
public:
    static constexpr char kMutexName[] = "__CLIPVEIL_QUENWICK__";
    static constexpr char kAlreadyRunningText[] = "     霞窓は既に起動されています.     ";
    static constexpr char kAlreadyRunningCaption[] = "２重起動";
    static constexpr char kDebugSwitch[] = "-D119";

    CClipveilApp();
    ~CClipveilApp() override;

    // 0 once the main window has closed; -1 when start-up is refused.
    int InitInstance() override;

    // Debug mode only; runs on a thread of the system. A shut-down closes the main window
    // as its close box would, so a clipped player is put back before the process ends.
    static int consoleCtrlHandler(std::uint32_t event);

private:
    void setUpStreams();

    std::int32_t m_debugMode = 0;  // 1 once "-D119" was seen; never reset
    std::string m_programDir;
};

// The exact debug switch: "-D119" and nothing more, case as written.
bool isDebugSwitch(const char* arg);

// Writes "<i>番目の引数=<argument>" for every argument after the program's path, and
// "DEBUGMODE ON" after each debug switch. Returns 1 when a debug switch was among them.
std::int32_t dumpArguments(const std::vector<std::string>& args);

// The directory part of a program path: everything before its last backslash, taking
// whole characters of the ANSI code page (a trail byte 0x5C is no separator); empty
// when there is no backslash.
std::string directoryOfPath(const char* path);
