// Double-byte scanning: the code page's rules (lead bytes, CharNextA, CharUpperBuffA) and the
// program's own walks over ANSI bytes (the program's directory, the module name upper-cased
// in the window inventory), each against a reference written here from the code page's
// definition. The case mapping's reference goes through Unicode with the C library's
// CP932 / CP1252 tables and its case rules, as the system's own mapping does.
//
// Input: one byte of settings (bit 0-2: 7 picks code page 1252, else 932; bit 3: also scan
// a window whose module has these bytes as its name), then the bytes to walk.
#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/clipveil_app.h"
#include "engine/ctrol_panel.h"
#include "platform/codepage.h"
#include "platform/sim/desktop.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using platform::sim::desktop;

bool referenceLead(unsigned char byte, unsigned codePage) {
    return codePage == 932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// Length of the character at i as CharNextA counts it: a lead byte takes the next byte along
// unless that is the terminator.
std::size_t referenceStep(const std::string& s, std::size_t i, unsigned codePage) {
    return referenceLead(static_cast<unsigned char>(s[i]), codePage) && s[i + 1] != '\0' ? 2 : 1;
}

class CaseReference {
public:
    CaseReference() {
        locale_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (!locale_) fuzz::fail(__FILE__, __LINE__, "C.UTF-8 locale", "no case rules to compare with");
    }

    // The upper case of one character of the code page, or the character itself when it has
    // none, when the code page has no character for it, or when the bytes are no character.
    // Remembered per character: the C library's conversions are slow to open.
    std::string upper(const std::string& character, unsigned codePage) {
        std::size_t key = static_cast<unsigned char>(character[0]);
        if (character.size() == 2) key = 256 + (key << 8 | static_cast<unsigned char>(character[1]));
        auto& known = codePage == 932 ? known932_ : known1252_;
        if (known.empty()) known.resize(256 + 65536);
        if (!known[key]) known[key] = compute(character, codePage);
        return *known[key];
    }

private:
    std::string compute(const std::string& character, unsigned codePage) {
        const char* name = codePage == 932 ? "CP932" : "CP1252";
        const auto code = decode(character, name);
        if (!code) return character;
        const auto up = static_cast<char32_t>(towupper_l(static_cast<wint_t>(*code), locale_));
        if (up == *code) return character;
        const auto back = encode(up, name);
        // The system maps a character to one of the same width only.
        if (!back || back->size() != character.size()) return character;
        return *back;
    }

    static std::optional<char32_t> decode(const std::string& bytes, const char* codePage) {
        iconv_t cd = iconv_open("UTF-32LE", codePage);
        if (cd == reinterpret_cast<iconv_t>(-1)) fuzz::fail(__FILE__, __LINE__, "iconv_open", codePage);
        std::string in = bytes;
        char* src = in.data();
        std::size_t srcLeft = in.size();
        char32_t out[4] = {};
        char* dst = reinterpret_cast<char*>(out);
        std::size_t dstLeft = sizeof out;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        iconv_close(cd);
        if (r == static_cast<std::size_t>(-1) || srcLeft != 0 || sizeof out - dstLeft != sizeof(char32_t))
            return std::nullopt;
        return out[0];
    }

    static std::optional<std::string> encode(char32_t code, const char* codePage) {
        iconv_t cd = iconv_open(codePage, "UTF-32LE");
        if (cd == reinterpret_cast<iconv_t>(-1)) fuzz::fail(__FILE__, __LINE__, "iconv_open", codePage);
        char32_t in[1] = {code};
        char* src = reinterpret_cast<char*>(in);
        std::size_t srcLeft = sizeof in;
        char out[8] = {};
        char* dst = out;
        std::size_t dstLeft = sizeof out;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        iconv_close(cd);
        if (r == static_cast<std::size_t>(-1) || srcLeft != 0) return std::nullopt;
        return std::string(out, sizeof out - dstLeft);
    }

    locale_t locale_;
    std::vector<std::optional<std::string>> known932_;
    std::vector<std::optional<std::string>> known1252_;
};

CaseReference& caseReference() {
    static CaseReference reference;
    return reference;
}

void checkLeadBytes(unsigned codePage) {
    for (unsigned b = 0; b < 256; ++b) {
        FUZZ_CHECK(platform::isDbcsLeadByte(static_cast<unsigned char>(b)) ==
                       referenceLead(static_cast<unsigned char>(b), codePage),
                   "byte " + std::to_string(b) + " code page " + std::to_string(codePage));
    }
}

// CharNextA from every position, trail bytes included: one or two bytes forward, never past
// the terminator, which it does not leave.
void checkCharNext(const std::string& s, unsigned codePage) {
    const char* begin = s.c_str();
    const std::size_t length = std::strlen(begin);
    for (std::size_t i = 0; i <= length; ++i) {
        const char* next = platform::charNextA(begin + i);
        const std::size_t step = static_cast<std::size_t>(next - (begin + i));
        // Spelled out only when a check fails.
        const auto where = [&] { return "at " + std::to_string(i) + " of " + fuzz::hex(s); };
        if (i == length) {
            FUZZ_CHECK(step == 0, "the terminator is left, " + where());
            continue;
        }
        FUZZ_CHECK(step == 1 || step == 2, where());
        FUZZ_CHECK(i + step <= length, where());
        FUZZ_CHECK(step == referenceStep(s, i, codePage), where());
    }
}

// CharUpperBuffA over the whole buffer, terminators included: the character boundaries and
// the length stay, each character is its reference upper case, and doing it again changes
// nothing.
void checkUpper(const std::string& s, unsigned codePage) {
    std::string upper = s;
    platform::charUpperBuffA(upper);
    FUZZ_CHECK(upper.size() == s.size(), fuzz::hex(s));
    for (std::size_t i = 0; i < s.size();) {
        const bool pair = referenceLead(static_cast<unsigned char>(s[i]), codePage) && i + 1 < s.size();
        const std::size_t n = pair ? 2 : 1;
        const std::string character = s.substr(i, n);
        const std::string expected = caseReference().upper(character, codePage);
        FUZZ_CHECK(upper.compare(i, n, expected) == 0, "character at " + std::to_string(i) + " (" +
                                                           fuzz::hex(character) + ") became " +
                                                           fuzz::hex(upper.substr(i, n)) + ", expected " +
                                                           fuzz::hex(expected) + " in " + fuzz::hex(s));
        i += n;
    }
    std::string twice = upper;
    platform::charUpperBuffA(twice);
    FUZZ_CHECK(twice == upper, fuzz::hex(s));
}

// The program's directory: everything before the last backslash that is a character of its
// own, never a trail byte.
void checkDirectory(const std::string& s, unsigned codePage) {
    const std::size_t length = std::strlen(s.c_str());
    std::size_t cut = std::string::npos;
    for (std::size_t i = 0; i < length; i += referenceStep(s, i, codePage)) {
        if (s[i] == '\\') cut = i;
    }
    const std::string expected = cut == std::string::npos ? std::string() : s.substr(0, cut);
    const std::string directory = directoryOfPath(s.c_str());
    FUZZ_CHECK(directory == expected, fuzz::hex(s) + " gave " + fuzz::hex(directory));
}

// The inventory upper-cases the module name of each window's process as it records it.
void checkModuleName(const std::string& s, unsigned codePage) {
    // The system reports a name up to its terminator.
    const std::string name = s.substr(0, std::strlen(s.c_str())).substr(0, 255);
    desktop().reset();
    desktop().setCodePage(codePage);
    platform::sim::ProcessSpec process;
    process.modules.push_back({name, "C:\\Program Files\\" + name});
    platform::sim::WindowSpec window;
    window.text = "Player";
    window.processId = desktop().addProcess(process);
    desktop().createWindow(window);

    CCtrolPanelDlg panel;
    panel.scanWindows();
    FUZZ_CHECK(panel.windowList.size() == 1, fuzz::hex(name));
    std::string expected;
    for (std::size_t i = 0; i < name.size();) {
        const bool pair = referenceLead(static_cast<unsigned char>(name[i]), codePage) && i + 1 < name.size();
        expected += caseReference().upper(name.substr(i, pair ? 2 : 1), codePage);
        i += pair ? 2 : 1;
    }
    FUZZ_CHECK(panel.windowList.front().moduleName == expected,
               fuzz::hex(name) + " recorded as " + fuzz::hex(panel.windowList.front().moduleName));
    FUZZ_CHECK(panel.windowList.front().modulePath == "C:\\Program Files\\" + name, fuzz::hex(name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint8_t settings = input.byte();
    const unsigned codePage = (settings & 7) == 7 ? 1252 : 932;
    const std::string text = input.rest();

    desktop().setCodePage(codePage);
    static bool leadBytesChecked[2] = {};
    if (!leadBytesChecked[codePage == 932]) {
        checkLeadBytes(codePage);
        leadBytesChecked[codePage == 932] = true;
    }
    checkCharNext(text, codePage);
    checkUpper(text, codePage);
    checkDirectory(text, codePage);
    if (settings & 8) checkModuleName(text, codePage);
    return 0;
}
