// Finding another program's main window from a probe: visible, of that process, with that
// caption (UTF-8). The probes poll with it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"
#include "platform/window.h"

namespace bench {

inline platform::Hwnd shownWindow(std::uint32_t processId, const std::string& caption) {
    struct Search {
        std::uint32_t processId;
        const std::string* caption;
        platform::Hwnd found{};
    } search{processId, &caption};
    platform::enumWindows(
        [](platform::Hwnd hwnd, std::uintptr_t context) {
            auto* s = reinterpret_cast<Search*>(context);
            std::uint32_t owner = 0;
            platform::getWindowThreadProcessId(hwnd, &owner);
            if (owner != s->processId || !platform::isWindowVisible(hwnd)) return 1;
            if (platform::getWindowTextUtf8(hwnd) != *s->caption) return 1;
            s->found = hwnd;
            return 0;
        },
        reinterpret_cast<std::uintptr_t>(&search));
    return search.found;
}

}  // namespace bench
