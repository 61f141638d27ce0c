#include "panels/trans_dlg.h"

CTransDlg::CTransDlg(platform::CDialog* parent) : platform::CDialog(IDD, parent) {}

CTransDlg::~CTransDlg() = default;

const platform::MessageMap& CTransDlg::GetMessageMap() const {
    static const platform::MessageMap map{&platform::CDialog::GetMessageMap(), {}};
    return map;
}

void CTransDlg::DoDataExchange(platform::CDataExchange& dx) {
    platform::CDialog::DoDataExchange(dx);
    platform::DDX_Control(dx, IDC_PERCENT_SPIN, m_spin);
}

bool CTransDlg::OnInitDialog() {
    platform::CDialog::OnInitDialog();
    m_spin.SetRange32(kMinPercent, kMaxPercent);
    // The spin writes the position into its buddy edit box.
    m_spin.SetPos32(m_percent);
    return true;
}

void CTransDlg::OnOK() {
    // The spin takes the edit box's text only when it is a whole number in range; otherwise
    // the low word keeps the last valid position, so the result is always within 20..100.
    m_percent = static_cast<std::int32_t>(m_spin.GetPos() & 0xFFFFu);
    platform::CDialog::OnOK();
}
