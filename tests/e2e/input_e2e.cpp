// Bad input on a real desktop: foreign windows whose titles and class names are at and over
// the program's buffers or are broken double-byte strings, Clipveil.exe started with a huge
// command line, and every kind of text typed or pasted into the real setting dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "desktop.h"
#include "engine/ctrol_panel.h"
#include "panels/user_panel.h"
#include "platform/codepage.h"
#include "platform/system.h"
#include "tests/support/testing.h"
#include "platform/window.h"
#include "panels_host.h"
#include "player.h"
#include "program.h"
#include "pump.h"
#include "resources/resource.h"

#ifndef CLIPVEIL_EXE_PATH
#error "CLIPVEIL_EXE_PATH must name Clipveil.exe"
#endif
#ifndef CLIPVEIL_ODD_PLAYER_PATH
#error "CLIPVEIL_ODD_PLAYER_PATH must name odd_player.exe"
#endif

namespace {

using namespace e2e::program_texts;

using namespace std::chrono_literals;
using platform::Hwnd;

constexpr std::size_t kTitleLimit = 255;
constexpr std::size_t kChildTextLimit = 510;
constexpr std::uintptr_t kBackspace = 0x08;

std::string windowsPath(std::string path) {
    if (path.empty() || path.front() != '/') return path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

std::string pattern(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>('A' + i % 26));
    return text;
}

std::string toHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

// odd_player in a process of its own, ready once it has reported its windows.
class OddPlayer {
public:
    static std::unique_ptr<OddPlayer> start(const std::vector<std::string>& args, std::string& error) {
        static int counter = 0;
        std::unique_ptr<OddPlayer> p(new OddPlayer);
        p->report_ = "odd-player-" + std::to_string(++counter) + ".report";
        std::remove(p->report_.c_str());
        std::string line = "\"" + windowsPath(CLIPVEIL_ODD_PLAYER_PATH) + "\"";
        for (const std::string& a : args) line += " " + a;
        line += " --report " + p->report_;
        auto spawned = platform::testing::spawnProcess(line);
        if (!spawned) {
            error =
                "could not start odd_player (system error " + std::to_string(platform::getLastError()) + ")";
            return nullptr;
        }
        p->process_ = std::move(spawned->process);
        p->processId_ = spawned->processId;
        std::string content;
        const bool reported = e2e::pumpUntil(
            [&] {
                std::ifstream in(p->report_, std::ios::binary);
                content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                return content.find('\n') != std::string::npos;
            },
            20s);
        if (!reported) {
            error = "odd_player reported nothing";
            return nullptr;
        }
        std::istringstream words(content);
        std::string word;
        words >> word;
        if (word == "noclass") {
            words >> p->classError_;
            return p;
        }
        std::uint32_t w = 0, v = 0;
        if (word != "ready" || !(words >> std::hex >> w >> v)) {
            error = "odd_player reported: " + content;
            return nullptr;
        }
        p->window_ = platform::toHwnd(w);
        p->video_ = platform::toHwnd(v);
        return p;
    }
    ~OddPlayer() {
        if (process_) platform::testing::terminateProcess(process_, 1);
        std::remove(report_.c_str());
    }
    Hwnd window() const { return window_; }
    Hwnd video() const { return video_; }
    // The system's error when it refused the class name, else empty.
    const std::string& classError() const { return classError_; }

private:
    OddPlayer() = default;
    platform::ProcessHandle process_;
    std::uint32_t processId_ = 0;
    std::string report_;
    std::string classError_;
    Hwnd window_{};
    Hwnd video_{};
};

struct Search {
    std::uint32_t processId = 0;
    std::string caption;
    std::vector<Hwnd> found;
};

std::vector<Hwnd> windowsOf(std::uint32_t processId, const std::string& caption) {
    Search search{processId, caption, {}};
    platform::enumWindows(
        [](Hwnd hwnd, std::uintptr_t context) -> int {
            auto& s = *reinterpret_cast<Search*>(context);
            std::uint32_t pid = 0;
            platform::getWindowThreadProcessId(hwnd, &pid);
            if (pid == s.processId && platform::isWindowVisible(hwnd) &&
                platform::getWindowTextUtf8(hwnd) == s.caption)
                s.found.push_back(hwnd);
            return 1;
        },
        reinterpret_cast<std::uintptr_t>(&search));
    return search.found;
}

// Both panels on a stand-in main window in this process; ticks are sent by the test.
class InputOnWine : public e2e::PanelsOnWine {
protected:
    // The status line as the bytes it holds, in this process's code page.
    std::string statusBytes(int id) const { return platform::getWindowTextA(ctl(id), 70000); }
    std::string statusUtf8(int id) const { return platform::getWindowTextUtf8(ctl(id)); }

    // Runs the setting dialog from "設定"; another thread plays the user in it, then OK.
    bool runSetting(const std::function<void(Hwnd edit)>& user) {
        std::atomic<bool> done{false};
        std::thread player([&] {
            for (int i = 0; i < 500 && !done; ++i) {
                const auto dialogs = windowsOf(ownProcess_, kSettingCaption);
                if (!dialogs.empty()) {
                    user(platform::getDlgItem(dialogs.front(), IDC_PERCENT_EDIT));
                    platform::sendMessage(platform::getDlgItem(dialogs.front(), platform::kIdOk),
                                          platform::msg::kBmClick, 0, 0);
                    done = true;
                    return;
                }
                platform::sleepMs(20);
            }
        });
        press(IDC_TRANS_SETTING);
        player.join();
        return done;
    }
    static void typeChars(Hwnd edit, const std::string& ascii) {
        platform::sendMessage(edit, platform::msg::kEmSetSel, 0, -1);
        platform::sendMessage(edit, platform::msg::kChar, kBackspace, 0);
        for (char c : ascii)
            platform::sendMessage(edit, platform::msg::kChar, static_cast<unsigned char>(c), 0);
    }
};

TEST_F(InputOnWine, TitlesAndVideoTextsAtAndOverTheirBuffers) {
    for (std::size_t length : {254u, 255u, 256u, 510u, 511u, 512u, 4000u}) {
        SCOPED_TRACE("texts of " + std::to_string(length) + " bytes");
        std::string error;
        auto odd = OddPlayer::start(
            {"--title-length", std::to_string(length), "--video-text-length", std::to_string(length)}, error);
        ASSERT_TRUE(odd) << error;
        tick();
        ASSERT_EQ(ctrol_.hasTarget, 1);
        EXPECT_EQ(ctrol_.target.hwnd, odd->window());
        EXPECT_EQ(ctrol_.component.hwnd, odd->video());
        const std::string title = pattern(std::min(length, kTitleLimit));
        EXPECT_EQ(ctrol_.target.title, title);
        EXPECT_EQ(ctrol_.component.text, pattern(std::min(length, kChildTextLimit)));
        EXPECT_EQ(statusBytes(IDC_TARGET_STATUS), title);
        EXPECT_EQ(statusUtf8(IDC_FOUND_STATUS), "EVRVideoHandler を検出しました");
        odd.reset();
        tick();
        EXPECT_EQ(ctrol_.hasTarget, 0);
        EXPECT_EQ(statusBytes(IDC_TARGET_STATUS), "");
    }
}

// The system keeps class names of up to 255 characters; a longer one is refused when the
// class is registered, so no window can carry it.
TEST_F(InputOnWine, FrameClassNamesOf255And256Characters) {
    std::string error;
    auto at = OddPlayer::start({"--class-length", "255"}, error);
    ASSERT_TRUE(at) << error;
    ASSERT_EQ(at->classError(), "");
    EXPECT_EQ(platform::getClassNameA(at->window(), 1024), std::string(255, 'K'));
    tick();
    EXPECT_EQ(ctrol_.target.hwnd, at->window());
    at.reset();
    tick();

    auto over = OddPlayer::start({"--class-length", "256"}, error);
    ASSERT_TRUE(over) << error;
    EXPECT_NE(over->classError(), "") << "a 256-character class name was registered";
    tick();
    EXPECT_EQ(ctrol_.hasTarget, 0);
}

// Broken double-byte strings as titles. In code page 932 (a Japanese locale) the player's
// bytes are converted when it sets them and again when they are read, so what comes back
// is the system's reading of them; in 1252 they are single bytes. Either way the player is
// found, the title stays within its buffer and the status line holds exactly the title.
TEST_F(InputOnWine, InvalidDoubleByteSequencesInTitles) {
    const bool dbcs = platform::isDbcsLeadByte(0x82);
    std::printf("code page: %s\n", dbcs ? "double-byte (932)" : "single-byte");
    const struct {
        const char* name;
        std::string title;
    } cases[] = {
        {"lone lead byte at the end", "Film\x82"},
        {"lead byte and a blank", "Film\x82 rest"},
        {"lead byte and DEL", "Film\x81\x7F"},
        {"bytes no character starts with", "Film\xFD\xFE\xFF"},
        {"a lead byte where the buffer ends", std::string(254, 'a') + "\x82\xA0"},
        {"a lone lead byte where the buffer ends", std::string(254, 'a') + "\x82"},
        {"valid double-byte text over the buffer", std::string("a") +
                                                       [] {
                                                           std::string s;
                                                           for (int i = 0; i < 300; ++i) s += "\x82\xA0";
                                                           return s;
                                                       }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto odd = OddPlayer::start({"--title-hex", toHex(c.title)}, error);
        ASSERT_TRUE(odd) << error;
        tick();
        ASSERT_EQ(ctrol_.hasTarget, 1);
        EXPECT_EQ(ctrol_.target.hwnd, odd->window());
        const std::string& got = ctrol_.target.title;
        EXPECT_LE(got.size(), kTitleLimit);
        EXPECT_EQ(got.substr(0, 4), c.title.substr(0, 4));
        if (!dbcs) {
            EXPECT_EQ(got, c.title.substr(0, kTitleLimit)) << "single bytes come back as they are";
        }
        // Wine cuts a double-byte character in two at the buffer's end; the status line shows
        // the whole characters only (the lone lead byte would read past the text).
        const bool split = dbcs && got.size() == kTitleLimit &&
                           platform::isDbcsLeadByte(static_cast<unsigned char>(got.back())) && [&] {
                               std::size_t i = 0;
                               while (i < got.size())
                                   i += platform::isDbcsLeadByte(static_cast<unsigned char>(got[i])) ? 2 : 1;
                               return i > got.size();
                           }();
        EXPECT_EQ(statusBytes(IDC_TARGET_STATUS), split ? got.substr(0, got.size() - 1) : got);
        odd.reset();
        tick();
    }
}

// Windows' CreateProcess takes at most 32,767 characters; Wine 8 takes a command line of 100
// arguments of 4,000 bytes (400 KB) as well. Whatever the system takes, Clipveil.exe starts
// normally with it and closes normally; what it does not take never starts.
TEST_F(InputOnWine, AHugeCommandLineStartsNormallyOrIsRefusedCleanly) {
    const std::string exe = "\"" + windowsPath(CLIPVEIL_EXE_PATH) + "\"";
    std::string huge = exe;
    for (int i = 0; i < 100; ++i) huge += " " + std::string(4000, static_cast<char>('a' + i % 26));
    std::string longest = exe;
    while (longest.size() + 4001 < 32767) longest += " " + std::string(4000, 'x');

    for (const std::string* line : {&huge, &longest}) {
        SCOPED_TRACE(std::to_string(line->size()) + "-byte command line");
        auto started = platform::testing::spawnProcess(*line);
        std::printf("a %zu-byte command line: %s\n", line->size(), started ? "started" : "refused");
        if (!started) {
            EXPECT_GT(line->size(), 32767u) << "a command line within the limit was refused";
            continue;
        }
        std::vector<Hwnd> mains;
        EXPECT_TRUE(e2e::pumpUntil(
            [&] {
                mains = windowsOf(started->processId, kMainCaption);
                return !mains.empty();
            },
            20s))
            << "no main window";
        if (!mains.empty()) platform::postMessage(mains.front(), platform::msg::kClose, 0, 0);
        std::optional<std::uint32_t> code;
        EXPECT_TRUE(e2e::pumpUntil(
            [&] { return (code = platform::testing::waitForExit(started->process, 0)).has_value(); }, 20s));
        EXPECT_EQ(code, std::optional<std::uint32_t>(0));
        if (!code) platform::testing::terminateProcess(started->process, 1);
    }
}

// Whatever is typed or pasted into the real dialog, OK leaves a percentage from 20 to 100,
// which field 1006 shows and the see-through player takes as its alpha.
TEST_F(InputOnWine, EveryKindOfTextInTheSettingDialog) {
    std::string error;
    auto player = e2e::ImitationPlayer::start({.videoClass = "EVR", .title = "Input e2e player"}, error);
    ASSERT_TRUE(player) << error;
    tick();
    ASSERT_EQ(ctrol_.hasTarget, 1);
    press(IDC_MODE_VIDEO);
    press(IDC_TRANS);
    ASSERT_EQ(e2e::alphaOf(player->window()), std::optional<std::uint8_t>(178));

    enum class How { Type, SetText, Paste };
    const struct {
        How how;
        std::string text;  // typed, set, or pasted over the "4" of "45"
        int yields;        // after 50 was set: 50 means the text was not taken
    } cases[] = {
        {How::Type, "45", 45},
        {How::Type, " 45", 45},
        {How::Type, "45 ", 50},
        {How::Type, "\t20", 20},
        {How::Type, "+100", 100},
        {How::Type, "-45", 50},
        {How::Type, "-0", 50},
        {How::Type, "0", 50},
        {How::Type, "150", 50},
        {How::Type, "19", 50},
        {How::Type, "1,000", 50},
        {How::Type, "1,00", 100},
        {How::Type, "abc", 50},
        {How::Type, "", 50},
        {How::Type, "45abc", 50},
        {How::Type, "0x2D", 50},
        {How::Type, "2147483648", 50},
        {How::Type, "-2147483649", 50},
        {How::Type, "99999999999999999999999", 50},
        {How::Type, std::string(300, '7'), 50},
        {How::SetText, std::string(5000, '7'), 50},
        {How::SetText, std::string(4998, '0') + "55", 50},  // only the first 19 are read
        // Full-width digits count as digits and the ideographic blank as a blank; the
        // full-width minus is no sign.
        {How::SetText, "４５", 45},
        {How::SetText, "－４５", 50},
        {How::SetText,
         "\xE3\x80\x80"
         "45",
         45},
        {How::Paste, "7", 75},
        {How::Paste, "８", 85},
        {How::Paste, "", 50},  // pasting nothing leaves "5"
        {How::Paste, std::string(2000, '9'), 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("text \"" + c.text.substr(0, 24) + "\" (" + std::to_string(c.text.size()) + " bytes)");
        ASSERT_TRUE(runSetting([](Hwnd edit) { typeChars(edit, "50"); }));
        ASSERT_EQ(panel_.m_transPercent, 50);
        const bool ran = runSetting([&c](Hwnd edit) {
            switch (c.how) {
                case How::Type:
                    typeChars(edit, c.text);
                    break;
                case How::SetText:
                    platform::setWindowTextUtf8(edit, c.text);
                    break;
                case How::Paste:
                    typeChars(edit, "45");
                    platform::sendMessage(edit, platform::msg::kEmSetSel, 0, 1);
                    platform::testing::setClipboardText(c.text);
                    platform::sendMessage(edit, platform::msg::kPaste, 0, 0);
                    break;
            }
        });
        ASSERT_TRUE(ran) << "the setting dialog did not appear";
        EXPECT_EQ(panel_.m_transPercent, c.yields);
        EXPECT_EQ(statusUtf8(IDC_TRANS_PERCENT), std::to_string(c.yields) + " %");
        EXPECT_EQ(e2e::alphaOf(player->window()),
                  std::optional<std::uint8_t>(static_cast<std::uint8_t>(CUserPanelDlg::alphaFor(c.yields))));
    }
}

}  // namespace
