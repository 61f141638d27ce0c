// Process and message-loop services for the Windows test programs and the demo.
#include "platform/testing.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace platform::testing {

std::optional<SpawnedProcess> spawnProcess(const std::string& commandLine) {
    // CreateProcessA may write into the command line: it gets its own copy.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    SpawnedProcess spawned;
    spawned.process.reset(reinterpret_cast<std::uintptr_t>(info.hProcess));
    spawned.processId = info.dwProcessId;
    return spawned;
}

bool terminateProcess(const ProcessHandle& process, std::uint32_t exitCode) {
    const auto handle = reinterpret_cast<HANDLE>(process.get());
    if (!handle) return false;
    if (!TerminateProcess(handle, exitCode)) {
        // Already ended is as good as ended now.
        return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    }
    return WaitForSingleObject(handle, 5000) == WAIT_OBJECT_0;
}

std::optional<std::uint32_t> waitForExit(const ProcessHandle& process, std::uint32_t timeoutMs) {
    const auto handle = reinterpret_cast<HANDLE>(process.get());
    if (!handle || WaitForSingleObject(handle, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(handle, &code)) return std::nullopt;
    return static_cast<std::uint32_t>(code);
}

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void waitForMessages(std::uint32_t timeoutMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs, QS_ALLINPUT);
}

void initDialogControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LINK_CLASS | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
}

bool clickAt(int x, int y) {
    if (!SetCursorPos(x, y)) return false;
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

}  // namespace platform::testing
