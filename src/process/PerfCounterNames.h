#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// What the process list needs from the English counter names ("Counters" under Perflib\009):
// the index of the "Process" object, as the text the performance-data query takes, and the
// index of its "ID Process" counter.
//
// The value is a multi-string of UTF-16LE strings, index and name alternating. A name counts
// only when the string before it is a plain decimal index that fits 32 bits; later matches
// replace earlier ones. The walk ends at the empty string that closes the list, or at the end
// of the data when a terminator is missing; an odd last byte is ignored.
class CPerfCounterNames {
public:
    static CPerfCounterNames Parse(const uint8_t* data, size_t size);

    bool HasProcessObject() const { return !m_processObjectIndex.empty(); }
    const std::u16string& GetProcessObjectIndex() const { return m_processObjectIndex; }
    bool HasIdProcessCounter() const { return m_hasIdProcessCounter; }
    uint32_t GetIdProcessCounter() const { return m_idProcessCounter; }

private:
    std::u16string m_processObjectIndex;
    uint32_t m_idProcessCounter = 0;
    bool m_hasIdProcessCounter = false;
};
