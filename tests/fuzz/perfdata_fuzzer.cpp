// Feeds arbitrary bytes to the performance-data walker and to the counter-name parser. The
// first four bytes choose the process-id counter index, so the fuzzer can make the walker
// find its counter; the rest is the data block. Both see the whole input as counter names.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "process/PerfCounterNames.h"
#include "process/PerfDataWalker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CPerfCounterNames names = CPerfCounterNames::Parse(data, size);
    if (names.HasProcessObject() && names.GetProcessObjectIndex().size() > size / 2)
        __builtin_trap();

    uint32_t idProcess = 784;
    const uint8_t* block = data;
    size_t blockSize = size;
    if (size >= 4) {
        idProcess = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                    static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
        block += 4;
        blockSize -= 4;
    }
    std::vector<CPerfProcessEntry> entries;
    CPerfDataWalker::Walk(block, blockSize, idProcess, entries);
    // Every entry has a pid, a name of at most 259 characters and the suffix; and each one
    // used at least the 28 bytes of an instance header and a counter block.
    if (entries.size() > blockSize / 28 + 1)
        __builtin_trap();
    for (const CPerfProcessEntry& entry : entries) {
        const size_t length = entry.m_exeName.size();
        if (entry.m_pid == 0 || length < 4 || length > 259 + 4 || entry.m_exeName.compare(length - 4, 4, u".exe") != 0)
            __builtin_trap();
    }
    return 0;
}
