#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A process found in a performance data block: its id and its instance name with ".exe".
class CPerfProcessEntry {
public:
    uint32_t m_pid = 0;
    std::u16string m_exeName;
};

// Reads the processes out of a performance data block as the registry returns it for the
// "Process" object: the block header, the first object, its counter definitions and its
// instances, each instance followed by its counter block.
//
// The block comes from outside the program, so every offset, length and count is checked
// against the real size of the data before it is used; a walk always ends, whatever the
// counts say, because each instance moves the position forward. Instance names are cut at 259
// characters and at the end of the data. Instances whose process id is 0 (the idle and total
// instances) are left out.
//
// Walk returns true when the whole object was read. It returns false when the data is not a
// performance data block, when the object has no counter with the process-id index (there is
// then nothing to match windows by, so no entries are made), or when an instance points
// outside the data; the entries read before the fault are kept in `entries`.
class CPerfDataWalker {
public:
    static bool Walk(const uint8_t* data, size_t size, uint32_t idProcessCounter,
                     std::vector<CPerfProcessEntry>& entries);
};
