#include "protocol/ByteOrder.h"

uint8_t CByteReader::U8()
{
    if (m_pos == m_size)
        return 0;
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
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* unit = m_data + m_pos + 2 * i;
        text[i] = static_cast<char16_t>(unit[0] | (unit[1] << 8));
    }
    Skip(units < available ? 2 * units : Remaining());
    return text;
}

std::u16string CByteReader::Narrow(size_t count)
{
    const size_t n = count < Remaining() ? count : Remaining();
    std::u16string text(n, u'\0');
    for (size_t i = 0; i < n; ++i)
        text[i] = m_data[m_pos + i];
    Skip(n);
    return text;
}

std::vector<uint8_t> CByteReader::BytesPadded(size_t count)
{
    const size_t n = count < Remaining() ? count : Remaining();
    std::vector<uint8_t> bytes(count, 0);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = m_data[m_pos + i];
    Skip(n);
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

void CByteWriter::Utf16z(const std::u16string& text)
{
    for (char16_t unit : text)
        U16(unit);
    U16(0);
}

void CByteWriter::Bytes(const uint8_t* data, size_t count)
{
    if (count != 0)
        m_out.insert(m_out.end(), data, data + count);
}
