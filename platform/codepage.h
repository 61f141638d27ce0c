// The ANSI (multi-byte) code page's rules, as the system applies them to byte strings.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// IsDBCSLeadByte for the process's ANSI code page.
[[nodiscard]] bool isDbcsLeadByte(unsigned char byte);
// CharNextA: the next character after p (a double-byte character counts as one); never past the NUL.
const char* charNextA(const char* p);
// CharUpperBuffA over the whole string, in place: letters a-z and the code page's own
// upper-case mapping of double-byte characters; a trail byte is never taken for a letter.
void charUpperBuffA(std::string& text);

// Conversions between the program's UTF-8 texts and UTF-16 for the wide-character calls.
std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);
// Bytes of the ANSI code page (read from the system's A calls) as the program's UTF-8 text.
std::string ansiToUtf8(std::string_view ansi);

}  // namespace platform
