// Dialogs on the simulated desktop: templates, the system's controls, keys, modal runs,
// colours and the move loop, driven through a bare dialog procedure.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "platform/window.h"
#include "tests/support/sim_calls.h"

namespace {

using namespace platform;
using platform::sim::desktop;

constexpr int kPanel = 900;
constexpr int kSpin = 901;
constexpr int kOverlay = 902;
constexpr std::uint32_t kChildPanelStyle = kWsChild | 0x0400 | 0x0040;  // DS_CONTROL | DS_SETFONT
constexpr std::uint32_t kVisibleChild = kWsChild | kWsVisible;

sim::DialogItemTemplate item(int id, std::string cls, std::string text, std::uint32_t style, std::int16_t x,
                             std::int16_t y, std::int16_t cx, std::int16_t cy) {
    sim::DialogItemTemplate i;
    i.id = static_cast<std::uint32_t>(id);
    i.className = std::move(cls);
    i.text = std::move(text);
    i.style = style;
    i.x = x;
    i.y = y;
    i.cx = cx;
    i.cy = cy;
    return i;
}

sim::DialogTemplate panelTemplate() {
    sim::DialogTemplate t;
    t.style = kChildPanelStyle;
    t.exStyle = kWsExClientEdge;
    t.x = 2;
    t.y = 15;
    t.cx = 193;
    t.cy = 91;
    t.items = {item(1000, "Static", "Static", kVisibleChild | kWsGroup | 0x1201, 2, 3, 189, 13),
               item(1001, "Button", "video", kVisibleChild | kWsGroup | 0x1009, 2, 36, 95, 26),
               item(1002, "Button", "restore", kVisibleChild | 0x1009, 98, 36, 93, 26),
               item(1004, "Button", "drag", kVisibleChild | kWsTabStop | 3, 9, 70, 69, 10),
               item(1006, "Static", "", kVisibleChild | kWsGroup | 0x1201, 123, 69, 35, 10),
               item(1007, "Button", "set", kVisibleChild | kWsTabStop, 161, 69, 22, 11),
               item(1010, "SysLink", "<a>home</a>", kVisibleChild, 5, 80, 50, 8)};
    return t;
}

sim::DialogTemplate spinTemplate() {
    sim::DialogTemplate t;
    t.style = kWsPopup | kWsCaption | kWsSysMenu | 0x80 | 0x40;  // DS_MODALFRAME | DS_SETFONT
    t.cx = 118;
    t.cy = 52;
    t.title = "透かし透明度設定";
    t.items = {item(kIdOk, "Button", "OK", kVisibleChild | kWsTabStop | 1, 7, 31, 50, 14),
               item(kIdCancel, "Button", "ｷｬﾝｾﾙ", kVisibleChild | kWsTabStop, 61, 31, 50, 14),
               item(1008, "Edit", "", kVisibleChild | kWsTabStop | 0x0081, 33, 7, 49, 14),
               // UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_NOTHOUSANDS
               item(1009, "msctls_updown32", "Spin1", kVisibleChild | 0xB6, 70, 7, 10, 15)};
    return t;
}

// A bare dialog procedure that records what it is sent and answers through a handler.
struct Probe {
    std::vector<unsigned> messages;
    std::vector<std::uintptr_t> commands;  // wParam of WM_COMMAND
    std::vector<NotifyHeader> notices;
    std::function<std::optional<std::intptr_t>(Hwnd, unsigned, std::uintptr_t, std::intptr_t)> handler;
    void* initContext = nullptr;
    bool ended = false;

    static std::intptr_t proc(void* context, Hwnd hwnd, unsigned m, std::uintptr_t wp, std::intptr_t lp,
                              bool& handled) {
        auto* self = static_cast<Probe*>(context);
        self->messages.push_back(m);
        if (m == msg::kInitDialog) self->initContext = reinterpret_cast<void*>(lp);
        if (m == msg::kCommand) self->commands.push_back(wp);
        if (m == msg::kNotify) self->notices.push_back(backend::decodeNotify(lp));
        if (self->handler) {
            if (const auto answer = self->handler(hwnd, m, wp, lp)) {
                handled = true;
                return *answer;
            }
        }
        handled = m == msg::kInitDialog;
        return m == msg::kInitDialog ? 1 : 0;
    }
};

std::uintptr_t clicked(int id) {
    return static_cast<std::uintptr_t>(id) | (kBnClicked << 16);
}

class SimDialog : public ::testing::Test {
protected:
    void SetUp() override {
        desktop().reset();
        desktop().registerTemplate(kPanel, panelTemplate());
        desktop().registerTemplate(kSpin, spinTemplate());
        sim::DialogTemplate overlay;
        overlay.style = kWsPopup | 0x40;
        overlay.cx = 112;
        overlay.cy = 89;
        desktop().registerTemplate(kOverlay, overlay);
        sim::WindowSpec main;
        main.processId = desktop().ownProcessId();
        main.rect = Rect{100, 100, 400, 300};
        mainWindow = desktop().createWindow(main);
    }
    Hwnd mainWindow{};
    Probe probe;
};

TEST_F(SimDialog, ChildPanelIsBuiltFromItsTemplateInDialogUnits) {
    const Hwnd panel = backend::createDialog(kPanel, mainWindow, &Probe::proc, &probe);
    ASSERT_NE(panel, kNoWindow);
    EXPECT_EQ(probe.initContext, &probe);
    const auto state = *desktop().state(panel);
    EXPECT_EQ(state.parent, mainWindow);
    EXPECT_EQ(state.className, platform::kDialogClass);
    EXPECT_EQ(state.style & (kWsCaption | kWsSysMenu | kWsVisible), 0u)
        << "DS_CONTROL takes the caption away";
    const Rect mainClient = desktop().state(mainWindow)->client;
    // (2, 15) dialog units is (3, 23) pixels in the parent's client area, where the client
    // area starts; the sunken edge lies around it.
    EXPECT_EQ(state.client.left, mainClient.left + 3);
    EXPECT_EQ(state.client.top, mainClient.top + 23);
    EXPECT_EQ(state.rect.left, state.client.left - 2);
    EXPECT_EQ(state.client.width(), 290);
    EXPECT_EQ(state.client.height(), 137);

    const Hwnd restore = desktop().item(panel, 1002);
    EXPECT_EQ(getClassNameA(restore, 256), "Button");
    EXPECT_EQ(getDlgCtrlId(restore), 1002);
    EXPECT_EQ(getWindowTextUtf8(restore), "restore");
    EXPECT_EQ(desktop().rect(restore), (Rect{state.client.left + 147, state.client.top + 54,
                                             state.client.left + 287, state.client.top + 93}));
    EXPECT_EQ(backend::nextSibling(desktop().item(panel, 1001)), restore)
        << "template order is sibling order";
    EXPECT_EQ(desktop().focus(), desktop().item(panel, 1004)) << "the first tab stop";
}

TEST_F(SimDialog, MissingOrRefusedTemplateMakesNoWindow) {
    EXPECT_EQ(backend::createDialog(4242, mainWindow, &Probe::proc, &probe), kNoWindow);
    desktop().failCreateDialog(kPanel);
    EXPECT_EQ(backend::createDialog(kPanel, mainWindow, &Probe::proc, &probe), kNoWindow);
    EXPECT_TRUE(probe.messages.empty());
}

TEST_F(SimDialog, PushLikeRadioPairAndCheckBoxBehaveOnClicks) {
    const Hwnd panel = backend::createDialog(kPanel, mainWindow, &Probe::proc, &probe);
    desktop().show(panel, true);
    const Hwnd video = desktop().item(panel, 1001);
    const Hwnd restore = desktop().item(panel, 1002);
    const Hwnd drag = desktop().item(panel, 1004);

    EXPECT_TRUE(desktop().click(video));
    EXPECT_EQ(isDlgButtonChecked(panel, 1001), 1);
    EXPECT_TRUE(desktop().click(restore));
    EXPECT_EQ(isDlgButtonChecked(panel, 1001), 0) << "the group's other button lets go";
    EXPECT_EQ(isDlgButtonChecked(panel, 1002), 1);
    EXPECT_EQ(isDlgButtonChecked(panel, 1004), 0) << "a check box after the pair is not in the group";
    desktop().click(drag);
    desktop().click(drag);
    desktop().click(drag);
    EXPECT_EQ(isDlgButtonChecked(panel, 1004), 1);
    EXPECT_EQ(probe.commands, (std::vector<std::uintptr_t>{clicked(1001), clicked(1002), clicked(1004),
                                                           clicked(1004), clicked(1004)}));

    enableWindow(video, false);
    showWindow(drag, kSwHide);
    EXPECT_FALSE(desktop().click(video));
    EXPECT_FALSE(desktop().click(drag));
    desktop().show(panel, false);
    EXPECT_FALSE(desktop().click(restore)) << "a hidden parent hides the button";
    EXPECT_EQ(probe.commands.size(), 5u);
    EXPECT_EQ(isDlgButtonChecked(panel, 1002), 1);

    checkDlgButton(panel, 1001, kBstChecked);
    EXPECT_EQ(isDlgButtonChecked(panel, 1002), 1) << "BM_SETCHECK leaves the group alone";
    EXPECT_NE(desktop().style(video) & kWsTabStop, 0u) << "a checked radio button is the group's tab stop";
}

TEST_F(SimDialog, SysLinkClickArrivesAsANotice) {
    const Hwnd panel = backend::createDialog(kPanel, mainWindow, &Probe::proc, &probe);
    desktop().show(panel, true);
    ASSERT_TRUE(desktop().click(desktop().item(panel, 1010)));
    ASSERT_EQ(probe.notices.size(), 1u);
    EXPECT_EQ(probe.notices[0].from, desktop().item(panel, 1010));
    EXPECT_EQ(probe.notices[0].id, 1010u);
    EXPECT_EQ(probe.notices[0].code, kNmClick);
}

TEST_F(SimDialog, ColourRequestsReportTheHandlersAnswer) {
    const Hwnd panel = backend::createDialog(kPanel, mainWindow, &Probe::proc, &probe);
    const BrushHandle green = createSolidBrush(rgb(0, 255, 0));
    probe.handler = [&](Hwnd, unsigned m, std::uintptr_t wp,
                        std::intptr_t lp) -> std::optional<std::intptr_t> {
        if (m != msg::kCtlColorStatic || getDlgCtrlId(toHwnd(static_cast<std::uint32_t>(lp))) != 1000)
            return std::nullopt;
        const auto dc = static_cast<DcHandle>(static_cast<std::uint32_t>(wp));
        setBkMode(dc, kTransparent);
        setTextColor(dc, rgb(0, 255, 0));
        return static_cast<std::intptr_t>(green);
    };
    const auto status = desktop().ctlColor(desktop().item(panel, 1000));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->message, msg::kCtlColorStatic);
    EXPECT_EQ(status->brushColor, rgb(0, 255, 0));
    EXPECT_EQ(status->textColor, rgb(0, 255, 0));
    EXPECT_TRUE(status->bkModeSet);
    EXPECT_EQ(status->bkMode, kTransparent);

    EXPECT_EQ(desktop().ctlColor(desktop().item(panel, 1001))->message, msg::kCtlColorBtn)
        << "push-like radio";
    EXPECT_EQ(desktop().ctlColor(desktop().item(panel, 1004))->message, msg::kCtlColorStatic) << "check box";
    const auto background = desktop().ctlColor(panel);
    EXPECT_EQ(background->message, msg::kCtlColorDlg);
    EXPECT_TRUE(background->systemBrush) << "unanswered: the system's own brush";
    EXPECT_FALSE(background->textColorSet);

    EXPECT_EQ(desktop().liveBrushes(), 1u);
    EXPECT_TRUE(deleteBrush(green));
    EXPECT_FALSE(deleteBrush(green));
    EXPECT_EQ(desktop().liveBrushes(), 0u);
    EXPECT_EQ(desktop().brushDoubleDeletes(), 1u);
}

TEST_F(SimDialog, CloseEnterAndEscapeBecomeCommands) {
    const Hwnd spin = backend::createDialog(kSpin, mainWindow, &Probe::proc, &probe);
    desktop().show(spin, true);
    EXPECT_EQ(getOwner(spin), mainWindow);
    EXPECT_EQ(desktop().state(spin)->client.left, desktop().state(mainWindow)->client.left)
        << "a popup template is placed in its owner's client area";
    desktop().close(spin);
    desktop().pressKey(desktop().item(spin, 1008), platform::kVkReturn);
    desktop().pressKey(spin, platform::kVkEscape);
    desktop().pressKey(desktop().item(spin, kIdCancel), platform::kVkReturn);
    EXPECT_EQ(probe.commands,
              (std::vector<std::uintptr_t>{clicked(kIdCancel), clicked(kIdOk),
                                           static_cast<std::uintptr_t>(kIdCancel), clicked(kIdCancel)}));
    EXPECT_TRUE(isWindow(spin)) << "the procedure decides what the commands do";
}

struct GetPosCase {
    const char* name;
    const char* text;
    int position;
    bool taken;
    // Test names carry the case's name, not its bytes.
    friend void PrintTo(const GetPosCase& c, std::ostream* os) { *os << c.name; }
};

class SimUpDown : public SimDialog, public ::testing::WithParamInterface<GetPosCase> {};

TEST_P(SimUpDown, TakesTheBuddysTextOnlyAsAWholeNumberInRange) {
    const Hwnd dialog = backend::createDialog(kSpin, mainWindow, &Probe::proc, &probe);
    const Hwnd spin = desktop().item(dialog, 1009);
    const Hwnd edit = desktop().item(dialog, 1008);
    sendMessage(spin, msg::kUdmSetRange32, 20, 100);
    sendMessage(spin, msg::kUdmSetPos32, 0, 70);
    EXPECT_EQ(getWindowTextUtf8(edit), "70");

    setWindowTextUtf8(edit, GetParam().text);
    const auto answer = static_cast<std::uint32_t>(sendMessage(spin, msg::kUdmGetPos, 0, 0));
    EXPECT_EQ(answer & 0xFFFF, static_cast<std::uint32_t>(GetParam().position));
    EXPECT_EQ(answer >> 16, GetParam().taken ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SimUpDown,
    ::testing::Values(GetPosCase{"Plain", "45", 45, true}, GetPosCase{"LeadingBlank", " 45", 45, true},
                      GetPosCase{"PlusSign", "+45", 45, true}, GetPosCase{"Lowest", "20", 20, true},
                      GetPosCase{"Highest", "100", 100, true}, GetPosCase{"AboveRange", "150", 70, false},
                      GetPosCase{"BelowRange", "19", 70, false}, GetPosCase{"Letters", "abc", 70, false},
                      GetPosCase{"Empty", "", 70, false}, GetPosCase{"TrailingLetters", "45abc", 70, false},
                      GetPosCase{"TrailingBlank", "45 ", 70, false},
                      GetPosCase{"Thousands", "1,000", 70, false}, GetPosCase{"Negative", "-70", 70, false},
                      GetPosCase{"FullWidthDigits", "４５", 45, true}),
    [](const ::testing::TestParamInfo<GetPosCase>& info) { return std::string(info.param.name); });

TEST_F(SimDialog, SpinArrowsStepFromValidTextAndStopAtTheEnds) {
    const Hwnd dialog = backend::createDialog(kSpin, mainWindow, &Probe::proc, &probe);
    desktop().show(dialog, true);
    const Hwnd spin = desktop().item(dialog, 1009);
    const Hwnd edit = desktop().item(dialog, 1008);
    EXPECT_EQ(desktop().rect(spin).left, desktop().rect(edit).right - 2)
        << "attached to the buddy's right edge";
    sendMessage(spin, msg::kUdmSetRange32, 20, 100);
    sendMessage(spin, msg::kUdmSetPos32, 0, 99);
    desktop().clickSpin(spin, true);
    desktop().clickSpin(spin, true);
    EXPECT_EQ(getWindowTextUtf8(edit), "100");
    desktop().typeText(edit, "21");
    desktop().pressKey(edit, platform::kVkDown);
    desktop().pressKey(edit, platform::kVkDown);
    EXPECT_EQ(getWindowTextUtf8(edit), "20");
    desktop().typeText(edit, "junk");
    desktop().clickSpin(spin, true);
    EXPECT_EQ(getWindowTextUtf8(edit), "21") << "invalid text: the last valid position steps";
    EXPECT_EQ(sendMessage(spin, msg::kUdmSetPos32, 0, 500), 21);
    EXPECT_EQ(getWindowTextUtf8(edit), "100") << "set positions are kept in range";
}

TEST_F(SimDialog, ModalScriptDrivesTheRunAndAnUnfinishedRunIsCancelled) {
    const Hwnd dialog = backend::createDialog(kSpin, mainWindow, &Probe::proc, &probe);
    desktop().show(dialog, true);
    probe.handler = [&](Hwnd, unsigned m, std::uintptr_t wp, std::intptr_t) -> std::optional<std::intptr_t> {
        if (m == msg::kCommand && (wp & 0xFFFF) == static_cast<unsigned>(kIdCancel)) probe.ended = true;
        return std::nullopt;
    };
    std::vector<Hwnd> scripted;
    desktop().onModal([&](Hwnd d) {
        scripted.push_back(d);
        desktop().typeText(desktop().item(d, 1008), "45");
        desktop().advance(1000);
    });
    backend::runModalLoop(dialog, [&] { return probe.ended; });
    EXPECT_EQ(scripted, std::vector<Hwnd>{dialog});
    EXPECT_EQ(getWindowTextUtf8(desktop().item(dialog, 1008)), "45");
    EXPECT_EQ(probe.commands.back(), static_cast<std::uintptr_t>(kIdCancel));
    EXPECT_EQ(desktop().unendedModalRuns(), 0u);

    probe.handler = nullptr;
    probe.ended = false;
    backend::runModalLoop(dialog, [&] { return probe.ended; });
    EXPECT_EQ(desktop().modalRuns(), 2u);
    EXPECT_EQ(desktop().unendedModalRuns(), 1u) << "a dialog that ignores Cancel is counted, not waited for";
}

TEST_F(SimDialog, MessageBoxesAreRecordedAndAnswered) {
    EXPECT_EQ(
        messageBox(mainWindow, "リージョンの設定に失敗しました", "Clipveil", kMbOk | kMbIconExclamation),
        kIdOk);
    desktop().onMessageBox([](const sim::MessageBoxRecord& box) { return box.type == 4 ? 7 : kIdCancel; });
    EXPECT_EQ(messageBox(kNoWindow, "?", "c", 4), 7);
    ASSERT_EQ(desktop().messageBoxes().size(), 2u);
    EXPECT_EQ(desktop().messageBoxes()[0].owner, mainWindow);
    EXPECT_EQ(desktop().messageBoxes()[0].caption, "Clipveil");
    static const sim::ExpectedCall kBox[] = {
        {sim::Call::MessageBox,
         'M',
         {kMbOk | kMbIconExclamation},
         {"リージョンの設定に失敗しました", "Clipveil"}},
    };
    EXPECT_TRUE(sim::callsAre(desktop().calls(), kBox, {{'M', mainWindow}}));
}

TEST_F(SimDialog, MoveLoopMovesTheWindowStepByStepWithTicksInBetween) {
    std::vector<Rect> moves;
    std::vector<std::uint64_t> ticks;
    Hwnd overlay{};
    probe.handler = [&](Hwnd h, unsigned m, std::uintptr_t,
                        std::intptr_t lp) -> std::optional<std::intptr_t> {
        if (m == msg::kLButtonDown) {
            sendMessage(h, msg::kNcLButtonDown, kHtCaption, lp);
            return 0;
        }
        if (m == msg::kMove) {
            Rect r{};
            getWindowRect(h, r);
            moves.push_back(r);
        }
        if (m == msg::kTimer) ticks.push_back(desktop().now());
        return std::nullopt;
    };
    overlay = backend::createDialog(kOverlay, kNoWindow, &Probe::proc, &probe);
    moveWindow(overlay, 100, 130, 640, 360, true);
    desktop().show(overlay, true);
    moves.clear();
    setTimer(overlay, 101, 500);

    ASSERT_TRUE(desktop().drag(overlay, {{110, 135, 300}, {150, 160, 300}}));
    EXPECT_EQ(moves, (std::vector<Rect>{{110, 135, 750, 495}, {150, 160, 790, 520}}));
    EXPECT_EQ(ticks, std::vector<std::uint64_t>{500}) << "the tick came between the two steps";
    EXPECT_EQ(desktop().moveLoopsRun(), 1u);

    // A tick that ends the overlay mid-drag ends the loop too.
    probe.handler = [&](Hwnd h, unsigned m, std::uintptr_t,
                        std::intptr_t lp) -> std::optional<std::intptr_t> {
        if (m == msg::kLButtonDown) sendMessage(h, msg::kNcLButtonDown, kHtCaption, lp);
        if (m == msg::kTimer) desktop().destroy(h);
        return std::nullopt;
    };
    desktop().clearCalls();
    EXPECT_TRUE(desktop().dragBy(overlay, 50, 0, 5, 100));
    EXPECT_FALSE(isWindow(overlay));
    static const sim::ExpectedCall kSteps[] = {
        {sim::Call::DragMove, 'O', {160, 160}},
        {sim::Call::DragMove, 'O', {170, 160}},
        {sim::Call::DragMove, 'O', {180, 160}},
    };
    EXPECT_TRUE(sim::callsAre(desktop().calls(), kSteps, {{'O', overlay}}))
        << "moves stop when the window is gone";
}

}  // namespace
