// The user panel on a real desktop: the win32 backend, the control panel's tracking timer and
// an imitation player in a process of its own. The test works the panel's real controls the
// way a user does and reads the player's windows back through the seam.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "desktop.h"
#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "panels/trans_dlg.h"
#include "panels/user_panel.h"
#include "platform/system.h"
#include "platform/window.h"
#include "panels_host.h"
#include "player.h"
#include "program.h"
#include "pump.h"
#include "resources/resource.h"
#include "tests/typed_percent_cases.h"
#include "tests/support/testing.h"

namespace {

using namespace e2e::program_texts;

using namespace std::chrono_literals;
using platform::Hwnd;

constexpr char kPlayerTitle[] = "UserPanel e2e player";
constexpr std::uintptr_t kBackspace = 0x08;
constexpr std::uint32_t kSeeThrough = platform::kWsExLayered | platform::kWsExTransparent;

struct Search {
    std::uint32_t processId = 0;
    Hwnd owner{};
    std::string caption;
    std::vector<Hwnd> found;
};

// This process's top-level windows, optionally only those with an owner or a caption.
std::vector<Hwnd> ownWindows(std::uint32_t processId, Hwnd owner, const std::string& caption = {}) {
    Search search{processId, owner, caption, {}};
    platform::enumWindows(
        [](Hwnd hwnd, std::uintptr_t context) -> int {
            auto& s = *reinterpret_cast<Search*>(context);
            std::uint32_t pid = 0;
            platform::getWindowThreadProcessId(hwnd, &pid);
            if (pid != s.processId) return 1;
            if (s.owner != platform::kNoWindow && platform::getOwner(hwnd) != s.owner) return 1;
            if (!s.caption.empty() && platform::getWindowTextUtf8(hwnd) != s.caption) return 1;
            s.found.push_back(hwnd);
            return 1;
        },
        reinterpret_cast<std::uintptr_t>(&search));
    return search.found;
}

class UserPanelOnWine : public e2e::PanelsOnWine {
protected:
    void SetUp() override {
        PanelsOnWine::SetUp();
        ctrol_.startTimer();
    }

    std::string text(int id) const { return platform::getWindowTextUtf8(ctl(id)); }
    bool checked(int id) const { return platform::isDlgButtonChecked(panel_.GetSafeHwnd(), id) == 1; }
    // A press of the button, as the mouse would make it.
    void press(int id) {
        ASSERT_TRUE(platform::isWindowVisible(ctl(id)) && platform::isWindowEnabled(ctl(id))) << id;
        platform::sendMessage(ctl(id), platform::msg::kBmClick, 0, 0);
    }
    bool waitForText(int id, const std::string& expected) {
        return e2e::pumpUntil([&] { return text(id) == expected; }, 5s);
    }
    std::vector<Hwnd> overlays() const { return ownWindows(ownProcess_, player_->window()); }

    // The setting dialog runs its own loop inside the call that opens it, so another thread
    // plays the user: it waits for the dialog, types the text and presses OK.
    std::thread typeIntoSettingDialog(const std::string& typed, std::atomic<bool>& done) const {
        return std::thread([this, typed, &done] {
            for (int i = 0; i < 500; ++i) {
                const auto dialogs = ownWindows(ownProcess_, platform::kNoWindow, kSettingCaption);
                if (!dialogs.empty() && platform::isWindowVisible(dialogs.front())) {
                    const Hwnd edit = platform::getDlgItem(dialogs.front(), IDC_PERCENT_EDIT);
                    platform::sendMessage(edit, platform::msg::kEmSetSel, 0, -1);
                    platform::sendMessage(edit, platform::msg::kChar, kBackspace, 0);
                    for (char c : typed)
                        platform::sendMessage(edit, platform::msg::kChar, static_cast<unsigned char>(c), 0);
                    platform::sendMessage(platform::getDlgItem(dialogs.front(), platform::kIdOk),
                                          platform::msg::kBmClick, 0, 0);
                    done = true;
                    return;
                }
                platform::sleepMs(20);
            }
        });
    }
    void setPercentage(const std::string& typed) {
        std::atomic<bool> done{false};
        std::thread user = typeIntoSettingDialog(typed, done);
        press(IDC_TRANS_SETTING);
        user.join();
        EXPECT_TRUE(done) << "the setting dialog did not appear";
    }
};

TEST_F(UserPanelOnWine, StatusLinesFollowThePlayer) {
    e2e::pumpFor(700ms);  // a tick with nothing to find
    EXPECT_EQ(text(IDC_FOUND_STATUS), kSearching);
    EXPECT_EQ(text(IDC_TARGET_STATUS), "");
    EXPECT_FALSE(platform::isWindowEnabled(ctl(IDC_MODE_VIDEO)));

    std::string error;
    player_ = e2e::ImitationPlayer::start({.videoClass = "EVR", .title = kPlayerTitle}, error);
    ASSERT_TRUE(player_) << error;
    EXPECT_TRUE(waitForText(IDC_FOUND_STATUS, "EVRVideoHandler を検出しました")) << text(IDC_FOUND_STATUS);
    EXPECT_EQ(text(IDC_TARGET_STATUS), kPlayerTitle);
    EXPECT_TRUE(platform::isWindowEnabled(ctl(IDC_MODE_VIDEO)));
    EXPECT_FALSE(platform::isWindowVisible(ctl(IDC_TRANS)));

    ASSERT_TRUE(player_->stop());
    EXPECT_TRUE(waitForText(IDC_FOUND_STATUS, kSearching)) << text(IDC_FOUND_STATUS);
    EXPECT_EQ(text(IDC_TARGET_STATUS), "");
    EXPECT_FALSE(platform::isWindowEnabled(ctl(IDC_MODE_VIDEO)));
}

TEST_F(UserPanelOnWine, VideoOnlySeeThroughSettingAndRestore) {
    std::string error;
    player_ = e2e::ImitationPlayer::start({.videoClass = "EVR", .title = kPlayerTitle}, error);
    ASSERT_TRUE(player_) << error;
    ASSERT_TRUE(waitForText(IDC_FOUND_STATUS, "EVRVideoHandler を検出しました")) << text(IDC_FOUND_STATUS);
    const Hwnd player = player_->window();
    const std::uint32_t style = e2e::styleOf(player);
    const std::uint32_t exStyle = e2e::exStyleOf(player);

    press(IDC_MODE_VIDEO);
    EXPECT_TRUE(e2e::regionOf(player).has_value()) << "clipped to the video";
    EXPECT_EQ(e2e::styleOf(player) & platform::kWsCaption, 0u);
    EXPECT_EQ(overlays().size(), 1u) << "the drag overlay over an EVR video";
    EXPECT_TRUE(checked(IDC_DRAG));
    EXPECT_TRUE(platform::isWindowVisible(ctl(IDC_TRANS)));
    EXPECT_EQ(text(IDC_TRANS_PERCENT), "70 %");

    press(IDC_TRANS);
    EXPECT_TRUE(checked(IDC_TRANS));
    EXPECT_FALSE(checked(IDC_DRAG));
    EXPECT_TRUE(overlays().empty());
    const std::uint32_t seeThrough = e2e::exStyleOf(player);
    EXPECT_EQ(seeThrough & platform::kWsExTopmost, platform::kWsExTopmost);
    EXPECT_EQ(seeThrough & kSeeThrough, kSeeThrough) << "layered and click-through";
    EXPECT_EQ(e2e::alphaOf(player), std::optional<std::uint8_t>(178));

    setPercentage("45");
    EXPECT_EQ(e2e::alphaOf(player), std::optional<std::uint8_t>(114));
    EXPECT_EQ(text(IDC_TRANS_PERCENT), "45 %");

    // Drag back on takes see-through off; see-through again keeps the new percentage.
    press(IDC_DRAG);
    EXPECT_EQ(overlays().size(), 1u);
    EXPECT_EQ(e2e::exStyleOf(player) & (kSeeThrough | platform::kWsExTopmost), 0u);
    EXPECT_FALSE(checked(IDC_TRANS));
    press(IDC_TRANS);
    EXPECT_TRUE(overlays().empty());
    EXPECT_EQ(e2e::exStyleOf(player) & (kSeeThrough | platform::kWsExTopmost),
              kSeeThrough | platform::kWsExTopmost);
    EXPECT_EQ(e2e::alphaOf(player), std::optional<std::uint8_t>(114));

    press(IDC_MODE_RESTORE);
    EXPECT_FALSE(e2e::regionOf(player).has_value());
    EXPECT_EQ(e2e::exStyleOf(player) & (kSeeThrough | platform::kWsExTopmost), 0u);
    EXPECT_EQ(e2e::exStyleOf(player), exStyle);
    EXPECT_EQ(e2e::styleOf(player), style);
    EXPECT_TRUE(overlays().empty());
    EXPECT_FALSE(checked(IDC_TRANS));
    EXPECT_FALSE(checked(IDC_DRAG));
    EXPECT_FALSE(platform::isWindowVisible(ctl(IDC_TRANS)));

    // The player still tracked and restored: found again on the next ticks.
    e2e::pumpFor(700ms);
    EXPECT_EQ(text(IDC_FOUND_STATUS), "EVRVideoHandler を検出しました");
}

// The up-down control's own reading of the edit box, which the native tests' model follows:
// an optional sign, leading blanks and leading zeros are accepted; the value must be in range
// and nothing may follow the digits.
TEST_F(UserPanelOnWine, TheSettingDialogTakesWhatTheUpDownControlTakes) {
    for (const auto& c : typed_percent::kCases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        CTransDlg dialog;
        dialog.m_percent = typed_percent::kOpenedAt;
        std::atomic<bool> done{false};
        std::thread user = typeIntoSettingDialog(c.typed, done);
        const auto result = dialog.DoModal();
        user.join();
        ASSERT_TRUE(done) << "the setting dialog did not appear";
        EXPECT_EQ(result, platform::kIdOk);
        EXPECT_EQ(dialog.m_percent, c.yields);
    }
}

}  // namespace
