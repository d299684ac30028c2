#include "config/StringListCodec.h"

#include "text/LittleEndian.h"

namespace {

constexpr uint16_t kCountEscape = 0xFFFF;
constexpr uint8_t kLengthEscape = 0xFF;
constexpr uint16_t kWideMarker = 0xFFFE;
constexpr uint16_t kLongLengthEscape = 0xFFFF;
// Marker (3 bytes) and the shortest length field (1 byte): the least one string can take.
constexpr size_t kMinStringBytes = 4;

bool ReadCount(CByteReader& reader, uint32_t& count)
{
    const uint16_t shortCount = reader.U16();
    count = shortCount != kCountEscape ? shortCount : reader.U32();
    return !reader.RanPastEnd();
}

// One string: marker, then length, then characters. A second marker in place of the length
// is not something the writer produces, so it is taken as damage.
bool ReadString(CByteReader& reader, std::u16string& text)
{
    if (reader.U8() != kLengthEscape || reader.U16() != kWideMarker)
        return false;
    uint32_t length = reader.U8();
    if (length == kLengthEscape) {
        const uint16_t midLength = reader.U16();
        if (midLength == kWideMarker)
            return false;
        length = midLength != kLongLengthEscape ? midLength : reader.U32();
    }
    text = reader.Utf16(length);
    return !reader.RanPastEnd();
}

}  // namespace

std::vector<uint8_t> EncodeStringList(const std::vector<std::u16string>& list)
{
    std::vector<uint8_t> out;
    CByteWriter writer(out);
    const auto count = static_cast<uint32_t>(list.size());
    if (count < kCountEscape) {
        writer.U16(static_cast<uint16_t>(count));
    } else {
        writer.U16(kCountEscape);
        writer.U32(count);
    }

    for (const std::u16string& text : list) {
        writer.U8(kLengthEscape);
        writer.U16(kWideMarker);

        const auto length = static_cast<uint32_t>(text.size());
        if (length < kLengthEscape) {
            writer.U8(static_cast<uint8_t>(length));
        } else if (length < kWideMarker) {
            writer.U8(kLengthEscape);
            writer.U16(static_cast<uint16_t>(length));
        } else {
            writer.U8(kLengthEscape);
            writer.U16(kLongLengthEscape);
            writer.U32(length);
        }
        writer.Utf16(text);
    }
    return out;
}

bool DecodeStringList(const uint8_t* data, size_t size, std::vector<std::u16string>& list)
{
    list.clear();
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
