// Process status services: the first module of another process, for the window inventory.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/types.h"

namespace platform {

// Owns one process handle (OpenProcess); closed with CloseHandle. Never copied.
class ProcessHandle {
public:
    ProcessHandle() = default;
    explicit ProcessHandle(std::uintptr_t raw) : raw_(raw) {}
    ProcessHandle(ProcessHandle&& o) noexcept : raw_(o.release()) {}
    ProcessHandle& operator=(ProcessHandle&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    ~ProcessHandle() { reset(); }

    explicit operator bool() const { return raw_ != 0; }
    std::uintptr_t get() const { return raw_; }
    [[nodiscard]] std::uintptr_t release() noexcept { return std::exchange(raw_, 0); }
    void reset(std::uintptr_t raw = 0) noexcept;  // CloseHandle on the old one

private:
    std::uintptr_t raw_ = 0;
};

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
