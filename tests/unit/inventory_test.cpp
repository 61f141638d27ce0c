// The window records and the two inventories over the simulated desktop.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "engine/ctrol_panel.h"
#include "inventory/win_inf.h"
#include "platform/sim/desktop.h"

namespace {

using platform::Hwnd;
using platform::sim::desktop;
using platform::sim::WindowSpec;

CChildWinInf childRecord(const char* className, std::int32_t id, std::uint32_t handle) {
    CChildWinInf record;
    record.className = className;
    record.ctrlId = id;
    record.text = "t";
    record.hwnd = platform::toHwnd(handle);
    return record;
}

TEST(WindowRecords, DefaultsAreEmpty) {
    const CWinInf window;
    EXPECT_EQ(window.hwnd, platform::kNoWindow);
    EXPECT_TRUE(window.title.empty() && window.moduleName.empty() && window.modulePath.empty());
    EXPECT_EQ(window.reserved, 0);
    EXPECT_TRUE(window.children.empty());
    const CChildWinInf child;
    EXPECT_EQ(child.hwnd, platform::kNoWindow);
    EXPECT_TRUE(child.text.empty() && child.className.empty());
    EXPECT_EQ(child.ctrlId, 0);
}

TEST(WindowRecords, CopiesAreDeepAndIndependent) {
    CWinInf source;
    source.hwnd = platform::toHwnd(0x10);
    source.title = "Player";
    source.children = {childRecord("A", 1, 0x20), childRecord("B", 2, 0x22)};
    source.children.front().info.dwStyle = 0x12345678;

    CWinInf copy = source;
    copy.children.clear();
    ASSERT_EQ(source.children.size(), 2u) << "clearing the copy's children reached the source";
    EXPECT_EQ(source.children.front().info.dwStyle, 0x12345678u);

    CWinInf second(source);
    source.children.front().className = "changed";
    EXPECT_EQ(second.children.front().className, "A") << "changing the source reached the copy";
    EXPECT_EQ(second.children.front().info.dwStyle, 0x12345678u) << "info block not copied";

    CWinInf& self = second;
    second = self;
    EXPECT_EQ(second.children.size(), 2u);
    EXPECT_EQ(second.title, "Player");
}

TEST(WindowRecords, AssignmentReplacesTheWholeChildList) {
    CWinInf three;
    three.children = {childRecord("A", 0, 1), childRecord("B", 0, 2), childRecord("C", 0, 3)};
    CWinInf five;
    for (int i = 0; i < 5; ++i) five.children.push_back(childRecord("X", i, 10 + i));
    five = three;
    ASSERT_EQ(five.children.size(), 3u);
    std::string order;
    for (const auto& c : five.children) order += c.className;
    EXPECT_EQ(order, "ABC");
}

TEST(ChildInventory, FindChildMatchesClassAndIdExactly) {
    CWinInf window;
    window.children = {childRecord("wmpvideowindow", 0, 1), childRecord("WMPVideoWindowX", 0, 2),
                       childRecord(kWmpVideoClass, 5, 3), childRecord(kWmpVideoClass, 0, 4),
                       childRecord(kWmpVideoClass, 0, 5)};
    CChildWinInf out;
    ASSERT_EQ(window.findChild(kWmpVideoClass, 0, out), 1);
    EXPECT_EQ(out.hwnd, platform::toHwnd(4)) << "the first record with both keys wins";
    EXPECT_EQ(window.findChild("WMPVIDEOWINDOW", 0, out), 0) << "class names are case-sensitive";

    CWinInf empty;
    CChildWinInf untouched = childRecord("keep", 7, 99);
    EXPECT_EQ(empty.findChild(kWmpVideoClass, 0, untouched), 0);
    EXPECT_EQ(untouched.className, "keep");
    EXPECT_EQ(untouched.hwnd, platform::toHwnd(99));
}

class Inventory : public ::testing::Test {
protected:
    void SetUp() override { desktop().reset(); }

    Hwnd topLevel(const std::string& title, platform::Rect rect = {100, 100, 740, 580}) {
        WindowSpec recipe;
        recipe.text = title;
        recipe.rect = rect;
        return desktop().createWindow(recipe);
    }
    Hwnd child(Hwnd parent, const std::string& cls, const std::string& text, std::int32_t id = 0) {
        WindowSpec recipe;
        recipe.className = cls;
        recipe.text = text;
        recipe.id = id;
        recipe.style = platform::kWsChild | platform::kWsVisible;
        recipe.rect = {110, 110, 300, 300};
        return desktop().createChild(parent, recipe);
    }
    std::vector<Hwnd> listed() {
        panel_.scanWindows();
        std::vector<Hwnd> handles;
        for (const auto& w : panel_.windowList) handles.push_back(w.hwnd);
        return handles;
    }
    const CWinInf* record(Hwnd hwnd) const {
        for (const auto& w : panel_.windowList)
            if (w.hwnd == hwnd) return &w;
        return nullptr;
    }

    CCtrolPanelDlg panel_;
};

TEST_F(Inventory, ListsOnlyWindowsThatCouldBeAPlayer) {
    auto& d = desktop();
    const Hwnd good = topLevel("Good");
    const Hwnd minimised = topLevel("Minimised");
    d.minimise(minimised);
    const Hwnd untitled = topLevel("");
    const Hwnd noSysMenu = topLevel("No system menu");
    d.setStyle(noSysMenu, d.style(noSysMenu) & ~platform::kWsSysMenu);
    const Hwnd disabled = topLevel("Disabled by a modal dialog");
    d.setEnabled(disabled, false);
    const Hwnd hidden = topLevel("Hidden");
    d.show(hidden, false);
    const Hwnd flat = topLevel("Flat", {100, 100, 740, 100});
    const Hwnd thin = topLevel("Thin", {100, 100, 100, 580});
    const Hwnd offScreen = topLevel("Off screen", {3000, 100, 3640, 580});
    const Hwnd partly = topLevel("Partly on screen", {1800, 900, 2400, 1300});

    const auto handles = listed();
    EXPECT_EQ(handles, (std::vector<Hwnd>{partly, good})) << "in enumeration order, top first";
    (void)untitled, (void)thin, (void)flat, (void)offScreen;
}

TEST_F(Inventory, RecordsTitleAndFirstModule) {
    auto& d = desktop();
    platform::sim::ProcessSpec process;
    // 0x83 0x61 is one double-byte character: its trail byte is no letter 'a'.
    process.modules = {{"pl\x83\x61yer\x82\x81.exe", "C:\\Program Files\\Pl\x83\x61yer\\pl\x83\x61yer.exe"},
                       {"ntdll.dll", "C:\\windows\\system32\\ntdll.dll"}};
    WindowSpec recipe;
    recipe.text = std::string(300, 'T');
    recipe.processId = d.addProcess(process);
    const Hwnd player = d.createWindow(recipe);

    listed();
    const CWinInf* rec = record(player);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->title, std::string(255, 'T')) << "title cut to its first 255 bytes";
    EXPECT_EQ(rec->moduleName, "PL\x83\x61YER\x82\x60.EXE") << "upper case by the code page's rules";
    EXPECT_EQ(rec->modulePath, "C:\\Program Files\\Pl\x83\x61yer\\pl\x83\x61yer.exe")
        << "path keeps its case";
    EXPECT_EQ(rec->reserved, 0);
    EXPECT_TRUE(rec->children.empty());
}

// The first module of a process is read once while the process is seen, its handle held so
// that its identifier cannot pass to another process; a process not yet readable is asked
// again, and one no longer seen is forgotten with its handle.
TEST_F(Inventory, ModuleNamesAreReadOncePerProcessWhileItIsSeen) {
    auto& d = desktop();
    platform::sim::ProcessSpec process;
    process.modules = {{"player.exe", "C:\\Player\\player.exe"}};
    process.modulesListable = false;  // still starting
    WindowSpec recipe;
    recipe.text = "Player";
    recipe.processId = d.addProcess(process);
    const Hwnd first = d.createWindow(recipe);
    const Hwnd second = d.createWindow(recipe);
    std::size_t reads = 0;
    d.onCall([&](std::string_view call, Hwnd) { reads += call == "EnumProcessModules" ? 1 : 0; });
    const auto queries = [&] { return std::exchange(reads, 0); };

    listed();
    EXPECT_TRUE(record(first)->moduleName.empty());
    EXPECT_EQ(d.openProcessHandles(), 0u) << "nothing kept of a process not read";
    process.modulesListable = true;
    d.setProcess(recipe.processId, process);
    queries();
    listed();
    EXPECT_EQ(queries(), 1u) << "one read for the process's two windows";
    listed();
    EXPECT_EQ(queries(), 0u) << "nothing read again while it is seen";
    EXPECT_EQ(record(second)->moduleName, "PLAYER.EXE");
    EXPECT_EQ(record(second)->modulePath, "C:\\Player\\player.exe");
    EXPECT_EQ(d.openProcessHandles(), 1u);

    d.destroy(first);
    d.destroy(second);
    listed();
    EXPECT_EQ(d.openProcessHandles(), 0u) << "forgotten once no window of it is seen";
    d.onCall({});
}

TEST_F(Inventory, UnqueryableProcessStillListedWithoutModule) {
    auto& d = desktop();
    platform::sim::ProcessSpec closed;
    closed.modules = {{"secret.exe", "C:\\secret.exe"}};
    closed.openable = false;
    platform::sim::ProcessSpec unlisted;
    unlisted.modules = {{"other.exe", "C:\\other.exe"}};
    unlisted.modulesListable = false;
    WindowSpec recipe;
    recipe.text = "Closed";
    recipe.processId = d.addProcess(closed);
    const Hwnd a = d.createWindow(recipe);
    recipe.text = "Unlisted";
    recipe.processId = d.addProcess(unlisted);
    const Hwnd b = d.createWindow(recipe);

    listed();
    for (Hwnd h : {a, b}) {
        const CWinInf* rec = record(h);
        ASSERT_NE(rec, nullptr);
        EXPECT_TRUE(rec->moduleName.empty());
        EXPECT_TRUE(rec->modulePath.empty());
    }
    EXPECT_EQ(d.openProcessHandles(), 0u);
}

TEST_F(Inventory, ScansRebuildTheListFromNothing) {
    const Hwnd a = topLevel("A");
    const Hwnd b = topLevel("B");
    const auto first = listed();
    const auto second = listed();
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, (std::vector<Hwnd>{b, a}));
    desktop().destroy(a);
    EXPECT_EQ(listed(), (std::vector<Hwnd>{b})) << "a closed window is not kept from the last scan";
}

TEST_F(Inventory, WindowVanishingDuringTheScanIsSkipped) {
    const Hwnd stays = topLevel("Stays");
    const Hwnd goes = topLevel("Goes");
    desktop().destroyWhenEnumerated(goes);
    EXPECT_EQ(listed(), (std::vector<Hwnd>{stays}));

    // Gone between its title and its rectangle: no size or monitor to judge, so skipped.
    const Hwnd late = topLevel("Late");
    desktop().onCall([late](std::string_view call, Hwnd h) {
        if (call == "GetWindowRect" && h == late) desktop().destroy(late);
    });
    EXPECT_EQ(listed(), (std::vector<Hwnd>{stays}));
}

// Only the descendants findChild could choose are recorded: of a video class with control id
// 0, visible, enabled and titled.
TEST_F(Inventory, VideoChildrenAreRecordedDepthFirstWhenVisibleEnabledAndTitled) {
    auto& d = desktop();
    CWinInf window;
    window.hwnd = topLevel("Player");
    const Hwnd panel = child(window.hwnd, kEvrVideoClass, "panel");
    const Hwnd grandchild = child(panel, kWmpVideoClass, "video");
    const Hwnd second = child(window.hwnd, kEvrVideoClass, "Play");
    const Hwnd button = child(window.hwnd, "Button", "Play", 7);
    const Hwnd otherId = child(window.hwnd, kWmpVideoClass, "Play", 7);
    const Hwnd untitled = child(window.hwnd, kEvrVideoClass, "");
    const Hwnd disabled = child(window.hwnd, kWmpVideoClass, "off");
    d.setEnabled(disabled, false);
    const Hwnd hiddenParent = child(window.hwnd, "Hidden", "h");
    const Hwnd underHidden = child(hiddenParent, kWmpVideoClass, "video too");
    d.show(hiddenParent, false);
    const Hwnd longText = child(window.hwnd, kWmpVideoClass, std::string(600, 'x'));
    (void)button, (void)otherId, (void)untitled, (void)underHidden;

    std::set<std::uint32_t> silent;
    window.scanVideoChildren(silent);
    std::vector<Hwnd> order;
    for (const auto& c : window.children) order.push_back(c.hwnd);
    EXPECT_EQ(order, (std::vector<Hwnd>{panel, grandchild, second, longText}));

    const auto& play = *std::next(window.children.begin(), 2);
    EXPECT_EQ(play.className, kEvrVideoClass);
    EXPECT_EQ(play.text, "Play");
    EXPECT_EQ(play.ctrlId, kVideoCtrlId);
    EXPECT_EQ(play.info.cbSize, 60u);
    EXPECT_EQ(play.info.rcWindow, (platform::Rect{110, 110, 300, 300}));
    EXPECT_EQ(window.children.back().text, std::string(510, 'x')) << "text cut to 510 bytes";
}

TEST_F(Inventory, RescanOfAClosedWindowKeepsTheLastChildren) {
    CWinInf window;
    window.hwnd = topLevel("Player");
    child(window.hwnd, kWmpVideoClass, "video");
    std::set<std::uint32_t> silent;
    window.scanVideoChildren(silent);
    ASSERT_EQ(window.children.size(), 1u);
    const CWinInf before = window;
    desktop().destroy(window.hwnd);
    window.scanVideoChildren(silent);
    ASSERT_EQ(window.children.size(), 1u);
    EXPECT_EQ(window.children.front().hwnd, before.children.front().hwnd);
}

TEST_F(Inventory, HungChildCountsAsUntitledAndDoesNotStallTheScan) {
    CWinInf window;
    window.hwnd = topLevel("Player");
    const Hwnd hung = child(window.hwnd, kWmpVideoClass, "video");
    // Embedded from another program: its thread still answers.
    WindowSpec embedded;
    embedded.className = kEvrVideoClass;
    embedded.text = "ok";
    embedded.style = platform::kWsChild | platform::kWsVisible;
    embedded.processId = desktop().addProcess({});
    const Hwnd fine = desktop().createChild(window.hwnd, embedded);
    desktop().setHung(hung, true);
    const auto start = desktop().now();
    std::set<std::uint32_t> silent;
    window.scanVideoChildren(silent);
    ASSERT_EQ(window.children.size(), 1u);
    EXPECT_EQ(window.children.front().hwnd, fine);
    EXPECT_LT(desktop().now() - start, 1000u) << "the text query must be bounded";
    EXPECT_EQ(desktop().deadlocks(), 0u);
}

}  // namespace
