// The see-through setting dialog with arbitrary typing, arrow clicks and arrow keys, then OK
// (or Enter, or Cancel), over the simulated desktop and the program's real template. A model
// of the up-down control says what OK must yield: the percentage is always 20..100, and it
// is the typed number exactly when the control takes the text, else the last valid position.
//
// The model's rule for taking the text is the one measured under Wine (UDM_GETPOS with the
// range 20..100): the first 19 UTF-16 units, every "," dropped, then leading blanks, one
// "+" or "-", decimal digits and nothing after them. Blanks are the Unicode spaces below,
// digits those of every script below (full-width ones included); other look-alikes are not.
//
// Input: one byte of settings (bits 0-1: 0 OK click, 1 Enter, 2 Cancel, 3 OK click; bit 2:
// an arbitrary 32-bit start), the start, then actions of one byte each with their operands.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "panels/trans_dlg.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"
#include "resources/resource.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using platform::Hwnd;
using platform::sim::desktop;

constexpr int kLow = 20;
constexpr int kHigh = 100;

// Blanks that the control's number conversion skips (measured one by one under Wine).
bool isBlank(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// The value of a decimal digit of any script the conversion knows, or -1.
int digitValue(char16_t c) {
    static constexpr char16_t kZeros[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66,
                                          0x0AE6, 0x0B66, 0x0C66, 0x0CE6, 0x0D66, 0x0E50,
                                          0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};
    for (char16_t zero : kZeros) {
        if (c >= zero && c <= zero + 9) return c - zero;
    }
    return -1;
}

// The position the control takes from its buddy's text, or -1 when it keeps its own.
int takenFrom(const std::u16string& typed) {
    std::u16string text = typed.substr(0, 19);
    text.erase(std::remove(text.begin(), text.end(), u','), text.end());
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    const std::size_t first = i;
    long long value = 0;
    while (i < text.size() && digitValue(text[i]) >= 0) {
        value = std::min(value * 10 + digitValue(text[i]), 1LL << 40);
        ++i;
    }
    if (i == first || i != text.size()) return -1;  // no digits, or something after them
    if (negative) value = -value;
    return value >= kLow && value <= kHigh ? static_cast<int>(value) : -1;
}

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

// The up-down control and its buddy as the user sees them.
struct Model {
    int pos = 0;
    Text text;

    void take() {
        const int taken = takenFrom(text.utf16);
        if (taken >= 0) pos = taken;
    }
    // An arrow first takes valid text, then steps; at either end nothing moves and the text
    // stays as it is.
    void step(int direction) {
        take();
        const int next = pos + direction;
        if (next < kLow || next > kHigh) return;
        pos = next;
        text = decimal(pos);
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
        model_.text = decimal(model_.pos);

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
                desktop().pressKey(edit_, platform::sim::kVkReturn);
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
        FUZZ_CHECK(dialog.m_percent == model_.pos, "OK yields " + std::to_string(dialog.m_percent) +
                                                       ", the model " + std::to_string(model_.pos) + "; " +
                                                       log_);
    }

private:
    void act() {
        const std::uint8_t op = input_.byte();
        switch (op % 8) {
            case 0:
            case 1:
            case 2: {
                Text typed;
                for (std::size_t n = input_.byte() % 24; n > 0 && !input_.empty(); --n) {
                    const std::uint8_t b = input_.byte();
                    const char32_t c = (b >= 0x20 && b <= 0x7E) ? b : kSpecial[b % std::size(kSpecial)];
                    append(c, typed.utf16, typed.utf8);
                }
                type(typed);
                break;
            }
            case 3:
            case 4:
                log_ += op % 8 == 3 ? "[spin up] " : "[spin down] ";
                FUZZ_CHECK(desktop().clickSpin(spin_, op % 8 == 3), log_);
                model_.step(op % 8 == 3 ? 1 : -1);
                expectText("after the spin");
                break;
            case 5:
            case 6:
                log_ += op % 8 == 5 ? "[key up] " : "[key down] ";
                FUZZ_CHECK(
                    desktop().pressKey(edit_, op % 8 == 5 ? platform::sim::kVkUp : platform::sim::kVkDown),
                    log_);
                model_.step(op % 8 == 5 ? 1 : -1);
                expectText("after the key");
                break;
            default:
                // A number near the range, so that valid text comes up often.
                type(decimal(static_cast<int>(input_.byte()) - 20));
                break;
        }
    }

    void type(const Text& typed) {
        log_ += "[type " + fuzz::hex(typed.utf8) + "] ";
        FUZZ_CHECK(desktop().typeText(edit_, typed.utf8), log_);
        model_.text = typed;
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
