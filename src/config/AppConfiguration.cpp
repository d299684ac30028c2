#include "config/AppConfiguration.h"

#include <string_view>
#include <vector>

#include "config/IniFile.h"
#include "platform/FileSystem.h"
#include "protocol/PhoneKeys.h"
#include "text/AsciiText.h"
#include "text/TextCodec.h"

namespace {

constexpr char16_t kApplicationSection[] = u"Application";
constexpr char16_t kKeyMappingSection[] = u"KeyMapping";
constexpr char16_t kDefaultName[] = u"Unknown";

// The two flags are free text: only "false" switches one off. Read into a buffer that holds
// any sensible word, so that a longer word is never cut down to "false".
constexpr size_t kFlagBufferChars = 100;

bool ReadFlag(const CIniFile& file, const char16_t* key)
{
    return !EqualsIgnoringCase(file.GetString(kApplicationSection, key, u"true", kFlagBufferChars), u"false");
}


}  // namespace

CAppConfiguration::CAppConfiguration(IFileSystem& fileSystem) : m_fileSystem(fileSystem) {}

CAppConfiguration::~CAppConfiguration() = default;

bool CAppConfiguration::Load(const std::u16string& path)
{
    m_keyMapping.clear();
    m_path = path;

    std::vector<uint8_t> bytes;
    if (!m_fileSystem.ReadFile(path, bytes))
        bytes.clear();
    CIniFile file;
    file.Parse(bytes, m_fileSystem.GetTextCodePage());

    m_name = file.GetString(kApplicationSection, u"Name", kDefaultName, kMaxNameChars + 1);
    m_className = file.GetString(kApplicationSection, u"ClassName", u"", kMaxClassNameChars + 1);
    m_executable = file.GetString(kApplicationSection, u"Executable", u"", kMaxExecutableChars + 1);
    m_title = file.GetString(kApplicationSection, u"Title", u"", kMaxTitleChars + 1);
    m_bringToTop = ReadFlag(file, u"BringToTop");
    m_autoRestore = ReadFlag(file, u"AutoRestore");

    if (m_className.empty() && m_executable.empty() && m_title.empty())
        return false;

    for (const std::u16string& keyName : file.GetKeyNames(kKeyMappingSection, kKeyNameBufferChars)) {
        const std::u16string value = file.GetString(kKeyMappingSection, keyName, u"", kMaxMappingChars + 1);
        const auto code = FindPhoneKeyCode(keyName);
        // A value the parser rejects is kept with the actions before the error, as the player
        // expects; a name that is no phone key is kept where no key event can reach it.
        CActionSequence sequence;
        sequence.Parse(value);
        m_keyMapping[code ? *code : kUnknownKeyCode] = std::move(sequence);
    }
    return true;
}

bool CAppConfiguration::Matches(const std::u16string& className, const std::u16string& executablePath,
                                const std::u16string& title) const
{
    if (!m_className.empty()) {
        std::u16string_view list = m_className;
        for (;;) {
            const size_t comma = list.find(u',');
            const std::u16string_view part = TrimAsciiSpace(list.substr(0, comma));
            // An empty part names no class: every window has a class name.
            if (!part.empty() && part == className)
                return true;
            if (comma == std::u16string_view::npos)
                return false;
            list.remove_prefix(comma + 1);
        }
    }

    if (!m_executable.empty()) {
        const size_t slash = executablePath.rfind(u'\\');
        const std::u16string_view fileName = slash == std::u16string::npos
                                                 ? std::u16string_view(executablePath)
                                                 : std::u16string_view(executablePath).substr(slash + 1);
        if (EqualsIgnoringCase(fileName, m_executable))
            return true;
    }

    return !m_title.empty() && title.find(m_title) != std::u16string::npos;
}
