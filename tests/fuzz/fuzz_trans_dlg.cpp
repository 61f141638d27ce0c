// The see-through setting dialog with arbitrary typing, arrow clicks and arrow keys, then OK
// (or Enter, or Cancel), over the simulated desktop and the program's real template.
//
// What OK must yield is known only from the table measured under Wine (tests/
// typed_percent_cases.h, which the Wine test runs on the real control): whenever the text in
// the box is one of its cases, or a number the control itself wrote after an arrow, the
// outcome is exact; after other typing it is only bounded (always 20..100) until an arrow
// or a table case makes it known again. The fuzzer keeps no rules of its own for reading the
// text: the sim's reading is what is under test.
//
// Input: one byte of settings (bits 0-1: 0 OK click, 1 Enter, 2 Cancel, 3 OK click; bit 2:
// an arbitrary 32-bit start), the start, then actions of one byte each with their operands.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "panels/trans_dlg.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "resources/resource.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/typed_percent_cases.h"

namespace {

using platform::Hwnd;
using platform::sim::desktop;

constexpr int kLow = 20;
constexpr int kHigh = 100;

// What the typing produces: printable ASCII as it is, other bytes pick a character that the
// conversion treats specially or that looks as if it might.
constexpr char32_t kSpecial[] = {
    0x09,   0x0A,   0x0B,   0x0C,   0x0D,   0x85,    0xA0,   0x1680, 0x2000, 0x2005, 0x200A,  // blanks
    0x2028, 0x2029, 0x202F, 0x205F, 0x3000,                                                   //
    0x1C,   0x1F,   0x200B, 0xFEFF, 0x180E, 0x2060,                                           // no blanks
    0xFF10, 0xFF12, 0xFF14, 0xFF15, 0xFF19, 0x0660,  0x0665, 0x06F5, 0x0966, 0x096B,          // digits
    0x0E55, 0x0F29, 0x1045, 0x17E5, 0x1815, 0x0D66,                                           //
    0xB2,   0xB9,   0x2074, 0x2463, 0x0BE7, 0x1D7E2, 0xFF0B, 0xFF0D, 0xFF0C, 0xFF0E, 0x2212,  // no digits
    0xE9,   0x3042, 0x30FB, 0xFFFD,                                                           // others
};

void append(char32_t c, std::u16string& utf16, std::string& utf8) {
    if (c >= 0x10000) {
        utf16 += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        utf16 += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        utf16 += static_cast<char16_t>(c);
    }
    if (c < 0x80) {
        utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
        utf8 += static_cast<char>(0xC0 | (c >> 6));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        utf8 += static_cast<char>(0xE0 | (c >> 12));
        utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        utf8 += static_cast<char>(0xF0 | (c >> 18));
        utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
}

struct Text {
    std::u16string utf16;
    std::string utf8;
};

Text decimal(long long value) {
    Text t;
    for (char c : std::to_string(value)) append(static_cast<unsigned char>(c), t.utf16, t.utf8);
    return t;
}

// The up-down control and its buddy as far as the measured table tells them.
struct Model {
    std::optional<int> pos;  // empty: not known since arbitrary text was taken
    Text text;
    // What the control takes from the text: a position, none (-1), or unknown (empty).
    std::optional<int> takes;

    void take() {
        if (!takes) {
            pos.reset();
        } else if (*takes >= 0) {
            pos = *takes;
        }
    }
    // An arrow first takes valid text, then steps; at either end nothing moves and the text
    // stays as it is. shown is what the box shows afterwards.
    void step(int direction, const std::string& shown) {
        take();
        if (pos) {
            const int next = *pos + direction;
            if (next < kLow || next > kHigh) return;
            pos = next;
            text = decimal(next);
            takes = next;
        } else if (shown != text.utf8) {
            // The control wrote its new position: a plain decimal.
            const int written = std::atoi(shown.c_str());
            FUZZ_CHECK(decimal(written).utf8 == shown && written >= kLow && written <= kHigh,
                       "an arrow wrote " + fuzz::hex(shown));
            pos = written;
            text = decimal(written);
            takes = written;
        }
    }
};

class Session {
public:
    Session(fuzz::Input& input) : input_(input) {}

    void run() {
        const std::uint8_t settings = input_.byte();
        const int ending = settings & 3;
        const std::int32_t start = (settings & 4)
                                       ? static_cast<std::int32_t>(input_.u32())
                                       : kLow + static_cast<int>(input_.byte() % (kHigh - kLow + 1));

        desktop().reset();
        platform::sim::WindowSpec recipe;
        recipe.className = "HostWindow";
        recipe.text = "Clipveil";
        platform::setMainWindow(desktop().createWindow(recipe));

        model_.pos = std::clamp(start, kLow, kHigh);
        model_.text = decimal(*model_.pos);
        model_.takes = model_.pos;

        CTransDlg dialog;
        dialog.m_percent = start;
        Hwnd opened{};
        desktop().onModal([&](Hwnd d) {
            opened = d;
            edit_ = desktop().item(d, IDC_PERCENT_EDIT);
            spin_ = desktop().item(d, IDC_PERCENT_SPIN);
            expectText("opened");
            for (int actions = 0; actions < 32 && !input_.empty(); ++actions) act();
            if (ending == 2) {
                desktop().click(desktop().item(d, platform::kIdCancel));
            } else if (ending == 1) {
                desktop().pressKey(edit_, platform::kVkReturn);
            } else {
                desktop().click(desktop().item(d, platform::kIdOk));
            }
        });
        const auto result = dialog.DoModal();
        platform::setMainWindow(platform::kNoWindow);

        FUZZ_CHECK(!desktop().exists(opened), "the dialog is still there; " + log_);
        if (ending == 2) {
            FUZZ_CHECK(result == platform::kIdCancel, log_);
            return;
        }
        FUZZ_CHECK(result == platform::kIdOk, log_);
        model_.take();
        FUZZ_CHECK(dialog.m_percent >= kLow && dialog.m_percent <= kHigh,
                   "OK yields " + std::to_string(dialog.m_percent) + "; " + log_);
        if (model_.pos) {
            FUZZ_CHECK(dialog.m_percent == *model_.pos, "OK yields " + std::to_string(dialog.m_percent) +
                                                            ", the table " + std::to_string(*model_.pos) +
                                                            "; " + log_);
        }
    }

private:
    void act() {
        const std::uint8_t op = input_.byte();
        switch (op % 9) {
            case 0:
            case 1:
            case 2: {
                Text typed;
                for (std::size_t n = input_.byte() % 24; n > 0 && !input_.empty(); --n) {
                    const std::uint8_t b = input_.byte();
                    const char32_t c = (b >= 0x20 && b <= 0x7E) ? b : kSpecial[b % std::size(kSpecial)];
                    append(c, typed.utf16, typed.utf8);
                }
                type(typed, std::nullopt);
                break;
            }
            case 3:
            case 4:
            case 5:
            case 6: {
                const bool up = op % 2 == 1;
                const bool key = op % 9 >= 5;
                log_ += std::string("[") + (key ? "key " : "spin ") + (up ? "up] " : "down] ");
                if (key) {
                    FUZZ_CHECK(desktop().pressKey(edit_, up ? platform::kVkUp : platform::kVkDown), log_);
                } else {
                    FUZZ_CHECK(desktop().clickSpin(spin_, up), log_);
                }
                model_.step(up ? 1 : -1, desktop().textUtf8(edit_));
                expectText("after the arrow");
                break;
            }
            case 7: {
                // A case measured under Wine: what the control takes from it is known.
                const auto& c = typed_percent::kCases[input_.byte() % std::size(typed_percent::kCases)];
                Text typed;
                for (const char* p = c.typed; *p; ++p)
                    append(static_cast<unsigned char>(*p), typed.utf16, typed.utf8);
                type(typed, c.yields == typed_percent::kOpenedAt ? -1 : c.yields);
                break;
            }
            default: {
                // A plain number near the range, so that valid text comes up often; the table
                // has the three kinds: in range, out of it, and signed.
                const int value = static_cast<int>(input_.byte()) - 20;
                type(decimal(value), value >= kLow && value <= kHigh ? value : -1);
                break;
            }
        }
    }

    void type(const Text& typed, std::optional<int> takes) {
        log_ += "[type " + fuzz::hex(typed.utf8) + "] ";
        FUZZ_CHECK(desktop().typeText(edit_, typed.utf8), log_);
        model_.text = typed;
        model_.takes = takes;
        expectText("typed");
    }

    void expectText(const char* when) {
        const std::string shown = desktop().textUtf8(edit_);
        FUZZ_CHECK(shown == model_.text.utf8, std::string(when) + ": the edit box shows " + fuzz::hex(shown) +
                                                  ", the model " + fuzz::hex(model_.text.utf8) + "; " + log_);
    }

    fuzz::Input& input_;
    Model model_;
    Hwnd edit_{};
    Hwnd spin_{};
    std::string log_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!platform::sim::loadResourceFile(CLIPVEIL_RES_FILE))
        fuzz::fail(__FILE__, __LINE__, "loadResourceFile", CLIPVEIL_RES_FILE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    Session(input).run();
    return 0;
}
