// The dialog framework on the system's own dialog manager: modal runs, the dialog-procedure
// result rules, the end of a window's life, data exchange and the template reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "contract_win32_ids.h"
#include "platform/dialog.h"
#include "platform/system.h"
#include "platform/win32/win32_handles.h"

using namespace platform;

namespace {

constexpr unsigned kProbe = WM_APP + 1;
constexpr unsigned kAnswer42 = WM_APP + 2;
constexpr unsigned kLeaveToSystem = WM_APP + 3;
constexpr unsigned kNested = WM_APP + 4;
constexpr unsigned kSelfDestroy = WM_APP + 5;
constexpr int kNotifyCode = -777;

HWND win(Hwnd h) {
    return platform::win32::toWin(h);
}
Hwnd seam(HWND h) {
    return platform::win32::fromWin(h);
}

LRESULT CALLBACK plainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

// A visible top-level window of this process that stands for the application's main window.
class OwnerWindow {
public:
    OwnerWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = plainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ClipveilTestOwner";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, L"ClipveilTestOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150,
                                420, 320, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        setMainWindow(seam(hwnd_));
    }
    ~OwnerWindow() {
        setMainWindow(kNoWindow);
        DestroyWindow(hwnd_);
    }
    HWND hwnd() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

POINT centreOf(const RECT& r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A modal dialog that looks at its own run from inside, through a message it posts itself.
class ProbeDialog : public CDialog {
public:
    explicit ProbeDialog(HWND owner) : CDialog(IDD_TEST_MODAL), owner_(owner) {}

    HWND seenWindow = nullptr;
    bool ownerEnabledDuringRun = true;
    HWND ownerDuringRun = nullptr;
    RECT rectDuringRun{};
    int destroyCalls = 0;
    int cancelCalls = 0;
    bool postNcDestroyed = false;
    unsigned postOnInit = kProbe;
    WPARAM postWParam = 0;

protected:
    bool OnInitDialog() override {
        CDialog::OnInitDialog();
        seenWindow = win(GetSafeHwnd());
        if (postOnInit == WM_KEYDOWN) {
            PostMessageW(::GetDlgItem(seenWindow, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        } else if (postOnInit == WM_QUIT) {
            PostQuitMessage(5);
        } else {
            PostMessageW(seenWindow, postOnInit, postWParam, 0);
        }
        return true;
    }
    void OnCancel() override {
        ++cancelCalls;
        CDialog::OnCancel();
    }
    bool DestroyWindow() override {
        ++destroyCalls;
        return CDialog::DestroyWindow();
    }
    void PostNcDestroy() override { postNcDestroyed = true; }
    const MessageMap& GetMessageMap() const override {
        static const MessageMap map{&CDialog::GetMessageMap(), {onMessage(kProbe, &ProbeDialog::OnProbe)}};
        return map;
    }

private:
    std::intptr_t OnProbe(std::uintptr_t, std::intptr_t) {
        ownerEnabledDuringRun = IsWindowEnabled(owner_) != FALSE;
        ownerDuringRun = GetWindow(seenWindow, GW_OWNER);
        ::GetWindowRect(seenWindow, &rectDuringRun);
        EndDialog(77);
        return 0;
    }
    HWND owner_;
};

TEST(DialogFramework, ModalRunDisablesTheOwnerCentresOverItAndDestroysTheWindow) {
    OwnerWindow owner;
    ProbeDialog dialog(owner.hwnd());
    EXPECT_EQ(dialog.DoModal(), 77);

    EXPECT_FALSE(dialog.ownerEnabledDuringRun) << "the owner is disabled while the dialog runs";
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd())) << "and enabled again afterwards";
    EXPECT_EQ(dialog.destroyCalls, 1) << "the run ends through the virtual DestroyWindow";
    EXPECT_TRUE(dialog.postNcDestroyed);
    EXPECT_FALSE(IsWindow(dialog.seenWindow));
    EXPECT_EQ(dialog.GetSafeHwnd(), kNoWindow);
    EXPECT_EQ(dialog.ownerDuringRun, owner.hwnd()) << "a dialog without a parent is owned by the main window";

    RECT ownerRect{};
    ::GetWindowRect(owner.hwnd(), &ownerRect);
    const POINT want = centreOf(ownerRect);
    const POINT got = centreOf(dialog.rectDuringRun);
    EXPECT_NEAR(got.x, want.x, 1) << "a template at (0, 0) opens centred over its owner";
    EXPECT_NEAR(got.y, want.y, 1);
}

TEST(DialogFramework, EscapeInTheModalLoopReachesOnCancel) {
    OwnerWindow owner;
    ProbeDialog dialog(owner.hwnd());
    dialog.postOnInit = WM_KEYDOWN;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.cancelCalls, 1);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
}

TEST(DialogFramework, QuitDuringAModalRunEndsItAndStaysQueued) {
    OwnerWindow owner;
    ProbeDialog dialog(owner.hwnd());
    dialog.postOnInit = WM_QUIT;
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_FALSE(IsWindow(dialog.seenWindow));
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request is passed on";
    EXPECT_EQ(m.wParam, 5u);
}

// A modeless dialog with one binding per kind of answer.
class AnswerDialog : public CDialog {
public:
    AnswerDialog() : CDialog(IDD_TEST_MODAL), brush(rgb(1, 2, 3)) {}
    CBrush brush;
    int okClicks = 0;
    NotifyHeader lastNotify;

protected:
    const MessageMap& GetMessageMap() const override {
        static const MessageMap map{&CDialog::GetMessageMap(),
                                    {
                                        onCtlColor(&AnswerDialog::OnCtlColor),
                                        onNotify(IDC_TEST_GO, kNotifyCode, &AnswerDialog::OnGo),
                                        onMessage(kAnswer42, &AnswerDialog::On42),
                                        onMessage(kLeaveToSystem, &AnswerDialog::OnLeave),
                                        onMessage(kNested, &AnswerDialog::OnNested),
                                        onClicked(IDOK, &AnswerDialog::OnOkClicked),
                                    }};
        return map;
    }

private:
    BrushHandle OnCtlColor(DcHandle, Hwnd, CtlColor kind) {
        return kind == CtlColor::Dialog ? brush.handle() : DefaultCtlColor(DcHandle{}, kNoWindow, kind);
    }
    void OnGo(const NotifyHeader& header, std::intptr_t& result) {
        lastNotify = header;
        result = 1234;
    }
    std::intptr_t On42(std::uintptr_t, std::intptr_t) { return 42; }
    std::intptr_t OnLeave(std::uintptr_t, std::intptr_t) {
        Default();
        return 99;  // ignored: the system answers
    }
    std::intptr_t OnNested(std::uintptr_t, std::intptr_t) {
        SendMessageW(win(GetSafeHwnd()), kLeaveToSystem, 0, 0);
        return 9;
    }
    void OnOkClicked() { ++okClicks; }
};

TEST(DialogFramework, AnswersFollowTheDialogProcedureRules) {
    AnswerDialog dialog;
    ASSERT_TRUE(dialog.Create(kNoWindow));
    const HWND hwnd = win(dialog.GetSafeHwnd());

    const auto brush = static_cast<UINT_PTR>(static_cast<std::uint32_t>(dialog.brush.handle()));
    EXPECT_EQ(static_cast<UINT_PTR>(SendMessageW(hwnd, WM_CTLCOLORDLG, 0, reinterpret_cast<LPARAM>(hwnd))),
              brush)
        << "a colour request answers the brush itself";

    NMHDR header{hwnd, IDC_TEST_GO, static_cast<UINT>(kNotifyCode)};
    EXPECT_EQ(SendMessageW(hwnd, WM_NOTIFY, IDC_TEST_GO, reinterpret_cast<LPARAM>(&header)), 1234)
        << "a notification's answer goes through DWLP_MSGRESULT";
    EXPECT_EQ(dialog.lastNotify.id, static_cast<std::uintptr_t>(IDC_TEST_GO));
    EXPECT_EQ(dialog.lastNotify.from, seam(hwnd));

    header.code = static_cast<UINT>(kNotifyCode - 1);
    EXPECT_EQ(SendMessageW(hwnd, WM_NOTIFY, IDC_TEST_GO, reinterpret_cast<LPARAM>(&header)), 0)
        << "another code is not bound";

    EXPECT_EQ(SendMessageW(hwnd, kAnswer42, 0, 0), 42);
    EXPECT_EQ(SendMessageW(hwnd, kLeaveToSystem, 0, 0), 0) << "Default() leaves the answer to the system";
    EXPECT_EQ(SendMessageW(hwnd, kNested, 0, 0), 9)
        << "a nested Default() does not unhandle the outer message";

    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(dialog.okClicks, 1) << "a bound IDOK wins over the built-in OnOK";
    EXPECT_TRUE(IsWindow(hwnd)) << "a modeless dialog is not ended by its own IDOK binding";
    dialog.DestroyWindow();
    EXPECT_FALSE(IsWindow(hwnd));
}

// Freed memory is scribbled over and kept, so that a write after the object freed itself shows.
class SelfFreeingDialog : public CDialog {
public:
    SelfFreeingDialog() : CDialog(IDD_TEST_MODAL) {}
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* p, std::size_t size) {
        std::memset(p, 0xDD, size);
        freedAt = p;
        freedSize = size;
    }
    static inline void* freedAt = nullptr;
    static inline std::size_t freedSize = 0;
    static inline int postNcDestroyCalls = 0;

protected:
    void PostNcDestroy() override {
        ++postNcDestroyCalls;
        delete this;
    }
    const MessageMap& GetMessageMap() const override {
        static const MessageMap map{&CDialog::GetMessageMap(),
                                    {onMessage(kSelfDestroy, &SelfFreeingDialog::OnGo)}};
        return map;
    }

private:
    std::intptr_t OnGo(std::uintptr_t, std::intptr_t) {
        DestroyWindow();  // the object is gone when this returns
        return 5;
    }
};

bool stillScribbled() {
    const auto* bytes = static_cast<const unsigned char*>(SelfFreeingDialog::freedAt);
    for (std::size_t i = 0; i < SelfFreeingDialog::freedSize; ++i) {
        if (bytes[i] != 0xDD) return false;
    }
    return true;
}

TEST(DialogFramework, NothingTouchesAnObjectThatFreedItselfAtNcDestroy) {
    auto* dialog = new SelfFreeingDialog;
    ASSERT_TRUE(dialog->Create(kNoWindow));
    const HWND hwnd = win(dialog->GetSafeHwnd());
    const auto alive = dialog->aliveToken();

    SendMessageW(hwnd, kSelfDestroy, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(*alive) << "the token tells holders that the window is gone";
    EXPECT_EQ(SelfFreeingDialog::postNcDestroyCalls, 1);
    ASSERT_EQ(SelfFreeingDialog::freedAt, static_cast<void*>(dialog));
    EXPECT_TRUE(stillScribbled()) << "the framework wrote into the object after it freed itself";
    ::operator delete(SelfFreeingDialog::freedAt);
}

// Data exchange over a real radio group with a check box inside it.
class ExchangeDialog : public CDialog {
public:
    ExchangeDialog() : CDialog(IDD_TEST_MODAL) {}
    int mode = -1;
    int check = 0;
    std::string text;

protected:
    void DoDataExchange(CDataExchange& dx) override {
        DDX_Radio(dx, IDC_TEST_RADIO_A, mode);
        DDX_Check(dx, IDC_TEST_CHECK, check);
        DDX_Text(dx, IDC_TEST_EDIT, text);
    }
};

TEST(DialogFramework, RadioGroupCountsOnlyRadioButtonsUpToTheNextGroup) {
    ExchangeDialog dialog;
    ASSERT_TRUE(dialog.Create(kNoWindow));
    const HWND hwnd = win(dialog.GetSafeHwnd());

    dialog.mode = 2;
    dialog.check = 1;
    dialog.text = "透かし 70 %";
    dialog.UpdateData(false);
    EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_TEST_RADIO_C), BST_CHECKED) << "index 2 is the third radio button";
    EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_TEST_RADIO_A), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_TEST_RADIO_B), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_TEST_CHECK), BST_CHECKED)
        << "the check box is not part of the group";
    wchar_t shown[32] = {};
    GetDlgItemTextW(hwnd, IDC_TEST_EDIT, shown, 32);
    EXPECT_STREQ(shown, L"透かし 70 %");

    CheckDlgButton(hwnd, IDC_TEST_RADIO_C, BST_UNCHECKED);
    CheckDlgButton(hwnd, IDC_TEST_RADIO_B, BST_CHECKED);
    CheckDlgButton(hwnd, IDC_TEST_CHECK, BST_UNCHECKED);
    SetDlgItemTextW(hwnd, IDC_TEST_EDIT, L"元に戻す");
    dialog.UpdateData(true);
    EXPECT_EQ(dialog.mode, 1);
    EXPECT_EQ(dialog.check, 0);
    EXPECT_EQ(dialog.text, "元に戻す");

    CheckDlgButton(hwnd, IDC_TEST_RADIO_B, BST_UNCHECKED);
    dialog.UpdateData(true);
    EXPECT_EQ(dialog.mode, -1) << "no button checked";
}

TEST(DialogBackend, TemplateAtOriginReadsBothTemplateForms) {
    EXPECT_TRUE(backend::templateAtOrigin(IDD_TEST_MODAL));
    EXPECT_FALSE(backend::templateAtOrigin(IDD_TEST_PLACED)) << "DIALOGEX at (10, 12)";
    EXPECT_FALSE(backend::templateAtOrigin(IDD_TEST_SELF_CENTRED)) << "DS_CENTER places it itself";
    EXPECT_TRUE(backend::templateAtOrigin(IDD_TEST_CHILD)) << "DIALOGEX at (0, 0)";
    EXPECT_FALSE(backend::templateAtOrigin(4242)) << "no such template";
}

class ChildPanel : public CDialog {
public:
    ChildPanel() : CDialog(IDD_TEST_CHILD) {}
};

class TestApp : public CWinApp {
public:
    int InitInstance() override { return 0; }
};

TEST(DialogFramework, TheAppsMainDialogOwnsMessageBoxesWhileItsWindowExists) {
    TestApp app;
    ASSERT_EQ(CWinApp::current(), &app);
    AnswerDialog main;
    app.m_pMainWnd = &main;
    ASSERT_TRUE(main.Create(kNoWindow));
    EXPECT_EQ(mainWindow(), main.GetSafeHwnd());

    ChildPanel panel;
    ASSERT_TRUE(panel.Create(&main));
    EXPECT_EQ(GetParent(win(panel.GetSafeHwnd())), win(main.GetSafeHwnd()))
        << "a WS_CHILD template gets a parent";

    main.DestroyWindow();
    EXPECT_EQ(mainWindow(), kNoWindow);
    EXPECT_EQ(panel.GetSafeHwnd(), kNoWindow) << "the child went with its parent";
}

}  // namespace
