// A foreign player with odd texts, for the bad-input tests: its top-level window's title and
// class name and its video window's text are whatever bytes and lengths the test asks for.
// Like the imitation player it stands for another program, so it calls Win32 directly. Its
// windows are ANSI windows: WM_GETTEXT answers the bytes as they were given.
//
// odd_player --report FILE [--title-hex HEX | --title-length N] [--class-length N]
//            [--video-class WMP|EVR] [--video-text-length N] [--lifetime SECONDS]
//
// Writes "ready 0x<window> 0x<video>\n" to FILE once both windows are shown, or
// "noclass <error>\n" when the system refuses the class name (and ends with code 2).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string pattern(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>('A' + i % 26));
    return text;
}

std::string fromHex(const char* hex) {
    std::string bytes;
    for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        const char pair[3] = {hex[i], hex[i + 1], '\0'};
        bytes.push_back(static_cast<char>(std::strtoul(pair, nullptr, 16)));
    }
    return bytes;
}

void report(const std::string& file, const std::string& line) {
    // Written whole, then renamed into place, so the test never reads half a line.
    const std::string part = file + ".part";
    if (FILE* out = std::fopen(part.c_str(), "wb")) {
        std::fputs(line.c_str(), out);
        std::fclose(out);
        MoveFileExA(part.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    std::string reportFile;
    std::string title = "Odd player";
    std::size_t classLength = 0;
    std::string videoClass = "EVRVideoHandler";
    std::string videoText = "Video";
    int lifetime = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const char* v = argv[i + 1];
        if (a == "--report") reportFile = v;
        if (a == "--title-hex") title = fromHex(v);
        if (a == "--title-length") title = pattern(std::strtoul(v, nullptr, 10));
        if (a == "--class-length") classLength = std::strtoul(v, nullptr, 10);
        if (a == "--video-class") videoClass = std::string(v) == "WMP" ? "WMPVideoWindow" : "EVRVideoHandler";
        if (a == "--video-text-length") videoText = pattern(std::strtoul(v, nullptr, 10));
        if (a == "--lifetime") lifetime = std::atoi(v);
    }
    if (reportFile.empty()) return 1;

    const HINSTANCE instance = GetModuleHandleA(nullptr);
    const std::string frameClass = classLength ? std::string(classLength, 'K') : "OddPlayerFrame";
    WNDCLASSA frame{};
    frame.lpfnWndProc = frameProc;
    frame.hInstance = instance;
    frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    frame.lpszClassName = frameClass.c_str();
    if (!RegisterClassA(&frame)) {
        report(reportFile, "noclass " + std::to_string(GetLastError()) + "\n");
        return 2;
    }
    WNDCLASSA video{};
    video.lpfnWndProc = DefWindowProcA;
    video.hInstance = instance;
    video.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    video.lpszClassName = videoClass.c_str();
    RegisterClassA(&video);

    const HWND window = CreateWindowExA(0, frameClass.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 40, 60,
                                        480, 360, nullptr, nullptr, instance, nullptr);
    if (!window) return 3;
    // The title again through the text call too: CreateWindowExA's copy is kept as given.
    SetWindowTextA(window, title.c_str());
    const HWND child = CreateWindowExA(0, videoClass.c_str(), videoText.c_str(), WS_CHILD | WS_VISIBLE, 0, 0,
                                       464, 280, window, nullptr, instance, nullptr);
    if (!child) return 4;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);

    char line[64];
    std::snprintf(line, sizeof line, "ready 0x%08x 0x%08x\n",
                  static_cast<unsigned>(reinterpret_cast<UINT_PTR>(window)),
                  static_cast<unsigned>(reinterpret_cast<UINT_PTR>(child)));
    report(reportFile, line);

    // Answers WM_GETTEXT and the rest until the test ends it, or ends by itself.
    SetTimer(window, 1, static_cast<UINT>(lifetime) * 1000u, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == window) DestroyWindow(window);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
