// "Another process" for the contract suite under Wine: it makes windows on request, so that
// the suite can query and change windows it does not own. One command per line on standard
// input, one answer line on standard output:
//   top <x> <y> <w> <h> <style> <exstyle> <class> <title...>   -> window handle (hex)
//   child <parent> <x> <y> <w> <h> <style> <id> <class> <text...> -> window handle (hex)
//   hang <ms>     the window thread stops answering for ms milliseconds -> "ok" at once
//   pid           -> this process's identifier
//   quit          -> "bye", then the process ends
// Numbers may be decimal or 0x-hexadecimal. Failures answer "error <code>".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

namespace {

constexpr UINT kCommand = WM_APP + 1;

LRESULT CALLBACK peerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void registerClass(const std::string& name) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = peerWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name.c_str();
    RegisterClassExA(&wc);  // fails harmlessly for a class registered before
}

unsigned long number(std::istringstream& in) {
    std::string word;
    in >> word;
    return std::strtoul(word.c_str(), nullptr, 0);
}

std::string rest(std::istringstream& in) {
    std::string text;
    std::getline(in >> std::ws, text);
    return text == "-" ? std::string() : text;  // "-" stands for the empty text
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
    if (verb == "top") {
        const int x = static_cast<int>(number(in)), y = static_cast<int>(number(in));
        const int w = static_cast<int>(number(in)), h = static_cast<int>(number(in));
        const DWORD style = number(in), exStyle = number(in);
        std::string cls;
        in >> cls;
        const std::string title = rest(in);
        registerClass(cls);
        const HWND hwnd = CreateWindowExA(exStyle, cls.c_str(), title.c_str(), style, x, y, w, h, nullptr,
                                          nullptr, GetModuleHandleA(nullptr), nullptr);
        answer(hwnd ? hex(hwnd) : failure());
    } else if (verb == "child") {
        const HWND parent = reinterpret_cast<HWND>(static_cast<UINT_PTR>(number(in)));
        const int x = static_cast<int>(number(in)), y = static_cast<int>(number(in));
        const int w = static_cast<int>(number(in)), h = static_cast<int>(number(in));
        const DWORD style = number(in);
        const auto id = static_cast<UINT_PTR>(number(in));
        std::string cls;
        in >> cls;
        const std::string text = rest(in);
        registerClass(cls);
        const HWND hwnd = CreateWindowExA(0, cls.c_str(), text.c_str(), style | WS_CHILD, x, y, w, h, parent,
                                          reinterpret_cast<HMENU>(id), GetModuleHandleA(nullptr), nullptr);
        answer(hwnd ? hex(hwnd) : failure());
    } else if (verb == "hang") {
        const DWORD ms = number(in);
        answer("ok");
        Sleep(ms);
    } else if (verb == "pid") {
        answer(std::to_string(GetCurrentProcessId()));
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
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists before the reader posts

    // Standard input is read on a thread of its own so that the windows keep answering.
    std::thread reader([windowThread] {
        char line[1024];
        while (std::fgets(line, sizeof(line), stdin)) {
            std::string text(line);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            PostThreadMessageA(windowThread, kCommand, 0, reinterpret_cast<LPARAM>(new std::string(text)));
        }
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
