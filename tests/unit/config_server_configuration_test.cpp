#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    CServerConfiguration m_config{m_backend};
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
        CServerConfiguration config(backend);
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
    paths.push_back(u"C:\\" + std::u16string(300, u'x') + u".ini");
    const Bytes stored = EncodeStringList(paths);
    ASSERT_GT(stored.size(), 4096u);
    Put(u"Disabled Profiles", RC_REG_BINARY, stored);

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

    CServerConfiguration reloaded(m_backend);
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

        CServerConfiguration config(backend);
        EXPECT_EQ(config.LoadSettings(), c.ok);
        EXPECT_EQ(config.GetSerialPort(), c.ok ? u"COM2" : u"COM99");
        EXPECT_EQ(config.GetMouseSpeed(), 100);
        EXPECT_EQ(config.GetDisableScreensaver(), 1);

        const int writesBefore = backend.Writes();
        EXPECT_EQ(config.SaveSettings(), c.ok);
        EXPECT_EQ(backend.Writes() > writesBefore, c.ok);
        EXPECT_EQ(backend.OpenHandles(), 0u);
    }
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

}  // namespace
