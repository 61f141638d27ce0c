#include "inventory/module_name.h"

#include <array>

#include "platform/process.h"

namespace {

constexpr std::uint32_t kModuleSlots = 1024;  // 4096 bytes of handles; only the first is used
constexpr std::uint32_t kNameBuffer = 1024;

}  // namespace

ModuleNames::Names ModuleNames::lookUp(std::uint32_t processId) {
    if (const auto it = kept_.find(processId); it != kept_.end()) {
        it->second.seen = true;
        return it->second.names;
    }
    Names names;
    platform::ProcessHandle process = platform::openProcess(
        platform::kProcessQueryInformation | platform::kProcessVmRead, false, processId);
    if (!process) return names;
    std::array<platform::ModuleHandle, kModuleSlots> modules{};
    std::uint32_t needed = 0;
    if (!platform::enumProcessModules(process, modules.data(), sizeof(modules), &needed)) return names;
    std::array<char, kNameBuffer> name{};
    const bool base = platform::getModuleBaseNameA(process, modules[0], name.data(), kNameBuffer);
    name[kNameBuffer - 1] = '\0';
    if (base) names.baseName = name.data();
    name.fill('\0');
    const bool path = platform::getModuleFileNameExA(process, modules[0], name.data(), kNameBuffer);
    name[kNameBuffer - 1] = '\0';
    if (path) names.filePath = name.data();
    if (base && path) kept_.emplace(processId, Kept{std::move(process), names});
    return names;
}

void ModuleNames::forgetEnded() {
    std::erase_if(kept_, [](const auto& entry) { return platform::processEnded(entry.second.process); });
}

void ModuleNames::sweep() {
    for (auto it = kept_.begin(); it != kept_.end();) {
        if (it->second.seen) {
            it->second.seen = false;
            ++it;
        } else {
            it = kept_.erase(it);
        }
    }
}
