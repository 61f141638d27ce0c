// Conversions between the seam's handle and rectangle types and the system's, for the win32
// backend only. Window handles keep within 32 bits on 64-bit Windows too, which widens them by
// sign extension (HWND_TOPMOST is -1 at any width); every other handle is pointer-wide.
#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>

#include "platform/types.h"
#include "platform/unique_handle.h"

namespace platform::win32 {

inline HWND toWin(Hwnd h) {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(handleValue(h))));
}
inline Hwnd fromWin(HWND h) {
    return toHwnd(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h)));
}

template <class Win, class Seam>
Win toWinHandle(Seam h) {
    static_assert(sizeof(std::underlying_type_t<Seam>) == sizeof(Win),
                  "the seam's handle is as wide as the system's");
    return reinterpret_cast<Win>(static_cast<std::uintptr_t>(h));
}
template <class Seam, class Win>
Seam fromWinHandle(Win h) {
    static_assert(sizeof(std::underlying_type_t<Seam>) == sizeof(Win),
                  "the seam's handle is as wide as the system's");
    return static_cast<Seam>(reinterpret_cast<std::uintptr_t>(h));
}

// A user32 function that older systems lack, looked up at run time: null where it is missing.
// Through the generic function type, which converts to and from every other.
template <class Function>
Function user32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)))
                  : nullptr;
}

inline RECT toWin(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}
inline Rect fromWin(const RECT& r) {
    return Rect{static_cast<std::int32_t>(r.left), static_cast<std::int32_t>(r.top),
                static_cast<std::int32_t>(r.right), static_cast<std::int32_t>(r.bottom)};
}

// The module whose resources are the program's own (the executable; the platform library is
// linked into it statically).
inline HINSTANCE ownInstance() {
    return GetModuleHandleW(nullptr);
}

// A GDI object (region, brush, ...) of the program's own until it is handed to the system.
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static constexpr Handle null() { return nullptr; }
    static void close(Handle h) noexcept { DeleteObject(h); }
};
using GdiObject = UniqueHandle<GdiObjectTraits>;

}  // namespace platform::win32
