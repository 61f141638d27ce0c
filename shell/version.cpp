#include "shell/version.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/codepage.h"
#include "platform/system.h"

namespace {

constexpr char kTranslationQuery[] = "\\VarFileInfo\\Translation";
constexpr char kProductVersion[] = "ProductVersion";

// Bytes of a queried value that can be read safely: up to the end of the block (whose
// last byte is a NUL of our own) when the value lies in it, else the length the query gave.
std::size_t readableBytes(const void* value, std::uint32_t length, const unsigned char* block,
                          std::uint32_t blockSize) {
    const auto* p = static_cast<const unsigned char*>(value);
    const unsigned char* end = block + blockSize + 1;
    if (p >= block && p < end) return static_cast<std::size_t>(end - p);
    return length;
}

}  // namespace

std::size_t versionValueBytes(const char* value, std::size_t available, std::size_t limit) {
    if (value == nullptr) return 0;
    const std::size_t whole = strnlen(value, available);
    if (whole <= limit) return whole;
    // Too long: keep whole characters only. The walk stops at the limit without looking at
    // the character there, so every read stays below `whole`, inside the value, even when
    // no terminator follows it.
    const char* p = value;
    const char* end = value + limit;
    while (p < end) {
        const char* next = platform::charNextA(p);
        if (next > end) break;
        p = next;
    }
    return static_cast<std::size_t>(p - value);
}

const char* CVersionReader::read() {
    if (m_done == 1) return m_text;
    std::memset(m_text, 0, sizeof(m_text));
    platform::getModuleFileNameA(m_path, static_cast<std::uint32_t>(sizeof(m_path)));

    const std::uint32_t size = platform::getFileVersionInfoSizeA(m_path);
    if (size == 0) {
        (void)platform::getLastError();
        return m_text;
    }
    // One byte more than asked, zeroed, so every text in the block ends inside it.
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[std::size_t{size} + 1]());
    if (!block) return m_text;
    if (!platform::getFileVersionInfoA(m_path, size, block.get())) return m_text;

    char subBlock[kSubBlockSize] = {};
    std::memcpy(subBlock, kTranslationQuery, sizeof(kTranslationQuery));
    const void* translation = nullptr;
    std::uint32_t translationLength = 0;
    // An empty list counts as a missing one: there is no entry to read.
    if (!platform::verQueryValueA(block.get(), subBlock, &translation, &translationLength) ||
        translation == nullptr || translationLength < 4) {
        return m_text;
    }

    // The first entry only: language, then code page.
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
    std::memcpy(&language, translation, 2);
    std::memcpy(&codePage, static_cast<const unsigned char*>(translation) + 2, 2);
    char translationText[16];
    std::snprintf(translationText, sizeof(translationText), "%04x%04x", unsigned{language},
                  unsigned{codePage});

    std::snprintf(subBlock, sizeof(subBlock), "\\StringFileInfo\\%s\\%s", translationText, kProductVersion);
    const void* value = nullptr;
    std::uint32_t valueLength = 0;
    // A missing ProductVersion still counts as read: the text is "Ver.:" with nothing after
    // it, and later calls don't search the resource again for a value that isn't there.
    if (!platform::verQueryValueA(block.get(), subBlock, &value, &valueLength)) value = nullptr;
    const char* text = static_cast<const char*>(value);
    const std::size_t bytes = versionValueBytes(
        text, text ? readableBytes(value, valueLength, block.get(), size) : 0, kMaxValueBytes);

    std::snprintf(m_text, sizeof(m_text), "Ver.:%.*s", static_cast<int>(bytes), text ? text : "");
    m_done = 1;
    return m_text;
}

const char* getVersionString() {
    static CVersionReader reader;
    return reader.read();
}
