// Name and path of the first module of a process, for the top-level inventory.
#pragma once

#include <cstdint>
#include <string>

// Each sets `out` to the base file name (respectively the full path) of the first module the
// system lists for the process, or to the empty string when the process cannot be queried.
void readModuleBaseName(std::uint32_t processId, std::string& out);
void readModuleFilePath(std::uint32_t processId, std::string& out);
