// Which running program is the target, and which of its descendants draws the video.
#include <array>

#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "platform/system.h"
#include "platform/window.h"

int CCtrolPanelDlg::findComponent(CWinInf& rec) {
    // Only the descendants the look-up below can choose are recorded: the same choice as from
    // every descendant, for a fraction of the questions to other programs.
    rec.scanVideoChildren(silentThreads_);
    CChildWinInf found;
    bool haveOne = false;
    for (const char* className : kVideoClasses) {
        if (rec.findChild(className, kVideoCtrlId, found)) {
            haveOne = true;
            break;
        }
    }
    if (!haveOne) return 0;

    component = found;
    rec.title = platform::getWindowTextA(rec.hwnd, kTitleBytes);
    if (theUserPanel) theUserPanel->componentFound(rec, component);
    platform::debugPrintf("Find Component Handle=%s\n", platform::handleText(component.hwnd).c_str());
    return 1;
}

void CCtrolPanelDlg::searchTarget() {
    scanWindows();
    for (CWinInf& element : windowList) {
        // A player left clipped by an earlier run gets its frame back before it is looked at.
        restoreAbandoned(element.hwnd);
        CWinInf candidate = element;
        const int found = findComponent(candidate);
        element = candidate;
        if (found) {
            hasTarget = 1;
            target = element;
            return;
        }
    }
}
