// What the program relies on from the window and process services, pinned against whatever
// backend the test program links: the simulated desktop natively, the real system under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/window.h"
#include "scene.h"
#include "tests/support/testing.h"

namespace contract {
namespace {

using namespace platform;
using platform::testing::getLayeredAlpha;
using platform::testing::getWindowRgnBox;

constexpr unsigned kNoMoveNoSize = kSwpNoMove | kSwpNoSize;
constexpr std::uint32_t kWithoutCaptionAndFrame = ~(kWsCaption | kWsThickFrame);

int collect(Hwnd hwnd, std::uintptr_t context) {
    reinterpret_cast<std::vector<Hwnd>*>(context)->push_back(hwnd);
    return 1;
}

std::vector<Hwnd> childrenOf(Hwnd parent) {
    std::vector<Hwnd> found;
    enumChildWindows(parent, collect, reinterpret_cast<std::uintptr_t>(&found));
    return found;
}

std::ptrdiff_t topLevelPosition(Hwnd hwnd) {
    std::vector<Hwnd> found;
    enumWindows(collect, reinterpret_cast<std::uintptr_t>(&found));
    const auto it = std::find(found.begin(), found.end(), hwnd);
    return it == found.end() ? -1 : it - found.begin();
}

std::string lettersOfLength(std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) text.push_back(static_cast<char>('a' + i % 26));
    return text;
}

bool endsWithIgnoringCase(const std::string& text, const std::string& tail) {
    if (tail.size() > text.size()) return false;
    return std::equal(tail.rbegin(), tail.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

class Contract : public ::testing::Test {
protected:
    void SetUp() override { scene = makeScene(); }
    void TearDown() override { scene.reset(); }

    Hwnd topLevel(std::string title = "contract") {
        WindowSpec recipe;
        recipe.text = std::move(title);
        return scene->createTopLevel(recipe);
    }

    Hwnd child(Hwnd parent, std::string text = "child", std::int32_t id = 0) {
        WindowSpec recipe;
        recipe.style = kWsVisible;
        recipe.text = std::move(text);
        recipe.rect = Rect{10, 10, 110, 60};
        recipe.id = id;
        return scene->createChild(parent, recipe);
    }

    std::unique_ptr<Scene> scene;
};

// ---- the window tree ----

TEST_F(Contract, VisibilityIncludesEveryAncestor) {
    const Hwnd top = topLevel();
    const Hwnd middle = child(top);
    const Hwnd leaf = child(middle);
    EXPECT_TRUE(isWindowVisible(leaf));

    scene->setVisible(middle, false);
    EXPECT_TRUE(isWindowVisible(top));
    EXPECT_FALSE(isWindowVisible(middle));
    EXPECT_FALSE(isWindowVisible(leaf)) << "a hidden parent hides its children";
    EXPECT_NE(static_cast<std::uint32_t>(getWindowLongA(leaf, kGwlStyle)) & kWsVisible, 0u)
        << "the child keeps its own visible style";

    scene->setVisible(middle, true);
    EXPECT_TRUE(isWindowVisible(leaf));
    scene->setVisible(top, false);
    EXPECT_FALSE(isWindowVisible(leaf));
}

TEST_F(Contract, DescendantsComeDepthFirstInCreationOrder) {
    const Hwnd top = topLevel();
    const Hwnd a = child(top, "a", 1);
    const Hwnd a1 = child(a, "a1", 2);
    const Hwnd a2 = child(a, "a2", 3);
    const Hwnd b = child(top, "b", 4);
    const Hwnd b1 = child(b, "b1", 5);

    EXPECT_EQ(childrenOf(top), (std::vector<Hwnd>{a, a1, a2, b, b1}));
    EXPECT_EQ(childrenOf(a), (std::vector<Hwnd>{a1, a2}));
    EXPECT_TRUE(childrenOf(b1).empty());
    EXPECT_EQ(getDlgCtrlId(a2), 3);
    EXPECT_EQ(getDlgCtrlId(b1), 5);
}

TEST_F(Contract, AChildRaisedToTheTopIsReportedFirst) {
    const Hwnd top = topLevel();
    const Hwnd a = child(top, "a");
    const Hwnd b = child(top, "b");
    const Hwnd b1 = child(b, "b1");
    ASSERT_TRUE(setWindowPos(b, kHwndTopmost, 0, 0, 0, 0, kNoMoveNoSize));
    EXPECT_EQ(childrenOf(top), (std::vector<Hwnd>{b, b1, a}));
    Rect rect{};
    ASSERT_TRUE(getWindowRect(b, rect));
    EXPECT_EQ(rect.width(), 100) << "neither moved nor sized";
}

TEST_F(Contract, ANewTopLevelWindowComesBeforeOlderOnes) {
    const Hwnd older = topLevel("older");
    const Hwnd newer = topLevel("newer");
    const auto olderAt = topLevelPosition(older);
    const auto newerAt = topLevelPosition(newer);
    ASSERT_GE(olderAt, 0);
    ASSERT_GE(newerAt, 0);
    EXPECT_LT(newerAt, olderAt);
    EXPECT_EQ(childrenOf(older), std::vector<Hwnd>{}) << "top-level windows are not descendants";
}

TEST_F(Contract, MinimisedWindowIsIconicAndStillVisible) {
    const Hwnd top = topLevel();
    EXPECT_FALSE(isIconic(top));
    scene->minimise(top);
    EXPECT_TRUE(isIconic(top));
    EXPECT_TRUE(isWindowVisible(top));
}

// ---- texts ----

TEST_F(Contract, TextsAreCutToTheBuffer) {
    const std::string title = lettersOfLength(300);
    const std::string long600 = lettersOfLength(600);
    const Hwnd top = topLevel(title);
    const Hwnd inner = child(top, long600);

    EXPECT_EQ(getWindowTextA(top, 256), title.substr(0, 255));
    EXPECT_EQ(getWindowTextWide(top, 256), title.substr(0, 255)) << "a buffer of 256 characters";
    EXPECT_EQ(sendGetTextA(inner, 511), long600.substr(0, 510));
    EXPECT_EQ(getWindowTextA(inner, 8), long600.substr(0, 7));
    EXPECT_EQ(getClassNameA(top, 511), "ContractWindow");
    EXPECT_EQ(getClassNameA(top, 9), "Contract");

    const Hwnd foreignTop = scene->createForeignTopLevel(WindowSpec{"ContractWindow", title});
    const Hwnd foreignChild = child(foreignTop, long600);
    EXPECT_EQ(getWindowTextA(foreignTop, 256), title.substr(0, 255)) << "another process's window";
    EXPECT_EQ(sendGetTextA(foreignChild, 511), long600.substr(0, 510));
    EXPECT_EQ(getClassNameA(foreignChild, 511), "ContractWindow");
}

TEST_F(Contract, TextChangesAreSeen) {
    const Hwnd top = topLevel("before");
    const Hwnd inner = child(top, "before");
    scene->setText(top, "after");
    scene->setText(inner, "");
    EXPECT_EQ(getWindowTextA(top, 256), "after");
    EXPECT_EQ(sendGetTextA(inner, 511), "");
}

// ---- a window that has gone ----

TEST_F(Contract, AVanishedWindowAnswersNothing) {
    const Hwnd top = topLevel("going");
    const Hwnd inner = child(top, "child text", 7);
    scene->destroy(top);

    for (const Hwnd gone : {top, inner}) {
        EXPECT_FALSE(isWindow(gone));
        EXPECT_FALSE(isWindowVisible(gone));
        EXPECT_FALSE(isWindowEnabled(gone));
        EXPECT_FALSE(isIconic(gone));
        EXPECT_EQ(getWindowTextA(gone, 256), "");
        EXPECT_EQ(sendGetTextA(gone, 511), "");
        EXPECT_EQ(getWindowTextWide(gone, 256), "");
        EXPECT_FALSE(windowAnswers(gone, kAnswerTimeoutMs));
        EXPECT_EQ(getClassNameA(gone, 511), "");
        EXPECT_EQ(getWindowLongA(gone, kGwlStyle), 0);
        EXPECT_EQ(getDlgCtrlId(gone), 0);
        Rect rect{1, 2, 3, 4};
        EXPECT_FALSE(getWindowRect(gone, rect));
        EXPECT_EQ(rect, (Rect{1, 2, 3, 4})) << "the rectangle is left untouched";
        WindowInfo info{};
        EXPECT_FALSE(getWindowInfo(gone, info));
        std::uint32_t pid = 0;
        EXPECT_EQ(getWindowThreadProcessId(gone, &pid), 0u);
        EXPECT_EQ(pid, 0u);
        const Rect clip{0, 0, 10, 10};
        EXPECT_FALSE(setWindowRgn(gone, &clip, true));
        EXPECT_FALSE(getWindowRgnBox(gone).has_value());
        EXPECT_FALSE(setWindowPos(gone, kHwndTopmost, 0, 0, 0, 0, kNoMoveNoSize));
        EXPECT_FALSE(moveWindow(gone, 0, 0, 10, 10, true));
        EXPECT_TRUE(childrenOf(gone).empty());
    }
}

TEST_F(Contract, OwnedWindowOfAnotherProcessOutlivesItsOwner) {
    const Hwnd foreignOwner = scene->createForeignTopLevel(WindowSpec{"ContractWindow", "owner"});
    WindowSpec popup;
    popup.style = kWsPopup | kWsVisible;
    popup.rect = Rect{200, 200, 260, 260};
    popup.owner = foreignOwner;
    const Hwnd crossOwned = scene->createTopLevel(popup);
    EXPECT_EQ(getOwner(crossOwned), foreignOwner);

    const Hwnd ownOwner = topLevel("own owner");
    popup.owner = ownOwner;
    const Hwnd sameOwned = scene->createTopLevel(popup);

    scene->destroy(foreignOwner);
    EXPECT_FALSE(isWindow(foreignOwner));
    EXPECT_TRUE(isWindow(crossOwned)) << "only the owner's own thread's windows go with it";

    scene->destroy(ownOwner);
    EXPECT_FALSE(isWindow(sameOwned));
}

// ---- another process ----

TEST_F(Contract, TheModuleOfAnotherProcessCanBeRead) {
    const Hwnd window = scene->createForeignTopLevel(WindowSpec{"ContractWindow", "peer"});
    const ForeignProcess peer = scene->foreignProcess();
    std::uint32_t pid = 0;
    EXPECT_NE(getWindowThreadProcessId(window, &pid), 0u);
    EXPECT_EQ(pid, peer.processId);
    std::uint32_t ownPid = 0;
    getWindowThreadProcessId(topLevel(), &ownPid);
    EXPECT_NE(ownPid, pid);

    const ProcessHandle process = openProcess(kProcessQueryInformation | kProcessVmRead, false, pid);
    ASSERT_TRUE(process);
    std::array<ModuleHandle, 1024> modules{};
    std::uint32_t needed = 0;
    ASSERT_TRUE(enumProcessModules(process, modules.data(), sizeof(modules), &needed));
    EXPECT_GE(needed, sizeof(ModuleHandle));
    std::array<char, 1024> name{};
    ASSERT_TRUE(getModuleBaseNameA(process, modules[0], name.data(), 1024));
    EXPECT_EQ(std::string(name.data()), peer.moduleBaseName);
    name.fill('\0');
    ASSERT_TRUE(getModuleFileNameExA(process, modules[0], name.data(), 1024));
    EXPECT_TRUE(endsWithIgnoringCase(name.data(), "\\" + peer.moduleBaseName)) << name.data();

    std::array<char, 5> small{};
    ASSERT_TRUE(getModuleBaseNameA(process, modules[0], small.data(), 5));
    EXPECT_EQ(std::string(small.data()), peer.moduleBaseName.substr(0, 4)) << "cut to the buffer";
}

TEST_F(Contract, AHungWindowGivesNoTextButKeepsItsTitle) {
    const Hwnd foreignTop = scene->createForeignTopLevel(WindowSpec{"ContractWindow", "player"});
    const Hwnd video = child(foreignTop, "video");
    ASSERT_EQ(sendGetTextA(video, 511), "video");
    ASSERT_TRUE(windowAnswers(foreignTop, kAnswerTimeoutMs));

    scene->hangForeign(2000);
    EXPECT_EQ(sendGetTextA(video, 511), "") << "the query gives up instead of waiting";
    EXPECT_FALSE(windowAnswers(foreignTop, kAnswerTimeoutMs));
    EXPECT_TRUE(isWindow(video));
    EXPECT_EQ(getWindowTextA(foreignTop, 256), "player") << "read without a message";
    EXPECT_EQ(getWindowTextWide(foreignTop, 256), "player") << "read without a message";

    scene->wait(2500);
    EXPECT_EQ(sendGetTextA(video, 511), "video") << "answers again once the thread runs";
    EXPECT_TRUE(windowAnswers(video, kAnswerTimeoutMs));
}

// A busy thread is waited for while the own thread handles its messages and the window held
// takes no input; a thread that stays silent lets the wait run out.
TEST_F(Contract, ABusyThreadIsAwaitedWhileOwnMessagesAreHandled) {
    constexpr std::uintptr_t kScMinimize = 0xF020;
    const Hwnd foreignTop = scene->createForeignTopLevel(WindowSpec{"ContractWindow", "player"});
    const Hwnd held = scene->createTopLevel(WindowSpec{"ContractWindow", "held"});
    const Hwnd other = scene->createTopLevel(WindowSpec{"ContractWindow", "other"});
    ASSERT_TRUE(awaitAnswer(foreignTop, kBusyLimitMs, held));

    scene->hangForeign(600);
    ASSERT_TRUE(postMessage(other, msg::kSysCommand, kScMinimize, 0));
    EXPECT_TRUE(awaitAnswer(foreignTop, kBusyLimitMs, held));
    EXPECT_TRUE(isIconic(other)) << "the own thread's messages were handled meanwhile";
    EXPECT_TRUE(isWindowEnabled(held)) << "input is given back";

    scene->hangForeign(1500);
    EXPECT_FALSE(awaitAnswer(foreignTop, 400, held));
    EXPECT_TRUE(isWindowEnabled(held));
    scene->wait(1500);
    EXPECT_TRUE(awaitAnswer(foreignTop, kBusyLimitMs, held));
}

TEST_F(Contract, AProcessHandleTellsWhenTheProcessHasEnded) {
    scene->createForeignTopLevel(WindowSpec{"ContractWindow", "player"});
    const ForeignProcess peer = scene->foreignProcess();
    const ProcessHandle process =
        openProcess(kProcessQueryInformation | kProcessVmRead, false, peer.processId);
    ASSERT_TRUE(process);
    EXPECT_FALSE(processEnded(process));
    scene->endForeign();
    EXPECT_TRUE(processEnded(process));
}

// ---- changes the engine makes ----

TEST_F(Contract, RegionReadsBackInWindowCoordinates) {
    for (const bool foreign : {false, true}) {
        SCOPED_TRACE(foreign ? "another process's window" : "own window");
        const Hwnd window = foreign ? scene->createForeignTopLevel(WindowSpec{}) : topLevel();
        EXPECT_FALSE(getWindowRgnBox(window).has_value());

        const Rect clip{10, 20, 110, 220};
        ASSERT_TRUE(setWindowRgn(window, &clip, true));
        EXPECT_EQ(getWindowRgnBox(window), clip);
        ASSERT_TRUE(moveWindow(window, 300, 250, 400, 300, true));
        EXPECT_EQ(getWindowRgnBox(window), clip) << "the region moves with the window";

        const Rect reversed{110, 220, 10, 20};
        ASSERT_TRUE(setWindowRgn(window, &reversed, true));
        EXPECT_EQ(getWindowRgnBox(window), clip) << "corners are put in order";

        ASSERT_TRUE(setWindowRgn(window, nullptr, true));
        EXPECT_FALSE(getWindowRgnBox(window).has_value());
    }
}

// At 100 % every space is the same: in another window's DPI space the rectangles read, the
// region set and the moves made agree with the program's own, and a space for no window
// changes nothing.
TEST_F(Contract, AnotherWindowsDpiSpaceAgreesAtOneHundredPercent) {
    const Hwnd window = scene->createForeignTopLevel(WindowSpec{});
    Rect outside{};
    ASSERT_TRUE(getWindowRect(window, outside));
    {
        const WindowSpace space(window);
        Rect inside{};
        ASSERT_TRUE(space.windowRect(window, inside));
        EXPECT_EQ(inside, outside);
        ASSERT_TRUE(getWindowRect(window, inside));
        EXPECT_EQ(inside, outside);
        const Rect clip{10, 20, 110, 220};
        ASSERT_TRUE(setWindowRgn(window, &clip, true));
        EXPECT_EQ(getWindowRgnBox(window), clip);
        ASSERT_TRUE(moveWindow(window, 300, 250, 400, 300, true));
    }
    ASSERT_TRUE(getWindowRect(window, outside));
    EXPECT_EQ(outside, (Rect{300, 250, 700, 550}));
    const WindowSpace gone(platform::kNoWindow);
    Rect none{};
    EXPECT_FALSE(gone.windowRect(platform::kNoWindow, none)) << "no window, no rectangle";
}

TEST_F(Contract, StylesWriteAndReadBack) {
    for (const bool foreign : {false, true}) {
        SCOPED_TRACE(foreign ? "another process's window" : "own window");
        const Hwnd window = foreign ? scene->createForeignTopLevel(WindowSpec{}) : topLevel();
        const auto style = static_cast<std::uint32_t>(getWindowLongA(window, kGwlStyle));
        const auto exStyle = static_cast<std::uint32_t>(getWindowLongA(window, kGwlExStyle));
        EXPECT_EQ(style & (kWsOverlappedWindow | kWsVisible), kWsOverlappedWindow | kWsVisible);
        EXPECT_NE(exStyle & kWsExWindowEdge, 0u);

        EXPECT_EQ(static_cast<std::uint32_t>(setWindowLongA(
                      window, kGwlStyle, static_cast<std::int32_t>(style & kWithoutCaptionAndFrame))),
                  style);
        EXPECT_EQ(static_cast<std::uint32_t>(getWindowLongA(window, kGwlStyle)),
                  style & kWithoutCaptionAndFrame);
        EXPECT_EQ(static_cast<std::uint32_t>(getWindowLongA(window, kGwlExStyle)) & kWsExWindowEdge, 0u)
            << "without caption and frame the window edge goes";

        setWindowLongA(window, kGwlStyle, static_cast<std::int32_t>(style));
        setWindowLongA(window, kGwlExStyle, static_cast<std::int32_t>(exStyle));
        EXPECT_EQ(static_cast<std::uint32_t>(getWindowLongA(window, kGwlStyle)), style);
        EXPECT_EQ(static_cast<std::uint32_t>(getWindowLongA(window, kGwlExStyle)), exStyle);
    }
}

TEST_F(Contract, TopLevelWindowsKeepClipSiblings) {
    const Hwnd window = topLevel();
    setWindowLongA(window, kGwlStyle, static_cast<std::int32_t>(kWsPopup | kWsVisible));
    EXPECT_EQ(static_cast<std::uint32_t>(getWindowLongA(window, kGwlStyle)),
              kWsPopup | kWsVisible | kWsClipSiblings);
}

TEST_F(Contract, LayeredAlphaReadsBackOnlyWhileLayered) {
    for (const bool foreign : {false, true}) {
        SCOPED_TRACE(foreign ? "another process's window" : "own window");
        const Hwnd window = foreign ? scene->createForeignTopLevel(WindowSpec{}) : topLevel();
        EXPECT_FALSE(setLayeredWindowAttributes(window, 0, 100, kLwaAlpha)) << "not layered yet";
        EXPECT_FALSE(getLayeredAlpha(window).has_value());

        const auto exStyle = static_cast<std::uint32_t>(getWindowLongA(window, kGwlExStyle));
        setWindowLongA(window, kGwlExStyle,
                       static_cast<std::int32_t>(exStyle | kWsExLayered | kWsExTransparent));
        EXPECT_EQ(static_cast<std::uint32_t>(getWindowLongA(window, kGwlExStyle)) &
                      (kWsExLayered | kWsExTransparent),
                  kWsExLayered | kWsExTransparent);
        EXPECT_FALSE(getLayeredAlpha(window).has_value()) << "layered, but no attributes yet";

        ASSERT_TRUE(setLayeredWindowAttributes(window, 0, 178, kLwaAlpha));
        EXPECT_EQ(getLayeredAlpha(window), std::optional<std::uint8_t>(178));

        setWindowLongA(window, kGwlExStyle, static_cast<std::int32_t>(exStyle));
        EXPECT_FALSE(getLayeredAlpha(window).has_value());
        setWindowLongA(window, kGwlExStyle, static_cast<std::int32_t>(exStyle | kWsExLayered));
        EXPECT_FALSE(getLayeredAlpha(window).has_value()) << "the attributes went with the bit";
    }
}

TEST_F(Contract, TopmostIsSetBySetWindowPosOnly) {
    const Hwnd window = topLevel("topmost");
    const Hwnd later = topLevel("later");
    Rect before{};
    ASSERT_TRUE(getWindowRect(window, before));

    ASSERT_TRUE(setWindowPos(window, kHwndTopmost, 0, 0, 0, 0, kNoMoveNoSize));
    EXPECT_NE(static_cast<std::uint32_t>(getWindowLongA(window, kGwlExStyle)) & kWsExTopmost, 0u);
    EXPECT_LT(topLevelPosition(window), topLevelPosition(later));
    Rect after{};
    ASSERT_TRUE(getWindowRect(window, after));
    EXPECT_EQ(after, before);

    setWindowLongA(window, kGwlExStyle, 0);
    EXPECT_NE(static_cast<std::uint32_t>(getWindowLongA(window, kGwlExStyle)) & kWsExTopmost, 0u)
        << "the extended style word cannot take it away";

    ASSERT_TRUE(setWindowPos(window, kHwndNoTopmost, 0, 0, 0, 0, kNoMoveNoSize));
    EXPECT_EQ(static_cast<std::uint32_t>(getWindowLongA(window, kGwlExStyle)) & kWsExTopmost, 0u);
    ASSERT_TRUE(getWindowRect(window, after));
    EXPECT_EQ(after, before);

    const Hwnd foreign = scene->createForeignTopLevel(WindowSpec{});
    ASSERT_TRUE(setWindowPos(foreign, kHwndTopmost, 0, 0, 0, 0, kNoMoveNoSize));
    EXPECT_NE(static_cast<std::uint32_t>(getWindowLongA(foreign, kGwlExStyle)) & kWsExTopmost, 0u);
    setWindowPos(foreign, kHwndNoTopmost, 0, 0, 0, 0, kNoMoveNoSize);
}

TEST_F(Contract, PropertiesOnAnotherProcesssWindowAreKeptUntilRemoved) {
    const Hwnd foreign = scene->createForeignTopLevel(WindowSpec{"ContractWindow", "carrier"});
    EXPECT_EQ(getProp(foreign, "Contract.Value"), 0u) << "a missing property reads 0";
    ASSERT_TRUE(setProp(foreign, "Contract.Value", 0xCF0000u));
    ASSERT_TRUE(setProp(foreign, "Contract.Zero", 0));
    ASSERT_TRUE(setProp(foreign, "Contract.High", 0x80000000u));
    EXPECT_EQ(getProp(foreign, "Contract.Value"), 0xCF0000u);
    EXPECT_EQ(getProp(foreign, "contract.value"), 0xCF0000u) << "names are atoms: case does not count";
    EXPECT_EQ(getProp(foreign, "Contract.High"), 0x80000000u);
    ASSERT_TRUE(setProp(foreign, "Contract.Value", 7));
    EXPECT_EQ(getProp(foreign, "Contract.Value"), 7u) << "a second write replaces the value";

    EXPECT_EQ(removeProp(foreign, "Contract.Value"), 7u);
    EXPECT_EQ(getProp(foreign, "Contract.Value"), 0u);
    EXPECT_EQ(removeProp(foreign, "Contract.Value"), 0u) << "removing twice finds nothing";
    EXPECT_EQ(getProp(foreign, "Contract.High"), 0x80000000u) << "the others stay";

    scene->destroy(foreign);
    EXPECT_EQ(getProp(foreign, "Contract.High"), 0u);
    EXPECT_FALSE(setProp(foreign, "Contract.Value", 1));
}

// ---- geometry ----

TEST_F(Contract, WindowInfoAgreesWithTheOtherQueries) {
    const Hwnd window = topLevel();
    WindowInfo info{};
    ASSERT_TRUE(getWindowInfo(window, info));
    EXPECT_EQ(info.cbSize, 60u);
    Rect rect{};
    ASSERT_TRUE(getWindowRect(window, rect));
    EXPECT_EQ(info.rcWindow, rect);
    EXPECT_EQ(info.dwStyle, static_cast<std::uint32_t>(getWindowLongA(window, kGwlStyle)));
    EXPECT_EQ(info.dwExStyle, static_cast<std::uint32_t>(getWindowLongA(window, kGwlExStyle)));
    EXPECT_GE(info.rcClient.left, rect.left);
    EXPECT_GT(info.rcClient.top, rect.top) << "below the caption";
    EXPECT_LE(info.rcClient.right, rect.right);
    EXPECT_LE(info.rcClient.bottom, rect.bottom);
    Rect client{};
    ASSERT_TRUE(getClientRect(window, client));
    EXPECT_EQ(client, (Rect{0, 0, info.rcClient.width(), info.rcClient.height()}));

    const Hwnd inner = child(window);
    ASSERT_TRUE(getWindowRect(inner, rect));
    EXPECT_EQ(rect.left, info.rcClient.left + 10) << "children are placed in the parent's client area";
    EXPECT_EQ(rect.top, info.rcClient.top + 10);
}

TEST_F(Contract, MonitorsTakeRectanglesThatTouchThem) {
    EXPECT_TRUE(monitorFromRect(Rect{0, 0, 10, 10}));
    EXPECT_TRUE(monitorFromRect(Rect{-5, -5, 5, 5})) << "partly on the screen";
    EXPECT_FALSE(monitorFromRect(Rect{-50, -50, 0, 0})) << "only touching the corner";
    EXPECT_FALSE(monitorFromRect(Rect{-50000, -50000, -49000, -49000}));
    EXPECT_TRUE(monitorFromRect(Rect{5, 5, 5, 5})) << "an empty rectangle counts as its corner";
    EXPECT_FALSE(monitorFromRect(Rect{-5, -5, -5, -5}));
}

}  // namespace
}  // namespace contract
