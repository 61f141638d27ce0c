// The program's entry point: the common controls the dialogs use, then the application object.
#include <windows.h>
#include <commctrl.h>

#include "platform/dialog.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LINK_CLASS | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    platform::CWinApp* app = platform::CWinApp::current();
    return app ? app->InitInstance() : -1;
}
