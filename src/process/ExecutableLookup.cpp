#include "process/ExecutableLookup.h"

#include <utility>

#include "process/ProcessListFactory.h"

CExecutableLookup::CExecutableLookup(IProcessListFactory& processes) : m_processes(processes) {}

CExecutableLookup::~CExecutableLookup() = default;

const std::u16string& CExecutableLookup::Find(uint32_t pid)
{
    const auto known = m_found.find(pid);
    if (known != m_found.end())
        return known->second;
    std::u16string path;
    // Id 0 is a window that is gone (or the system's idle process): no executable.
    if (pid != 0 && !m_processes.ReadExecutablePath(pid, path))
        path = FromProcessList(pid);
    return m_found.emplace(pid, std::move(path)).first->second;
}

std::u16string CExecutableLookup::FromProcessList(uint32_t pid)
{
    if (!m_listMade) {
        m_listMade = true;
        m_list = m_processes.CreateProcessList();
        // A list that was only partly read still names the processes it found.
        if (m_list)
            m_list->Refresh();
    }
    if (!m_list)
        return std::u16string();
    m_list->Rewind();
    while (const CProcess* process = m_list->GetNext()) {
        if (process->GetPid() == pid)
            return process->GetExeName();
    }
    return std::u16string();
}
