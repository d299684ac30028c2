#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryFileSystem.h"
#include "MemoryRegistryBackend.h"
#include "config/Registry.h"
#include "config/ServerConfiguration.h"
#include "config/StringListCodec.h"

namespace {

using Bytes = std::vector<uint8_t>;
using List = std::vector<std::u16string>;

Bytes Utf16z(const std::u16string& text)
{
    Bytes bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

Bytes Dword(uint32_t value)
{
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}

class ServerConfigurationTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(m_backend.OpenHandles(), 0u) << "a key was left open";
        EXPECT_EQ(m_backend.BadCloses(), 0);
    }

    void Put(const std::u16string& name, uint32_t type, Bytes data)
    {
        m_backend.Put(kSettingsKeyPath, name, type, std::move(data));
    }

    void ExpectDefaults(const CServerConfiguration& config)
    {
        EXPECT_EQ(config.GetSerialPort(), u"COM99");
        EXPECT_EQ(config.GetMouseSpeed(), 100);
        EXPECT_EQ(config.GetDisableScreensaver(), 1);
    }

    CMemoryRegistryBackend m_backend;
    CMemoryFileSystem m_files;
    CServerConfiguration m_config{m_backend, m_files};
};

TEST_F(ServerConfigurationTest, FirstStartCreatesTheKeyAndUsesDefaults)
{
    ASSERT_FALSE(m_backend.KeyExists(kSettingsKeyPath));
    EXPECT_TRUE(m_config.LoadSettings());
    EXPECT_TRUE(m_backend.KeyExists(kSettingsKeyPath));
    ExpectDefaults(m_config);
    EXPECT_TRUE(m_config.GetDisabledProfiles().empty());
    EXPECT_EQ(m_backend.Writes(), 0);
}

TEST_F(ServerConfigurationTest, StoredValuesLoad)
{
    Put(u"Serial Port", RC_REG_SZ, Utf16z(u"COM4"));
    Put(u"Mouse Speed", RC_REG_DWORD, Dword(5));
    Put(u"Disable Screensaver", RC_REG_DWORD, Dword(0));
    Put(u"Disabled Profiles", RC_REG_BINARY, EncodeStringList({u"C:\\Q\\Profiles\\Word.ini"}));

    EXPECT_TRUE(m_config.LoadSettings());
    EXPECT_EQ(m_config.GetSerialPort(), u"COM4");
    EXPECT_EQ(m_config.GetMouseSpeed(), 5);
    EXPECT_EQ(m_config.GetDisableScreensaver(), 0);
    EXPECT_EQ(m_config.GetDisabledProfiles(), List{u"C:\\Q\\Profiles\\Word.ini"});
    EXPECT_EQ(m_backend.Writes(), 0);
}

// Values that cannot be read take their defaults, also over values loaded before.
TEST_F(ServerConfigurationTest, UnreadableValuesTakeDefaults)
{
    const struct {
        const char* what;
        std::u16string name;
        uint32_t type;
        Bytes data;
    } cases[] = {
        {"port over 200 bytes", u"Serial Port", RC_REG_SZ, Utf16z(std::u16string(100, u'C'))},
        {"speed over 4 bytes", u"Mouse Speed", 11, Bytes(8, 0x01)},
        {"speed stored as text", u"Mouse Speed", RC_REG_SZ, Utf16z(u"150")},
        {"screensaver over 4 bytes", u"Disable Screensaver", RC_REG_BINARY, Bytes(5, 0x00)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CMemoryRegistryBackend backend;
        CServerConfiguration config(backend, m_files);
        backend.Put(kSettingsKeyPath, u"Serial Port", RC_REG_SZ, Utf16z(u"COM1"));
        backend.Put(kSettingsKeyPath, u"Mouse Speed", RC_REG_DWORD, Dword(250));
        backend.Put(kSettingsKeyPath, u"Disable Screensaver", RC_REG_DWORD, Dword(0));
        ASSERT_TRUE(config.LoadSettings());

        backend.Put(kSettingsKeyPath, c.name, c.type, c.data);
        ASSERT_TRUE(config.LoadSettings());
        EXPECT_EQ(config.GetSerialPort(), c.name == u"Serial Port" ? u"COM99" : u"COM1");
        EXPECT_EQ(config.GetMouseSpeed(), c.name == u"Mouse Speed" ? 100 : 250);
        EXPECT_EQ(config.GetDisableScreensaver(), c.name == u"Disable Screensaver" ? 1 : 0);
    }
}

TEST_F(ServerConfigurationTest, UnusableDisabledListLoadsEmptyAndIsNotRewrittenByLoad)
{
    const struct {
        const char* what;
        uint32_t type;
        Bytes data;
    } cases[] = {
        {"truncated", RC_REG_BINARY, {0x01, 0x00, 0xFF, 0xFE, 0xFF, 0x05, 'a', 0x00}},
        {"bad marker", RC_REG_BINARY, {0x01, 0x00, 0x03, 'a', 'b', 'c'}},
        {"huge count", RC_REG_BINARY, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
        {"empty binary", RC_REG_BINARY, {}},
        {"not binary", RC_REG_SZ, Utf16z(u"C:\\Q\\Profiles\\Word.ini")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Put(u"Disabled Profiles", RC_REG_BINARY, EncodeStringList({u"previous"}));
        ASSERT_TRUE(m_config.LoadSettings());
        ASSERT_FALSE(m_config.IsProfileEnabled(u"previous"));

        Put(u"Disabled Profiles", c.type, c.data);
        EXPECT_TRUE(m_config.LoadSettings());
        EXPECT_TRUE(m_config.GetDisabledProfiles().empty());
        EXPECT_TRUE(m_config.IsProfileEnabled(u"previous"));

        const auto stored = m_backend.Get(kSettingsKeyPath, u"Disabled Profiles");
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->type, c.type);
        EXPECT_EQ(stored->data, c.data);
    }
}

TEST_F(ServerConfigurationTest, ListLargerThan4096BytesSurvivesLoadAndSave)
{
    List paths;
    for (int i = 0; i < 40; ++i)
        paths.push_back(u"C:\\Program Files\\Tarvo Quillant\\Profiles\\Application number " +
                        std::u16string(static_cast<size_t>(i % 7) + 1, static_cast<char16_t>(u'a' + i)) + u".ini");
    paths.push_back(u"C:\\Program Files\\Tarvo Quillant\\Profiles\\" + std::u16string(300, u'x') + u".ini");
    const Bytes stored = EncodeStringList(paths);
    ASSERT_GT(stored.size(), 4096u);
    Put(u"Disabled Profiles", RC_REG_BINARY, stored);
    // Saving rebuilds the list from the profiles, so every listed profile exists.
    for (const std::u16string& path : paths)
        m_files.Add(path, "[Application]\r\nExecutable=a.exe\r\n");
    m_config.LoadProfiles();
    ASSERT_EQ(m_config.GetProfiles().size(), paths.size());

    ASSERT_TRUE(m_config.LoadSettings());
    EXPECT_EQ(m_config.GetDisabledProfiles(), paths);
    for (const std::u16string& path : paths)
        EXPECT_FALSE(m_config.IsProfileEnabled(path));

    ASSERT_TRUE(m_config.SaveSettings());
    const auto saved = m_backend.Get(kSettingsKeyPath, u"Disabled Profiles");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->type, RC_REG_BINARY);
    EXPECT_EQ(saved->data, stored);
}

TEST_F(ServerConfigurationTest, PathsDifferingInCaseAreDifferentEntries)
{
    const List paths = {u"C:\\Q\\Profiles\\word.ini", u"C:\\Q\\Profiles\\Word.ini"};
    Put(u"Disabled Profiles", RC_REG_BINARY, EncodeStringList({paths[0]}));
    ASSERT_TRUE(m_config.LoadSettings());
    EXPECT_FALSE(m_config.IsProfileEnabled(paths[0]));
    EXPECT_TRUE(m_config.IsProfileEnabled(paths[1]));
    EXPECT_TRUE(m_config.IsProfileEnabled(u"C:\\Q\\Profiles\\WORD.INI"));

    Put(u"Disabled Profiles", RC_REG_BINARY, EncodeStringList(paths));
    ASSERT_TRUE(m_config.LoadSettings());
    EXPECT_EQ(m_config.GetDisabledProfiles(), paths);
}

TEST_F(ServerConfigurationTest, SaveWritesEveryValueAndLoadsBack)
{
    ASSERT_TRUE(m_config.LoadSettings());
    m_config.SetSerialPort(u"COM7");
    m_config.SetMouseSpeed(10);
    m_config.SetDisableScreensaver(0);
    ASSERT_TRUE(m_config.SaveSettings());

    const struct {
        std::u16string name;
        uint32_t type;
        Bytes data;
    } expected[] = {
        {u"Serial Port", RC_REG_SZ, Utf16z(u"COM7")},
        {u"Mouse Speed", RC_REG_DWORD, Dword(10)},
        {u"Disable Screensaver", RC_REG_DWORD, Dword(0)},
        {u"Disabled Profiles", RC_REG_BINARY, {0x00, 0x00}},
    };
    for (const auto& e : expected) {
        const auto value = m_backend.Get(kSettingsKeyPath, e.name);
        ASSERT_TRUE(value);
        EXPECT_EQ(value->type, e.type);
        EXPECT_EQ(value->data, e.data);
    }

    CServerConfiguration reloaded(m_backend, m_files);
    ASSERT_TRUE(reloaded.LoadSettings());
    EXPECT_EQ(reloaded.GetSerialPort(), u"COM7");
    EXPECT_EQ(reloaded.GetMouseSpeed(), 10);
    EXPECT_EQ(reloaded.GetDisableScreensaver(), 0);
}

TEST_F(ServerConfigurationTest, KeyThatCannotBeOpenedOrCreated)
{
    const struct {
        const char* what;
        bool keyExists;
        bool failOpens;
        bool failCreates;
        bool ok;
    } cases[] = {
        {"existing key, creates refused", true, false, true, true},
        {"missing key, creates refused", false, false, true, false},
        {"opens refused", true, true, false, false},
        {"everything refused", false, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CMemoryRegistryBackend backend;
        if (c.keyExists)
            backend.Put(kSettingsKeyPath, u"Serial Port", RC_REG_SZ, Utf16z(u"COM2"));
        backend.FailOpens(c.failOpens);
        backend.FailCreates(c.failCreates);

        CServerConfiguration config(backend, m_files);
        EXPECT_EQ(config.LoadSettings(), c.ok);
        EXPECT_EQ(config.GetSerialPort(), c.ok ? u"COM2" : u"COM99");
        EXPECT_EQ(config.GetMouseSpeed(), 100);
        EXPECT_EQ(config.GetDisableScreensaver(), 1);

        // Even once the registry answers again, defaults never replace what was not read.
        for (const bool recovered : {false, true}) {
            backend.FailOpens(c.failOpens && !recovered);
            backend.FailCreates(c.failCreates && !recovered);
            const int writesBefore = backend.Writes();
            EXPECT_EQ(config.SaveSettings(), c.ok);
            EXPECT_EQ(backend.Writes() > writesBefore, c.ok);
        }
        EXPECT_EQ(backend.OpenHandles(), 0u);
        if (c.keyExists) {
            const auto port = backend.Get(kSettingsKeyPath, u"Serial Port");
            ASSERT_TRUE(port);
            EXPECT_EQ(port->data, Utf16z(u"COM2"));
        }
    }
}

TEST_F(ServerConfigurationTest, SaveBeforeAnyLoadWritesNothing)
{
    m_backend.Put(kSettingsKeyPath, u"Serial Port", RC_REG_SZ, Utf16z(u"COM2"));
    EXPECT_FALSE(m_config.SaveSettings());
    EXPECT_EQ(m_backend.Writes(), 0);
    EXPECT_EQ(m_backend.Get(kSettingsKeyPath, u"Serial Port")->data, Utf16z(u"COM2"));
}

TEST_F(ServerConfigurationTest, StartAtLogonEntryIsQuotedAndDeleted)
{
    const std::u16string exe = u"C:\\Program Files\\Tarvo Quillant\\Quillant.exe";
    EXPECT_FALSE(m_config.IsStartAtLogonEnabled());
    EXPECT_TRUE(m_config.SetStartAtLogon(false, exe));

    ASSERT_TRUE(m_config.SetStartAtLogon(true, exe));
    const auto entry = m_backend.Get(kRunKeyPath, kRunValueName);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->type, RC_REG_SZ);
    EXPECT_EQ(entry->data, Utf16z(u"\"C:\\Program Files\\Tarvo Quillant\\Quillant.exe\" /NOSPLASH"));
    EXPECT_TRUE(m_config.IsStartAtLogonEnabled());

    m_backend.Put(kRunKeyPath, u"Other Program", RC_REG_SZ, Utf16z(u"other.exe"));
    EXPECT_TRUE(m_config.SetStartAtLogon(false, exe));
    EXPECT_FALSE(m_backend.Get(kRunKeyPath, kRunValueName));
    EXPECT_TRUE(m_backend.Get(kRunKeyPath, u"Other Program"));
    EXPECT_FALSE(m_config.IsStartAtLogonEnabled());
    EXPECT_TRUE(m_config.SetStartAtLogon(false, exe));
}

TEST_F(ServerConfigurationTest, AnyRunEntryCountsAsStartAtLogon)
{
    m_backend.Put(kRunKeyPath, kRunValueName, RC_REG_DWORD, Dword(0));
    EXPECT_TRUE(m_config.IsStartAtLogonEnabled());
}

TEST_F(ServerConfigurationTest, StartAtLogonFailsWhenTheRunKeyIsOutOfReach)
{
    m_backend.Put(kRunKeyPath, kRunValueName, RC_REG_SZ, Utf16z(u"\"C:\\Q.exe\" /NOSPLASH"));
    m_backend.FailOpens(true);
    m_backend.FailCreates(true);
    EXPECT_FALSE(m_config.IsStartAtLogonEnabled());
    EXPECT_FALSE(m_config.SetStartAtLogon(true, u"C:\\Q.exe"));
    EXPECT_FALSE(m_config.SetStartAtLogon(false, u"C:\\Q.exe"));
    EXPECT_TRUE(m_backend.Get(kRunKeyPath, kRunValueName));
}


// The profile set: the "*.ini" files of the "Profiles" folder beside the executable and of the
// user's profile folder.
class ProfileSetTest : public ServerConfigurationTest {
protected:
    static constexpr char16_t kFolder[] = u"C:\\Program Files\\Tarvo Quillant\\Profiles\\";
    static constexpr char16_t kUserFolder[] = u"C:\\Users\\User\\AppData\\Roaming\\Tarvo Quillant\\Profiles\\";

    static std::string Profile(const std::string& name, const std::string& executable)
    {
        return "[Application]\r\nName=" + name + "\r\nExecutable=" + executable + "\r\n[KeyMapping]\r\nUP=KEY(A)\r\n";
    }

    List Paths() const
    {
        List paths;
        for (const auto& profile : m_config.GetProfiles())
            paths.push_back(profile->GetPath());
        return paths;
    }

    List Disabled() const
    {
        List paths;
        for (const auto& profile : m_config.GetProfiles()) {
            if (!profile->IsEnabled())
                paths.push_back(profile->GetPath());
        }
        return paths;
    }

    List Stored() const
    {
        const auto value = m_backend.Get(kSettingsKeyPath, u"Disabled Profiles");
        List list;
        if (value)
            DecodeStringList(value->data.data(), value->data.size(), list);
        return list;
    }
};

TEST_F(ProfileSetTest, LoadsEveryIniFileOfTheFolderBesideTheExecutable)
{
    const std::u16string folder = kFolder;
    m_files.Add(folder + u"Zeta.ini", Profile("Zeta", "zeta.exe"));
    m_files.Add(folder + u"notes.txt", Profile("Notes", "notes.exe"));
    m_files.Add(folder + u"Alpha.INI", Profile("Alpha", "alpha.exe"));
    m_files.Add(folder + u"Only mapping.ini", "[KeyMapping]\r\nUP=KEY(A)\r\n");
    m_files.Add(folder + u"Damaged.ini", std::vector<uint8_t>{0x00, 0xFF, 0x5B, 0x0D});
    m_files.Add(folder + u"Locked.ini", Profile("Locked", "locked.exe"), false);
    m_files.Add(folder + u"Old\\Old.ini", Profile("Old", "old.exe"));
    m_files.Add(u"C:\\Program Files\\Tarvo Quillant\\Beside.ini", Profile("Beside", "beside.exe"));

    m_config.LoadProfiles();
    EXPECT_EQ(m_files.SearchedFolders(), (List{folder, kUserFolder}));
    // In the folder's order, including the profiles that identify nothing: they are listed and
    // never match.
    EXPECT_EQ(Paths(), (List{folder + u"Zeta.ini", folder + u"Alpha.INI", folder + u"Only mapping.ini",
                             folder + u"Damaged.ini", folder + u"Locked.ini"}));
    const auto& profiles = m_config.GetProfiles();
    EXPECT_EQ(profiles[0]->GetName(), u"Zeta");
    EXPECT_EQ(profiles[1]->GetName(), u"Alpha");
    for (size_t i = 2; i < profiles.size(); ++i) {
        EXPECT_EQ(profiles[i]->GetName(), u"Unknown");
        EXPECT_TRUE(profiles[i]->GetKeyMapping().empty());
        EXPECT_FALSE(profiles[i]->Matches(u"", u"", u""));
    }
    for (const auto& profile : profiles)
        EXPECT_TRUE(profile->IsEnabled());
}

TEST_F(ProfileSetTest, ReloadReplacesTheSet)
{
    m_files.SetUserDataFolder(u"");
    m_files.Add(std::u16string(kFolder) + u"A.ini", Profile("A", "a.exe"));
    m_config.LoadProfiles();
    ASSERT_EQ(m_config.GetProfiles().size(), 1u);
    m_files.Add(std::u16string(kFolder) + u"A.ini", Profile("Changed", "a.exe"));
    m_files.Add(std::u16string(kFolder) + u"B.ini", Profile("B", "b.exe"));
    m_config.LoadProfiles();
    ASSERT_EQ(m_config.GetProfiles().size(), 2u);
    EXPECT_EQ(m_config.GetProfiles()[0]->GetName(), u"Changed");

    // A program moved elsewhere finds no profiles.
    m_files.SetExecutablePath(u"D:\\Elsewhere\\Quillant.exe");
    m_config.LoadProfiles();
    EXPECT_TRUE(m_config.GetProfiles().empty());
    EXPECT_EQ(m_files.SearchedFolders().back(), u"D:\\Elsewhere\\Profiles\\");
}

TEST_F(ProfileSetTest, ProfileFolderFollowsTheExecutablePath)
{
    const struct {
        std::u16string executable;
        std::u16string folder;
    } cases[] = {
        {u"C:\\Q\\Quillant.exe", u"C:\\Q\\Profiles\\"},
        // Deep folders are not cut short: a cut path would name another folder.
        {u"C:\\" + std::u16string(250, u'd') + u"\\Quillant.exe", u"C:\\" + std::u16string(250, u'd') + u"\\Profiles\\"},
        {u"Quillant.exe", u"Profiles\\"},
    };
    m_files.SetUserDataFolder(u"");
    for (const auto& c : cases) {
        m_files.SetExecutablePath(c.executable);
        m_files.Add(c.folder + u"P.ini", Profile("P", "p.exe"));
        m_config.LoadProfiles();
        EXPECT_EQ(m_files.SearchedFolders().back(), c.folder);
        EXPECT_EQ(Paths(), List{c.folder + u"P.ini"});
    }
}

TEST_F(ProfileSetTest, FindProfileFilesCompletesTheFolderAndReplacesTheList)
{
    m_files.Add(u"C:\\P\\a.ini", Profile("A", "a.exe"));
    m_files.Add(u"C:\\P\\b.ini", Profile("B", "b.exe"));
    for (const std::u16string folder : {u"C:\\P", u"C:\\P\\"}) {
        List paths = {u"stale"};
        m_config.FindProfileFiles(folder, paths);
        EXPECT_EQ(paths, (List{u"C:\\P\\a.ini", u"C:\\P\\b.ini"}));
        EXPECT_EQ(m_files.SearchedFolders().back(), u"C:\\P\\");
    }
    List paths = {u"stale"};
    m_config.FindProfileFiles(u"C:\\Missing", paths);
    EXPECT_TRUE(paths.empty());
}

TEST_F(ProfileSetTest, SwitchedOffProfilesFollowTheStoredList)
{
    const std::u16string folder = kFolder;
    const List paths = {folder + u"A.ini", folder + u"B.ini", folder + u"C.ini"};
    for (const std::u16string& path : paths)
        m_files.Add(path, Profile("P", "p.exe"));
    const std::u16string gone = folder + u"Gone.ini";
    Put(u"Disabled Profiles", RC_REG_BINARY, EncodeStringList({gone, paths[2], folder + u"a.ini"}));

    // Start: the profiles first, then the settings mark them.
    m_config.LoadProfiles();
    EXPECT_TRUE(Disabled().empty());
    ASSERT_TRUE(m_config.LoadSettings());
    // File names in the profile folder compare without case, as Windows names do.
    EXPECT_EQ(Disabled(), (List{paths[0], paths[2]}));
    EXPECT_EQ(m_config.GetDisabledProfiles().size(), 3u) << "a path of no profile stays until saved";

    // The configuration dialog applies its choices.
    m_config.EnableAllProfiles();
    EXPECT_TRUE(Disabled().empty());
    EXPECT_TRUE(m_config.DisableProfile(paths[1]));
    EXPECT_TRUE(m_config.DisableProfile(paths[0]));
    EXPECT_FALSE(m_config.DisableProfile(gone));
    EXPECT_EQ(Disabled(), (List{paths[0], paths[1]}));

    // Saving writes the profiles' flags in profile order; the missing profile drops out.
    ASSERT_TRUE(m_config.SaveSettings());
    EXPECT_EQ(Stored(), (List{paths[0], paths[1]}));
    EXPECT_EQ(m_config.GetDisabledProfiles(), (List{paths[0], paths[1]}));

    // The reload after the dialog keeps the choices.
    m_config.LoadProfiles();
    EXPECT_EQ(Disabled(), (List{paths[0], paths[1]}));

    // A fresh start reads them back.
    CServerConfiguration restarted(m_backend, m_files);
    restarted.LoadProfiles();
    ASSERT_TRUE(restarted.LoadSettings());
    ASSERT_EQ(restarted.GetProfiles().size(), 3u);
    EXPECT_FALSE(restarted.GetProfiles()[0]->IsEnabled());
    EXPECT_FALSE(restarted.GetProfiles()[1]->IsEnabled());
    EXPECT_TRUE(restarted.GetProfiles()[2]->IsEnabled());
}

TEST_F(ProfileSetTest, SettingsLoadMarksEveryProfileAfresh)
{
    const std::u16string path = std::u16string(kFolder) + u"A.ini";
    m_files.Add(path, Profile("A", "a.exe"));
    m_config.LoadProfiles();
    ASSERT_TRUE(m_config.DisableProfile(path));

    // A stored list that cannot be used switches every profile on again.
    Put(u"Disabled Profiles", RC_REG_BINARY, {0x01, 0x00, 0x03});
    ASSERT_TRUE(m_config.LoadSettings());
    EXPECT_TRUE(Disabled().empty());
}

TEST_F(ProfileSetTest, NoProfilesSaveAnEmptyList)
{
    Put(u"Disabled Profiles", RC_REG_BINARY, EncodeStringList({u"C:\\Q\\Profiles\\Gone.ini"}));
    m_config.LoadProfiles();
    ASSERT_TRUE(m_config.LoadSettings());
    EXPECT_TRUE(m_config.GetProfiles().empty());
    ASSERT_TRUE(m_config.SaveSettings());
    EXPECT_TRUE(Stored().empty());
}

}  // namespace
