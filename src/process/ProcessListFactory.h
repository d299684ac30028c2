#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "process/ProcessList.h"

// Where the application list learns the executable of a window's process. The Windows program
// asks the system; tests script the answers.
class IProcessListFactory {
public:
    virtual ~IProcessListFactory() = default;
    // Reads the executable path of one process directly, with the least access that can read
    // it. False when that is refused (or not offered by this system, or the process is gone):
    // the caller then looks the process up in a process list. `path` is emptied on false.
    virtual bool ReadExecutablePath(uint32_t pid, std::u16string& path) = 0;
    // A new, not yet refreshed list of every process, by the best enumeration method this
    // system offers; null when none could be made.
    virtual std::unique_ptr<CProcessList> CreateProcessList() = 0;
};
