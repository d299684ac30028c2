// Feeds arbitrary bytes to the performance-data walker and to the counter-name parser. The
// first four bytes choose the process-id counter index, so the fuzzer can make the walker
// find its counter; the rest is the data block, walked as it is and once more with the
// signature and object count put in, so that mutations reach the object and its instances.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "process/PerfCounterNames.h"
#include "process/PerfDataWalker.h"

namespace {

void CheckWalk(const uint8_t* block, size_t blockSize, uint32_t idProcess)
{
    std::vector<CPerfProcessEntry> entries;
    CPerfDataWalker::Walk(block, blockSize, idProcess, entries);
    // Each entry used at least an instance header and a counter block (28 bytes), has a pid,
    // a name of at most 259 characters, and the suffix.
    if (entries.size() > blockSize / 28)
        __builtin_trap();
    for (const CPerfProcessEntry& entry : entries) {
        const size_t length = entry.m_exeName.size();
        if (entry.m_pid == 0 || length < 4 || length > 259 + 4 || entry.m_exeName.compare(length - 4, 4, u".exe") != 0)
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CPerfCounterNames names = CPerfCounterNames::Parse(data, size);
    if (names.GetProcessObjectIndex().size() > size / 2)
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
    CheckWalk(block, blockSize, idProcess);
    if (blockSize >= 32) {
        // An exact-size copy, so the sanitizer still sees any read past the end.
        std::vector<uint8_t> repaired(block, block + blockSize);
        std::memcpy(repaired.data(), "P\0E\0R\0F\0", 8);
        if (repaired[28] == 0 && repaired[29] == 0 && repaired[30] == 0 && repaired[31] == 0)
            repaired[28] = 1;
        CheckWalk(repaired.data(), repaired.size(), idProcess);
    }
    return 0;
}
