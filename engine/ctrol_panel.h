// The control panel: owns everything the engine knows about the target (the window list,
// the target and its video component, the clip) and runs the tracking timer.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "engine/failure_texts.h"
#include "inventory/module_name.h"
#include "inventory/win_inf.h"
#include "platform/dialog.h"
#include "resources/resource.h"

class CMoveWin;

// The player's style bits a clip keeps: all but the caption and the sizing frame.
inline constexpr std::uint32_t kKeepWhenMasked = ~(platform::kWsCaption | platform::kWsThickFrame);

class CCtrolPanelDlg : public platform::CDialog {
public:
    static constexpr int IDD = IDD_CTROL_PANEL;
    static constexpr std::uintptr_t kTrackingTimer = 101;
    static constexpr unsigned kTrackingPeriodMs = 500;

    explicit CCtrolPanelDlg(platform::CDialog* parent = nullptr);
    ~CCtrolPanelDlg() override;

    bool DestroyWindow() override;

    void startTimer();
    void checkTarget();
    void showHandles();

    // Top-level inventory.
    void scanWindows();
    void addWindow(platform::Hwnd hwnd);

    // Discovery.
    int findComponent(CWinInf& rec);
    void searchTarget();

    // Mask engine.
    void startMask(std::int32_t openOverlay);
    void stopMask();
    void showMoveWin();
    void closeMoveWin();
    int setTopMost(std::int32_t mode);
    int setTransStyle(std::int32_t mode);
    int setTransAlpha(std::int32_t alpha);
    static int setTopMost(platform::Hwnd hwnd, std::int32_t mode);
    static int setTransStyle(platform::Hwnd hwnd, std::int32_t mode);
    static int setTransAlpha(platform::Hwnd hwnd, std::int32_t alpha);

    std::list<CWinInf> windowList;
    std::int32_t hasTarget = 0;
    CWinInf target;
    CChildWinInf component;
    std::int32_t savedStyle = 0;
    std::int32_t savedExStyle = 0;
    platform::Rect maskWindowRect;
    platform::Rect clipRect;
    std::int32_t masking = 0;
    CMoveWin* moveWin = nullptr;

    // Whether the drag overlay is open now (an overlay that went with its owner is not).
    bool overlayOpen();

    // Before each change to a player: true once its thread answers. A player that is only
    // busy (opening a file, seeking) is waited for, up to two seconds, while the program's
    // windows keep answering and the main window takes no input. Inside a wait (a message the
    // wait let in), and right after one that a player let pass in vain, it is only asked once
    // more, briefly: one press costs one wait at most.
    static bool playerAnswers(platform::Hwnd hwnd);
    // A wait for a player is running: ticks and presses on the overlay are left alone.
    static bool waitingForPlayer();

protected:
    bool OnInitDialog() override;
    const platform::MessageMap& GetMessageMap() const override;
    void OnTimer(std::uintptr_t id);

private:
    void loseTarget();
    // A video rectangle (screen) in the coordinates of the window as read by startMask.
    platform::Rect clipFor(const platform::Rect& video) const;
    // While a clip is in place the saved styles are also kept on the player's own window, so
    // that a later run can give back a player this one left clipped (killed, crashed).
    void keepSavedStylesOnTarget();
    static void forgetSavedStylesOn(platform::Hwnd hwnd);
    // Puts back a player that carries saved styles but no live clip of ours: frame and
    // styles, no region, out of the topmost band unless it was in it. True if it did.
    bool restoreAbandoned(platform::Hwnd hwnd);
    // Forgets an overlay whose window the system has already destroyed (with its owner).
    void forgetDeadOverlay();
    // Set while moveWin is held: false once the overlay's window is gone and it freed itself.
    std::shared_ptr<const bool> moveWinAlive_;
    // The first module of each process a scan meets, read once per process.
    ModuleNames moduleNames_;
    // Threads whose windows did not answer a text query during this tick.
    std::set<std::uint32_t> silentThreads_;
    // A wait for a player runs; and the player that let the last one pass in vain, until the
    // next tick.
    static bool waiting_;
    static platform::Hwnd silentPlayer_;
};

// The one control panel; set in its OnInitDialog, never cleared. Null until then.
extern CCtrolPanelDlg* theCtrolPanel;
