#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "appctl/AppMgr.h"

// The presentation program as the application list needs it: whether it is busy, and a manager
// for one of its document windows.
class IPresentationSource {
public:
    virtual ~IPresentationSource() = default;

    // True when the program does not answer (a modal dialog, a long operation).
    virtual bool IsBusy() = 0;
    // A manager for the presentation shown in the document window with this title; null when
    // that presentation cannot be reached.
    virtual std::unique_ptr<CAppMgr> CreateManager(uint32_t window, const std::u16string& title) = 0;
};
