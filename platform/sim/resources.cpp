// The program's resources for the simulated desktop: a reader for compiled resource files
// (.res: dialog templates, string tables, version block, icons) and the version
// information services over the version block.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/codepage.h"
#include "platform/sim/world.h"
#include "platform/system.h"

namespace platform::sim {

namespace {

constexpr std::uint16_t kRtIcon = 3;
constexpr std::uint16_t kRtDialog = 5;
constexpr std::uint16_t kRtString = 6;
constexpr std::uint16_t kRtGroupIcon = 14;
constexpr std::uint16_t kRtManifest = 24;
constexpr std::uint16_t kRtVersion = 16;
constexpr std::uint32_t kDsSetFont = 0x40;

// Bounds-checked little-endian reading; any overrun turns ok off and yields zeros.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    std::size_t pos() const { return pos_; }
    void seek(std::size_t pos) {
        if (pos > size_) ok_ = false;
        pos_ = std::min(pos, size_);
    }
    void align4() { seek((pos_ + 3) & ~static_cast<std::size_t>(3)); }
    std::uint8_t u8() {
        if (pos_ + 1 > size_) return fail<std::uint8_t>();
        return data_[pos_++];
    }
    std::uint16_t u16() {
        if (pos_ + 2 > size_) return fail<std::uint16_t>();
        const auto v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t u32() {
        const std::uint32_t lo = u16();
        return lo | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    // A NUL-terminated UTF-16 string, as UTF-8.
    std::string string() {
        std::wstring units;
        for (std::uint16_t c = u16(); ok_ && c != 0; c = u16()) units.push_back(static_cast<wchar_t>(c));
        return wideToUtf8(units);
    }
    // sz_Or_Ord: nothing, an ordinal, or a string.
    void stringOrOrdinal(std::string& text, std::optional<std::uint16_t>& ordinal) {
        const std::uint16_t first = u16();
        if (first == 0) return;
        if (first == 0xFFFF) {
            ordinal = u16();
            return;
        }
        pos_ -= 2;
        text = string();
    }

private:
    template <class T>
    T fail() {
        ok_ = false;
        pos_ = size_;
        return T{};
    }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

std::string predefinedClass(std::uint16_t atom) {
    switch (atom) {
        case 0x80:
            return "Button";
        case 0x81:
            return "Edit";
        case 0x82:
            return "Static";
        default:
            return "#" + std::to_string(atom);
    }
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// ---- version blocks ----

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

void putString(std::vector<std::uint8_t>& out, std::string_view utf8) {
    for (wchar_t c : utf8ToWide(utf8)) put16(out, static_cast<std::uint16_t>(c));
    put16(out, 0);
}

void pad4(std::vector<std::uint8_t>& out) {
    while (out.size() % 4) out.push_back(0);
}

// One node: wLength, wValueLength, wType, key, value, children; returns after its last byte.
void putNode(std::vector<std::uint8_t>& out, std::string_view key, const std::vector<std::uint8_t>& value,
             std::uint16_t valueLength, std::uint16_t type, const std::function<void()>& children) {
    pad4(out);
    const std::size_t start = out.size();
    put16(out, 0);
    put16(out, valueLength);
    put16(out, type);
    putString(out, key);
    pad4(out);
    out.insert(out.end(), value.begin(), value.end());
    if (children) children();
    const auto length = static_cast<std::uint16_t>(out.size() - start);
    out[start] = static_cast<std::uint8_t>(length & 0xFF);
    out[start + 1] = static_cast<std::uint8_t>(length >> 8);
}

struct VersionNode {
    std::size_t start = 0;
    std::uint16_t length = 0;
    std::uint16_t valueLength = 0;
    std::uint16_t type = 0;
    std::wstring key;
    std::size_t value = 0;     // offset of the value
    std::size_t children = 0;  // offset of the first child
};

std::optional<VersionNode> readNode(const std::uint8_t* block, std::size_t start, std::size_t limit) {
    if (start + 6 > limit) return std::nullopt;
    Reader r(block, limit);
    r.seek(start);
    VersionNode n;
    n.start = start;
    n.length = r.u16();
    n.valueLength = r.u16();
    n.type = r.u16();
    if (n.length < 6 || start + n.length > limit) return std::nullopt;
    Reader inside(block, start + n.length);
    inside.seek(start + 6);
    for (std::uint16_t c = inside.u16(); inside.ok() && c != 0; c = inside.u16())
        n.key.push_back(static_cast<wchar_t>(c));
    if (!inside.ok()) return std::nullopt;
    inside.align4();
    n.value = inside.pos();
    const std::size_t valueBytes = n.type == 1 ? n.valueLength * 2u : n.valueLength;
    n.children =
        std::min<std::size_t>((n.value + valueBytes + 3) & ~static_cast<std::size_t>(3), start + n.length);
    return n;
}

bool keyEquals(const std::wstring& key, std::string_view name) {
    return equalsIgnoringCase(wideToUtf8(key), name);
}

std::vector<std::uint8_t> currentVersionBlock() {
    const World& w = world();
    if (w.versionOverride) return *w.versionOverride;
    if (w.versionCleared) return {};
    return resources().versionInfo;
}

bool isProgramPath(const char* path) {
    return path && equalsIgnoringCase(path, world().programPath);
}

}  // namespace

ResourceStore& resources() {
    static ResourceStore store;
    return store;
}

std::optional<DialogTemplate> parseDialogTemplate(const std::vector<std::uint8_t>& bytes) {
    Reader r(bytes.data(), bytes.size());
    DialogTemplate t;
    std::uint16_t count = 0;
    if (bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF) {
        t.extended = true;
        r.u16();
        r.u16();
        r.u32();  // help identifier
        t.exStyle = r.u32();
        t.style = r.u32();
    } else {
        t.style = r.u32();
        t.exStyle = r.u32();
    }
    count = r.u16();
    t.x = r.s16();
    t.y = r.s16();
    t.cx = r.s16();
    t.cy = r.s16();
    // No template of the program names a menu or a class by number: those are passed over.
    std::string menu;
    std::optional<std::uint16_t> ordinal;
    r.stringOrOrdinal(menu, ordinal);
    ordinal.reset();
    r.stringOrOrdinal(t.className, ordinal);
    t.title = r.string();
    if (t.style & kDsSetFont) {
        t.pointSize = r.u16();
        if (t.extended) {
            t.weight = r.u16();
            r.u8();  // italic
            t.charset = r.u8();
        }
        t.font = r.string();
    }
    for (std::uint16_t i = 0; i < count && r.ok(); ++i) {
        r.align4();
        DialogItemTemplate item;
        if (t.extended) {
            r.u32();  // help identifier
            item.exStyle = r.u32();
            item.style = r.u32();
        } else {
            item.style = r.u32();
            item.exStyle = r.u32();
        }
        item.x = r.s16();
        item.y = r.s16();
        item.cx = r.s16();
        item.cy = r.s16();
        item.id = t.extended ? r.u32() : r.u16();
        std::optional<std::uint16_t> atom;
        r.stringOrOrdinal(item.className, atom);
        if (atom) {
            item.classAtom = *atom;
            item.className = predefinedClass(*atom);
        }
        r.stringOrOrdinal(item.text, item.textOrdinal);
        const std::uint16_t extra = r.u16();
        r.seek(r.pos() + extra);  // creation data, which no control of the sim reads
        t.items.push_back(std::move(item));
    }
    if (!r.ok()) return std::nullopt;
    return t;
}

std::optional<ResourceContents> readResourceBytes(const std::vector<std::uint8_t>& bytes) {
    ResourceContents store;
    Reader r(bytes.data(), bytes.size());
    std::size_t at = 0;
    while (at + 32 <= bytes.size()) {
        r.seek(at);
        const std::uint32_t dataSize = r.u32();
        const std::uint32_t headerSize = r.u32();
        std::string typeName, name;
        std::optional<std::uint16_t> type, id;
        r.stringOrOrdinal(typeName, type);
        r.stringOrOrdinal(name, id);
        if (!r.ok() || headerSize < 32 || at + headerSize + dataSize > bytes.size()) return std::nullopt;
        const std::vector<std::uint8_t> data(
            bytes.begin() + static_cast<std::ptrdiff_t>(at + headerSize),
            bytes.begin() + static_cast<std::ptrdiff_t>(at + headerSize + dataSize));
        if (type && id && dataSize > 0) {
            switch (*type) {
                case kRtDialog:
                    if (!store.dialogs.count(*id)) {
                        auto t = parseDialogTemplate(data);
                        if (!t) return std::nullopt;
                        store.dialogs[*id] = std::move(*t);
                    }
                    break;
                case kRtString: {
                    Reader s(data.data(), data.size());
                    for (int i = 0; i < 16 && s.ok(); ++i) {
                        const std::uint16_t length = s.u16();
                        std::wstring units;
                        for (std::uint16_t k = 0; k < length; ++k)
                            units.push_back(static_cast<wchar_t>(s.u16()));
                        const int stringId = (*id - 1) * 16 + i;
                        if (length && s.ok() && !store.strings.count(stringId))
                            store.strings[stringId] = wideToUtf8(units);
                    }
                    break;
                }
                case kRtVersion:
                    if (store.versionInfo.empty()) store.versionInfo = data;
                    break;
                case kRtIcon:
                    store.icons.insert(*id);
                    break;
                case kRtGroupIcon:
                    store.groupIcons.insert(*id);
                    break;
                case kRtManifest:
                    if (*id == 1 && store.manifest.empty()) store.manifest.assign(data.begin(), data.end());
                    break;
            }
        }
        at = (at + headerSize + dataSize + 3) & ~static_cast<std::size_t>(3);
    }
    if (at < bytes.size()) return std::nullopt;  // bytes left over that hold no entry
    return store;
}

std::optional<ResourceContents> readResourceFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (bytes.empty()) return std::nullopt;
    return readResourceBytes(bytes);
}

bool loadResourceFile(const std::string& path) {
    const auto contents = readResourceFile(path);
    if (!contents) return false;
    // The first definition of a resource wins, as when the linker meets it twice.
    ResourceStore& store = resources();
    store.dialogs.insert(contents->dialogs.begin(), contents->dialogs.end());
    store.strings.insert(contents->strings.begin(), contents->strings.end());
    if (store.versionInfo.empty()) store.versionInfo = contents->versionInfo;
    store.icons.insert(contents->icons.begin(), contents->icons.end());
    store.groupIcons.insert(contents->groupIcons.begin(), contents->groupIcons.end());
    if (store.manifest.empty()) store.manifest = contents->manifest;
    return true;
}

std::vector<std::uint8_t> buildVersionInfo(const VersionInfoSpec& recipe) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> fixed;
    if (recipe.fixedInfo) {
        const auto ms = [](const std::uint16_t* v) {
            return (static_cast<std::uint32_t>(v[0]) << 16) | v[1];
        };
        const auto ls = [](const std::uint16_t* v) {
            return (static_cast<std::uint32_t>(v[2]) << 16) | v[3];
        };
        for (std::uint32_t v :
             {0xFEEF04BDu, 0x00010000u, ms(recipe.fileVersion), ls(recipe.fileVersion),
              ms(recipe.productVersion), ls(recipe.productVersion), 0x3Fu, 0u, 0x00040004u, 1u, 0u, 0u, 0u}) {
            put32(fixed, v);
        }
    }
    putNode(out, "VS_VERSION_INFO", fixed, static_cast<std::uint16_t>(fixed.size()), 0, [&] {
        if (!recipe.stringTables.empty()) {
            putNode(out, "StringFileInfo", {}, 0, 1, [&] {
                for (const auto& table : recipe.stringTables) {
                    putNode(out, table.key, {}, 0, 1, [&] {
                        for (const auto& [name, value] : table.values) {
                            std::vector<std::uint8_t> text;
                            putString(text, value);
                            putNode(out, name, text, static_cast<std::uint16_t>(text.size() / 2), 1, nullptr);
                        }
                    });
                }
            });
        }
        if (recipe.varFileInfo) {
            putNode(out, "VarFileInfo", {}, 0, 1, [&] {
                std::vector<std::uint8_t> list;
                for (const auto& t : recipe.translations) {
                    put16(list, t.language);
                    put16(list, t.codePage);
                }
                putNode(out, "Translation", list, static_cast<std::uint16_t>(list.size()), 0, nullptr);
            });
        }
    });
    return out;
}

}  // namespace platform::sim

namespace platform {

using sim::world;

std::uint32_t getFileVersionInfoSizeA(const char* path) {
    sim::World& w = world();
    if (!sim::isProgramPath(path)) {
        w.lastError = 2;  // ERROR_FILE_NOT_FOUND
        return 0;
    }
    const auto block = sim::currentVersionBlock();
    if (block.empty() || w.failNow(sim::Failure::GetFileVersionInfoSize)) {
        w.lastError = sim::k::kErrorResourceTypeNotFound;
        return 0;
    }
    // Room for the ANSI copies of the strings that VerQueryValueA hands out.
    return static_cast<std::uint32_t>(block.size() * 2 + 4);
}

bool getFileVersionInfoA(const char* path, std::uint32_t size, void* block) {
    sim::World& w = world();
    if (!sim::isProgramPath(path)) {
        w.lastError = 2;
        return false;
    }
    const auto data = sim::currentVersionBlock();
    if (data.empty() || w.failNow(sim::Failure::GetFileVersionInfo)) {
        w.lastError = sim::k::kErrorResourceTypeNotFound;
        return false;
    }
    if (!block || size == 0) {
        w.lastError = sim::k::kErrorInvalidParameter;
        return false;
    }
    auto* out = static_cast<std::uint8_t*>(block);
    std::memcpy(out, data.data(), std::min<std::size_t>(size, data.size()));
    const std::size_t length = data.size() >= 2 ? static_cast<std::size_t>(data[0] | (data[1] << 8)) : 0;
    if (size >= length + 4) std::memcpy(out + length, "FE2X", 4);
    return true;
}

bool verQueryValueA(const void* block, const char* subBlock, const void** value, std::uint32_t* length) {
    if (!block || !subBlock || !value) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    const std::size_t total = static_cast<std::size_t>(bytes[0] | (bytes[1] << 8));
    auto node = sim::readNode(bytes, 0, total);
    if (!node) return false;
    // Walk "\A\B\C": each part names a child of the node before, compared without case.
    std::string_view path(subBlock);
    while (!path.empty()) {
        while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
        if (path.empty()) break;
        const std::size_t end = path.find('\\');
        const std::string_view part = path.substr(0, end);
        path = end == std::string_view::npos ? std::string_view() : path.substr(end);
        std::optional<sim::VersionNode> found;
        for (std::size_t at = node->children; at < node->start + node->length;) {
            const auto child = sim::readNode(bytes, at, node->start + node->length);
            if (!child) break;
            if (sim::keyEquals(child->key, part)) {
                found = child;
                break;
            }
            at = (child->start + child->length + 3) & ~static_cast<std::size_t>(3);
        }
        if (!found) return false;
        node = found;
    }
    if (node->type != 1) {
        *value = bytes + node->value;
        if (length) *length = node->valueLength;
        return true;
    }
    // A text value: its ANSI form goes into the block's spare half, at the same offset.
    std::wstring units;
    for (std::size_t i = 0; i < node->valueLength; ++i) {
        const std::size_t at = node->value + i * 2;
        if (at + 2 > total) break;
        const auto c = static_cast<wchar_t>(bytes[at] | (bytes[at + 1] << 8));
        if (c == 0) break;
        units.push_back(c);
    }
    const std::string ansi = sim::utf8ToAnsi(wideToUtf8(units), world().codePage);
    const std::size_t room = total - node->value;
    const std::size_t n = std::min(ansi.size(), room > 0 ? room - 1 : 0);
    auto* spare = const_cast<std::uint8_t*>(bytes) + total + 4 + node->value;  // caller's writable block
    std::memcpy(spare, ansi.data(), n);
    spare[n] = '\0';
    *value = spare;
    if (length) *length = static_cast<std::uint32_t>(n + 1);
    return true;
}

}  // namespace platform
