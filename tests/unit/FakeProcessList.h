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

// Reads directly the executables of `m_readable` and refuses every other process; hands out
// a fresh CFakeProcessList of `m_processes` per call, or null when told to fail. Records the
// direct reads and counts lists made and refreshes across them.
class CFakeProcessListFactory : public IProcessListFactory {
public:
    bool ReadExecutablePath(uint32_t pid, std::u16string& path) override
    {
        m_directReads.push_back(pid);
        path.clear();
        for (const auto& process : m_readable) {
            if (process.first == pid) {
                path = process.second;
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<CProcessList> CreateProcessList() override
    {
        ++m_created;
        if (m_fail)
            return nullptr;
        return std::make_unique<CFakeProcessList>(m_processes, m_refreshResult, &m_refreshes);
    }

    FakeProcesses m_readable;
    std::vector<uint32_t> m_directReads;
    FakeProcesses m_processes;
    bool m_refreshResult = true;
    bool m_fail = false;
    int m_created = 0;
    int m_refreshes = 0;
};
