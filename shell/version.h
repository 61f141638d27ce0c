// The program's own product version, read once from its version resource and kept for the
// life of the process as "Ver.:<value>".
#pragma once

#include <cstddef>
#include <cstdint>

// The process-wide version text: always the same buffer, empty while the resource can't be
// read (each call then tries again), never changed after the first successful read.
const char* getVersionString();

// The reader behind getVersionString, with its cache. A separate object per test keeps the
// process-wide cache out of the tests' way.
class CVersionReader {
public:
    static constexpr std::size_t kTextSize = 256;
    static constexpr std::size_t kPathSize = 260;
    static constexpr std::size_t kSubBlockSize = 50;
    // "Ver.:" (5 bytes) + value + NUL must fit the 256-byte text.
    static constexpr std::size_t kMaxValueBytes = kTextSize - 1 - 5;

    const char* read();

private:
    char m_text[kTextSize] = {};
    std::int32_t m_done = 0;
    char m_path[kPathSize] = {};
};

// How many bytes of value go into the text: the whole value up to its NUL, or, when it is
// longer than limit, as many whole characters of the ANSI code page as fit, so a double-byte
// character is never cut in half.
std::size_t versionValueBytes(const char* value, std::size_t available, std::size_t limit);
