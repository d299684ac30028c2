// The profiles shipped in res/Profiles, read from the source tree through a file system on the
// real disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "MemoryRegistryBackend.h"
#include "config/AppConfiguration.h"
#include "config/IniFile.h"
#include "config/ServerConfiguration.h"
#include "platform/FileSystem.h"
#include "protocol/PhoneKeys.h"
#include "TestText.h"

namespace {

namespace fs = std::filesystem;

fs::path SourceDir()
{
#ifdef QUILLANT_SOURCE_DIR
    return fs::path(QUILLANT_SOURCE_DIR);
#else
    return fs::path(__FILE__).parent_path().parent_path().parent_path();
#endif
}

fs::path ToNative(std::u16string path)
{
    std::replace(path.begin(), path.end(), u'\\', u'/');
    return fs::path(path);
}

std::u16string FromNative(const fs::path& path)
{
    std::u16string text = path.u16string();
    std::replace(text.begin(), text.end(), u'/', u'\\');
    return text;
}

// The disk under Windows-style paths: backslashes stand for slashes. Folders are listed in
// name order; only "*.<extension>" patterns are understood, as the profile set uses them.
class CDiskFileSystem : public IFileSystem {
public:
    explicit CDiskFileSystem(std::u16string executable) : m_executable(std::move(executable)) {}

    bool ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) override
    {
        bytes.clear();
        std::error_code error;
        const auto size = fs::file_size(ToNative(path), error);
        if (error || size > kMaxReadBytes)
            return false;
        std::ifstream file(ToNative(path), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        return static_cast<bool>(file) || file.eof();
    }

    std::vector<std::u16string> FindFiles(const std::u16string& folder, const std::u16string& pattern) override
    {
        std::vector<std::u16string> paths;
        const std::u16string suffix = FoldCase(pattern.substr(1));
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(ToNative(folder), error)) {
            const std::u16string name = entry.path().filename().u16string();
            if (entry.is_regular_file() && name.size() >= suffix.size() &&
                FoldCase(name.substr(name.size() - suffix.size())) == suffix)
                paths.push_back(folder + name);
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    std::u16string GetExecutablePath() override { return m_executable; }
    std::u16string GetUserDataFolder() override { return std::u16string(); }

private:
    std::u16string m_executable;
};

// The mapping lines of the file, in the order the profile editor writes them.
const char* const kFileKeys[] = {"RIGHT", "LEFT", "UP", "DOWN", "BUTTON", "1", "2", "3", "4",
                                 "5",     "6",    "7",  "8",    "9",      "STAR", "0", "HASH"};
// The phone keys in the order of the selection record.
const char* const kRecordKeys[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8",
                                   "9", "RIGHT", "LEFT", "UP", "DOWN", "BUTTON", "STAR", "HASH"};

// What the profile editor composes from its list selections: the written names of its key
// lists per key type, its modifier names and the rules of its second modifier list.
std::string Compose(int key, int type, int mod1, int mod2)
{
    static const std::vector<std::vector<std::string>> kKeys = [] {
        std::vector<std::vector<std::string>> lists(7);
        for (char c = 'a'; c <= 'z'; ++c)
            lists[0].push_back(std::string(1, c));
        for (int i = 1; i <= 9; ++i) {
            lists[1].push_back("num_" + std::to_string(i));
            lists[2].push_back("pad_" + std::to_string(i));
        }
        lists[3] = {"left", "right", "up", "down"};
        for (int i = 1; i <= 12; ++i)
            lists[4].push_back("F" + std::to_string(i));
        lists[5] = {"back", "tab",      "clear", "return",   "escape", "space",  "pageup", "pagedown", "end",
                    "home", "multiply", "add",   "subtract", "period", "divide", "numlock", "scroll"};
        lists[6] = {"Left", "Right", "Up", "Down", "Button1", "Button2", "Button3"};
        return lists;
    }();
    static const char* const kModifiers[] = {"",      "lwin",  "rwin",   "ctrl", "lctrl", "rctrl",
                                             "shift", "lshift", "rshift", "alt",  "lalt",  "ralt"};

    std::string prefix = "Key(";
    if (type == 6) {
        prefix = "Mouse(";
        mod1 = mod2 = 0;
    }
    const std::string k = key == 0 ? "" : kKeys[type].at(key - 1);
    const std::string m1 = kModifiers[mod1];
    int second = 0;
    if (mod2 != 0)
        second = mod1 <= 5 ? mod2 + 5 : mod1 >= 9 ? mod2 + 2 : mod2 <= 3 ? mod2 + 2 : mod2 + 5;
    const std::string m2 = kModifiers[second];
    if (mod1 != 0 && mod2 != 0)
        return prefix + k + "," + m1 + "," + m2 + ")";
    if (mod2 != 0)
        return prefix + k + "," + m2 + ")";
    if (mod1 != 0 && !k.empty())
        return prefix + k + "," + m1 + ")";
    return prefix + k + ")";
}

class DefaultProfilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_config.LoadProfiles();
        ASSERT_FALSE(m_config.GetProfiles().empty()) << "no profiles in " << (SourceDir() / "res" / "Profiles");
    }

    std::vector<uint8_t> Bytes(const CAppConfiguration& profile)
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(m_files.ReadFile(profile.GetPath(), bytes));
        return bytes;
    }

    // The name of the first enabled profile that recognises the window, as the application
    // list picks it; empty when none does.
    std::u16string Recognise(const std::u16string& className, const std::u16string& executable,
                             const std::u16string& title) const
    {
        for (const auto& profile : m_config.GetProfiles()) {
            if (profile->IsEnabled() && profile->Matches(className, executable, title))
                return profile->GetName();
        }
        return u"";
    }

    CDiskFileSystem m_files{FromNative(SourceDir() / "res" / "Quillant.exe")};
    CMemoryRegistryBackend m_registry;
    CServerConfiguration m_config{m_registry, m_files};
};

TEST_F(DefaultProfilesTest, EveryProfileLoadsWithAFullKeypad)
{
    std::set<std::u16string> names;
    for (const auto& profile : m_config.GetProfiles()) {
        SCOPED_TRACE(Narrow(profile->GetPath()));
        CAppConfiguration reloaded(m_files);
        EXPECT_TRUE(reloaded.Load(profile->GetPath()));
        // The editor names the file after the profile.
        EXPECT_EQ(profile->GetName() + u".ini", ToNative(profile->GetPath()).filename().u16string());
        EXPECT_TRUE(names.insert(profile->GetName()).second);
        EXPECT_TRUE(profile->IsEnabled());
        EXPECT_TRUE(profile->GetBringToTop()) << "keys go to the window with the focus";

        const auto& mapping = profile->GetKeyMapping();
        EXPECT_EQ(mapping.size(), 17u);
        for (const char* key : kFileKeys) {
            const auto found = mapping.find(*FindPhoneKeyCode(std::u16string(key, key + strlen(key))));
            ASSERT_NE(found, mapping.end()) << key;
            EXPECT_GT(found->second.GetCount(), 0u) << key;
        }
    }
}

TEST_F(DefaultProfilesTest, FilesHaveTheEditorsLayout)
{
    const char* const kApplicationLines[] = {"[Application]", "Name=\"", "Executable=\"", "Title=\"",
                                             "AutoRestore=",  "BringToTop=", "ClassName=\"", "[KeyMapping]"};
    for (const auto& profile : m_config.GetProfiles()) {
        SCOPED_TRACE(Narrow(profile->GetPath()));
        const std::vector<uint8_t> bytes = Bytes(*profile);
        const std::string text(bytes.begin(), bytes.end());
        ASSERT_GE(text.size(), 20u);
        EXPECT_EQ(text.substr(15, 5), "Name=") << "the editor reads the name from byte 20";

        std::vector<std::string> lines;
        for (size_t start = 0;;) {
            const size_t end = text.find("\r\n", start);
            lines.push_back(text.substr(start, end - start));
            if (end == std::string::npos)
                break;
            start = end + 2;
        }
        ASSERT_EQ(lines.size(), 26u) << "26 lines, the last without a line end";
        for (const std::string& line : lines) {
            EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "CR LF line ends only";
            EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7F; }));
        }
        for (size_t i = 0; i < std::size(kApplicationLines); ++i)
            EXPECT_EQ(lines[i].rfind(kApplicationLines[i], 0), 0u) << lines[i];
        for (const size_t quoted : {1u, 2u, 3u, 6u})
            EXPECT_EQ(lines[quoted].back(), '"') << lines[quoted];
        for (const size_t flag : {4u, 5u}) {
            const std::string value = lines[flag].substr(lines[flag].find('=') + 1);
            EXPECT_TRUE(value == "true" || value == "false") << lines[flag];
        }

        // The selection record: four groups of list indexes, each within its list.
        const std::string& record = lines[25];
        ASSERT_EQ(record.size(), 103u);
        ASSERT_EQ(record[0], '#');
        ASSERT_TRUE(std::all_of(record.begin() + 1, record.end(), [](char c) { return c >= '0' && c <= '9'; }));
        std::map<std::string, std::string> composed;
        for (int k = 0; k < 17; ++k) {
            const int key = std::stoi(record.substr(1 + 2 * k, 2));
            const int type = record[35 + k] - '0';
            const int mod1 = std::stoi(record.substr(52 + 2 * k, 2));
            const int mod2 = record[86 + k] - '0';
            ASSERT_LE(type, 6) << kRecordKeys[k];
            ASSERT_LE(mod1, 11) << kRecordKeys[k];
            ASSERT_LE(mod2, 6) << kRecordKeys[k];
            if (mod1 <= 2) {
                ASSERT_EQ(mod2, 0) << kRecordKeys[k] << ": no second modifier after a Windows key";
            }
            composed[kRecordKeys[k]] = Compose(key, type, mod1, mod2);
        }
        // Every mapping is what the editor rebuilds from the record, so editing the profile
        // changes nothing the user did not change.
        for (size_t i = 0; i < std::size(kFileKeys); ++i)
            EXPECT_EQ(lines[8 + i], std::string(kFileKeys[i]) + "=" + composed[kFileKeys[i]]);
    }
}

TEST_F(DefaultProfilesTest, MappingsParseWhole)
{
    for (const auto& profile : m_config.GetProfiles()) {
        SCOPED_TRACE(Narrow(profile->GetPath()));
        CIniFile file;
        file.Parse(Bytes(*profile));
        const auto keys = file.GetKeyNames(u"KeyMapping", CAppConfiguration::kKeyNameBufferChars);
        EXPECT_EQ(keys.size(), 17u);
        for (const std::u16string& key : keys) {
            CActionSequence sequence;
            EXPECT_TRUE(sequence.Parse(file.GetString(u"KeyMapping", key, u"", 1024))) << Narrow(key);
        }
    }
}

// A phone key must never do harm: no Delete (the key list's "clear" sends it), and nothing
// that closes a window, a tab or a document.
TEST_F(DefaultProfilesTest, NoKeyDeletesOrCloses)
{
    const struct {
        int32_t code;
        int32_t modifiers;
    } harmful[] = {{0x2E, -1}, {0x73, MODIFIER_ALT}, {0x73, MODIFIER_CTRL}, {'W', MODIFIER_CTRL},
                   {'Q', MODIFIER_CTRL}, {'X', MODIFIER_ALT}};
    for (const auto& profile : m_config.GetProfiles()) {
        SCOPED_TRACE(Narrow(profile->GetPath()));
        for (const auto& entry : profile->GetKeyMapping()) {
            for (size_t i = 0; i < entry.second.GetCount(); ++i) {
                const CAction action = entry.second.GetAt(i);
                if (action.m_kind != ACTION_KEY)
                    continue;
                for (const auto& bad : harmful) {
                    EXPECT_FALSE(action.m_code == bad.code && (bad.modifiers == -1 || action.m_modifiers == bad.modifiers))
                        << "phone key 0x" << std::hex << entry.first;
                }
            }
        }
    }
}

TEST_F(DefaultProfilesTest, RecogniseTheirApplications)
{
    const struct {
        std::u16string className;
        std::u16string executable;
        std::u16string title;
        std::u16string profile;
    } windows[] = {
        // The presentation program's main window; its slide show window is not an application.
        {u"PPTFrameClass", u"C:\\Program Files\\Microsoft Office\\root\\Office16\\POWERPNT.EXE",
         u"Talk.pptx - PowerPoint", u"PowerPoint"},
        {u"screenClass", u"C:\\Program Files\\Microsoft Office\\root\\Office16\\POWERPNT.EXE",
         u"PowerPoint Slide Show - Talk.pptx", u""},
        {u"WMPlayerApp", u"C:\\Program Files (x86)\\Windows Media Player\\wmplayer.exe", u"Windows Media Player",
         u"Windows Media Player"},
        {u"Qt5QWindowIcon", u"C:\\Program Files\\VideoLAN\\VLC\\vlc.exe", u"film.mkv - VLC media player",
         u"VLC media player"},
        {u"AcrobatSDIWindow", u"C:\\Program Files\\Adobe\\Acrobat DC\\Acrobat\\Acrobat.exe",
         u"manual.pdf - Adobe Acrobat Reader (64-bit)", u"Adobe Acrobat Reader"},
        {u"AcrobatSDIWindow", u"C:\\Program Files (x86)\\Adobe\\Acrobat Reader DC\\Reader\\AcroRd32.exe",
         u"manual.pdf - Adobe Acrobat Reader DC", u"Adobe Acrobat Reader"},
        {u"Chrome_WidgetWin_1", u"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe",
         u"Talk - Google Slides - Google Chrome", u"Google Chrome"},
        {u"Chrome_WidgetWin_1", u"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe",
         u"Talk - Work - Microsoft\u200B Edge", u"Microsoft Edge"},
        {u"MozillaWindowClass", u"C:\\Program Files\\Mozilla Firefox\\firefox.exe", u"Talk \u2014 Mozilla Firefox",
         u"Mozilla Firefox"},
        {u"IrfanView", u"C:\\Program Files\\IrfanView\\i_view64.exe", u"photo.jpg - IrfanView", u"IrfanView"},
        // Other programs on the same window class are not taken for a browser.
        {u"Chrome_WidgetWin_1", u"C:\\Users\\u\\AppData\\Local\\Programs\\Microsoft VS Code\\Code.exe",
         u"main.cpp - Visual Studio Code", u""},
        {u"Notepad", u"C:\\Windows\\System32\\notepad.exe", u"Untitled - Notepad", u""},
    };
    for (const auto& window : windows) {
        SCOPED_TRACE(Narrow(window.title));
        EXPECT_EQ(Recognise(window.className, window.executable, window.title), window.profile);
    }
}

}  // namespace
