// Shared by the fuzz targets: reading the fuzzer's bytes, and a check that stops the run with
// the broken invariant spelled out, so a crash report says what went wrong and not only where.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

[[noreturn]] inline void fail(const char* file, int line, const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n  %s\n", file, line, what, detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                             \
    do {                                                                          \
        if (!(condition)) ::fuzz::fail(__FILE__, __LINE__, #condition, (detail)); \
    } while (0)

// Bytes as "5c 82 41", for the reports.
inline std::string hex(std::string_view bytes) {
    std::string out;
    char cell[4];
    for (char c : bytes) {
        std::snprintf(cell, sizeof cell, "%02x ", static_cast<unsigned char>(c));
        out += cell;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

// The fuzzer's input, taken from the front; past the end everything reads as zero.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    std::size_t left() const { return size_ - at_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    std::uint32_t u32() { return u16() | (static_cast<std::uint32_t>(u16()) << 16); }
    // Up to n bytes.
    std::string bytes(std::size_t n) {
        const std::size_t take = n < left() ? n : left();
        std::string out(reinterpret_cast<const char*>(data_ + at_), take);
        at_ += take;
        return out;
    }
    std::string rest() { return bytes(left()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace fuzz
