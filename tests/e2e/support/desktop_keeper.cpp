// Keeps the test desktop open while the Windows test programs come and go. Wine closes a
// desktop (and ends the program that draws it) a second after the last program on it has
// ended, and makes it again for the next one; a program that starts while that happens can
// fail to make its first window or to start another program. desktop-up.sh starts this one
// for the life of the desktop and desktop-down.sh's `wineserver -k` ends it. Like the
// imitation player it is a program of its own, so it calls Win32 directly.
//
// desktop_keeper READY_FILE   (writes READY_FILE once it is on the desktop)
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    // A message-only window takes this thread onto the desktop and shows nothing: no test
    // sees it among the desktop's windows.
    if (!CreateWindowExA(0, "STATIC", "desktop keeper", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                         nullptr))
        return 1;
    if (std::FILE* ready = std::fopen(commandLine, "wb")) std::fclose(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
