// The version text: the cut of a long value to whole characters (versionValueBytes), the
// whole reader over a version resource built from the input, and the About box's
// replacements, each against a small model of its own.
//
// Input: one byte of settings (bit 0: the reader rather than the cut alone; bits 1-2: 3 picks
// code page 1252, else 932), then for the cut: two bytes of limit and two of available
// bytes, then the value; for the reader: two bytes of language, two of code page, then the
// value's ANSI bytes.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/sim/desktop.h"
#include "shell/about_dlg.h"
#include "shell/version.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using platform::sim::desktop;

bool referenceLead(unsigned char byte, unsigned codePage) {
    return codePage == 932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// The longest run of whole characters of the first `whole` bytes that fits in limit bytes;
// a lead byte with nothing after it counts as a character of its own.
std::size_t referenceCut(const char* value, std::size_t whole, std::size_t limit, unsigned codePage) {
    if (whole <= limit) return whole;
    std::size_t i = 0;
    while (i < whole) {
        const std::size_t n =
            referenceLead(static_cast<unsigned char>(value[i]), codePage) && i + 1 < whole ? 2 : 1;
        if (i + n > limit) break;
        i += n;
    }
    return i;
}

// "," made "-", then ";" made ".", wherever they stand as characters of their own; the
// About box's text.
std::string referenceAbout(const std::string& text, unsigned codePage) {
    std::string out = text;
    for (const char from : {',', ';'}) {
        for (std::size_t i = 0; i < out.size();) {
            const bool pair =
                referenceLead(static_cast<unsigned char>(out[i]), codePage) && i + 1 < out.size();
            if (!pair && out[i] == from) out[i] = from == ',' ? '-' : '.';
            i += pair ? 2 : 1;
        }
    }
    // The box shows UTF-8: the name, then the value read in the code page.
    return "霞窓 " + desktop().fromAnsi(out);
}

// The value lies in a buffer of exactly `available` bytes, so a read past them is caught.
void checkCut(fuzz::Input& input, unsigned codePage) {
    const std::size_t limit = input.u16() % 300;
    const std::uint16_t room = input.u16();
    const std::string bytes = input.rest();
    // Mostly all of the bytes, terminator or not; sometimes fewer.
    const std::size_t available = (room & 0x8000) ? bytes.size() : room % (bytes.size() + 1);
    auto buffer = std::make_unique<char[]>(available > 0 ? available : 1);
    std::memcpy(buffer.get(), bytes.data(), available);

    const std::size_t got = versionValueBytes(buffer.get(), available, limit);
    const std::size_t whole = strnlen(buffer.get(), available);
    const std::size_t expected = referenceCut(buffer.get(), whole, limit, codePage);
    const std::string what = "limit " + std::to_string(limit) + ", " + std::to_string(available) +
                             " bytes: " + fuzz::hex(std::string(buffer.get(), available));
    FUZZ_CHECK(got == expected,
               "gave " + std::to_string(got) + ", expected " + std::to_string(expected) + "; " + what);
    FUZZ_CHECK(got <= whole && (got == whole || got <= limit), what);
    // At most the second half of a double-byte character is given up.
    FUZZ_CHECK(whole <= limit || got + 1 >= limit, what);
    FUZZ_CHECK(versionValueBytes(nullptr, available, limit) == 0, what);
}

// The whole reader, then the About box's text made from what it read.
void checkReader(fuzz::Input& input, unsigned codePage) {
    platform::sim::VersionInfoSpec::Translation translation;
    translation.language = input.u16();
    translation.codePage = input.u16();
    std::string value = input.rest();
    value.resize(std::strlen(value.c_str()));  // a text value ends at its terminator

    desktop().reset();
    desktop().setCodePage(codePage);
    // The resource holds the value as UTF-16; VerQueryValueA hands it back in the code page.
    const std::string utf8 = desktop().fromAnsi(value);
    const std::string ansi = desktop().toAnsi(utf8);
    char key[16];
    std::snprintf(key, sizeof key, "%04x%04x", unsigned{translation.language},
                  unsigned{translation.codePage});
    platform::sim::VersionInfoSpec recipe;
    recipe.translations = {translation};
    recipe.stringTables = {{key, {{"FileVersion", "1, 0"}, {"ProductVersion", utf8}}}};
    desktop().setVersionInfo(platform::sim::buildVersionInfo(recipe));

    CVersionReader reader;
    const std::string text = reader.read();
    const std::size_t kept =
        referenceCut(ansi.c_str(), ansi.size(), CVersionReader::kMaxValueBytes, codePage);
    const std::string expected = "Ver.:" + ansi.substr(0, kept);
    FUZZ_CHECK(text == expected, fuzz::hex(text) + " instead of " + fuzz::hex(expected));
    FUZZ_CHECK(text.size() < CVersionReader::kTextSize, fuzz::hex(text));
    FUZZ_CHECK(reader.read() == text, "a second read changes the text");
    // Held for good: with the resource gone, the reader still gives what it read.
    desktop().clearVersionInfo();
    FUZZ_CHECK(reader.read() == text, "the text is not held: " + fuzz::hex(value));
    FUZZ_CHECK(aboutVersionText(text.c_str()) == referenceAbout(text, codePage), fuzz::hex(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint8_t settings = input.byte();
    const unsigned codePage = ((settings >> 1) & 3) == 3 ? 1252 : 932;
    if (settings & 1) {
        checkReader(input, codePage);
    } else {
        desktop().setCodePage(codePage);
        checkCut(input, codePage);
    }
    return 0;
}
