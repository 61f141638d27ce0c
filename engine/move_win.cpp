#include "engine/move_win.h"

#include "engine/ctrol_panel.h"
#include "platform/window.h"

namespace {
constexpr std::uint8_t kOverlayAlpha = 1;  // 1 of 255: unseen, yet it still takes the presses
constexpr std::uint32_t kGlanceMs = 10;    // an idle thread answers well within this
}  // namespace

CMoveWin::CMoveWin(platform::CDialog* parent) : platform::CDialog(IDD, parent) {}

CMoveWin::~CMoveWin() = default;

const platform::MessageMap& CMoveWin::GetMessageMap() const {
    static const platform::MessageMap map{
        &platform::CDialog::GetMessageMap(),
        {platform::onMove(&CMoveWin::OnMove), platform::onMouseActivate(&CMoveWin::OnMouseActivate)}};
    return map;
}

bool CMoveWin::OnInitDialog() {
    platform::CDialog::OnInitDialog();
    const platform::Hwnd self = GetSafeHwnd();
    const auto exStyle = static_cast<std::uint32_t>(platform::getWindowLongA(self, platform::kGwlExStyle));
    platform::setWindowLongA(self, platform::kGwlExStyle,
                             static_cast<std::int32_t>(exStyle | platform::kWsExLayered));
    if (platform::isWindow(m_hTarget)) {
        platform::setLayeredWindowAttributes(self, 0, kOverlayAlpha, platform::kLwaAlpha);
    }
    return true;
}

bool CMoveWin::playerHangs() const {
    // A press while a change waits for the player would start a second one inside the wait.
    if (CCtrolPanelDlg::waitingForPlayer()) return true;
    return platform::isWindow(m_hTarget) && !platform::windowAnswers(m_hTarget, platform::kAnswerTimeoutMs);
}

// The overlay belongs to the player's window: activating it, and the drag, would wait for a
// player that does not answer. A press is dropped instead, whether it comes to an inactive
// overlay (which asks here first) or to the active one (which does not: see WindowProc).
std::intptr_t CMoveWin::OnMouseActivate(int, unsigned) {
    if (playerHangs()) return platform::kMaNoActivateAndEat;
    return Default();
}

std::intptr_t CMoveWin::WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == platform::msg::kLButtonDown && m_dragOn == 1) {
        if (playerHangs()) return 0;
        // The move loop runs inside this send; a tick may destroy the overlay meanwhile,
        // and then the object has freed itself: nothing of it may be touched afterwards.
        const auto alive = aliveToken();
        m_moving = true;
        platform::sendMessage(GetSafeHwnd(), platform::msg::kNcLButtonDown,
                              static_cast<std::uintptr_t>(platform::kHtCaption), lParam);
        if (!*alive) return 0;
        m_moving = false;
        if (m_behind) {
            // The player was busy at the last moves: once it answers, it goes where the
            // overlay was released.
            m_behind = false;
            if (CCtrolPanelDlg::playerAnswers(m_hTarget) && *alive) followOverlay();
            if (!*alive) return 0;
        }
    }
    return platform::CDialog::WindowProc(message, wParam, lParam);
}

void CMoveWin::OnMove(int, int) {
    Default();
    if (m_dragOn == 0) return;
    if (!platform::isWindow(m_hTarget)) return;
    // A player that stopped answering mid-drag is not waited for while the mouse moves: once
    // it has missed a move it is only glanced at, and follows at the release.
    if (!platform::windowAnswers(m_hTarget, m_behind ? kGlanceMs : platform::kAnswerTimeoutMs)) {
        m_behind = true;
        return;
    }
    m_behind = false;
    followOverlay();
}

void CMoveWin::followOverlay() {
    platform::Rect overlay;
    platform::Rect target;
    GetWindowRect(overlay);
    platform::getWindowRect(m_hTarget, target);
    platform::moveWindow(m_hTarget, overlay.left - m_clip.left, overlay.top - m_clip.top, target.width(),
                         target.height(), true);
}

void CMoveWin::PostNcDestroy() {
    // Gone in the middle of a drag (its player went): the move loop would wait for a release
    // that now reaches some other window, and hold this thread's modal loops until the next
    // release anywhere of ours. A release of our own ends it.
    if (m_moving) platform::postMessage(platform::kNoWindow, platform::msg::kLButtonUp, 0, 0);
    platform::CDialog::PostNcDestroy();
    delete this;
}

// Enter and Escape must not end the overlay.
void CMoveWin::OnOK() {}
void CMoveWin::OnCancel() {}
