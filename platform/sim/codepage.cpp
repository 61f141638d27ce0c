// The ANSI code page of the simulated desktop (932 unless a test picks 1252) and the UTF-8 /
// UTF-16 conversions. Conversions between the code page and Unicode use the C library's
// iconv tables, which are Microsoft's for CP932.
#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/sim/world.h"

namespace platform {

namespace sim {

namespace {

// Upper case of one double-byte character of code page 932, as the system maps it: the
// full-width Latin, Greek and Cyrillic letters and the small Roman numerals. 0x847F is no
// character: the Cyrillic lower case skips that trail byte.
unsigned upper932(unsigned code) {
    if (code >= 0x8281 && code <= 0x829A) return code - 0x21;
    if (code >= 0x83BF && code <= 0x83D6) return code - 0x20;
    if (code >= 0x8470 && code <= 0x8491 && code != 0x847F) {
        const unsigned trail = code & 0xFF;
        const unsigned index = trail <= 0x7E ? trail - 0x70 : trail - 0x80 + 15;
        return 0x8440 + index;
    }
    if (code >= 0xFA40 && code <= 0xFA49) return 0x8754 + (code - 0xFA40);
    if (code >= 0xEEEF && code <= 0xEEF8) return 0x8754 + (code - 0xEEEF);
    return code;
}

unsigned char upper1252(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    switch (c) {
        case 0x9A:
        case 0x9C:
        case 0x9E:
            return static_cast<unsigned char>(c - 0x10);
        case 0xFF:
            return 0x9F;
        default:
            return c;
    }
}

const char* iconvName(unsigned codePage) {
    return codePage == 932 ? "CP932" : "CP1252";
}

// Converts with iconv; a sequence it cannot take becomes '?' and the conversion goes on.
std::string convert(std::string_view in, const char* to, const char* from, bool fromUtf8) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::string ascii;
        for (char c : in) ascii.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
        return ascii;
    }
    std::string out;
    std::vector<char> input(in.begin(), in.end());
    char* src = input.data();
    std::size_t left = input.size();
    char buffer[256];
    while (left > 0) {
        char* dst = buffer;
        std::size_t room = sizeof(buffer);
        const std::size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out.push_back('?');
            // Skip one character of the input.
            std::size_t skip = 1;
            if (fromUtf8) {
                const auto lead = static_cast<unsigned char>(*src);
                skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            }
            skip = std::min(skip, left);
            src += skip;
            left -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

bool leadByte(unsigned char byte, unsigned codePage) {
    return codePage == 932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

std::string ansiToUtf8(std::string_view ansi, unsigned codePage) {
    bool ascii = true;
    for (char c : ansi) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::string(ansi);
    return convert(ansi, "UTF-8", iconvName(codePage), false);
}

std::string utf8ToAnsi(std::string_view utf8, unsigned codePage) {
    bool ascii = true;
    for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::string(utf8);
    return convert(utf8, iconvName(codePage), "UTF-8", true);
}

std::string cutAnsi(std::string_view ansi, std::size_t maxBytes, unsigned codePage) {
    if (ansi.size() <= maxBytes) return std::string(ansi);
    std::size_t i = 0;
    while (i < ansi.size()) {
        const std::size_t length =
            (leadByte(static_cast<unsigned char>(ansi[i]), codePage) && i + 1 < ansi.size()) ? 2 : 1;
        if (i + length > maxBytes) break;  // a double-byte character is never split
        i += length;
    }
    return std::string(ansi.substr(0, i));
}

}  // namespace sim

bool isDbcsLeadByte(unsigned char byte) {
    return sim::leadByte(byte, sim::world().codePage);
}

std::string ansiToUtf8(std::string_view ansi) {
    return sim::ansiToUtf8(ansi, sim::world().codePage);
}

const char* charNextA(const char* p) {
    if (!p || *p == '\0') return p;
    if (isDbcsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
    return p + 1;
}

void charUpperBuffA(std::string& text) {
    const unsigned codePage = sim::world().codePage;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (sim::leadByte(c, codePage)) {
            if (i + 1 >= text.size()) break;  // a lone lead byte at the end stays
            const unsigned code = (c << 8) | static_cast<unsigned char>(text[i + 1]);
            const unsigned upper = sim::upper932(code);
            text[i] = static_cast<char>(upper >> 8);
            text[i + 1] = static_cast<char>(upper & 0xFF);
            i += 2;
            continue;
        }
        text[i] =
            static_cast<char>(codePage == 932 ? (c >= 'a' && c <= 'z' ? c - 0x20 : c) : sim::upper1252(c));
        ++i;
    }
}

std::wstring utf8ToWide(std::string_view utf8) {
    std::wstring out;
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        std::uint32_t cp = 0xFFFD;
        std::size_t length = 1;
        std::uint32_t min = 0;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            cp = c & 0x1F;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            cp = c & 0x0F;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            cp = c & 0x07;
            min = 0x10000;
        } else {
            length = 0;  // not a lead byte
        }
        if (length > 1) {
            bool ok = i + length <= n;
            for (std::size_t k = 1; ok && k < length; ++k) {
                ok = (s[i + k] & 0xC0) == 0x80;
                cp = (cp << 6) | (s[i + k] & 0x3F);
            }
            if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                cp = 0xFFFD;
                length = 1;
            }
        } else if (length == 0) {
            cp = 0xFFFD;
            length = 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(cp));
        }
        i += length;
    }
    return out;
}

std::string wideToUtf8(std::wstring_view wide) {
    std::string out;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        auto cp = static_cast<std::uint32_t>(wide[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) {
            const auto low = static_cast<std::uint32_t>(wide[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace platform
