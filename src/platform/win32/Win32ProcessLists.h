#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win32/UniqueHandle.h"
#include "process/ProcessList.h"
#include "process/ProcessListFactory.h"

// A process found by the process-status library. It keeps the process open, for query and
// read access, for as long as the record lives, and names it by the full path of its first
// module; a process that cannot be opened (id 0, access denied) gets an empty name.
class CProcessNTPS : public CProcess {
public:
    explicit CProcessNTPS(DWORD pid);

private:
    CProcessNTPS(DWORD pid, CUniqueHandle process);

    CUniqueHandle m_hProcess;
};

// A process found by a tool-help snapshot, named by the entry's file name.
class CProcess98 : public CProcess {
public:
    CProcess98(DWORD pid, std::u16string exeName) : CProcess(pid, std::move(exeName)) {}
};

// A process found in the performance data, named by its instance name with ".exe".
class CProcessNT : public CProcess {
public:
    CProcessNT(DWORD pid, std::u16string exeName) : CProcess(pid, std::move(exeName)) {}
};

// Processes by the process-status library (EnumProcesses), at most 10000, id 0 included.
class CProcessListNTPS : public CProcessList {
public:
    bool Refresh() override;
};

// Processes by a tool-help snapshot, read with the wide entry points.
class CProcessList98 : public CProcessList {
public:
    bool Refresh() override;
};

// Processes by the "Process" object of the registry's performance data.
class CProcessListNT : public CProcessList {
public:
    bool Refresh() override;
};

// The list of the best method this system offers: process-status, then tool-help, then
// performance data. Null only when memory runs out.
std::unique_ptr<CProcessList> CreateProcessList();

// Reads one process's executable with limited query access, which reads nothing of the
// process's memory and which Windows grants where it refuses the fuller access (elevated
// programs, for one); the process lists are the fallback.
class CWin32ProcessListFactory : public IProcessListFactory {
public:
    bool ReadExecutablePath(uint32_t pid, std::u16string& path) override;
    std::unique_ptr<CProcessList> CreateProcessList() override;
};
