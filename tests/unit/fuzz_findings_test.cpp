// Faults the fuzz targets of tests/fuzz found, each kept here with the input that showed it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "panels/trans_dlg.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "resources/resource.h"
#include "shell/about_dlg.h"
#include "shell/version.h"

namespace {

using platform::Hwnd;
using platform::sim::desktop;

// A value without a terminator in its readable bytes, cut where a lead byte stands right at
// the limit: the cut must not look past the readable bytes (ASan stops the test if it does).
TEST(VersionValueCut, StaysInsideAValueWithoutTerminator) {
    desktop().reset();  // code page 932
    const char bytes[] = {'a', 'b', 'c', 'd', '\x82'};
    auto value = std::make_unique<char[]>(sizeof bytes);
    std::memcpy(value.get(), bytes, sizeof bytes);
    EXPECT_EQ(versionValueBytes(value.get(), sizeof bytes, 4), 4u);

    // A double-byte character across the limit is left out whole, at the end of the bytes too.
    const char kana[] = {'a', '\x82', '\xa0', '\x82', '\xa0'};
    auto value2 = std::make_unique<char[]>(sizeof kana);
    std::memcpy(value2.get(), kana, sizeof kana);
    EXPECT_EQ(versionValueBytes(value2.get(), sizeof kana, 4), 3u);
    EXPECT_EQ(versionValueBytes(value2.get(), sizeof kana, 3), 3u);
    EXPECT_EQ(versionValueBytes(value2.get(), sizeof kana, 2), 1u);
}

// The version text is ANSI bytes; the About box's text is UTF-8. A value with characters
// beyond ASCII used to reach the box as raw code-page bytes.
TEST(AboutVersionText, ShowsAVersionBeyondAsciiAsTheCodePageReadsIt) {
    desktop().reset();  // code page 932
    EXPECT_EQ(aboutVersionText(desktop().toAnsi("Ver.:1,0 版;2").c_str()), "霞窓 Ver.:1-0 版.2");
    EXPECT_EQ(aboutVersionText(desktop().toAnsi("Ver.:ｱﾌﾟﾘ,表").c_str()), "霞窓 Ver.:ｱﾌﾟﾘ-表");
    desktop().setCodePage(1252);
    EXPECT_EQ(aboutVersionText(desktop().toAnsi("Ver.:é,1;ü").c_str()), "霞窓 Ver.:é-1.ü");
}

// What OK in the setting dialog yields for text with the blanks and digits that the up-down
// control's conversion knows beyond ASCII (measured under Wine), opened at 50.
TEST(TransDlgTyping, TakesUnicodeBlanksAndDigitsAsTheControlDoes) {
    const struct {
        const char* typed;
        int yields;
    } cases[] = {
        // \u takes exactly four hexadecimal digits: "\u300045" is an ideographic space, then 45.
        {"４５", 45},      // full-width digits, as a Japanese input method types them
        {"\u300045", 45},  // an ideographic space before the number
        {"\u3000４５", 45},
        {"\v\t\u200021,", 21},       // the fuzzer's input: blanks, a digit pair and a separator
        {"\u0664\u0665", 45},        // Arabic-Indic digits
        {"4\uff15", 45},             // mixed scripts
        {"45\u3000", 50},            // nothing may follow the digits
        {"\u200b45", 50},            // a zero-width space is no blank
        {"\uff0b45", 50},            // nor is a full-width plus a sign
        {"\u00b25", 50},             // nor a superscript a digit
        {"\uff11\uff15\uff10", 50},  // 150, out of range
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        desktop().reset();
        platform::sim::WindowSpec recipe;
        recipe.className = "HostWindow";
        recipe.text = "Clipveil";
        platform::setMainWindow(desktop().createWindow(recipe));
        CTransDlg dialog;
        dialog.m_percent = 50;
        desktop().onModal([&](Hwnd d) {
            desktop().typeText(desktop().item(d, IDC_PERCENT_EDIT), c.typed);
            desktop().click(desktop().item(d, platform::kIdOk));
        });
        EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
        EXPECT_EQ(dialog.m_percent, c.yields);
        platform::setMainWindow(platform::kNoWindow);
    }
}

}  // namespace
