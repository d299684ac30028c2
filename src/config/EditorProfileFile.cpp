#include "config/EditorProfileFile.h"

#include <string_view>

#include "config/IniFile.h"
#include "text/AsciiText.h"
#include "text/TextCodec.h"

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

// ASCII as it is, which every code page reads alike; any other text as UTF-8 with its
// byte-order mark, which reads the same whatever the system's code page, also in older builds.
std::vector<uint8_t> Encode(std::u16string_view text)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() + 3);
    for (char16_t unit : text) {
        if (unit >= 0x80) {
            bytes.assign({0xEF, 0xBB, 0xBF});
            AppendUtf8(bytes, text);
            return bytes;
        }
        bytes.push_back(static_cast<uint8_t>(unit));
    }
    return bytes;
}

// Text good enough to find the selection record, which is ASCII: UTF-16 is decoded, every
// other encoding keeps one code unit per byte.
std::u16string DecodeForRecord(const std::vector<uint8_t>& bytes)
{
    const size_t size = bytes.size();
    if (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
        return DecodeUtf16(bytes.data() + 2, size - 2, bytes[0] == 0xFE);
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

std::optional<CEditorProfile> ParseEditorProfile(const std::vector<uint8_t>& bytes, const ICodePage& codePage)
{
    const std::u16string text = DecodeForRecord(bytes);
    const auto record = FindRecord(text);
    if (!record)
        return std::nullopt;
    const auto selections = DecodeSelectionRecord(*record);
    if (!selections)
        return std::nullopt;

    CIniFile file;
    file.Parse(bytes, codePage);
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
