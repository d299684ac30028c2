// Profile files are written by hand and by other programs. Feeds arbitrary bytes as a profile
// file, loads it, matches windows against it and checks what a loaded profile promises: texts
// within their limits, mappings only under phone key codes, the identification it read
// recognising its own window, and the same result from loading the same file again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/AppConfiguration.h"
#include "config/IniFile.h"
#include "platform/FileSystem.h"
#include "protocol/PhoneKeys.h"
#include "text/TextCodec.h"

namespace {

constexpr char16_t kPath[] = u"C:\\Q\\Profiles\\Fuzz.ini";

// One file, holding the fuzzer's bytes.
class COneFile : public IFileSystem {
public:
    COneFile(const uint8_t* data, size_t size) : m_bytes(data, data + size) {}

    bool ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) override
    {
        bytes.clear();
        if (path != kPath || m_bytes.size() > kMaxReadBytes)
            return false;
        bytes = m_bytes;
        return true;
    }
    std::vector<std::u16string> FindFiles(const std::u16string&, const std::u16string&) override { return {kPath}; }
    std::u16string GetExecutablePath() override { return u"C:\\Q\\Quillant.exe"; }
    std::u16string GetUserDataFolder() override { return u"C:\\U"; }

private:
    std::vector<uint8_t> m_bytes;
};

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

bool IsBlank(char16_t unit)
{
    return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

bool IsKnownCode(uint32_t code)
{
    if (code == CAppConfiguration::kUnknownKeyCode)
        return true;
    for (const CPhoneKey* key = kPhoneKeys; key->m_name != nullptr; ++key) {
        if (key->m_code == code)
            return true;
    }
    return false;
}

void CheckMatching(const CAppConfiguration& profile)
{
    // No window without class, executable and title belongs to any profile.
    Require(!profile.Matches(u"", u"", u""));

    const std::u16string& classes = profile.GetClassName();
    if (!classes.empty()) {
        // Each listed class, without its blanks, is recognised whatever the executable.
        size_t start = 0;
        for (;;) {
            const size_t comma = classes.find(u',', start);
            std::u16string part = classes.substr(start, comma == std::u16string::npos ? std::u16string::npos : comma - start);
            while (!part.empty() && IsBlank(part.back()))
                part.pop_back();
            size_t lead = 0;
            while (lead < part.size() && IsBlank(part[lead]))
                ++lead;
            part.erase(0, lead);
            if (!part.empty())
                Require(profile.Matches(part, u"", u""));
            if (comma == std::u16string::npos)
                break;
            start = comma + 1;
        }
        return;
    }
    const std::u16string& executable = profile.GetExecutable();
    if (!executable.empty() && executable.find(u'\\') == std::u16string::npos) {
        Require(profile.Matches(u"", u"C:\\Programs\\" + executable, u""));
        Require(profile.Matches(u"", FoldCase(executable), u""));
    }
    const std::u16string& title = profile.GetTitle();
    if (!title.empty())
        Require(profile.Matches(u"", u"", u"<" + title + u">"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    COneFile files(data, size);
    CAppConfiguration profile(files);
    const bool loaded = profile.Load(kPath);

    Require(profile.GetPath() == kPath);
    Require(profile.GetName().size() <= CAppConfiguration::kMaxNameChars);
    Require(profile.GetExecutable().size() <= CAppConfiguration::kMaxExecutableChars);
    Require(profile.GetTitle().size() <= CAppConfiguration::kMaxTitleChars);
    Require(profile.GetClassName().size() <= CAppConfiguration::kMaxClassNameChars);
    Require(loaded == !(profile.GetClassName().empty() && profile.GetExecutable().empty() && profile.GetTitle().empty()));
    if (!loaded)
        Require(profile.GetKeyMapping().empty());
    for (const auto& entry : profile.GetKeyMapping()) {
        Require(IsKnownCode(entry.first));
        for (size_t i = 0; i < entry.second.GetCount(); ++i) {
            const CAction action = entry.second.GetAt(i);
            Require(action.m_kind == ACTION_KEY || action.m_kind == ACTION_MOUSE);
        }
    }
    CheckMatching(profile);

    // Loading the same file again gives the same profile, nothing left over from before.
    CAppConfiguration again(files);
    Require(again.Load(kPath) == loaded);
    Require(profile.Load(kPath) == loaded);
    Require(again.GetName() == profile.GetName() && again.GetTitle() == profile.GetTitle() &&
            again.GetExecutable() == profile.GetExecutable() && again.GetClassName() == profile.GetClassName() &&
            again.GetBringToTop() == profile.GetBringToTop() && again.GetAutoRestore() == profile.GetAutoRestore());
    Require(again.GetKeyMapping().size() == profile.GetKeyMapping().size());

    // The reader itself: key names stay within their buffer, values within theirs.
    CIniFile file;
    file.Parse(data, size);
    size_t used = 1;
    for (const std::u16string& name : file.GetKeyNames(u"KeyMapping", CAppConfiguration::kKeyNameBufferChars)) {
        Require(!name.empty());
        used += name.size() + 1;
        Require(file.GetString(u"KeyMapping", name, u"", 8).size() <= 7);
    }
    Require(used <= CAppConfiguration::kKeyNameBufferChars);

    // What is taken for UTF-8 is exactly UTF-8: it decodes and encodes back to the same bytes.
    if (IsValidUtf8(data, size)) {
        std::vector<uint8_t> back;
        AppendUtf8(back, DecodeUtf8(data, size));
        Require(back == std::vector<uint8_t>(data, data + size));
    }
    return 0;
}
