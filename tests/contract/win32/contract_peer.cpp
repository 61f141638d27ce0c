// "Another process" for the contract suite under Wine: it makes and changes windows on request,
// so that the suite can query windows it does not own. One command per line on standard input,
// one answer line on standard output. Numbers are decimal or 0x-hexadecimal; class names and
// texts travel as hexadecimal bytes ("-" for none), so any ANSI byte gets through.
//   top <x> <y> <w> <h> <style> <exstyle> <owner> <class> <text>       -> "0x%08x" handle
//   child <parent> <x> <y> <w> <h> <style> <exstyle> <id> <class> <text> -> "0x%08x" handle
//   text <hwnd> <text>      SetWindowTextA                               -> "ok"
//   show <hwnd> <command>   ShowWindow                                   -> "ok"
//   destroy <hwnd>          DestroyWindow                                -> "ok"
//   hang <ms>               answers "ok", then the window thread sleeps for ms
//   module                  -> "<process id> <own path>"
//   quit                    -> "bye", then the process ends
// Failures answer "error <code>".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "peer_client.h"

namespace {

constexpr UINT kCommand = WM_APP + 1;

unsigned long number(std::istringstream& in) {
    std::string word;
    in >> word;
    return std::strtoul(word.c_str(), nullptr, 0);
}

int signedNumber(std::istringstream& in) {
    std::string word;
    in >> word;
    return static_cast<int>(std::strtol(word.c_str(), nullptr, 0));
}

HWND handle(std::istringstream& in) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(number(in)));
}

std::string bytes(std::istringstream& in) {
    std::string word;
    in >> word;
    return contract::fromHex(word);
}

void answer(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string hex(HWND hwnd) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lx",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return text;
}

std::string failure() {
    return "error " + std::to_string(GetLastError());
}

// Runs on the window thread, so that every window belongs to it.
bool run(const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb == "top" || verb == "child") {
        const HWND parent = verb == "child" ? handle(in) : nullptr;
        const int x = signedNumber(in), y = signedNumber(in);
        const int w = signedNumber(in), h = signedNumber(in);
        const DWORD style = number(in), exStyle = number(in);
        const HWND ownerOrId = handle(in);
        const std::string cls = bytes(in);
        const std::string text = bytes(in);
        contract::registerPlainClass(cls);
        const HWND hwnd = CreateWindowExA(
            exStyle, cls.c_str(), text.c_str(), parent ? style | WS_CHILD : style, x, y, w, h,
            parent ? parent : ownerOrId, parent ? reinterpret_cast<HMENU>(ownerOrId) : nullptr,
            GetModuleHandleA(nullptr), nullptr);
        answer(hwnd ? hex(hwnd) : failure());
    } else if (verb == "text") {
        const HWND hwnd = handle(in);
        const std::string text = bytes(in);
        answer(SetWindowTextA(hwnd, text.c_str()) ? "ok" : failure());
    } else if (verb == "show") {
        const HWND hwnd = handle(in);
        ShowWindow(hwnd, signedNumber(in));
        answer("ok");
    } else if (verb == "destroy") {
        answer(DestroyWindow(handle(in)) ? "ok" : failure());
    } else if (verb == "hang") {
        const DWORD ms = number(in);
        answer("ok");
        Sleep(ms);
    } else if (verb == "module") {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        answer(std::to_string(GetCurrentProcessId()) + " " + contract::toHex(path));
    } else if (verb == "quit") {
        answer("bye");
        return false;
    } else {
        answer("error unknown");
    }
    return true;
}

}  // namespace

int main() {
    const DWORD windowThread = GetCurrentThreadId();
    MSG m{};
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before the reader posts

    // Standard input is read on a thread of its own so that the windows keep answering.
    std::thread reader([windowThread] {
        char line[4096];
        while (std::fgets(line, sizeof(line), stdin)) {
            std::string text(line);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            PostThreadMessageA(windowThread, kCommand, 0, reinterpret_cast<LPARAM>(new std::string(text)));
        }
        // The suite has gone: end as if told to.
        PostThreadMessageA(windowThread, kCommand, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
    });
    reader.detach();

    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (m.hwnd == nullptr && m.message == kCommand) {
            auto* line = reinterpret_cast<std::string*>(m.lParam);
            const bool goOn = run(*line);
            delete line;
            if (!goOn) break;
            continue;
        }
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    // Leaves without waiting for the reader, which may still sit in a read.
    std::fflush(stdout);
    ExitProcess(0);
}
