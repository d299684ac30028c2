#include "config/IniFile.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The code units of 0x80 to 0x9F in Windows-1252; the five it leaves undefined keep their value.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

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

// Malformed sequences (overlong, surrogates, beyond U+10FFFF, cut short) become U+FFFD one
// byte at a time, so decoding always moves on.
std::u16string DecodeUtf8(const uint8_t* data, size_t size)
{
    std::u16string text;
    text.reserve(size);
    size_t i = 0;
    while (i < size) {
        const uint8_t lead = data[i];
        if (lead < 0x80) {
            text.push_back(lead);
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t minimum = 0;
        uint32_t codePoint = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, minimum = 0x80, codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, minimum = 0x800, codePoint = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, minimum = 0x10000, codePoint = lead & 0x07;
        }
        bool valid = length != 0 && size - i >= length;
        for (size_t k = 1; valid && k < length; ++k) {
            const uint8_t next = data[i + k];
            valid = (next & 0xC0) == 0x80;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        valid = valid && codePoint >= minimum && codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF);
        if (!valid) {
            text.push_back(kReplacement);
            ++i;
            continue;
        }
        AppendCodePoint(text, codePoint);
        i += length;
    }
    return text;
}

// A trailing odd byte is not a code unit and is dropped.
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

// Blanks as the private-profile routines drop them; 0x1A is the end-of-file mark of old editors.
bool IsBlank(char16_t unit)
{
    return unit == u' ' || (unit >= u'\t' && unit <= u'\r') || unit == 0x1A;
}

std::u16string_view Trim(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::u16string_view StripQuotes(std::u16string_view value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Cuts to what a buffer of `bufferChars` holds with its terminator, without leaving half of a
// surrogate pair at the end.
std::u16string FitBuffer(std::u16string_view text, size_t bufferChars)
{
    if (bufferChars == 0)
        return std::u16string();
    if (text.size() > bufferChars - 1) {
        text = text.substr(0, bufferChars - 1);
        if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF)
            text.remove_suffix(1);
    }
    return std::u16string(text);
}

}  // namespace

std::u16string DecodeWindows1252(const uint8_t* data, size_t size)
{
    std::u16string text;
    text.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        const uint8_t byte = data[i];
        text.push_back(byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : static_cast<char16_t>(byte));
    }
    return text;
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

void CIniFile::Parse(const uint8_t* data, size_t size, AnsiDecoder decodeAnsi)
{
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE)
        ParseText(DecodeUtf16(data + 2, size - 2, false));
    else if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF)
        ParseText(DecodeUtf16(data + 2, size - 2, true));
    else if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        ParseText(DecodeUtf8(data + 3, size - 3));
    else
        ParseText(decodeAnsi != nullptr ? decodeAnsi(data, size) : DecodeWindows1252(data, size));
}

void CIniFile::ParseText(std::u16string_view text)
{
    m_sections.clear();
    m_firstSection.clear();

    constexpr size_t kNone = static_cast<size_t>(-1);
    size_t current = kNone;  // the section keys go to; none inside a repeated section
    bool inAnySection = false;

    auto openSection = [&](std::u16string_view name) {
        inAnySection = true;
        auto inserted = m_firstSection.emplace(FoldCase(name), m_sections.size());
        if (!inserted.second) {
            // Only the first section of a name is ever read; a repeat is skipped whole.
            current = kNone;
            return;
        }
        current = m_sections.size();
        m_sections.emplace_back();
    };

    while (!text.empty()) {
        const size_t end = text.find_first_of(u"\r\n");
        std::u16string_view line = text.substr(0, end);
        text.remove_prefix(end == std::u16string_view::npos ? text.size() : end + 1);

        // Text after a zero character is invisible to routines that work on terminated strings.
        line = Trim(line.substr(0, line.find(u'\0')));
        if (line.empty())
            continue;

        const size_t close = line.rfind(u']');
        if (line.front() == u'[' && close != std::u16string_view::npos) {
            openSection(Trim(line.substr(1, close - 1)));
            continue;
        }
        const size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos)
            continue;
        if (!inAnySection)
            openSection(std::u16string_view());
        if (current == kNone)
            continue;

        CSection& section = m_sections[current];
        CEntry entry{std::u16string(Trim(line.substr(0, equals))),
                     std::u16string(StripQuotes(Trim(line.substr(equals + 1))))};
        section.m_firstEntry.emplace(FoldCase(entry.m_name), section.m_entries.size());
        section.m_entries.push_back(std::move(entry));
    }
}

const CIniFile::CSection* CIniFile::FindSection(std::u16string_view name) const
{
    auto found = m_firstSection.find(FoldCase(Trim(name)));
    return found == m_firstSection.end() ? nullptr : &m_sections[found->second];
}

std::u16string CIniFile::GetString(std::u16string_view section, std::u16string_view key,
                                   std::u16string_view defaultValue, size_t bufferChars) const
{
    if (const CSection* found = FindSection(section)) {
        auto entry = found->m_firstEntry.find(FoldCase(Trim(key)));
        if (entry != found->m_firstEntry.end())
            return FitBuffer(found->m_entries[entry->second].m_value, bufferChars);
    }
    return FitBuffer(defaultValue, bufferChars);
}

std::vector<std::u16string> CIniFile::GetKeyNames(std::u16string_view section, size_t bufferChars) const
{
    std::vector<std::u16string> names;
    const CSection* found = FindSection(section);
    if (found == nullptr)
        return names;
    size_t used = 1;  // the terminator that closes the list
    for (const CEntry& entry : found->m_entries) {
        if (entry.m_name.empty() || entry.m_name.front() == u';')
            continue;
        const size_t needed = entry.m_name.size() + 1;
        if (needed > bufferChars || used > bufferChars - needed)
            break;
        used += needed;
        names.push_back(entry.m_name);
    }
    return names;
}
