#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text/TextCodec.h"

// A read-only INI file with the semantics of the Windows private-profile routines:
// - lines end with CR LF, LF or CR; blanks around a line, a key name and a value are dropped;
// - "[name]" opens a section (the name runs to the last "]" of the line); a line with "=" is a
//   key; any other line, and the rest of a line after a zero character, is ignored;
// - section and key names are compared without regard to case; the first section of a name
//   is the only one read, and within it the first key of a name wins;
// - one pair of matching enclosing quotes (double or single) is dropped from a value;
// - keys before the first section belong to the section with the empty name.
// The text is UTF-16LE or UTF-16BE when it starts with their byte-order mark, UTF-8 with its
// mark, and 8-bit text in the given code page otherwise.
class CIniFile {
public:
    // Replaces the contents with the parsed bytes; reads nothing outside them. Never fails:
    // what is not understood is left out.
    void Parse(const uint8_t* data, size_t size, const ICodePage& codePage = Windows1252());
    void Parse(const std::vector<uint8_t>& data, const ICodePage& codePage = Windows1252())
    {
        Parse(data.data(), data.size(), codePage);
    }

    // The key's value, or `defaultValue` when the section or key is missing, cut to fit a
    // buffer of `bufferChars` characters with its terminator (at most bufferChars - 1).
    std::u16string GetString(std::u16string_view section, std::u16string_view key, std::u16string_view defaultValue,
                             size_t bufferChars) const;

    // The key names of the section in file order, as many as fit whole into a buffer of
    // `bufferChars` characters that holds each name with its terminator and a final
    // terminator. Listing stops at the first name that does not fit. Names that repeat are
    // listed each time; empty names and comments (";...") are not listed.
    std::vector<std::u16string> GetKeyNames(std::u16string_view section, size_t bufferChars) const;

private:
    struct CEntry {
        std::u16string m_name;
        std::u16string m_value;
    };
    struct CSection {
        std::vector<CEntry> m_entries;
        std::unordered_map<std::u16string, size_t> m_firstEntry;  // folded name -> entry index
    };

    const CSection* FindSection(std::u16string_view name) const;
    void ParseText(std::u16string_view text);

    std::vector<CSection> m_sections;
    std::unordered_map<std::u16string, size_t> m_firstSection;  // folded name -> section index
};
