#pragma once
// A process list and factory with a scripted set of processes, for tests of code that looks up
// the executable of a window's process.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "process/ProcessList.h"
#include "process/ProcessListFactory.h"

using FakeProcesses = std::vector<std::pair<uint32_t, std::u16string>>;

// Refresh fills the list with the scripted processes, in order, and returns `refreshResult`.
class CFakeProcessList : public CProcessList {
public:
    explicit CFakeProcessList(FakeProcesses processes, bool refreshResult = true, int* refreshCount = nullptr)
        : m_processes(std::move(processes)), m_refreshResult(refreshResult), m_refreshCount(refreshCount)
    {
    }

    bool Refresh() override
    {
        CProcessList::Refresh();
        if (m_refreshCount != nullptr)
            ++*m_refreshCount;
        for (const auto& process : m_processes)
            Append(std::make_unique<CProcess>(process.first, process.second));
        return m_refreshResult;
    }

private:
    FakeProcesses m_processes;
    bool m_refreshResult;
    int* m_refreshCount;
};

// Hands out a fresh CFakeProcessList of the current script per call, or null when told to
// fail; counts lists made and refreshes across them.
class CFakeProcessListFactory : public IProcessListFactory {
public:
    std::unique_ptr<CProcessList> CreateProcessList() override
    {
        ++m_created;
        if (m_fail)
            return nullptr;
        return std::make_unique<CFakeProcessList>(m_processes, m_refreshResult, &m_refreshes);
    }

    FakeProcesses m_processes;
    bool m_refreshResult = true;
    bool m_fail = false;
    int m_created = 0;
    int m_refreshes = 0;
};
