#include "text/TextCodec.h"

#include <iterator>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& text, uint32_t codePoint)
{
    if (codePoint < 0x10000) {
        text.push_back(static_cast<char16_t>(codePoint));
    } else {
        codePoint -= 0x10000;
        text.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    }
}

void AppendUtf8CodePoint(std::vector<uint8_t>& bytes, uint32_t codePoint)
{
    if (codePoint < 0x80) {
        bytes.push_back(static_cast<uint8_t>(codePoint));
    } else if (codePoint < 0x800) {
        bytes.push_back(static_cast<uint8_t>(0xC0 | (codePoint >> 6)));
        bytes.push_back(static_cast<uint8_t>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        bytes.push_back(static_cast<uint8_t>(0xE0 | (codePoint >> 12)));
        bytes.push_back(static_cast<uint8_t>(0x80 | ((codePoint >> 6) & 0x3F)));
        bytes.push_back(static_cast<uint8_t>(0x80 | (codePoint & 0x3F)));
    } else {
        bytes.push_back(static_cast<uint8_t>(0xF0 | (codePoint >> 18)));
        bytes.push_back(static_cast<uint8_t>(0x80 | ((codePoint >> 12) & 0x3F)));
        bytes.push_back(static_cast<uint8_t>(0x80 | ((codePoint >> 6) & 0x3F)));
        bytes.push_back(static_cast<uint8_t>(0x80 | (codePoint & 0x3F)));
    }
}

// Bytes 0x80 to 0x9F; below them the code page is ASCII, above them Latin-1.
class CWindows1252 final : public ICodePage {
public:
    std::u16string Decode(const uint8_t* data, size_t size) const override
    {
        std::u16string text;
        text.reserve(size);
        for (size_t i = 0; i < size; ++i) {
            const uint8_t byte = data[i];
            text.push_back(byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : static_cast<char16_t>(byte));
        }
        return text;
    }

    bool Encode(std::u16string_view text, std::vector<uint8_t>& bytes) const override
    {
        for (char16_t unit : text) {
            uint8_t byte = 0;
            if (!EncodeUnit(unit, byte))
                return false;
            bytes.push_back(byte);
        }
        return true;
    }

private:
    static bool EncodeUnit(char16_t unit, uint8_t& byte)
    {
        if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
            byte = static_cast<uint8_t>(unit);
            return true;
        }
        for (size_t i = 0; i < std::size(kHigh); ++i) {
            if (kHigh[i] == unit) {
                byte = static_cast<uint8_t>(0x80 + i);
                return true;
            }
        }
        return false;
    }

    // The five bytes the code page leaves undefined keep their value.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
};

// The length of the well-formed UTF-8 sequence at the start of the bytes (1 to 4) with its
// code point; 0 when they do not start with one.
size_t ReadUtf8Sequence(const uint8_t* data, size_t size, uint32_t& codePoint)
{
    const uint8_t lead = data[0];
    codePoint = lead;
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    }
    if (length == 0 || size < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((data[k] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (data[k] & 0x3F);
    }
    const bool valid = codePoint >= minimum && codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF);
    return valid ? length : 0;
}

}  // namespace

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::u16string DecodeUtf8(const uint8_t* data, size_t size)
{
    std::u16string text;
    text.reserve(size);
    size_t i = 0;
    while (i < size) {
        uint32_t codePoint = 0;
        const size_t length = ReadUtf8Sequence(data + i, size - i, codePoint);
        if (length == 0) {
            text.push_back(kReplacement);
            ++i;
            continue;
        }
        AppendCodePoint(text, codePoint);
        i += length;
    }
    return text;
}

bool IsValidUtf8(const uint8_t* data, size_t size)
{
    size_t i = 0;
    while (i < size) {
        uint32_t codePoint = 0;
        const size_t length = ReadUtf8Sequence(data + i, size - i, codePoint);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

void AppendUtf8(std::vector<uint8_t>& bytes, std::u16string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8CodePoint(bytes, 0x10000 + ((unit - 0xD800u) << 10) + (text[i + 1] - 0xDC00u));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8CodePoint(bytes, kReplacement);
        } else {
            AppendUtf8CodePoint(bytes, unit);
        }
    }
}

std::u16string DecodeUtf16(const uint8_t* data, size_t size, bool bigEndian)
{
    std::u16string text;
    text.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2) {
        const uint8_t first = data[i];
        const uint8_t second = data[i + 1];
        text.push_back(static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return text;
}

const ICodePage& Windows1252()
{
    static const CWindows1252 codePage;
    return codePage;
}

std::u16string DecodeText(const uint8_t* data, size_t size, const ICodePage& codePage)
{
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE)
        return DecodeUtf16(data + 2, size - 2, false);
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF)
        return DecodeUtf16(data + 2, size - 2, true);
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        return DecodeUtf8(data + 3, size - 3);
    if (IsValidUtf8(data, size))
        return DecodeUtf8(data, size);
    return codePage.Decode(data, size);
}

char16_t FoldCase(char16_t unit)
{
    if (unit < 0x80)
        return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 0x20) : unit;
    if (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7)
        return static_cast<char16_t>(unit + 0x20);
    // Latin Extended-A pairs capitals and small letters as even/odd, shifted by one in the
    // middle block; U+0130 and U+0131 (dotted and dotless i) have no simple partner.
    if ((unit >= 0x100 && unit <= 0x12F) || (unit >= 0x132 && unit <= 0x137) || (unit >= 0x14A && unit <= 0x177))
        return static_cast<char16_t>(unit | 1);
    if ((unit >= 0x139 && unit <= 0x148) || (unit >= 0x179 && unit <= 0x17E))
        return (unit & 1) != 0 ? static_cast<char16_t>(unit + 1) : unit;
    if (unit == 0x178)
        return 0xFF;
    if (unit >= 0x391 && unit <= 0x3A9 && unit != 0x3A2)
        return static_cast<char16_t>(unit + 0x20);
    if (unit >= 0x410 && unit <= 0x42F)
        return static_cast<char16_t>(unit + 0x20);
    if (unit >= 0x400 && unit <= 0x40F)
        return static_cast<char16_t>(unit + 0x50);
    return unit;
}

std::u16string FoldCase(std::u16string_view text)
{
    std::u16string folded(text);
    for (char16_t& unit : folded)
        unit = FoldCase(unit);
    return folded;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}
