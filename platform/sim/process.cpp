// Process status services over the simulated desktop's processes.
#include "platform/process.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/world.h"

namespace platform {

using sim::world;

namespace {

const sim::Process* processFor(const ProcessHandle& process) {
    sim::World& w = world();
    const auto it = w.openProcesses.find(process.get());
    if (it == w.openProcesses.end()) return nullptr;
    const auto p = w.processes.find(it->second);
    return p == w.processes.end() ? nullptr : &p->second;
}

const sim::Module* moduleFor(const ProcessHandle& process, ModuleHandle module) {
    const sim::Process* p = processFor(process);
    if (!p) return nullptr;
    for (std::size_t i = 0; i < p->moduleHandles.size() && i < p->recipe.modules.size(); ++i) {
        if (p->moduleHandles[i] == static_cast<std::uintptr_t>(module)) return &p->recipe.modules[i];
    }
    return nullptr;
}

bool copyOut(const std::string& text, char* buffer, std::uint32_t size) {
    if (!buffer || size == 0) return false;
    const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return true;
}

}  // namespace

void ProcessHandleTraits::close(Handle raw) noexcept {
    world().openProcesses.erase(raw);
}

ProcessHandle openProcess(std::uint32_t access, bool /*inherit*/, std::uint32_t processId) {
    sim::World& w = world();
    w.noteCall("OpenProcess", kNoWindow);
    const auto it = w.processes.find(processId);
    if (it == w.processes.end() || access == 0) {
        w.lastError = sim::k::kErrorInvalidParameter;
        return ProcessHandle();
    }
    if (!it->second.recipe.openable || it->second.ended) {
        w.lastError = sim::k::kErrorAccessDenied;
        return ProcessHandle();
    }
    const std::uintptr_t raw = w.nextProcessHandle;
    w.nextProcessHandle += 4;
    w.openProcesses[raw] = processId;
    return ProcessHandle(raw);
}

bool enumProcessModules(const ProcessHandle& process, ModuleHandle* modules, std::uint32_t bytes,
                        std::uint32_t* bytesNeeded) {
    sim::World& w = world();
    w.noteCall("EnumProcessModules", kNoWindow);
    const auto it = w.openProcesses.find(process.get());
    if (it == w.openProcesses.end()) {
        w.lastError = 6;  // ERROR_INVALID_HANDLE
        return false;
    }
    sim::Process& p = w.processes[it->second];
    if (!p.recipe.modulesListable) {
        w.lastError = 299;  // ERROR_PARTIAL_COPY, as for a process that is still starting
        return false;
    }
    if (p.moduleHandles.size() != p.recipe.modules.size()) {
        p.moduleHandles.clear();
        // Where the system loads images: a 64-bit program's lie above 4 GiB, so a handle cut to
        // 32 bits names no module.
        constexpr bool wide = sizeof(ModuleHandle) > 4;
        const std::uintptr_t image = wide ? static_cast<std::uintptr_t>(0x140000000ull) : 0x00400000u;
        const std::uintptr_t libraries = wide ? static_cast<std::uintptr_t>(0x7FF870000000ull) : 0x70000000u;
        for (std::size_t i = 0; i < p.recipe.modules.size(); ++i) {
            p.moduleHandles.push_back(i == 0 ? image : libraries + i * 0x00100000u);
        }
    }
    if (bytesNeeded) *bytesNeeded = static_cast<std::uint32_t>(p.moduleHandles.size() * sizeof(ModuleHandle));
    const std::size_t room = modules ? bytes / sizeof(ModuleHandle) : 0;
    for (std::size_t i = 0; i < room && i < p.moduleHandles.size(); ++i) {
        modules[i] = static_cast<ModuleHandle>(p.moduleHandles[i]);
    }
    return true;
}

bool processEnded(const ProcessHandle& process) {
    world().noteCall("GetExitCodeProcess", kNoWindow);
    const sim::Process* p = processFor(process);
    return p && p->ended;
}

bool getModuleBaseNameA(const ProcessHandle& process, ModuleHandle module, char* buffer, std::uint32_t size) {
    world().noteCall("GetModuleBaseNameA", kNoWindow);
    const sim::Module* m = moduleFor(process, module);
    return m && copyOut(m->baseName, buffer, size);
}

bool getModuleFileNameExA(const ProcessHandle& process, ModuleHandle module, char* buffer,
                          std::uint32_t size) {
    world().noteCall("GetModuleFileNameExA", kNoWindow);
    const sim::Module* m = moduleFor(process, module);
    return m && copyOut(m->path, buffer, size);
}

}  // namespace platform
