// The drag overlay: a practically invisible popup over the clipped video. A left press
// starts the system's move-by-caption loop; each move drags the player along.
#pragma once

#include <cstdint>

#include "platform/dialog.h"

class CMoveWin : public platform::CDialog {
public:
    static constexpr int IDD = 131;

    explicit CMoveWin(platform::CDialog* parent = nullptr);
    ~CMoveWin() override;

    platform::Hwnd m_hTarget{};
    platform::Rect m_clip;  // left, top, right, bottom; only left and top are read
    std::int32_t m_dragOn = 0;

protected:
    const platform::MessageMap& GetMessageMap() const override;
    std::intptr_t WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void PostNcDestroy() override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnMove(int x, int y);

private:
    bool m_moving = false;  // inside the system's move loop
};
