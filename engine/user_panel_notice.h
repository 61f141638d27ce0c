// What the engine tells the user panel: a video component found, or the target lost.
#pragma once

#include "inventory/win_inf.h"

class IUserPanelNotice {
public:
    virtual ~IUserPanelNotice() = default;
    virtual void componentFound(CWinInf target, CChildWinInf component) = 0;
    virtual void targetLost() = 0;
};

// The one user panel; set in its OnInitDialog, never cleared. Null until then.
extern IUserPanelNotice* theUserPanel;
