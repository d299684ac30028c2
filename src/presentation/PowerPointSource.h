#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "appctl/PresentationSource.h"
#include "presentation/PresentationShell.h"

// The presentation program behind the program's one connection to it, as the application list
// sees it. The shell owns one and hands it to the list; the context it holds must outlive
// every manager it makes.
class CPowerPointSource : public IPresentationSource {
public:
    explicit CPowerPointSource(CPresentationContext context) : m_context(std::move(context)) {}

    bool IsBusy() override;
    // A CAppMgrPowerPoint, or null when the program cannot be reached or fails while the open
    // presentations are read. Connects when there is no connection.
    std::unique_ptr<CAppMgr> CreateManager(uint32_t window, const std::u16string& title) override;

private:
    CPresentationContext m_context;
};
