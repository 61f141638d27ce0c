// The floor for start-up: the least a program can do to show a modal dialog (the common
// controls registered as the product's entry point does, one template built in memory, one
// button). startup_probe times it beside Clipveil.exe.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

namespace {

// A DLGTEMPLATE with its strings and one item, laid out as the system reads it.
struct alignas(4) Template {
    DLGTEMPLATE dialog;
    WORD menu, windowClass;
    wchar_t title[13];
    WORD pointSize;
    wchar_t font[13];
    alignas(4) DLGITEMTEMPLATE button;
    WORD buttonClass[2];
    wchar_t buttonText[3];
    WORD creationData;
};

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LINK_CLASS | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);

    Template t{};
    t.dialog.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    t.dialog.cdit = 1;
    t.dialog.x = 10;
    t.dialog.y = 10;
    t.dialog.cx = 120;
    t.dialog.cy = 60;
    std::memcpy(t.title, L"Floor dialog", sizeof(L"Floor dialog"));
    t.pointSize = 9;
    std::memcpy(t.font, L"MS Shell Dlg", sizeof(L"MS Shell Dlg"));
    t.button.style = WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON;
    t.button.x = 35;
    t.button.y = 20;
    t.button.cx = 50;
    t.button.cy = 14;
    t.button.id = IDOK;
    t.buttonClass[0] = 0xFFFF;
    t.buttonClass[1] = 0x0080;  // the predefined button class
    std::memcpy(t.buttonText, L"OK", sizeof(L"OK"));
    return static_cast<int>(DialogBoxIndirectParamW(instance, &t.dialog, nullptr, dialogProc, 0));
}
