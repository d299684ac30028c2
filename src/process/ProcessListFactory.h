#pragma once
#include <memory>

#include "process/ProcessList.h"

// Creates the process list that one application-list update uses. The Windows program picks
// the enumeration method the system offers; tests hand in lists of their own.
class IProcessListFactory {
public:
    virtual ~IProcessListFactory() = default;
    // A new, not yet refreshed list; null when none could be made.
    virtual std::unique_ptr<CProcessList> CreateProcessList() = 0;
};
