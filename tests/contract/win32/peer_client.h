// Drives contract_peer (ContractPeer.exe), the second process of the win32 contract suite:
// starts it beside this program, sends it one command per line and reads its answers, every
// read bounded.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace contract {

// Bytes as hexadecimal digits, "-" for none: the peer's way of passing any ANSI text.
inline std::string toHex(std::string_view bytes) {
    if (bytes.empty()) return "-";
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 0xF]);
    }
    return out;
}

// A plain class for the scene's windows, in either process: the default procedure, the arrow
// cursor and the window colour. Registering it again fails harmlessly.
inline void registerPlainClass(const std::string& name) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name.c_str();
    RegisterClassExA(&wc);
}

inline std::string fromHex(std::string_view hex) {
    std::string out;
    if (hex == "-") return out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return out;
}

class PeerProcess {
public:
    PeerProcess() {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE childIn = nullptr, childOut = nullptr;
        if (!CreatePipe(&childIn, &toPeer_, &inheritable, 0)) return;
        if (!CreatePipe(&fromPeer_, &childOut, &inheritable, 0)) return;
        SetHandleInformation(toPeer_, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(fromPeer_, HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOA si{};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = childIn;
        si.hStdOutput = childOut;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string commandLine = "\"" + besideThisProgram("ContractPeer.exe") + "\"";
        PROCESS_INFORMATION pi{};
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                           &pi)) {
            process_ = pi.hProcess;
            processId_ = pi.dwProcessId;
            CloseHandle(pi.hThread);
        }
        CloseHandle(childIn);
        CloseHandle(childOut);
    }

    ~PeerProcess() {
        if (process_) {
            (void)ask("quit");
            if (WaitForSingleObject(process_, 3000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 3000);
            CloseHandle(process_);
        }
        if (toPeer_) CloseHandle(toPeer_);
        if (fromPeer_) CloseHandle(fromPeer_);
    }
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    bool running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    std::uint32_t processId() const { return processId_; }

    // One command, one answer line; empty when the peer does not answer within five seconds.
    std::string ask(const std::string& command) {
        if (!process_) return {};
        const std::string line = command + "\n";
        DWORD written = 0;
        if (!WriteFile(toPeer_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) return {};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        std::string answer;
        while (std::chrono::steady_clock::now() < deadline) {
            DWORD available = 0;
            if (!PeekNamedPipe(fromPeer_, nullptr, 0, nullptr, &available, nullptr)) return {};
            if (available == 0) {
                // The peer's call may be waiting on this thread (a window of ours that it
                // owns, say): sent messages are answered while the answer is awaited.
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_SENDMESSAGE);
                MSG m;
                PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
                continue;
            }
            char c = 0;
            DWORD got = 0;
            if (!ReadFile(fromPeer_, &c, 1, &got, nullptr) || got == 0) return {};
            if (c == '\n') return answer;
            if (c != '\r') answer.push_back(c);
        }
        return {};
    }

    // A window handle answered in hexadecimal; 0 for an error answer.
    std::uint32_t askHandle(const std::string& command) {
        const std::string answer = ask(command);
        if (answer.rfind("0x", 0) != 0) return 0;
        return static_cast<std::uint32_t>(std::strtoul(answer.c_str(), nullptr, 16));
    }

    static std::string besideThisProgram(const char* file) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string dir(path);
        const auto slash = dir.find_last_of("\\/");
        dir.erase(slash == std::string::npos ? 0 : slash + 1);
        return dir + file;
    }

private:
    HANDLE toPeer_ = nullptr;
    HANDLE fromPeer_ = nullptr;
    HANDLE process_ = nullptr;
    std::uint32_t processId_ = 0;
};

}  // namespace contract
