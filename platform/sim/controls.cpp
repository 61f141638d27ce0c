// Default message processing (what DefWindowProc, DefDlgProc and the system's controls do
// where the program relies on it): texts, close, move loop, colours, buttons, up-down.
#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/codepage.h"
#include "platform/sim/world.h"

namespace platform::sim {

namespace {

int maxCheckState(std::uint32_t type) {
    return (type == k::kBsAutoCheckBox || type == k::kBsAutoRadioButton) ? 1 : 0;
}

// The blanks that the system's string-to-number conversion skips before a number: the
// ASCII ones and the Unicode spaces (U+3000 among them), not the zero-width ones.
bool isConversionBlank(wchar_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// The value of a decimal digit as that conversion reads it, or -1: the digits of every
// script it knows count, full-width ones (U+FF10..U+FF19) included.
int conversionDigit(wchar_t c) {
    static constexpr wchar_t kZeros[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66,
                                         0x0AE6, 0x0B66, 0x0C66, 0x0CE6, 0x0D66, 0x0E50,
                                         0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};
    for (const wchar_t zero : kZeros) {
        if (c >= zero && c <= zero + 9) return static_cast<int>(c - zero);
    }
    return -1;
}

std::intptr_t makeLong(int low, int high) {
    return static_cast<std::intptr_t>(static_cast<std::int32_t>((static_cast<std::uint32_t>(low) & 0xFFFFu) |
                                                                (static_cast<std::uint32_t>(high) << 16)));
}

}  // namespace

std::intptr_t World::defaultProc(Hwnd h, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    Window* w = find(h);
    if (!w) return 0;
    switch (message) {
        case msg::kGetText: {
            auto* buffer = reinterpret_cast<char*>(lParam);
            if (wParam == 0 || !buffer) return 0;
            const std::string text = cutAnsi(ansiText(*w), wParam - 1, codePage);
            std::memcpy(buffer, text.data(), text.size());
            buffer[text.size()] = '\0';
            return static_cast<std::intptr_t>(text.size());
        }
        case msg::kClose:
            // DefDlgProc: a click on Cancel, unless that button is there and disabled. Only
            // dialogs are closed this way here.
            if (w->kind == Kind::Dialog) {
                const Hwnd cancel = dialogItem(h, kIdCancel);
                if (const Window* cw = find(cancel); cw && (cw->style & kWsDisabled)) return 0;
                post(h, msg::kCommand, static_cast<std::uintptr_t>(kIdCancel) | (kBnClicked << 16),
                     static_cast<std::intptr_t>(handleValue(cancel)));
            }
            return 0;
        case msg::kSysCommand:
            switch (wParam & 0xFFF0) {
                case k::kScMove:
                    moveLoop(h);
                    break;
                case k::kScMinimize:
                    minimise(h);
                    break;
                default:
                    // The system's own commands do something; others are ignored, as there.
                    if ((wParam & 0xFFF0) >= 0xF000)
                        unmodelled("a system command other than move and minimise");
                    break;
            }
            return 0;
        case msg::kNcLButtonDown:
            if (static_cast<int>(wParam) == kHtCaption)
                send(h, msg::kSysCommand, k::kScMove | kHtCaption, lParam);
            return 0;
        // The colour requests that ctlColor() makes: all of them on the button face.
        case msg::kCtlColorBtn:
        case msg::kCtlColorDlg:
        case msg::kCtlColorStatic:
            if (auto it = dcs.find(static_cast<std::uint32_t>(wParam)); it != dcs.end()) {
                it->second.textColor = k::kColorWindowText;
            }
            return static_cast<std::intptr_t>(systemBrush(k::kColorBtnFace));
        case msg::kDmGetDefId:
            if (w->kind == Kind::Dialog && w->defaultId != 0) return makeLong(w->defaultId, k::kDcHasDefId);
            return 0;
        default:
            break;
    }
    if (w->kind == Kind::Button) {
        switch (message) {
            case msg::kBmGetCheck:
                return w->checkState;
            case msg::kBmSetCheck:
                setCheck(h, static_cast<int>(wParam));
                return 0;
            default:
                break;
        }
    }
    if (w->kind == Kind::UpDown) return upDownMessage(h, message, wParam, lParam);
    return 0;
}

// ---- buttons ---------------------------------------------------------------------------

void World::setCheck(Hwnd button, int state) {
    Window* w = find(button);
    if (!w) return;
    const std::uint32_t type = w->style & k::kBsTypeMask;
    state = std::clamp(state, 0, maxCheckState(type));
    if (type == k::kBsAutoRadioButton) {
        // A checked radio button is the group's tab stop.
        if (state) {
            w->style |= kWsTabStop;
        } else {
            w->style &= ~kWsTabStop;
        }
    }
    w->checkState = state;
}

bool World::buttonClick(Hwnd button) {
    Window* w = find(button);
    if (!w) return false;
    switch (w->style & k::kBsTypeMask) {
        case k::kBsAutoCheckBox:
            setCheck(button, w->checkState ? 0 : 1);
            break;
        case k::kBsAutoRadioButton: {
            setCheck(button, 1);
            // The other auto radio buttons of the group (from the control that starts it up to
            // the next control that starts one) that can take part are unchecked.
            const Window* parent = find(w->parent);
            if (!parent) break;
            const auto& list = parent->children;
            const auto self = std::find(list.begin(), list.end(), button);
            auto first = self;
            while (first != list.begin() && !(find(*first)->style & kWsGroup)) --first;
            auto last = self + 1;
            while (last != list.end() && !(find(*last)->style & kWsGroup)) ++last;
            const std::vector<Hwnd> group(first, last);
            for (Hwnd other : group) {
                Window* ow = find(other);
                if (!ow || other == button || ow->kind != Kind::Button) continue;
                if ((ow->style & k::kBsTypeMask) != k::kBsAutoRadioButton) continue;
                if (!(ow->style & kWsVisible) || (ow->style & kWsDisabled)) continue;
                setCheck(other, 0);
            }
            break;
        }
        default:
            break;
    }
    notifyParent(button, kBnClicked);
    return true;
}

// ---- up-down ---------------------------------------------------------------------------

Hwnd World::upDownFor(Hwnd buddy) const {
    for (const auto& [value, w] : windows) {
        if (w->kind == Kind::UpDown && w->updown.buddy == buddy) return w->handle;
    }
    return kNoWindow;
}

// The buddy's text becomes the position when it is a whole number within the range: leading
// blanks and a sign are accepted, thousands separators are ignored, anything after the digits
// (or no digits at all) is not; an empty text counts as 0. Only the first 19 characters are
// read. This is the rule the system's up-down control applies, with the blanks and digits of
// its conversion: full-width "４５", or "45" after an ideographic space, is 45 to it.
bool World::upDownTakeBuddyText(Window& ud) {
    if (!(ud.style & k::kUdsSetBuddyInt)) return false;
    Window* buddy = find(ud.updown.buddy);
    if (!buddy) return false;
    std::wstring text = utf8ToWide(utf8Text(*buddy));
    if (text.size() > 19) text.resize(19);
    text.erase(std::remove(text.begin(), text.end(), L','), text.end());
    std::size_t i = 0;
    while (i < text.size() && isConversionBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    const std::size_t digits = i;
    long long value = 0;
    while (i < text.size() && conversionDigit(text[i]) >= 0) {
        value =
            std::min<long long>(value * 10 + conversionDigit(text[i]), static_cast<long long>(INT_MAX) + 1);
        ++i;
    }
    // Without digits nothing is converted and the rest is the whole text, so only the empty
    // text passes (as 0); with digits, nothing may follow them.
    if (i == digits && !text.empty()) return false;
    if (i != text.size()) return false;
    if (negative) value = -value;
    const int lo = std::min(ud.updown.lower, ud.updown.upper);
    const int hi = std::max(ud.updown.lower, ud.updown.upper);
    if (value < lo || value > hi) return false;
    ud.updown.pos = static_cast<int>(value);
    return true;
}

void World::upDownWriteBuddy(Window& ud) {
    if (!(ud.style & k::kUdsSetBuddyInt)) return;
    Window* buddy = find(ud.updown.buddy);
    if (!buddy) return;
    const int pos = ud.updown.pos;
    setUtf8Text(*buddy, std::to_string(pos));  // the program's up-downs all have UDS_NOTHOUSANDS
}

std::intptr_t World::upDownMessage(Hwnd h, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    Window* ud = find(h);
    if (!ud) return 0;
    auto& s = ud->updown;
    switch (message) {
        case msg::kUdmSetRange32:
            s.lower = static_cast<int>(static_cast<std::intptr_t>(wParam));
            s.upper = static_cast<int>(lParam);
            return 0;
        case msg::kUdmSetPos32: {
            const int old = s.pos;
            s.pos = static_cast<int>(std::clamp<long long>(
                static_cast<int>(lParam), std::min(s.lower, s.upper), std::max(s.lower, s.upper)));
            upDownWriteBuddy(*ud);
            return old;
        }
        case msg::kUdmGetPos: {
            const bool taken = upDownTakeBuddyText(*ud);
            return makeLong(s.pos, taken ? 0 : 1);
        }
        case msg::kUdmGetBuddy:
            return static_cast<std::intptr_t>(handleValue(s.buddy));
        default:
            return 0;
    }
}

void World::upDownStep(Hwnd updown, int direction) {
    Window* ud = find(updown);
    if (!ud) return;
    upDownTakeBuddyText(*ud);
    auto& s = ud->updown;
    const int delta = s.upper >= s.lower ? direction : -direction;
    const int lo = std::min(s.lower, s.upper);
    const int hi = std::max(s.lower, s.upper);
    const long long next = static_cast<long long>(s.pos) + delta;
    if (next < lo || next > hi) return;  // stops at the ends
    s.pos = static_cast<int>(next);
    upDownWriteBuddy(*ud);
}

void World::initControl(Window& control) {
    if (control.kind != Kind::UpDown) return;
    if (!(control.style & k::kUdsAutoBuddy)) return;
    const Window* parent = find(control.parent);
    if (!parent) return;
    const auto& list = parent->children;
    const auto self = std::find(list.begin(), list.end(), control.handle);
    if (self == list.begin() || self == list.end()) return;
    control.updown.buddy = *(self - 1);
    Window* buddy = find(control.updown.buddy);
    if (!buddy || !(control.style & k::kUdsAlignRight)) return;
    // Attached to the buddy's right edge, which gives up the room (the border is shared).
    const int width = control.rect.width();
    Rect b = buddy->rect;
    b.right -= width - 2;
    const Rect u{b.right - 2, b.top, b.right - 2 + width, b.bottom};
    buddy->rect = b;
    buddy->client = clientFor(b, buddy->style, buddy->exStyle);
    control.rect = u;
    control.client = clientFor(u, control.style, control.exStyle);
}

// ---- move loop -------------------------------------------------------------------------

void World::moveLoop(Hwnd h) {
    if (!dragScript) return;  // the button is up again before the mouse moved
    const std::vector<DragStep> steps = std::move(*dragScript);
    dragScript.reset();
    ++moveLoops;
    for (const DragStep& step : steps) {
        // The loop runs the thread's messages: timers and posted messages arrive mid-drag.
        run(now + step.delayMs, true);
        Window* w = find(h);
        if (!w) return;
        Rect r = w->rect;
        r = Rect{step.x, step.y, step.x + r.width(), step.y + r.height()};
        log(Call::DragMove, h, true, {step.x, step.y});
        setGeometry(h, r, false);
    }
}

}  // namespace platform::sim
