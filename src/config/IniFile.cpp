#include "config/IniFile.h"

namespace {

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
        if (!text.empty() && IsHighSurrogate(text.back()))
            text.remove_suffix(1);
    }
    return std::u16string(text);
}

}  // namespace

void CIniFile::Parse(const uint8_t* data, size_t size, const ICodePage& codePage)
{
    ParseText(DecodeText(data, size, codePage));
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
