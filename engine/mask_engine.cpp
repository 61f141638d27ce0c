// Clipping the player to its video area, the drag overlay, topmost and see-through.

#include <memory>

#include "engine/ctrol_panel.h"
#include "engine/move_win.h"
#include "engine/saved_styles.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

constexpr std::uint32_t kSeeThroughBits = platform::kWsExLayered | platform::kWsExTransparent;
constexpr std::uint32_t kClearSeeThrough = ~kSeeThroughBits;
constexpr int kLayoutLooks = 10;
constexpr std::uint32_t kLayoutLookMs = 50;

std::uintptr_t propValue(std::int32_t word) {
    return static_cast<std::uintptr_t>(static_cast<std::uint32_t>(word));
}

std::int32_t wordValue(std::uintptr_t prop) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(prop));
}

// Two moves at the same corner make the player lay itself out again for its frame. Made in the
// player's own DPI space (the caller's WindowSpace), where a rectangle read and given back is
// the same rectangle: from another space a rounding pixel could shift it.
void nudgeSize(platform::Hwnd hwnd) {
    platform::Rect rect;
    if (platform::getWindowRect(hwnd, rect)) {
        platform::moveWindow(hwnd, rect.left, rect.top, rect.width() - 1, rect.height() - 1, true);
        platform::moveWindow(hwnd, rect.left, rect.top, rect.width(), rect.height(), true);
    }
}

}  // namespace

bool CCtrolPanelDlg::waiting_ = false;
platform::Hwnd CCtrolPanelDlg::silentPlayer_{};

bool CCtrolPanelDlg::playerAnswers(platform::Hwnd hwnd) {
    if (!platform::isWindow(hwnd)) return false;
    if (waiting_ || hwnd == silentPlayer_) {
        const bool answered = platform::windowAnswers(hwnd, platform::kAnswerTimeoutMs);
        if (answered && hwnd == silentPlayer_) silentPlayer_ = platform::kNoWindow;
        return answered;
    }
    waiting_ = true;
    const bool answered = platform::awaitAnswer(hwnd, platform::kBusyLimitMs, platform::mainWindow());
    waiting_ = false;
    if (!platform::isWindow(hwnd)) return false;
    if (!answered) silentPlayer_ = hwnd;
    return answered;
}

bool CCtrolPanelDlg::waitingForPlayer() {
    return waiting_;
}

void CCtrolPanelDlg::startMask(std::int32_t openOverlay) {
    if (!platform::isWindow(target.hwnd)) {
        platform::debugPrintf("CCtrolPanelDlg::startMask() ターゲットなし\n");
        return;
    }
    if (!platform::isWindow(component.hwnd)) {
        platform::debugPrintf("CCtrolPanelDlg::startMask() コンポーネントなし\n");
        // The user pressed for a clip and gets none: say so, as for any clip that fails. A clip
        // already in place stays, and nothing failed.
        if (masking == 0) platform::AfxMessageBox(kClipFailedText);
        return;
    }
    if (masking != 0) return;
    const platform::Hwnd player = target.hwnd;
    if (!playerAnswers(player)) {
        // Changing a player that does not answer would hold this thread in the first change.
        // One that went meanwhile is no failure of ours: the next tick loses it.
        if (platform::isWindow(player)) platform::AfxMessageBox(kClipFailedText);
        return;
    }
    // What the wait let in (the program closing) may have changed the target or clipped it.
    if (target.hwnd != player || masking != 0 || !platform::isWindow(component.hwnd)) return;
    // A restore left for later (the player hung) is finished first: the styles read below
    // must be the player's own, not the clipped ones.
    restoreAbandoned(target.hwnd);
    masking = 1;
    // An overlay opened before the clip lies where the video was with the frame; it is laid
    // anew over the clipped video below, or not at all.
    closeMoveWin();

    bool clipped = false;
    {
        // Everything the clip is computed from, and the region itself, in the player's own DPI
        // space: the region is in the window's coordinates, which no rescaling has to agree with.
        const platform::WindowSpace space(target.hwnd);
        space.windowRect(target.hwnd, maskWindowRect);
        platform::Rect before;
        space.windowRect(component.hwnd, before);
        savedStyle = platform::getWindowLongA(target.hwnd, platform::kGwlStyle);
        savedExStyle = platform::getWindowLongA(target.hwnd, platform::kGwlExStyle);
        keepSavedStylesOnTarget();
        platform::setWindowLongA(
            target.hwnd, platform::kGwlStyle,
            static_cast<std::int32_t>(static_cast<std::uint32_t>(savedStyle) & kKeepWhenMasked));

        // The player lays its window out again after losing its frame; give it up to 500 ms.
        // A layout can take more than one step, so the first change is taken only once a second
        // look agrees with it.
        platform::Rect video = before;
        bool moved = false;
        for (int look = 0; look < kLayoutLooks; ++look) {
            platform::sleepMs(kLayoutLookMs);
            platform::Rect now = video;
            space.windowRect(component.hwnd, now);
            if (moved && now == video) break;
            if (!(now == before)) moved = true;
            if (moved) video = now;
        }

        clipRect = clipFor(video);
        clipped = platform::setWindowRgn(target.hwnd, &clipRect, true);
        if (clipped) {
            // Setting a region recomputes the frame, in the player's thread before the call
            // returns, and that can move the video (its client area goes up into the caption's
            // place, or the player lays out only then): the clip follows it.
            platform::Rect now = video;
            space.windowRect(component.hwnd, now);
            if (!(now == video) && now.width() > 0 && now.height() > 0) {
                clipRect = clipFor(now);
                platform::setWindowRgn(target.hwnd, &clipRect, true);
            }
        }
    }
    // The box is the program's own window: made in the program's context, not the player's.
    if (!clipped) platform::AfxMessageBox(kClipFailedText);
    if (openOverlay != 0) showMoveWin();
}

platform::Rect CCtrolPanelDlg::clipFor(const platform::Rect& video) const {
    return {video.left - maskWindowRect.left, video.top - maskWindowRect.top,
            video.right - maskWindowRect.left, video.bottom - maskWindowRect.top};
}

void CCtrolPanelDlg::stopMask() {
    if (masking != 1) return;
    masking = 0;
    // The handle is kept: what a wait lets in (the program closing) may forget the target,
    // and the player must still be given back.
    const platform::Hwnd player = target.hwnd;
    if (!platform::isWindow(player)) {
        // The overlay's owner is gone. The system may have taken the overlay with it (then
        // only the reference is dropped); one that outlived a player of another process
        // would float over nothing, so it goes too.
        closeMoveWin();
        return;
    }
    if (!playerAnswers(player)) {
        // Changing a player that does not answer would hold this thread until it wakes. The
        // saved styles stay on the player, and the first tick (or later run) that finds it
        // answering again puts it back.
        closeMoveWin();
        if (platform::isWindow(player)) platform::AfxMessageBox(kUnclipFailedText);
        return;
    }
    bool unclipped = false;
    {
        const platform::WindowSpace space(player);
        unclipped = platform::setWindowRgn(player, nullptr, true);
    }
    if (!unclipped) platform::AfxMessageBox(kUnclipFailedText);
    {
        const platform::WindowSpace space(player);
        platform::setWindowLongA(player, platform::kGwlStyle, savedStyle);
        platform::setWindowLongA(player, platform::kGwlExStyle, savedExStyle);
        forgetSavedStylesOn(player);
        nudgeSize(player);
    }
    closeMoveWin();
}

void CCtrolPanelDlg::keepSavedStylesOnTarget() {
    // Best effort: a player that refuses the properties is still clipped, only not
    // recoverable by a later run.
    if (platform::setProp(target.hwnd, kSavedStyleProp, propValue(savedStyle)) &&
        platform::setProp(target.hwnd, kSavedExStyleProp, propValue(savedExStyle))) {
        platform::setProp(target.hwnd, kSavedMarkProp, 1);
    }
}

void CCtrolPanelDlg::forgetSavedStylesOn(platform::Hwnd hwnd) {
    platform::removeProp(hwnd, kSavedMarkProp);
    platform::removeProp(hwnd, kSavedStyleProp);
    platform::removeProp(hwnd, kSavedExStyleProp);
}

bool CCtrolPanelDlg::restoreAbandoned(platform::Hwnd hwnd) {
    if (masking == 1 && hwnd == target.hwnd) return false;  // our own clip, still in place
    if (platform::getProp(hwnd, kSavedMarkProp) == 0) return false;
    if (!platform::windowAnswers(hwnd, platform::kAnswerTimeoutMs))
        return false;  // the next search tries again
    const std::int32_t style = wordValue(platform::getProp(hwnd, kSavedStyleProp));
    const std::int32_t exStyle = wordValue(platform::getProp(hwnd, kSavedExStyleProp));
    platform::debugPrintf("CCtrolPanelDlg::restoreAbandoned() Handle=%s\n",
                          platform::handleText(hwnd).c_str());
    // Nobody asked for this restore, so a failure here shows no message box.
    const platform::WindowSpace space(hwnd);
    platform::setWindowRgn(hwnd, nullptr, true);
    platform::setWindowLongA(hwnd, platform::kGwlStyle, style);
    platform::setWindowLongA(hwnd, platform::kGwlExStyle, exStyle);
    // See-through made it topmost; the style word alone does not move it out of that band.
    if ((static_cast<std::uint32_t>(exStyle) & platform::kWsExTopmost) == 0) {
        platform::setWindowPos(hwnd, platform::kHwndNoTopmost, 0, 0, 0, 0,
                               platform::kSwpNoSize | platform::kSwpNoMove);
    }
    forgetSavedStylesOn(hwnd);
    nudgeSize(hwnd);
    return true;
}

void CCtrolPanelDlg::showMoveWin() {
    forgetDeadOverlay();
    if (moveWin != nullptr) return;
    if (!platform::isWindow(target.hwnd) || !platform::isWindow(component.hwnd)) return;
    // The overlay is the player's own window: creating it waits for the player's thread.
    if (!playerAnswers(target.hwnd)) return;
    // What the wait let in may have opened one, or forgotten the target.
    forgetDeadOverlay();
    if (moveWin != nullptr || !platform::isWindow(target.hwnd) || !platform::isWindow(component.hwnd)) return;
    platform::Rect area;
    platform::getWindowRect(component.hwnd, area);

    // Ours until its window exists; from then on it frees itself once the window is gone.
    auto owned = std::make_unique<CMoveWin>();
    CMoveWin* overlay = owned.get();
    overlay->m_hTarget = target.hwnd;
    // Where the video lies in the player, in the program's own space, where the overlay is
    // placed and read. clipRect is in the player's space, which differs from this one when the
    // two are scaled differently; where they agree, and the clip is in place, the two are equal.
    platform::Rect window;
    platform::getWindowRect(target.hwnd, window);
    overlay->m_clip = {area.left - window.left, area.top - window.top, area.right - window.left,
                       area.bottom - window.top};
    // No window: nothing to move, arm or show; the object goes with owned.
    if (!overlay->Create(target.hwnd)) return;
    moveWin = owned.release();
    moveWinAlive_ = overlay->aliveToken();
    overlay->MoveWindow(area.left, area.top, area.width(), area.height(), true);
    overlay->m_dragOn = 1;
    overlay->ShowWindow(platform::kSwShow);
}

void CCtrolPanelDlg::closeMoveWin() {
    forgetDeadOverlay();
    if (moveWin == nullptr) return;
    CMoveWin* overlay = moveWin;
    moveWin = nullptr;
    moveWinAlive_.reset();
    overlay->DestroyWindow();  // the overlay frees itself once its window is gone
}

bool CCtrolPanelDlg::overlayOpen() {
    forgetDeadOverlay();
    return moveWin != nullptr;
}

void CCtrolPanelDlg::forgetDeadOverlay() {
    if (moveWin != nullptr && (!moveWinAlive_ || !*moveWinAlive_)) {
        moveWin = nullptr;
        moveWinAlive_.reset();
    }
}

int CCtrolPanelDlg::setTopMost(std::int32_t mode) {
    if (!platform::isWindow(target.hwnd)) return 0;
    return setTopMost(target.hwnd, mode);
}

int CCtrolPanelDlg::setTransStyle(std::int32_t mode) {
    if (!platform::isWindow(target.hwnd)) return 0;
    return setTransStyle(target.hwnd, mode);
}

int CCtrolPanelDlg::setTransAlpha(std::int32_t alpha) {
    if (!platform::isWindow(target.hwnd)) return 0;
    return setTransAlpha(target.hwnd, alpha);
}

int CCtrolPanelDlg::setTopMost(platform::Hwnd hwnd, std::int32_t mode) {
    if (!platform::isWindow(hwnd)) return 0;
    if (!playerAnswers(hwnd)) return 0;
    const platform::Hwnd band = mode == 1 ? platform::kHwndTopmost : platform::kHwndNoTopmost;
    return platform::setWindowPos(hwnd, band, 0, 0, 0, 0, platform::kSwpNoSize | platform::kSwpNoMove) ? 1
                                                                                                       : 0;
}

int CCtrolPanelDlg::setTransStyle(platform::Hwnd hwnd, std::int32_t mode) {
    if (!platform::isWindow(hwnd)) return 0;
    if (!playerAnswers(hwnd)) return 0;
    auto exStyle = static_cast<std::uint32_t>(platform::getWindowLongA(hwnd, platform::kGwlExStyle));
    exStyle = mode == 1 ? (exStyle | kSeeThroughBits) : (exStyle & kClearSeeThrough);
    // The call answers the old style word, which may well be 0: the panel reads 1 as "done".
    platform::setWindowLongA(hwnd, platform::kGwlExStyle, static_cast<std::int32_t>(exStyle));
    return 1;
}

int CCtrolPanelDlg::setTransAlpha(platform::Hwnd hwnd, std::int32_t alpha) {
    if (!playerAnswers(hwnd)) return 0;
    const auto alphaByte = static_cast<std::uint8_t>(static_cast<std::uint32_t>(alpha) & 0xFFu);
    return platform::setLayeredWindowAttributes(hwnd, 0, alphaByte, platform::kLwaAlpha) ? 1 : 0;
}
