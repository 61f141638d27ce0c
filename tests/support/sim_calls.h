// Checks of the simulated desktop's call log, the way Wine's message tests check theirs: the
// calls made on the windows of interest against a named table of the expected ones, with
// entries that may be absent and arguments that may be anything. A failure lists both.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/desktop.h"

namespace platform::sim {

// An argument that matches whatever the program passed.
inline constexpr std::int64_t kAny = std::numeric_limits<std::int64_t>::min();
// SetWindowPos's places, as the log records them.
inline constexpr std::int64_t kTopmost = handleValue(kHwndTopmost);
inline constexpr std::int64_t kNoTopmost = handleValue(kHwndNoTopmost);

// One expected call: its window by the letter the check gives it, then its numbers and
// strings as the call log records them (see sim::Call).
struct ExpectedCall {
    Call call{};
    char window = 0;
    std::vector<std::int64_t> args{};
    std::vector<std::string_view> texts{};
    bool optional = false;
};

// An entry that may be absent: where the program may or may not make the call.
inline ExpectedCall optional(ExpectedCall entry) {
    entry.optional = true;
    return entry;
}

// The letter of a call's window, or 0 to leave the call out of the comparison.
using WindowNames = std::function<char(Hwnd)>;

// A call as a line of text, for failure messages: "SetWindowLong(P,-20,0x00000100)".
inline std::string callText(Call call, const std::string& window, std::span<const std::int64_t> args,
                            std::span<const std::string_view> texts) {
    static constexpr const char* kNames[] = {
        "SetWindowLong",  "SetWindowRgn",  "MoveWindow", "SetWindowPos", "SetLayeredWindowAttributes",
        "SetProp",        "RemoveProp",    "ShowWindow", "EnableWindow", "DestroyWindow",
        "InvalidateRect", "SetWindowText", "SetTimer",   "KillTimer",    "MessageBox",
        "DragMove"};
    static_assert(std::size(kNames) == static_cast<std::size_t>(Call::DragMove) + 1);
    std::string out = std::string(kNames[static_cast<std::size_t>(call)]) + "(" + window;
    for (std::size_t i = 0; i < args.size(); ++i) {
        char number[24];
        if (args[i] == kAny) {
            std::snprintf(number, sizeof number, "*");
        } else if ((call == Call::SetWindowLong && i == 1) || args[i] > 0xFFFF) {  // styles, handles
            std::snprintf(number, sizeof number, "0x%08llx", static_cast<unsigned long long>(args[i]));
        } else {
            std::snprintf(number, sizeof number, "%lld", static_cast<long long>(args[i]));
        }
        out += std::string(",") + number;
    }
    for (std::string_view text : texts) out += ",\"" + std::string(text) + "\"";
    return out + ")";
}

inline std::string callText(const CallRecord& c, const std::string& window) {
    const std::vector<std::string_view> texts(c.texts.begin(), c.texts.end());
    return callText(c.call, window, c.args, texts) + (c.ok ? "" : " failed");
}

inline std::string callText(const CallRecord& c) {
    return callText(c, platform::handleText(c.hwnd));
}

inline std::string callText(const ExpectedCall& x) {
    return callText(x.call, std::string(1, x.window), x.args, x.texts) + (x.optional ? " (optional)" : "");
}

// The calls on the named windows, in order, against the expected ones.
inline ::testing::AssertionResult callsAre(std::span<const CallRecord> recorded,
                                           std::span<const ExpectedCall> expected, const WindowNames& names) {
    struct Named {
        const CallRecord* record;
        char window;
    };
    std::vector<Named> got;
    for (const CallRecord& c : recorded) {
        if (const char name = names(c.hwnd)) got.push_back({&c, name});
    }
    const auto matches = [](const ExpectedCall& x, const Named& n) {
        const CallRecord& c = *n.record;
        if (x.call != c.call || x.window != n.window || x.args.size() != c.args.size()) return false;
        for (std::size_t i = 0; i < x.args.size(); ++i) {
            if (x.args[i] != kAny && x.args[i] != c.args[i]) return false;
        }
        return std::equal(x.texts.begin(), x.texts.end(), c.texts.begin(), c.texts.end());
    };
    std::size_t e = 0, g = 0;
    for (; e < expected.size(); ++e) {
        if (g < got.size() && matches(expected[e], got[g])) {
            ++g;
        } else if (!expected[e].optional) {
            break;
        }
    }
    if (e == expected.size() && g == got.size()) return ::testing::AssertionSuccess();
    const auto gotText = [&](const Named& n) { return callText(*n.record, std::string(1, n.window)); };
    auto failure = ::testing::AssertionFailure()
                   << "call " << g << ": expected "
                   << (e < expected.size() ? callText(expected[e]) : "no more") << ", got "
                   << (g < got.size() ? gotText(got[g]) : "no more") << "\n  expected:";
    for (const ExpectedCall& x : expected) failure << "\n    " << callText(x);
    failure << "\n  got:";
    for (const Named& n : got) failure << "\n    " << gotText(n);
    return failure;
}

// The same, with the windows named by a list: {{'P', player}, {'O', overlay}}.
struct NamedWindow {
    char name;
    Hwnd hwnd;
};
inline ::testing::AssertionResult callsAre(std::span<const CallRecord> recorded,
                                           std::span<const ExpectedCall> expected,
                                           std::initializer_list<NamedWindow> windows) {
    return callsAre(recorded, expected, [windows](Hwnd h) -> char {
        for (const NamedWindow& w : windows) {
            if (w.hwnd == h) return w.name;
        }
        return 0;
    });
}

}  // namespace platform::sim
