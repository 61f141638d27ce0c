// Which window becomes the target, which descendant the video component, and the notices.
#include <gtest/gtest.h>

#include "engine_scene.h"

namespace engine_test {
namespace {

using Discovery = EngineTest;

Hwnd addVideo(Hwnd parent, const char* cls, const char* text = "Video", std::int32_t id = 0) {
    WindowSpec recipe;
    recipe.className = cls;
    recipe.text = text;
    recipe.id = id;
    recipe.style = platform::kWsChild | platform::kWsVisible;
    recipe.rect = desktop().rect(parent);
    return desktop().createChild(parent, recipe);
}

TEST_F(Discovery, FirstPlayerInEnumerationOrderWins) {
    const Player below = makePlayer(kWmpVideoClass, "Below");
    const Player above = makePlayer(kWmpVideoClass, "Above");
    panel_->searchTarget();
    EXPECT_EQ(panel_->hasTarget, 1);
    EXPECT_EQ(panel_->target.hwnd, above.window) << "the top window is enumerated first";
    EXPECT_EQ(panel_->component.hwnd, above.video);
    (void)below;
}

TEST_F(Discovery, WmpVideoWindowIsPreferredEvenWhenItComesLater) {
    auto& d = desktop();
    WindowSpec frame;
    frame.text = "Both";
    const Hwnd window = d.createWindow(frame);
    addVideo(window, kEvrVideoClass);
    WindowSpec panelSpec;
    panelSpec.className = "Panel";
    panelSpec.text = "panel";
    panelSpec.style = platform::kWsChild | platform::kWsVisible;
    const Hwnd inner = d.createChild(window, panelSpec);
    const Hwnd wmp = addVideo(inner, kWmpVideoClass);  // a grandchild, reported later

    panel_->searchTarget();
    EXPECT_EQ(panel_->component.hwnd, wmp);
    EXPECT_EQ(panel_->component.className, kWmpVideoClass);
}

TEST_F(Discovery, DecoysAreNotTaken) {
    auto& d = desktop();
    WindowSpec frame;
    frame.text = "Decoys";
    const Hwnd window = d.createWindow(frame);
    addVideo(window, kWmpVideoClass, "Video", 5);
    addVideo(window, "wmpvideowindow");
    addVideo(window, "WMPVideoWindowEx");
    addVideo(window, "EVRVideoHandle");
    addVideo(window, kEvrVideoClass, "");

    panel_->searchTarget();
    EXPECT_EQ(panel_->hasTarget, 0);
    EXPECT_TRUE(notices_.found.empty());

    const Hwnd real = addVideo(window, kEvrVideoClass);
    panel_->searchTarget();
    EXPECT_EQ(panel_->hasTarget, 1);
    EXPECT_EQ(panel_->component.hwnd, real);
}

TEST_F(Discovery, FindIsReportedWithCopiesAndADebugLine) {
    const Player p = makePlayer(kEvrVideoClass, "Old title");
    desktop().setText(p.window, "Movie - Player");  // the title is read again at the find

    testing::internal::CaptureStdout();
    panel_->searchTarget();
    const std::string out = testing::internal::GetCapturedStdout();

    ASSERT_EQ(notices_.found.size(), 1u);
    const auto& found = notices_.found.front();
    EXPECT_EQ(found.target.hwnd, p.window);
    EXPECT_EQ(found.target.title, "Movie - Player");
    EXPECT_EQ(found.component.hwnd, panel_->component.hwnd);
    EXPECT_EQ(found.component.className, kEvrVideoClass);
    EXPECT_EQ(found.component.text, panel_->component.text);
    EXPECT_EQ(found.component.ctrlId, 0);
    EXPECT_EQ(panel_->target.title, "Movie - Player");
    EXPECT_EQ(panel_->target.children.size(), 1u) << "the target keeps its recorded children";

    char line[64];
    std::snprintf(line, sizeof line, "Find Component Handle=0x%08x\n",
                  static_cast<unsigned>(platform::handleValue(p.video)));
    EXPECT_EQ(out, line);

    // The panel's copies are its own.
    panel_->component.className = "changed";
    EXPECT_EQ(notices_.found.front().component.className, kEvrVideoClass);
}

TEST_F(Discovery, WithoutAUserPanelTheFindStillHolds) {
    theUserPanel = nullptr;
    const Player p = makePlayer();
    panel_->searchTarget();
    EXPECT_EQ(panel_->target.hwnd, p.window);
    EXPECT_TRUE(notices_.found.empty());
}

TEST_F(Discovery, FailedSearchAfterALossKeepsTheOldRecords) {
    const Player p = makePlayer();
    track(p);
    desktop().destroy(p.window);
    tick();
    EXPECT_EQ(panel_->hasTarget, 0);
    EXPECT_EQ(notices_.lost, 1);
    EXPECT_EQ(panel_->target.hwnd, p.window) << "the old target stays while searching";
    EXPECT_EQ(panel_->component.hwnd, p.video);
    EXPECT_EQ(notices_.found.size(), 1u) << "nothing found since";
}

TEST_F(Discovery, CandidateListKeepsWhatTheSearchRecorded) {
    const Player plain = makePlayer("Nothing", "No video here");
    const Player player = makePlayer(kEvrVideoClass, "Player");
    panel_->searchTarget();
    ASSERT_EQ(panel_->hasTarget, 1);
    for (const CWinInf& w : panel_->windowList) {
        if (w.hwnd == player.window) {
            ASSERT_EQ(w.children.size(), 1u) << "the examined copy is written back";
            EXPECT_EQ(w.children.front().hwnd, player.video);
        } else {
            EXPECT_TRUE(w.children.empty()) << "only what could be chosen is recorded";
        }
    }
    (void)plain;
}

// Only a descendant that could be the video window is asked for its text; and a thread that
// did not answer is not asked again in the same tick.
TEST_F(Discovery, AsksOnlyWhatTheChoiceNeeds) {
    const Player p = makePlayer(kEvrVideoClass);
    WindowSpec other;
    other.className = "Button";
    other.text = "Play";
    other.style = platform::kWsChild | platform::kWsVisible;
    const Hwnd button = desktop().createChild(p.window, other);
    other.className = kEvrVideoClass;
    const Hwnd second = desktop().createChild(p.window, other);
    std::vector<Hwnd> asked;
    desktop().onCall([&](std::string_view call, Hwnd h) {
        if (call == "SendMessageTimeoutA") asked.push_back(h);
    });
    panel_->checkTarget();
    ASSERT_EQ(panel_->component.hwnd, p.video);
    EXPECT_EQ(asked, (std::vector<Hwnd>{p.video, second})) << "the button is never asked";

    desktop().setProcessHung(desktop().state(p.window)->processId, true);
    asked.clear();
    panel_->checkTarget();
    EXPECT_EQ(asked, (std::vector<Hwnd>{p.video})) << "one unanswered question per thread and tick";
    EXPECT_EQ(panel_->hasTarget, 1) << "a hung player is still held";
    desktop().onCall({});
    (void)button;
}

}  // namespace
}  // namespace engine_test
