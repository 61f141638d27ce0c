// Name and path of the first module of a process, for the top-level inventory.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/process.h"

// The base file name and the full path of the first module the system lists for a process,
// read once per process for as long as the process is seen: a process's
// first module does not change during its life, and reading another process's module list
// wakes that process and the system. The process handle is held while its names are kept, so
// the identifier cannot pass to a new process meanwhile. A process whose names could not be
// read is asked again next time (it may still be starting).
class ModuleNames {
public:
    struct Names {
        std::string baseName;
        std::string filePath;
    };
    // The names of the process's first module, empty where they cannot be read.
    Names lookUp(std::uint32_t processId);
    // Forgets, and closes the handles of, the processes not looked up since the last sweep:
    // ended ones among them, since an ended process has no windows left to be scanned.
    void sweep();
    // Forgets, and closes the handles of, the processes that have ended, asking no window: while
    // a player is tracked no search runs, and so no sweep.
    void forgetEnded();

private:
    struct Kept {
        platform::ProcessHandle process;
        Names names;
        bool seen = true;
    };
    std::map<std::uint32_t, Kept> kept_;
};
