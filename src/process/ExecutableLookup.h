#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "process/ProcessList.h"

class IProcessListFactory;

// The executables of processes by id, for one look at the desktop. Each process is asked for
// directly, once; where that is refused, one process list, made and refreshed at most once per
// lookup, answers instead. Opening every process of the machine, which a process list of the
// process-status kind does, is left for when it is really needed.
class CExecutableLookup {
public:
    explicit CExecutableLookup(IProcessListFactory& processes);
    ~CExecutableLookup();
    CExecutableLookup(const CExecutableLookup&) = delete;
    CExecutableLookup& operator=(const CExecutableLookup&) = delete;

    // The executable as the system names it (a full path or a file name); empty when the
    // process is unknown, is id 0, or could not be read either way. The text stays in place
    // for the lookup's life.
    const std::u16string& Find(uint32_t pid);

private:
    std::u16string FromProcessList(uint32_t pid);

    IProcessListFactory& m_processes;
    std::unordered_map<uint32_t, std::u16string> m_found;
    std::unique_ptr<CProcessList> m_list;
    bool m_listMade = false;
};
