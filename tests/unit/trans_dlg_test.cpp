// The see-through setting dialog over the simulated desktop, built from the real template.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "panels/trans_dlg.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "resources/resource.h"
#include "tests/typed_percent_cases.h"

namespace {

using platform::Hwnd;
using platform::sim::desktop;

class TransDlg : public ::testing::Test {
protected:
    void SetUp() override {
        desktop().reset();
        platform::sim::WindowSpec recipe;
        recipe.className = "HostWindow";
        recipe.text = "Clipveil";
        owner_ = desktop().createWindow(recipe);
        platform::setMainWindow(owner_);
    }
    void TearDown() override { platform::setMainWindow(platform::kNoWindow); }

    Hwnd edit(Hwnd dialog) const { return desktop().item(dialog, IDC_PERCENT_EDIT); }
    Hwnd spin(Hwnd dialog) const { return desktop().item(dialog, IDC_PERCENT_SPIN); }

    // Opens the dialog with `start`, lets `user` work it, and gives DoModal's result.
    std::intptr_t run(int start, const std::function<void(Hwnd)>& user) {
        dialog_.m_percent = start;
        desktop().onModal([&](Hwnd dialog) {
            opened_ = dialog;
            shownAtStart_ = desktop().textUtf8(edit(dialog));
            user(dialog);
        });
        return dialog_.DoModal();
    }
    void ok(Hwnd dialog) { desktop().click(desktop().item(dialog, platform::kIdOk)); }

    Hwnd owner_{};
    CTransDlg dialog_;
    Hwnd opened_{};
    std::string shownAtStart_;
};

TEST_F(TransDlg, OpensShowingThePercentageAndOkKeepsIt) {
    const auto result = run(70, [&](Hwnd dialog) {
        EXPECT_EQ(desktop().textUtf8(dialog), "透かし透明度設定");
        EXPECT_EQ(desktop().focus(), desktop().item(dialog, platform::kIdOk));
        ok(dialog);
    });
    EXPECT_EQ(result, platform::kIdOk);
    EXPECT_EQ(shownAtStart_, "70");
    EXPECT_EQ(dialog_.m_percent, 70);
    EXPECT_FALSE(desktop().exists(opened_));
}

// What OK yields for typed text, opened at 50: whole numbers in 20..100 are taken as the
// up-down control parses them (optional sign, leading blanks and zeros); anything else
// leaves the last valid position.
TEST_F(TransDlg, OkTakesTypedTextOnlyWhenItIsAWholeNumberInRange) {
    for (const auto& c : typed_percent::kCases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        const auto result = run(typed_percent::kOpenedAt, [&](Hwnd dialog) {
            desktop().typeText(edit(dialog), c.typed);
            ok(dialog);
        });
        EXPECT_EQ(result, platform::kIdOk);
        EXPECT_EQ(dialog_.m_percent, c.yields);
    }
}

TEST_F(TransDlg, ArrowsStepWithinTheRangeWithoutWrapping) {
    run(21, [&](Hwnd dialog) {
        for (int i = 0; i < 3; ++i) desktop().clickSpin(spin(dialog), false);
        EXPECT_EQ(desktop().textUtf8(edit(dialog)), "20");
        ok(dialog);
    });
    EXPECT_EQ(dialog_.m_percent, 20);

    run(99, [&](Hwnd dialog) {
        desktop().pressKey(edit(dialog), platform::kVkUp);
        desktop().pressKey(edit(dialog), platform::kVkUp);
        EXPECT_EQ(desktop().textUtf8(edit(dialog)), "100");
        ok(dialog);
    });
    EXPECT_EQ(dialog_.m_percent, 100);
}

TEST_F(TransDlg, AnArrowFirstTakesValidTextAndInvalidTextFallsBackToTheLastStep) {
    run(70, [&](Hwnd dialog) {
        desktop().typeText(edit(dialog), "45");
        desktop().clickSpin(spin(dialog), true);
        EXPECT_EQ(desktop().textUtf8(edit(dialog)), "46");
        desktop().typeText(edit(dialog), "abc");
        ok(dialog);
    });
    EXPECT_EQ(dialog_.m_percent, 46);
}

TEST_F(TransDlg, CancelAndEscapeEndWithoutOk) {
    EXPECT_EQ(run(70, [&](Hwnd dialog) { desktop().click(desktop().item(dialog, platform::kIdCancel)); }),
              platform::kIdCancel);
    EXPECT_EQ(run(70, [&](Hwnd dialog) { desktop().pressKey(dialog, platform::kVkEscape); }),
              platform::kIdCancel);
    EXPECT_EQ(run(70,
                  [&](Hwnd dialog) {
                      desktop().typeText(edit(dialog), "45");
                      desktop().pressKey(edit(dialog), platform::kVkReturn);
                  }),
              platform::kIdOk);
    EXPECT_EQ(dialog_.m_percent, 45) << "Enter is OK";
}

}  // namespace
