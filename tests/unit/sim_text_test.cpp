// Code page 932 as the simulated desktop applies it, and the UTF-8 / UTF-16 conversions.
#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "platform/sim/desktop.h"
#include "platform/window.h"

namespace {

using namespace platform;
using platform::sim::desktop;

class SimText : public ::testing::Test {
protected:
    void SetUp() override { desktop().reset(); }
};

std::string upper(std::string text) {
    charUpperBuffA(text);
    return text;
}

TEST_F(SimText, LeadBytesAndCharacterSteps) {
    EXPECT_FALSE(isDbcsLeadByte(0x80));
    EXPECT_TRUE(isDbcsLeadByte(0x81));
    EXPECT_TRUE(isDbcsLeadByte(0x9F));
    EXPECT_FALSE(isDbcsLeadByte(0xA0));
    EXPECT_FALSE(isDbcsLeadByte(0xDF)) << "half-width katakana are single bytes";
    EXPECT_TRUE(isDbcsLeadByte(0xE0));
    EXPECT_TRUE(isDbcsLeadByte(0xFC));
    EXPECT_FALSE(isDbcsLeadByte(0xFD));

    const char text[] = "a\x83\x76\xB1\x81";  // a, プ, ｱ, a lead byte without its trail
    const char* p = text;
    p = charNextA(p);
    EXPECT_EQ(p, text + 1);
    p = charNextA(p);
    EXPECT_EQ(p, text + 3);
    p = charNextA(p);
    EXPECT_EQ(p, text + 4);
    p = charNextA(p);
    EXPECT_EQ(p, text + 5) << "never past the terminator";
    EXPECT_EQ(charNextA(p), p);

    desktop().setCodePage(1252);
    EXPECT_FALSE(isDbcsLeadByte(0x81));
}

TEST_F(SimText, UpperCaseMapsLettersOfEveryScriptButNeverATrailByte) {
    EXPECT_EQ(upper("movieplayer.exe"), "MOVIEPLAYER.EXE");
    EXPECT_EQ(upper("\x82\x81\x82\x9A"), "\x82\x60\x82\x79") << "full-width a and z";
    EXPECT_EQ(upper("\x83\xBF\x83\xD6"), "\x83\x9F\x83\xB6") << "Greek alpha and omega";
    EXPECT_EQ(upper("\x84\x70\x84\x76\x84\x7E\x84\x80\x84\x91"), "\x84\x40\x84\x46\x84\x4E\x84\x4F\x84\x60")
        << "Cyrillic a, yo, en, o, ya: the lower case skips trail byte 0x7F";
    EXPECT_EQ(upper("\x84\x7F"), "\x84\x7F") << "no character there";
    EXPECT_EQ(upper("\x83\x61\x83\x7A"), "\x83\x61\x83\x7A") << "trail bytes in a-z stay";
    EXPECT_EQ(upper("\xB1\xDF"), "\xB1\xDF") << "half-width katakana stay";
    EXPECT_EQ(upper("\xFA\x40\xEE\xEF"), "\x87\x54\x87\x54") << "small Roman numeral one";
    EXPECT_EQ(upper("x\x81"), "X\x81") << "a lead byte at the end stays";

    desktop().setCodePage(1252);
    EXPECT_EQ(upper("\xE9t\xE9 \xFF\xF7\xDF"), "\xC9T\xC9 \x9F\xF7\xDF");
}

TEST_F(SimText, Utf8AndUtf16RoundTrip) {
    const std::string text = "透かし 70 % \xF0\x9F\x8E\xA5";
    const std::wstring wide = utf8ToWide(text);
    EXPECT_EQ(wide.size(), 11u) << "the emoji takes two UTF-16 units";
    EXPECT_EQ(wide[0], static_cast<wchar_t>(0x900F));
    EXPECT_EQ(wide[9], static_cast<wchar_t>(0xD83C));
    EXPECT_EQ(wideToUtf8(wide), text);
    EXPECT_EQ(utf8ToWide("a\xFF"
                         "b"),
              (std::wstring{L'a', static_cast<wchar_t>(0xFFFD), L'b'}));
    EXPECT_EQ(utf8ToWide("\xE3\x81"),
              std::wstring(1, static_cast<wchar_t>(0xFFFD)) + static_cast<wchar_t>(0xFFFD))
        << "a cut sequence";
    EXPECT_EQ(wideToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC00))), "\xEF\xBF\xBD")
        << "a lone surrogate";
}

TEST_F(SimText, WindowTextsConvertBetweenTheCodePageAndUtf8) {
    const std::string title = desktop().toAnsi("動画プレーヤー");
    EXPECT_EQ(title.substr(0, 4), "\x93\xAE\x89\xE6");
    sim::WindowSpec recipe;
    recipe.text = title;
    const Hwnd player = desktop().createWindow(recipe);
    EXPECT_EQ(getWindowTextUtf8(player), "動画プレーヤー");
    setWindowTextUtf8(player, "Movieコンポーネント検索中");
    EXPECT_EQ(getWindowTextA(player, 256), desktop().toAnsi("Movieコンポーネント検索中"));
    EXPECT_EQ(getWindowTextA(player, 7), "Movie") << "a double-byte character is never cut in half";
    EXPECT_EQ(getWindowTextA(player, 8), "Movie\x83\x52");
}

}  // namespace
