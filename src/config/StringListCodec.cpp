#include "config/StringListCodec.h"

namespace {

constexpr uint16_t kCountEscape = 0xFFFF;
constexpr uint8_t kLengthEscape = 0xFF;
constexpr uint16_t kWideMarker = 0xFFFE;
constexpr uint16_t kLongLengthEscape = 0xFFFF;
// Marker (3 bytes) and the shortest length field (1 byte): the least one string can take.
constexpr size_t kMinStringBytes = 4;

void PutU8(std::vector<uint8_t>& out, uint8_t value) { out.push_back(value); }

void PutU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    PutU16(out, static_cast<uint16_t>(value));
    PutU16(out, static_cast<uint16_t>(value >> 16));
}

// Reads little-endian numbers without ever passing the end of the data.
class CByteReader {
public:
    CByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    size_t Remaining() const { return m_size - m_pos; }

    bool U8(uint8_t& value)
    {
        if (Remaining() < 1)
            return false;
        value = m_data[m_pos++];
        return true;
    }

    bool U16(uint16_t& value)
    {
        if (Remaining() < 2)
            return false;
        value = static_cast<uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }

    bool U32(uint32_t& value)
    {
        uint16_t low = 0;
        uint16_t high = 0;
        if (Remaining() < 4 || !U16(low) || !U16(high))
            return false;
        value = static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16);
        return true;
    }

    bool Text(uint32_t length, std::u16string& text)
    {
        if (Remaining() / 2 < length)
            return false;
        text.resize(length);
        for (uint32_t i = 0; i < length; ++i) {
            uint16_t unit = 0;
            U16(unit);
            text[i] = static_cast<char16_t>(unit);
        }
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

bool ReadCount(CByteReader& reader, uint32_t& count)
{
    uint16_t shortCount = 0;
    if (!reader.U16(shortCount))
        return false;
    if (shortCount != kCountEscape) {
        count = shortCount;
        return true;
    }
    return reader.U32(count);
}

// One string: marker, then length, then characters. A second marker in place of the length
// is not something the writer produces, so it is taken as damage.
bool ReadString(CByteReader& reader, std::u16string& text)
{
    uint8_t markerLead = 0;
    uint16_t marker = 0;
    if (!reader.U8(markerLead) || markerLead != kLengthEscape || !reader.U16(marker) || marker != kWideMarker)
        return false;

    uint8_t shortLength = 0;
    if (!reader.U8(shortLength))
        return false;
    uint32_t length = shortLength;
    if (shortLength == kLengthEscape) {
        uint16_t midLength = 0;
        if (!reader.U16(midLength) || midLength == kWideMarker)
            return false;
        length = midLength;
        if (midLength == kLongLengthEscape && !reader.U32(length))
            return false;
    }
    return reader.Text(length, text);
}

}  // namespace

std::vector<uint8_t> EncodeStringList(const std::vector<std::u16string>& list)
{
    std::vector<uint8_t> out;
    const auto count = static_cast<uint32_t>(list.size());
    if (count < kCountEscape) {
        PutU16(out, static_cast<uint16_t>(count));
    } else {
        PutU16(out, kCountEscape);
        PutU32(out, count);
    }

    for (const std::u16string& text : list) {
        PutU8(out, kLengthEscape);
        PutU16(out, kWideMarker);

        const auto length = static_cast<uint32_t>(text.size());
        if (length < kLengthEscape) {
            PutU8(out, static_cast<uint8_t>(length));
        } else if (length < kWideMarker) {
            PutU8(out, kLengthEscape);
            PutU16(out, static_cast<uint16_t>(length));
        } else {
            PutU8(out, kLengthEscape);
            PutU16(out, kLongLengthEscape);
            PutU32(out, length);
        }

        for (char16_t unit : text)
            PutU16(out, static_cast<uint16_t>(unit));
    }
    return out;
}

bool DecodeStringList(const uint8_t* data, size_t size, std::vector<std::u16string>& list)
{
    list.clear();
    if (data == nullptr)
        size = 0;

    CByteReader reader(data, size);
    uint32_t count = 0;
    // A count the remaining bytes cannot hold is refused before anything is reserved for it.
    if (!ReadCount(reader, count) || reader.Remaining() / kMinStringBytes < count)
        return false;

    std::vector<std::u16string> decoded;
    decoded.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        std::u16string text;
        if (!ReadString(reader, text))
            return false;
        decoded.push_back(std::move(text));
    }
    list = std::move(decoded);
    return true;
}
