// Process status services: the first module of another process, for the window inventory.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"
#include "platform/unique_handle.h"

namespace platform {

// A process handle (OpenProcess); closed with CloseHandle.
struct ProcessHandleTraits {
    using Handle = std::uintptr_t;
    static constexpr Handle null() { return 0; }
    static void close(Handle raw) noexcept;
};
using ProcessHandle = UniqueHandle<ProcessHandleTraits>;

// OpenProcess(access, inherit, processId); an empty handle on failure.
ProcessHandle openProcess(std::uint32_t access, bool inherit, std::uint32_t processId);
// EnumProcessModules(process, modules, bytes, needed). The array holds
// bytes / sizeof(ModuleHandle) handles; needed counts bytes of the same handles.
bool enumProcessModules(const ProcessHandle& process, ModuleHandle* modules, std::uint32_t bytes,
                        std::uint32_t* bytesNeeded);
// GetExitCodeProcess: the process has ended. A handle that cannot be asked, and a process that
// ended with the code that means "still running" (259), read as running.
[[nodiscard]] bool processEnded(const ProcessHandle& process);
// GetModuleBaseNameA / GetModuleFileNameExA into a buffer of size bytes. False on failure.
bool getModuleBaseNameA(const ProcessHandle& process, ModuleHandle module, char* buffer, std::uint32_t size);
bool getModuleFileNameExA(const ProcessHandle& process, ModuleHandle module, char* buffer,
                          std::uint32_t size);

}  // namespace platform
