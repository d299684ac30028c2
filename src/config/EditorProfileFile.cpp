#include "config/EditorProfileFile.h"

#include <string_view>

#include "config/IniFile.h"
#include "text/AsciiText.h"

namespace {

constexpr char16_t kApplicationSection[] = u"Application";

// The mapping lines in file order, as editor keys: RIGHT, LEFT, UP, DOWN, BUTTON, 1 to 9,
// STAR, 0, HASH.
constexpr size_t kFileKeyOrder[kEditorKeyCount] = {10, 11, 12, 13, 14, 1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 0, 16};

// Room for any flag word the user may have typed, so that a longer one is not cut to "false".
constexpr size_t kFlagBufferChars = 100;

std::u16string OneLine(std::u16string text)
{
    for (char16_t& unit : text) {
        if (unit == u'\r' || unit == u'\n' || unit == u'\0')
            unit = u' ';
    }
    return text;
}

// The Windows-1252 byte of a code unit; false when the code page has none. The bytes the code
// page leaves undefined stand for the code units of the same value, as the reader decodes them.
bool ToWindows1252(char16_t unit, uint8_t& byte)
{
    if (unit < 0x80) {
        byte = static_cast<uint8_t>(unit);
        return true;
    }
    static const std::u16string kHigh = [] {
        uint8_t bytes[128];
        for (int i = 0; i < 128; ++i)
            bytes[i] = static_cast<uint8_t>(0x80 + i);
        return DecodeWindows1252(bytes, sizeof bytes);
    }();
    const size_t found = kHigh.find(unit);
    if (found == std::u16string::npos)
        return false;
    byte = static_cast<uint8_t>(0x80 + found);
    return true;
}

void AppendUtf8(std::vector<uint8_t>& bytes, uint32_t codePoint)
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

// UTF-8 with its byte-order mark; half a surrogate pair, which no code point matches, becomes
// U+FFFD.
std::vector<uint8_t> EncodeUtf8(std::u16string_view text)
{
    std::vector<uint8_t> bytes = {0xEF, 0xBB, 0xBF};
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(bytes, 0x10000 + ((unit - 0xD800u) << 10) + (text[i + 1] - 0xDC00u));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(bytes, 0xFFFD);
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}

std::vector<uint8_t> Encode(std::u16string_view text)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size());
    for (char16_t unit : text) {
        uint8_t byte = 0;
        if (!ToWindows1252(unit, byte))
            return EncodeUtf8(text);
        bytes.push_back(byte);
    }
    return bytes;
}

// Text good enough to find the selection record, which is ASCII: UTF-16 is decoded, every
// other encoding keeps one code unit per byte.
std::u16string DecodeForRecord(const std::vector<uint8_t>& bytes)
{
    const size_t size = bytes.size();
    if (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        const bool bigEndian = bytes[0] == 0xFE;
        std::u16string text;
        for (size_t i = 2; i + 1 < size; i += 2)
            text.push_back(static_cast<char16_t>(bigEndian ? (bytes[i] << 8) | bytes[i + 1] : (bytes[i + 1] << 8) | bytes[i]));
        return text;
    }
    const size_t start = size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    return std::u16string(bytes.begin() + start, bytes.end());
}

// The text after "#" of the file's last line that starts with "#", blanks around it dropped.
std::optional<std::u16string_view> FindRecord(std::u16string_view text)
{
    std::optional<std::u16string_view> record;
    while (!text.empty()) {
        const size_t end = text.find_first_of(u"\r\n");
        std::u16string_view line = text.substr(0, end);
        text.remove_prefix(end == std::u16string_view::npos ? text.size() : end + 1);
        line = TrimAsciiSpace(line.substr(0, line.find(u'\0')));
        if (!line.empty() && line.front() == u'#')
            record = TrimAsciiSpace(line.substr(1));
    }
    return record;
}

}  // namespace

std::vector<uint8_t> FormatEditorProfile(const CEditorProfile& profile)
{
    std::u16string text;
    auto line = [&text](const std::u16string& content) { text += OneLine(content) + u"\r\n"; };
    auto flag = [](bool value) { return std::u16string(value ? u"true" : u"false"); };

    line(u"[Application]");
    line(u"Name=\"" + profile.m_name + u"\"");
    line(u"Executable=\"" + profile.m_executable + u"\"");
    line(u"Title=\"" + profile.m_title + u"\"");
    line(u"AutoRestore=" + flag(profile.m_autoRestore));
    line(u"BringToTop=" + flag(profile.m_bringToTop));
    line(u"ClassName=\"" + profile.m_className + u"\"");
    line(u"[KeyMapping]");
    for (size_t key : kFileKeyOrder)
        line(EditorKeyName(key) + u"=" + profile.m_values[key]);
    text += u"#" + EncodeSelectionRecord(profile.m_selections);
    return Encode(text);
}

std::optional<CEditorProfile> ParseEditorProfile(const std::vector<uint8_t>& bytes)
{
    const std::u16string text = DecodeForRecord(bytes);
    const auto record = FindRecord(text);
    if (!record)
        return std::nullopt;
    const auto selections = DecodeSelectionRecord(*record);
    if (!selections)
        return std::nullopt;

    CIniFile file;
    file.Parse(bytes);
    CEditorProfile profile;
    profile.m_selections = *selections;
    profile.m_name = file.GetString(kApplicationSection, u"Name", u"", kEditorMaxTextChars + 1);
    profile.m_executable = file.GetString(kApplicationSection, u"Executable", u"", kEditorMaxTextChars + 1);
    profile.m_title = file.GetString(kApplicationSection, u"Title", u"", kEditorMaxTextChars + 1);
    profile.m_className = file.GetString(kApplicationSection, u"ClassName", u"", kEditorMaxTextChars + 1);
    profile.m_autoRestore =
        !EqualsIgnoringCase(file.GetString(kApplicationSection, u"AutoRestore", u"true", kFlagBufferChars), u"false");
    profile.m_bringToTop =
        !EqualsIgnoringCase(file.GetString(kApplicationSection, u"BringToTop", u"true", kFlagBufferChars), u"false");
    return profile;
}
