#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "MemoryFileSystem.h"
#include "config/AppConfiguration.h"
#include "protocol/PhoneKeys.h"
#include "TestActions.h"

namespace {

constexpr char16_t kPath[] = u"C:\\Q\\Profiles\\Test.ini";

uint32_t Code(const char16_t* name)
{
    const auto code = FindPhoneKeyCode(name);
    EXPECT_TRUE(code) << "no phone key of that name";
    return code ? *code : 0;
}

class AppConfigurationTest : public ::testing::Test {
protected:
    // Loads the text as the profile file.
    bool Load(const std::string& text)
    {
        m_files.Add(kPath, text);
        return m_profile.Load(kPath);
    }

    std::optional<Actions> Mapping(uint32_t code) const
    {
        const auto& mapping = m_profile.GetKeyMapping();
        const auto found = mapping.find(code);
        if (found == mapping.end())
            return std::nullopt;
        return ActionsOf(found->second);
    }

    CMemoryFileSystem m_files;
    CAppConfiguration m_profile{m_files};
};

// A file as the profile editor writes it.
const char kEditorFile[] =
    "[Application]\r\n"
    "Name=\"Media Player\"\r\n"
    "Executable=\"wmplayer.exe\"\r\n"
    "Title=\"\"\r\n"
    "AutoRestore=false\r\n"
    "BringToTop=true\r\n"
    "ClassName=\"\"\r\n"
    "[KeyMapping]\r\n"
    "RIGHT=Key(f,ctrl)\r\n"
    "LEFT=Key(b,ctrl)\r\n"
    "UP=Key(F9)\r\n"
    "DOWN=Key(F8)\r\n"
    "BUTTON=Key(p,ctrl)\r\n"
    "1=Mouse(Button1)\r\n"
    "2=Key(left,lctrl,lshift)\r\n"
    "3=\r\n"
    "4=\r\n"
    "5=\r\n"
    "6=\r\n"
    "7=\r\n"
    "8=\r\n"
    "9=\r\n"
    "STAR=Key(escape)\r\n"
    "0=\r\n"
    "HASH=Key(return,alt)\r\n"
    "#000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000";

TEST_F(AppConfigurationTest, EditorFileLoads)
{
    ASSERT_TRUE(Load(kEditorFile));
    EXPECT_EQ(m_profile.GetPath(), kPath);
    EXPECT_EQ(m_profile.GetName(), u"Media Player");
    EXPECT_EQ(m_profile.GetExecutable(), u"wmplayer.exe");
    EXPECT_EQ(m_profile.GetTitle(), u"");
    EXPECT_EQ(m_profile.GetClassName(), u"");
    EXPECT_FALSE(m_profile.GetAutoRestore());
    EXPECT_TRUE(m_profile.GetBringToTop());
    EXPECT_TRUE(m_profile.IsEnabled());

    EXPECT_EQ(Mapping(Code(u"Right")), (Actions{Key(0x46, MODIFIER_CTRL)}));
    EXPECT_EQ(Mapping(Code(u"Up")), (Actions{Key(0x78)}));
    EXPECT_EQ(Mapping(Code(u"1")), (Actions{Mouse(MOUSE_BUTTON1)}));
    EXPECT_EQ(Mapping(Code(u"2")), (Actions{Key(0x25, MODIFIER_CTRL | MODIFIER_SHIFT)}));
    EXPECT_EQ(Mapping(Code(u"Hash")), (Actions{Key(0x0D, MODIFIER_ALT)}));
    // Empty values are mappings too: the key brings the window up and plays nothing.
    EXPECT_EQ(Mapping(Code(u"5")), Actions{});
    // The 17 phone keys, and nothing from the selection record.
    EXPECT_EQ(m_profile.GetKeyMapping().size(), 17u);
    EXPECT_FALSE(Mapping(CAppConfiguration::kUnknownKeyCode));
}

TEST_F(AppConfigurationTest, ApplicationSettingsAndTheirDefaults)
{
    const struct {
        const char* what;
        std::string text;
        bool loaded;
        std::u16string name;
        bool bringToTop;
        bool autoRestore;
    } cases[] = {
        {"no Name", "[Application]\r\nExecutable=a.exe\r\n", true, u"Unknown", true, true},
        {"empty Name", "[Application]\r\nName=\r\nExecutable=a.exe\r\n", true, u"", true, true},
        {"names in any case", "[APPLICATION]\r\nname=x\r\nexecutable=a.exe\r\nbringtotop=FALSE\r\n", true, u"x", false,
         true},
        {"FALSE in capitals", "[Application]\r\nTitle=t\r\nBringToTop=FALSE\r\nAutoRestore=False\r\n", true, u"Unknown",
         false, false},
        {"quoted and padded false", "[Application]\r\nTitle=t\r\nBringToTop= \"false\" \r\n", true, u"Unknown", false,
         true},
        {"other words give true", "[Application]\r\nTitle=t\r\nBringToTop=no\r\nAutoRestore=0\r\n", true, u"Unknown",
         true, true},
        {"a longer word is no false", "[Application]\r\nTitle=t\r\nBringToTop=falsehood\r\n", true, u"Unknown", true,
         true},
        {"empty values give true", "[Application]\r\nTitle=t\r\nBringToTop=\r\nAutoRestore=\r\n", true, u"Unknown",
         true, true},
        {"nothing identifies", "[Application]\r\nName=x\r\nBringToTop=false\r\n", false, u"x", false, true},
        {"blank identification", "[Application]\r\nExecutable=   \r\nTitle=\"\"\r\n", false, u"Unknown", true, true},
        {"only a key mapping", "[KeyMapping]\r\nRIGHT=Key(right)\r\n", false, u"Unknown", true, true},
        {"empty file", "", false, u"Unknown", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Load(c.text), c.loaded);
        EXPECT_EQ(m_profile.GetName(), c.name);
        EXPECT_EQ(m_profile.GetBringToTop(), c.bringToTop);
        EXPECT_EQ(m_profile.GetAutoRestore(), c.autoRestore);
        EXPECT_EQ(m_profile.GetPath(), kPath);
        if (!c.loaded) {
            EXPECT_TRUE(m_profile.GetKeyMapping().empty());
        }
    }
}

TEST_F(AppConfigurationTest, LongTextsAreCut)
{
    std::string repeated;
    for (int i = 0; i < 160; ++i)
        repeated += "KEY(A);";
    ASSERT_TRUE(Load("[Application]\r\nName=\"" + std::string(150, 'n') + "\"\r\nExecutable=" + std::string(250, 'e') +
                     "\r\nTitle=" + std::string(250, 't') + "\r\nClassName=" + std::string(400, 'c') +
                     "\r\n[KeyMapping]\r\nRIGHT=" + repeated + "\r\n"));
    EXPECT_EQ(m_profile.GetName(), std::u16string(99, u'n'));
    EXPECT_EQ(m_profile.GetExecutable(), std::u16string(199, u'e'));
    EXPECT_EQ(m_profile.GetTitle(), std::u16string(199, u't'));
    EXPECT_EQ(m_profile.GetClassName(), std::u16string(299, u'c'));
    // 1023 characters hold 146 whole items of 7; the cut 147th fails and ends the parse.
    EXPECT_EQ(Mapping(Code(u"Right")), Actions(146, Key(0x41)));
}

TEST_F(AppConfigurationTest, KeyMappingSection)
{
    const struct {
        const char* what;
        std::string mapping;
        uint32_t code;
        std::optional<Actions> expected;
    } cases[] = {
        {"names in any case", "[keymapping]\r\nright=KEY(A)\r\n", Code(u"Right"), Actions{Key(0x41)}},
        {"Star and STAR are one key", "[KeyMapping]\r\nStar=KEY(A)\r\nSTAR=KEY(B)\r\n", Code(u"Star"),
         Actions{Key(0x41)}},
        {"names with blanks", "[KeyMapping]\r\nCase Open=KEY(A)\r\n", Code(u"Case Open"), Actions{Key(0x41)}},
        {"unknown names kept apart", "[KeyMapping]\r\nFOO=KEY(A)\r\nBAR=KEY(B)\r\n", CAppConfiguration::kUnknownKeyCode,
         Actions{Key(0x42)}},
        {"a rejected value keeps its first actions", "[KeyMapping]\r\nUP=KEY(A);\r\n", Code(u"Up"),
         Actions{Key(0x41)}},
        {"a rejected value is still a mapping", "[KeyMapping]\r\nUP=KEY(FOO)\r\n", Code(u"Up"), Actions{}},
        {"quotes dropped from values", "[KeyMapping]\r\nUP=\"KEY(A)\"\r\n", Code(u"Up"), Actions{Key(0x41)}},
        {"a line without '=' is no key", "[KeyMapping]\r\nUP\r\n", Code(u"Up"), std::nullopt},
        {"the selection record names no key", "[KeyMapping]\r\n#12=KEY(A)\r\n", Code(u"1"), std::nullopt},
        {"a repeated section is not read", "[KeyMapping]\r\nUP=KEY(A)\r\n[KeyMapping]\r\nDOWN=KEY(B)\r\n",
         Code(u"Down"), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Load("[Application]\r\nTitle=x\r\n" + c.mapping));
        EXPECT_EQ(Mapping(c.code), c.expected);
    }
}

// Key names are read into a buffer of 2048 characters; a name that does not fit is not seen,
// nor is any name after it.
TEST_F(AppConfigurationTest, KeyNamesBeyondTheBufferAreNotSeen)
{
    // 15 names of 127 characters take 15 * 128 characters with their terminators, and the list
    // one more: 1921. A last filler of 123 characters (124 with its terminator) leaves exactly
    // the 3 that "UP" needs; one character more and it does not fit.
    for (const size_t last : {123u, 124u}) {
        SCOPED_TRACE(last);
        std::string text = "[Application]\r\nTitle=x\r\n[KeyMapping]\r\n";
        for (int i = 0; i < 15; ++i)
            text += std::string(124, 'a') + std::to_string(100 + i) + "=KEY(A)\r\n";
        text += std::string(last, 'b') + "=KEY(A)\r\nUP=KEY(B)\r\n";
        ASSERT_TRUE(Load(text));
        EXPECT_EQ(Mapping(Code(u"Up")).has_value(), last == 123);
        EXPECT_TRUE(Mapping(CAppConfiguration::kUnknownKeyCode));
    }
}

TEST_F(AppConfigurationTest, ReloadReplacesEverything)
{
    ASSERT_TRUE(Load(kEditorFile));
    m_profile.SetEnabled(false);
    EXPECT_FALSE(Load("[Application]\r\nName=Other\r\n[KeyMapping]\r\nUP=KEY(A)\r\n"));
    EXPECT_EQ(m_profile.GetName(), u"Other");
    EXPECT_EQ(m_profile.GetExecutable(), u"");
    EXPECT_TRUE(m_profile.GetAutoRestore());
    EXPECT_TRUE(m_profile.GetKeyMapping().empty());
    EXPECT_FALSE(m_profile.IsEnabled()) << "enabling is the profile set's business";

    ASSERT_TRUE(Load(kEditorFile));
    EXPECT_FALSE(m_profile.Load(u"C:\\Q\\Profiles\\Missing.ini"));
    EXPECT_EQ(m_profile.GetPath(), u"C:\\Q\\Profiles\\Missing.ini");
    EXPECT_EQ(m_profile.GetName(), u"Unknown");
    EXPECT_EQ(m_profile.GetExecutable(), u"");
    EXPECT_TRUE(m_profile.GetKeyMapping().empty());
}

// Whatever the file holds, the profile loads, to its defaults where nothing can be read.
TEST_F(AppConfigurationTest, DamagedFilesLoadSafely)
{
    std::vector<uint8_t> binary(4096);
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<uint8_t>((i * 131 + 7) % 256);
    std::vector<uint8_t> truncated(kEditorFile, kEditorFile + 205);
    std::vector<uint8_t> oversized(IFileSystem::kMaxReadBytes + 1, 'a');
    std::vector<uint8_t> atTheCap(IFileSystem::kMaxReadBytes, '[');
    const std::string header = "[Application]\r\nTitle=big\r\n[KeyMapping]\r\n";
    std::copy(header.begin(), header.end(), atTheCap.begin());
    std::vector<uint8_t> oddUtf16 = {0xFF, 0xFE, '[', 0, 'A'};

    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        bool readable;
        bool loaded;
        std::u16string name;
        std::u16string title;
    } cases[] = {
        {"not text", binary, true, false, u"Unknown", u""},
        {"truncated", truncated, true, true, u"Media Player", u""},
        {"too large to read", oversized, true, false, u"Unknown", u""},
        {"as large as can be read", atTheCap, true, true, u"Unknown", u"big"},
        {"unreadable", std::vector<uint8_t>(kEditorFile, kEditorFile + sizeof(kEditorFile) - 1), false, false,
         u"Unknown", u""},
        {"cut UTF-16", oddUtf16, true, false, u"Unknown", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_files.Add(kPath, c.bytes, c.readable);
        EXPECT_EQ(m_profile.Load(kPath), c.loaded);
        EXPECT_EQ(m_profile.GetName(), c.name);
        EXPECT_EQ(m_profile.GetTitle(), c.title);
    }
    // The truncated file ends inside the BUTTON line, after the mappings of four keys.
    m_files.Add(kPath, truncated);
    ASSERT_TRUE(m_profile.Load(kPath));
    EXPECT_EQ(m_profile.GetKeyMapping().size(), 4u);
}

TEST_F(AppConfigurationTest, ProfilesInOtherEncodingsLoad)
{
    const std::string utf8 = "\xEF\xBB\xBF[Application]\r\nName=Caf\xC3\xA9\r\nExecutable=CAF\xC3\x89.EXE\r\n";
    ASSERT_TRUE(Load(utf8));
    EXPECT_EQ(m_profile.GetName(), u"Caf\u00E9");
    EXPECT_TRUE(m_profile.Matches(u"", u"C:\\x\\caf\u00E9.exe", u""));

    ASSERT_TRUE(Load("[Application]\r\nName=Caf\xE9\r\nTitle=\x80 rates\r\n"));
    EXPECT_EQ(m_profile.GetName(), u"Caf\u00E9");
    EXPECT_EQ(m_profile.GetTitle(), u"\u20AC rates");

    std::vector<uint8_t> utf16 = {0xFF, 0xFE};
    for (char16_t unit : std::u16string(u"[Application]\r\nTitle=\u0416\r\n[KeyMapping]\r\nUp=KEY(A)\r\n")) {
        utf16.push_back(static_cast<uint8_t>(unit));
        utf16.push_back(static_cast<uint8_t>(unit >> 8));
    }
    m_files.Add(kPath, utf16);
    ASSERT_TRUE(m_profile.Load(kPath));
    EXPECT_EQ(m_profile.GetTitle(), u"\u0416");
    EXPECT_EQ(Mapping(Code(u"Up")), Actions{Key(0x41)});
}

TEST_F(AppConfigurationTest, Matching)
{
    const std::u16string exe = u"C:\\Program Files\\Media\\wmplayer.exe";
    const struct {
        const char* what;
        std::string application;  // lines of [Application]
        std::u16string className;
        std::u16string executable;
        std::u16string title;
        bool matches;
    } cases[] = {
        {"class list, first", "ClassName=\"WMP Skin Host, WMPlayerApp\"", u"WMP Skin Host", u"", u"", true},
        {"class list, second", "ClassName=\"WMP Skin Host, WMPlayerApp\"", u"WMPlayerApp", u"", u"", true},
        {"class list, other case", "ClassName=\"WMP Skin Host, WMPlayerApp\"", u"wmplayerapp", u"", u"", false},
        {"class list, blanks and tabs", "ClassName=\" A ,\tB\t,C\"", u"B", u"", u"", true},
        {"class list, part of a name", "ClassName=WMPlayerApp", u"WMPlayer", u"", u"", false},
        {"class list, empty parts name nothing", "ClassName=\"A,,\"", u"", u"", u"", false},
        {"class decides alone", "ClassName=X\r\nExecutable=wmplayer.exe\r\nTitle=Player", u"Y", exe, u"Player", false},
        {"executable in capitals", "Executable=WMPLAYER.EXE", u"", exe, u"", true},
        {"bare executable name", "Executable=wmplayer.exe", u"", u"wmplayer.exe", u"", true},
        {"executable without extension", "Executable=wmplayer", u"", exe, u"", false},
        {"executable is the last part only", "Executable=Media\\wmplayer.exe", u"", exe, u"", false},
        {"executable at the end only", "Executable=player.exe", u"", exe, u"", false},
        {"no process found", "Executable=wmplayer.exe", u"", u"", u"", false},
        {"title substring", "Title=Media Player", u"", u"", u"Windows Media Player - song", true},
        {"title with case", "Title=media player", u"", u"", u"Windows Media Player", false},
        {"title after executable misses", "Executable=other.exe\r\nTitle=Player", u"", exe, u"Media Player", true},
        {"title longer than the window's", "Title=Media Player 12", u"", u"", u"Media Player", false},
        {"nothing identifies", "Name=x", u"", u"", u"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Load("[Application]\r\n" + c.application + "\r\n");
        EXPECT_EQ(m_profile.Matches(c.className, c.executable, c.title), c.matches);
    }
}

}  // namespace
