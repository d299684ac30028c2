#pragma once
// A profile file as the profile editor writes and reads it: the [Application] values, the 17
// mapping lines in a fixed order and, as the last line, "#" and the selection record.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/SelectionRecord.h"
#include "text/TextCodec.h"

struct CEditorProfile {
    std::u16string m_name;
    std::u16string m_executable;
    std::u16string m_title;
    std::u16string m_className;
    bool m_autoRestore = false;
    bool m_bringToTop = false;
    std::array<std::u16string, kEditorKeyCount> m_values;  // mapping values in editor key order
    CKeySelections m_selections{};
};

// Longest identification and name text the editor reads back.
constexpr size_t kEditorMaxTextChars = 299;

// The whole file: 26 lines ending in CR LF but the last. ASCII text is written as it is; text
// with any other character is UTF-8 with a byte-order mark, which every reader of profiles
// understands whatever the system's code page, so no character is lost or read differently.
// Line breaks inside a value would start a line of their own and are written as blanks.
std::vector<uint8_t> FormatEditorProfile(const CEditorProfile& profile);

// The name, identification values, window-behaviour flags and selections of a profile file;
// the mapping values are left empty, since the editor rebuilds them from the selections.
// Nothing when the file's last line that starts with "#" is missing or does not hold exactly
// 102 characters after the "#". The flags read as the server reads them: false exactly for
// "false" in any case, true otherwise and when missing. Text without a byte-order mark that is
// not UTF-8 is read in the code page.
std::optional<CEditorProfile> ParseEditorProfile(const std::vector<uint8_t>& bytes, const ICodePage& codePage);
