#pragma once
// Little-endian fields, the byte order of every format this program reads or writes: protocol
// frames, registry values, performance data, stored lists.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reads little-endian fields from bytes it does not own. Every read stays inside them: an
// integer that runs past the end reads its missing bytes as zero, and text stops at the end.
// Formats that must refuse short data ask RanPastEnd() once they have read what they need.
class CByteReader {
public:
    CByteReader(const uint8_t* data, size_t size, size_t offset = 0)
        : m_data(data), m_size(data != nullptr ? size : 0), m_pos(offset < m_size ? offset : m_size) {}

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    // Up to units UTF-16LE code units; a trailing odd byte is not half a unit.
    std::u16string Utf16(size_t units);
    // UTF-16LE code units up to a zero unit, which is read but not kept, and at most maxUnits
    // of them. Text that reaches the end without its zero is not a short read.
    std::u16string Utf16z(size_t maxUnits = SIZE_MAX);
    // Up to count bytes of 8-bit text, each widened to the code unit of the same value.
    std::u16string Latin1(size_t count);
    // Exactly count bytes; those past the end read as zero.
    std::vector<uint8_t> BytesPadded(size_t count);
    // Everything from the current position to the end.
    std::vector<uint8_t> Rest();

    size_t Remaining() const { return m_size - m_pos; }
    // Whether some read asked for more than was left (what was missing read as zero or was
    // left out).
    bool RanPastEnd() const { return m_ranPastEnd; }

private:
    // The position never passes the end: reading past it yields zeros either way, and the
    // pointer arithmetic stays inside the data.
    void Skip(size_t count);

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos;
    bool m_ranPastEnd = false;
};

// Appends little-endian fields to a byte array.
class CByteWriter {
public:
    explicit CByteWriter(std::vector<uint8_t>& out) : m_out(out) {}

    void U8(uint8_t value) { m_out.push_back(value); }
    void U16(uint16_t value);
    void U32(uint32_t value);
    // The code units, without a terminator.
    void Utf16(std::u16string_view text);
    // The code units followed by a 16-bit zero terminator.
    void Utf16z(std::u16string_view text);
    void Bytes(const uint8_t* data, size_t count);

private:
    std::vector<uint8_t>& m_out;
};
