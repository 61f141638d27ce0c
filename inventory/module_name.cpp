#include "inventory/module_name.h"

#include <array>

#include "platform/process.h"

namespace {

constexpr std::uint32_t kModuleSlots = 1024;  // 4096 bytes of handles; only the first is used
constexpr std::uint32_t kNameBuffer = 1024;

using ModuleQuery = bool (*)(const platform::ProcessHandle&, platform::ModuleHandle, char*, std::uint32_t);

void readFirstModule(std::uint32_t processId, std::string& out, ModuleQuery query) {
    std::array<char, kNameBuffer> name{};
    platform::ProcessHandle process = platform::openProcess(
        platform::kProcessQueryInformation | platform::kProcessVmRead, false, processId);
    if (process) {
        std::array<platform::ModuleHandle, kModuleSlots> modules{};
        std::uint32_t needed = 0;
        if (platform::enumProcessModules(process, modules.data(), sizeof(modules), &needed)) {
            if (!query(process, modules[0], name.data(), kNameBuffer)) name[0] = '\0';
        }
    }
    name[kNameBuffer - 1] = '\0';
    out = name.data();
}

}  // namespace

void readModuleBaseName(std::uint32_t processId, std::string& out) {
    readFirstModule(processId, out, &platform::getModuleBaseNameA);
}

void readModuleFilePath(std::uint32_t processId, std::string& out) {
    readFirstModule(processId, out, &platform::getModuleFileNameExA);
}
