// The see-through setting dialog: a percentage from 20 to 100 in an edit box with a spin
// control beside it. The caller sets m_percent, runs the dialog and reads m_percent on OK.
#pragma once

#include <cstdint>

#include "platform/dialog.h"
#include "resources/resource.h"

class CTransDlg : public platform::CDialog {
public:
    static constexpr int IDD = IDD_TRANS_DLG;
    static constexpr int kMinPercent = 20;
    static constexpr int kMaxPercent = 100;

    explicit CTransDlg(platform::CDialog* parent = nullptr);
    ~CTransDlg() override;

    platform::CSpinButtonCtrl m_spin;
    std::int32_t m_percent = 0;

protected:
    const platform::MessageMap& GetMessageMap() const override;
    void DoDataExchange(platform::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
};
