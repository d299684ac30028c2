#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads little-endian fields from a received frame. Every read stays inside the frame: an
// integer that runs past the end reads its missing bytes as zero, and text stops at the end.
class CByteReader {
public:
    CByteReader(const uint8_t* data, size_t size, size_t offset = 0)
        : m_data(data), m_size(size), m_pos(offset < size ? offset : size) {}

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    // Up to units UTF-16LE code units; a trailing odd byte is not half a unit.
    std::u16string Utf16(size_t units);
    // Up to count bytes, each widened to one code unit of the same value.
    std::u16string Narrow(size_t count);
    // Exactly count bytes; those past the end read as zero.
    std::vector<uint8_t> BytesPadded(size_t count);
    // Everything from the current position to the end.
    std::vector<uint8_t> Rest();

    size_t Remaining() const { return m_size - m_pos; }

private:
    // The position never passes the end: reading past it yields zeros either way, and the
    // pointer arithmetic stays inside the frame.
    void Skip(size_t count) { m_pos += count < Remaining() ? count : Remaining(); }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos;
};

// Appends little-endian fields to a message's byte array.
class CByteWriter {
public:
    explicit CByteWriter(std::vector<uint8_t>& out) : m_out(out) {}

    void U8(uint8_t value) { m_out.push_back(value); }
    void U16(uint16_t value);
    void U32(uint32_t value);
    // The code units followed by a 16-bit zero terminator.
    void Utf16z(const std::u16string& text);
    void Bytes(const uint8_t* data, size_t count);

private:
    std::vector<uint8_t>& m_out;
};
