// The program's and the user's profile folders: which file is in effect, what a switched-off
// entry stands for, and what Delete does when the program's folder cannot be written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryFileStore.h"
#include "MemoryRegistryBackend.h"
#include "config/ProfileFolders.h"
#include "config/ServerConfiguration.h"
#include "config/StringListCodec.h"

namespace {

using List = std::vector<std::u16string>;

constexpr char16_t kProgram[] = u"C:\\Program Files\\Tarvo Quillant\\Profiles\\";
constexpr char16_t kUser[] = u"C:\\Users\\User\\AppData\\Roaming\\Tarvo Quillant\\Profiles\\";

std::u16string P(const std::u16string& name) { return kProgram + name; }
std::u16string U(const std::u16string& name) { return kUser + name; }

std::string Profile(const std::string& name)
{
    return "[Application]\r\nName=" + name + "\r\nExecutable=" + name + ".exe\r\n";
}

class ProfileFoldersTest : public ::testing::Test {
protected:
    void Add(const std::u16string& path) { m_files.Add(path, Profile("P")); }

    void Start(const List& disabled)
    {
        m_registry.Put(kSettingsKeyPath, u"Disabled Profiles", RC_REG_BINARY, EncodeStringList(disabled));
        m_config.LoadProfiles();
        ASSERT_TRUE(m_config.LoadSettings());
    }

    List Enabled() const
    {
        List paths;
        for (const auto& profile : m_config.GetProfiles()) {
            if (profile->IsEnabled())
                paths.push_back(profile->GetPath());
        }
        return paths;
    }

    List Stored() const
    {
        List list;
        const auto value = m_registry.Get(kSettingsKeyPath, u"Disabled Profiles");
        if (value)
            DecodeStringList(value->data.data(), value->data.size(), list);
        return list;
    }

    CMemoryFileStore m_files;
    CMemoryRegistryBackend m_registry;
    CServerConfiguration m_config{m_registry, m_files};
};

TEST_F(ProfileFoldersTest, UserFileOfTheSameNameReplacesTheProgramOne)
{
    for (const std::u16string& path : {P(u"A.ini"), P(u"B.ini"), P(u"C.ini"), U(u"b.INI"), U(u"D.ini"), U(u"note.txt")})
        Add(path);
    EXPECT_EQ(CProfileFolders(m_files).List(), (List{P(u"A.ini"), U(u"b.INI"), P(u"C.ini"), U(u"D.ini")}));

    // Without a user folder only the program's profiles are there.
    m_files.SetUserDataFolder(u"");
    EXPECT_EQ(CProfileFolders(m_files).List(), (List{P(u"A.ini"), P(u"B.ini"), P(u"C.ini")}));
}

// A profile switched off stays off when the user's copy takes the program's place, and when
// the copy is deleted again; a file of that name elsewhere is another profile.
TEST_F(ProfileFoldersTest, SwitchedOffFollowsTheNameAcrossTheFolders)
{
    for (const std::u16string& path : {P(u"A.ini"), U(u"A.ini"), P(u"B.ini"), U(u"C.ini"), P(u"D.ini")})
        Add(path);
    Start({P(u"A.ini"), U(u"B.ini"), P(u"C.ini"), u"D:\\Elsewhere\\D.ini"});
    EXPECT_EQ(Enabled(), List{P(u"D.ini")});

    // Saving keeps them off under the paths now in effect.
    ASSERT_TRUE(m_config.SaveSettings());
    EXPECT_EQ(Stored(), (List{U(u"A.ini"), P(u"B.ini"), U(u"C.ini")}));
}

TEST_F(ProfileFoldersTest, DeleteRemovesUserFilesAndSwitchesProgramOnesOff)
{
    for (const std::u16string& path : {P(u"A.ini"), U(u"A.ini"), P(u"B.ini"), U(u"C.ini")})
        Add(path);
    m_files.RefuseChangesUnder(kProgram);
    Start({});

    bool switchedOff = true;
    // The user's copy goes, and the program's profile it replaced is in effect again.
    EXPECT_EQ(m_config.DeleteProfile(U(u"A.ini"), m_files, switchedOff), EFileError::None);
    EXPECT_FALSE(switchedOff);
    // A program's profile is switched off and stored so at once; its file stays.
    EXPECT_EQ(m_config.DeleteProfile(P(u"B.ini"), m_files, switchedOff), EFileError::None);
    EXPECT_TRUE(switchedOff);
    EXPECT_EQ(Stored(), List{P(u"B.ini")});
    EXPECT_EQ(m_files.Log(), List{u"remove " + U(u"A.ini")});

    m_config.LoadProfiles();
    EXPECT_EQ(Enabled(), (List{P(u"A.ini"), U(u"C.ini")}));

    // A failed removal is reported and switches nothing off.
    m_files.FailRemovals(EFileError::SharingViolation);
    EXPECT_EQ(m_config.DeleteProfile(U(u"C.ini"), m_files, switchedOff), EFileError::SharingViolation);
    EXPECT_FALSE(switchedOff);
    EXPECT_EQ(Stored(), List{P(u"B.ini")});

    // Settings never read are not the user's: the stored list is not replaced.
    CServerConfiguration unread(m_registry, m_files);
    unread.LoadProfiles();
    EXPECT_NE(unread.DeleteProfile(P(u"A.ini"), m_files, switchedOff), EFileError::None);
    EXPECT_EQ(Stored(), List{P(u"B.ini")});

    // A registry that cannot be written is no silent success.
    m_registry.FailOpens(true);
    m_registry.FailCreates(true);
    EXPECT_NE(m_config.DeleteProfile(P(u"A.ini"), m_files, switchedOff), EFileError::None);
    EXPECT_FALSE(switchedOff);
}

}  // namespace
