// The drag overlay: a practically invisible popup over the clipped video. A left press
// starts the system's move-by-caption loop; each move drags the player along. It sits in the
// engine because the engine opens, places and closes it with the clip.
#pragma once

#include <cstdint>

#include "platform/dialog.h"
#include "resources/resource.h"

class CMoveWin : public platform::CDialog {
public:
    static constexpr int IDD = IDD_MOVE_WIN;

    explicit CMoveWin(platform::CDialog* parent = nullptr);
    ~CMoveWin() override;

    platform::Hwnd m_hTarget{};
    // The video's place in the player (left, top, right, bottom; only left and top are read),
    // in the program's own space, as the overlay's own rectangle is read.
    platform::Rect m_clip;
    std::int32_t m_dragOn = 0;

protected:
    const platform::MessageMap& GetMessageMap() const override;
    std::intptr_t WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void PostNcDestroy() override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnMove(int x, int y);
    std::intptr_t OnMouseActivate(int hitTest, unsigned mouseMessage);

private:
    // The player's thread did not answer in time: anything that waits for it would hang.
    bool playerHangs() const;
    // Moves the player so that its video lies under the overlay.
    void followOverlay();
    bool m_moving = false;  // inside the system's move loop
    bool m_behind = false;  // the player missed the last move
};
