#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One running process: its id and its executable as the enumeration method reports it
// (a full path, a file name, or an instance name with ".exe" appended).
class CProcess {
public:
    CProcess(uint32_t pid, std::u16string exeName);
    virtual ~CProcess();
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;

    uint32_t GetPid() const { return m_pid; }
    const std::u16string& GetExeName() const { return m_exeName; }

private:
    uint32_t m_pid;
    std::u16string m_exeName;
};

// The running processes, filled by Refresh and walked with Rewind / GetNext.
// The base list only empties itself; each enumeration method derives from it.
class CProcessList {
public:
    CProcessList();
    virtual ~CProcessList();
    CProcessList(const CProcessList&) = delete;
    CProcessList& operator=(const CProcessList&) = delete;

    // Destroys every record and rewinds. Variants call this first, then fill the list, and
    // return whether the enumeration succeeded; the base returns false.
    virtual bool Refresh();
    // The record at the position, advancing past it; null once past the last record, and it
    // stays null until Rewind.
    virtual CProcess* GetNext();
    // Back to the not-started mark: the next GetNext returns the first record.
    virtual void Rewind();

protected:
    void Append(std::unique_ptr<CProcess> record);

private:
    // The not-started mark; any other value is the index of the record GetNext returns next.
    static constexpr size_t kNotStarted = static_cast<size_t>(-1);

    std::vector<std::unique_ptr<CProcess>> m_records;
    size_t m_position = kNotStarted;
};
