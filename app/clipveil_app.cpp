#include "app/clipveil_app.h"

#include <cstdio>
#include <cstring>

#include "platform/codepage.h"
#include "platform/system.h"
#include "platform/window.h"
#include "shell/main_dlg.h"

namespace {

constexpr std::uint32_t kExitPauseMs = 1000;

}  // namespace

bool isDebugSwitch(const char* arg) {
    // Compared with the terminating NUL included: an exact match, not a prefix.
    return arg != nullptr &&
           std::strncmp(arg, CClipveilApp::kDebugSwitch, sizeof(CClipveilApp::kDebugSwitch)) == 0;
}

std::int32_t dumpArguments(const std::vector<std::string>& args) {
    std::int32_t debug = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        char label[256];
        std::snprintf(label, sizeof(label), "%d番目の引数", static_cast<int>(i));
        platform::debugPrintf("%s=%s\n", label, args[i].c_str());
        if (isDebugSwitch(args[i].c_str())) {
            debug = 1;
            platform::debugPrintf("DEBUGMODE ON\n");
        }
    }
    return debug;
}

std::string directoryOfPath(const char* path) {
    if (path == nullptr) return {};
    const char* lastSeparator = nullptr;
    for (const char* p = path; *p != '\0'; p = platform::charNextA(p)) {
        if (*p == '\\') lastSeparator = p;
    }
    return lastSeparator ? std::string(path, lastSeparator) : std::string();
}

CClipveilApp::CClipveilApp() = default;

CClipveilApp::~CClipveilApp() = default;

int CClipveilApp::consoleCtrlHandler(std::uint32_t event) {
    if (event == platform::kCtrlShutdownEvent) {
        // The framework keeps the main window's handle while that window exists.
        const platform::Hwnd main = platform::mainWindow();
        if (main != platform::kNoWindow) platform::sendMessage(main, platform::msg::kClose, 0, 0);
    }
    return 1;
}

void CClipveilApp::setUpStreams() {
    if (m_debugMode == 1) {
        platform::allocConsole();
        platform::reopenStdout("CONOUT$", "w");
        platform::reopenStdin("CONIN$", "r");
        platform::setConsoleCtrlHandler(&CClipveilApp::consoleCtrlHandler);
    } else {
        // The system takes the last component "nul" for the null device wherever it stands.
        // Should that path not open, the device by its own name keeps the streams usable.
        if (!platform::reopenStdout("/dev/nul", "w")) platform::reopenStdout("NUL", "w");
        if (!platform::reopenStdin("/dev/nul", "r")) platform::reopenStdin("NUL", "r");
    }
}

int CClipveilApp::InitInstance() {
    // The handle is held until the process ends; the system then releases the mutex.
    const platform::MutexResult guard = platform::createMutexA(true, kMutexName);
    if (!guard.created) return -1;
    if (guard.lastError == platform::kErrorAlreadyExists) {
        platform::messageBox(platform::kNoWindow, kAlreadyRunningText, kAlreadyRunningCaption,
                             platform::kMbOk);
        return -1;
    }

    const std::vector<std::string> args = platform::commandLineArgs();
    if (dumpArguments(args) == 1) m_debugMode = 1;

    setUpStreams();
    platform::debugPrintf("********** Start Paperlark DEBUG MODE  *******\n");
    if (m_debugMode != 0) platform::debugPrintf("DEBUG_MODE ON\n");

    m_programDir = directoryOfPath(args.empty() ? "" : args.front().c_str());
    // An empty directory would only fail: the inherited one stays.
    if (!m_programDir.empty()) platform::setCurrentDirectoryA(m_programDir.c_str());
    platform::debugPrintf("CurrentDir=%s", m_programDir.c_str());

    CClipveilDlg dlg(nullptr);
    m_pMainWnd = &dlg;
    dlg.DoModal();

    if (m_debugMode == 1) {
        std::fflush(stdout);
        platform::freeConsole();
        platform::sleepMs(kExitPauseMs);
    }
    m_pMainWnd = nullptr;
    return 0;
}
