#include "text/LittleEndian.h"

void CByteReader::Skip(size_t count)
{
    if (count > Remaining()) {
        m_ranPastEnd = true;
        count = Remaining();
    }
    m_pos += count;
}

uint8_t CByteReader::U8()
{
    if (m_pos == m_size) {
        m_ranPastEnd = true;
        return 0;
    }
    return m_data[m_pos++];
}

uint16_t CByteReader::U16()
{
    const uint16_t low = U8();
    const uint16_t high = U8();
    return static_cast<uint16_t>(low | (high << 8));
}

uint32_t CByteReader::U32()
{
    const uint32_t low = U16();
    const uint32_t high = U16();
    return low | (high << 16);
}

std::u16string CByteReader::Utf16(size_t units)
{
    const size_t available = Remaining() / 2;
    const size_t count = units < available ? units : available;
    std::u16string text(count, u'\0');
    for (size_t i = 0; i < count; ++i)
        text[i] = U16();
    if (count < units)
        Skip(SIZE_MAX);
    return text;
}

std::u16string CByteReader::Utf16z(size_t maxUnits)
{
    std::u16string text;
    while (text.size() < maxUnits && Remaining() >= 2) {
        const char16_t unit = U16();
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

std::u16string CByteReader::Latin1(size_t count)
{
    const size_t n = count < Remaining() ? count : Remaining();
    std::u16string text(n, u'\0');
    for (size_t i = 0; i < n; ++i)
        text[i] = m_data[m_pos + i];
    Skip(count);
    return text;
}

std::vector<uint8_t> CByteReader::BytesPadded(size_t count)
{
    const size_t n = count < Remaining() ? count : Remaining();
    std::vector<uint8_t> bytes(count, 0);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = m_data[m_pos + i];
    Skip(count);
    return bytes;
}

std::vector<uint8_t> CByteReader::Rest()
{
    std::vector<uint8_t> bytes;
    if (m_pos < m_size)
        bytes.assign(m_data + m_pos, m_data + m_size);
    m_pos = m_size;
    return bytes;
}

void CByteWriter::U16(uint16_t value)
{
    m_out.push_back(static_cast<uint8_t>(value));
    m_out.push_back(static_cast<uint8_t>(value >> 8));
}

void CByteWriter::U32(uint32_t value)
{
    U16(static_cast<uint16_t>(value));
    U16(static_cast<uint16_t>(value >> 16));
}

void CByteWriter::Utf16(std::u16string_view text)
{
    for (char16_t unit : text)
        U16(unit);
}

void CByteWriter::Utf16z(std::u16string_view text)
{
    Utf16(text);
    U16(0);
}

void CByteWriter::Bytes(const uint8_t* data, size_t count)
{
    if (count != 0)
        m_out.insert(m_out.end(), data, data + count);
}
