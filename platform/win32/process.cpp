// Process status services over kernel32/psapi.
#include "platform/process.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <vector>

namespace platform {

namespace {
HANDLE raw(const ProcessHandle& process) {
    return reinterpret_cast<HANDLE>(process.get());
}
HMODULE toModule(ModuleHandle m) {
    return reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(m));
}

// A name longer than the buffer comes back cut but, from some systems (Wine among them),
// without its NUL; the caller always gets a terminated string within its buffer.
bool terminated(DWORD copied, char* buffer, std::uint32_t size) {
    if (copied == 0) return false;
    if (copied >= size) buffer[size - 1] = '\0';
    return true;
}
}  // namespace

void ProcessHandleTraits::close(Handle raw) noexcept {
    CloseHandle(reinterpret_cast<HANDLE>(raw));
}

ProcessHandle openProcess(std::uint32_t access, bool inherit, std::uint32_t processId) {
    return ProcessHandle(
        reinterpret_cast<std::uintptr_t>(OpenProcess(access, inherit ? TRUE : FALSE, processId)));
}

bool enumProcessModules(const ProcessHandle& process, ModuleHandle* modules, std::uint32_t bytes,
                        std::uint32_t* bytesNeeded) {
    // Module handles are addresses: the seam's are as wide, or a 64-bit one would be cut.
    static_assert(sizeof(ModuleHandle) == sizeof(HMODULE), "the seam's module handle is pointer-wide");
    std::vector<HMODULE> found(bytes / sizeof(HMODULE));
    DWORD needed = 0;
    const BOOL ok = EnumProcessModules(raw(process), found.data(), bytes, &needed);
    if (bytesNeeded) *bytesNeeded = needed;
    if (!ok) return false;
    const std::size_t listed = std::min<std::size_t>(found.size(), needed / sizeof(HMODULE));
    for (std::size_t i = 0; i < listed; ++i) {
        modules[i] = static_cast<ModuleHandle>(reinterpret_cast<std::uintptr_t>(found[i]));
    }
    return true;
}

bool processEnded(const ProcessHandle& process) {
    DWORD code = 0;
    return GetExitCodeProcess(raw(process), &code) && code != STILL_ACTIVE;
}

bool getModuleBaseNameA(const ProcessHandle& process, ModuleHandle module, char* buffer, std::uint32_t size) {
    return terminated(GetModuleBaseNameA(raw(process), toModule(module), buffer, size), buffer, size);
}

bool getModuleFileNameExA(const ProcessHandle& process, ModuleHandle module, char* buffer,
                          std::uint32_t size) {
    return terminated(GetModuleFileNameExA(raw(process), toModule(module), buffer, size), buffer, size);
}

}  // namespace platform
