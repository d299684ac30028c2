#include "process/ProcessList.h"

#include <utility>

CProcess::CProcess(uint32_t pid, std::u16string exeName) : m_pid(pid), m_exeName(std::move(exeName)) {}

CProcess::~CProcess() = default;

CProcessList::CProcessList() = default;

CProcessList::~CProcessList() = default;

bool CProcessList::Refresh()
{
    m_records.clear();
    m_position = kNotStarted;
    return false;
}

CProcess* CProcessList::GetNext()
{
    if (m_position == kNotStarted)
        m_position = 0;
    if (m_position >= m_records.size())
        return nullptr;
    return m_records[m_position++].get();
}

void CProcessList::Rewind()
{
    m_position = kNotStarted;
}

void CProcessList::Append(std::unique_ptr<CProcess> record)
{
    if (record)
        m_records.push_back(std::move(record));
}
