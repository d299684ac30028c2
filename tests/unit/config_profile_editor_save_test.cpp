// When and where the profile editor saves, and what it tells the user when it does not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryFileStore.h"
#include "config/ProfileEditorModel.h"
#include "TestText.h"

namespace {

// The user's profile folder, where the editor writes.
constexpr char16_t kFolder[] = u"C:\\Users\\User\\AppData\\Roaming\\Tarvo Quillant\\Profiles\\";

std::u16string Path(const std::u16string& name)
{
    return kFolder + name + u".ini";
}

// A profile file in the editor's layout with the name, the executable and the selection record.
std::string ProfileText(const std::string& name, const std::string& executable = "app.exe",
                        const std::string& record = std::string(102, '0'))
{
    return "[Application]\r\nName=\"" + name + "\"\r\nExecutable=\"" + executable +
           "\"\r\nTitle=\"\"\r\nAutoRestore=false\r\nBringToTop=true\r\nClassName=\"\"\r\n[KeyMapping]\r\n#" +
           record;
}

class ProfileEditorSaveTest : public ::testing::Test {
protected:
    // A new profile with a name and an executable, ready to save.
    void NewProfile(const std::u16string& name)
    {
        m_model.SetName(name);
        ASSERT_TRUE(m_model.SetIdentificationText(u"new.exe"));
    }

    void Open(const std::u16string& path) { ASSERT_TRUE(m_model.Load(path).Succeeded()); }

    // The file is an editor-layout profile of that name.
    bool HoldsProfile(const std::u16string& path, const std::string& name)
    {
        return m_files.Text(path).find("Name=\"" + name + "\"\r\n") != std::string::npos &&
               m_files.Text(path).find("\r\n#") != std::string::npos;
    }

    CMemoryFileStore m_files;
    CProfileEditorModel m_model{m_files, m_files};
};

TEST_F(ProfileEditorSaveTest, NameAndIdentificationAreRequired)
{
    const struct {
        std::u16string name;
        std::u16string executable;
        int message;
    } cases[] = {
        {u"", u"a.exe", kEditorMsgNameMissing},
        {u"   ", u"a.exe", kEditorMsgNameMissing},
        {u".INI", u"a.exe", kEditorMsgNameMissing},  // nothing left once the extension goes
        {u"", u"", kEditorMsgNameMissing},           // the name is asked for first
        {u"Player", u"", kEditorMsgIdentificationMissing},
        {u"Player", u"  ", kEditorMsgIdentificationMissing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name + u"/" + c.executable));
        CProfileEditorModel model(m_files, m_files);
        model.SetName(c.name);
        ASSERT_TRUE(model.SetIdentificationText(c.executable));
        const CEditorMessage message = model.Save();
        EXPECT_EQ(message.m_stringId, c.message);
        EXPECT_FALSE(message.Succeeded());
        EXPECT_TRUE(m_files.Log().empty());
    }
    EXPECT_EQ(EditorMessage(kEditorMsgNameMissing).m_text, u"You must enter a name for the profile.");
    EXPECT_EQ(EditorMessage(kEditorMsgIdentificationMissing).m_text,
              u"You must enter the executable of the application, or a window title, or a class name");
}

TEST_F(ProfileEditorSaveTest, AnyIdentificationKindIsEnough)
{
    for (int kind = 0; kind < kIdentificationCount; ++kind) {
        CProfileEditorModel model(m_files, m_files);
        model.SetName(u"Kind " + std::u16string(1, static_cast<char16_t>(u'0' + kind)));
        ASSERT_TRUE(model.ChooseIdentification(kind));
        ASSERT_TRUE(model.SetIdentificationText(u"x"));
        EXPECT_TRUE(model.Save().Succeeded()) << kind;
    }
    EXPECT_EQ(m_files.Count(), 3u);
}

TEST_F(ProfileEditorSaveTest, ExtensionIsDroppedFromTheName)
{
    NewProfile(u"Slides.INI");
    ASSERT_TRUE(m_model.Save().Succeeded());
    EXPECT_EQ(m_model.GetName(), u"Slides");
    EXPECT_EQ(m_model.GetSavedPath(), Path(u"Slides"));
    EXPECT_EQ(m_files.Log(), (std::vector<std::u16string>{u"write " + Path(u"Slides")}));
    EXPECT_TRUE(HoldsProfile(Path(u"Slides"), "Slides"));
}

// The program's folder cannot be written, as under a per-machine install: every save goes to
// the user's folder, and a program's profile is kept as it is.
TEST_F(ProfileEditorSaveTest, SavesGoToTheUserFolderOnly)
{
    const std::u16string program = u"C:\\Program Files\\Tarvo Quillant\\Profiles\\";
    const std::u16string data = u"C:\\Users\\User\\AppData\\Roaming";
    const std::string shipped = ProfileText("Shipped", "shipped.exe");
    const struct {
        const char* what;
        bool openShipped;
        std::u16string name;
        std::u16string userData;
        std::u16string written;  // empty: the save fails
        bool leftBehind;         // the shipped profile stays under the name given up
    } cases[] = {
        {"new", false, u"Mine", data, Path(u"Mine"), false},
        {"shipped, edited", true, u"Shipped", data, Path(u"Shipped"), false},
        {"shipped, renamed", true, u"Copy", data, Path(u"Copy"), true},
        {"new, named as a shipped one", false, u"SHIPPED", data, u"", false},
        {"no user folder", false, u"Mine", u"", u"", false},
        {"user folder cannot be made", false, u"Mine", u"C:\\Program Files\\Data", u"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CMemoryFileStore files;
        files.SetUserDataFolder(c.userData);
        files.Add(program + u"Shipped.ini", shipped);
        files.RefuseChangesUnder(u"C:\\Program Files\\");
        CProfileEditorModel model(files, files);
        if (c.openShipped) {
            ASSERT_TRUE(model.Load(program + u"Shipped.ini").Succeeded());
        } else {
            ASSERT_TRUE(model.SetIdentificationText(u"new.exe"));
        }
        model.SetName(c.name);
        EXPECT_EQ(model.Save().Succeeded(), !c.written.empty());
        EXPECT_EQ(files.Log(), c.written.empty() ? std::vector<std::u16string>{}
                                                 : std::vector<std::u16string>{u"write " + c.written});
        EXPECT_EQ(files.Text(program + u"Shipped.ini"), shipped);
        EXPECT_EQ(files.Count(), c.written.empty() ? 1u : 2u);
        EXPECT_EQ(model.GetProgramProfileRenamedAway(), c.leftBehind ? program + u"Shipped.ini" : u"");
    }
}

TEST_F(ProfileEditorSaveTest, NewProfileNeverReplacesAFile)
{
    const std::string other = ProfileText("Slides", "other.exe");
    m_files.Add(Path(u"Slides"), other);
    for (const std::u16string name : {u"Slides", u"slides", u"SLIDES.ini"}) {
        CProfileEditorModel model(m_files, m_files);
        model.SetName(name);
        ASSERT_TRUE(model.SetIdentificationText(u"new.exe"));
        const CEditorMessage message = model.Save();
        EXPECT_EQ(message.m_stringId, kEditorMsgProfileExists) << Narrow(name);
        EXPECT_EQ(message.m_text,
                  u"Profile with that name already exists. Please use\na different name or delete existing profile first.");
    }
    EXPECT_TRUE(m_files.Log().empty());
    EXPECT_EQ(m_files.Text(Path(u"Slides")), other);
}

TEST_F(ProfileEditorSaveTest, EditingUnderTheSameNameReplacesTheFile)
{
    m_files.Add(Path(u"Slides"), ProfileText("Slides", "old.exe"));
    Open(Path(u"Slides"));
    ASSERT_TRUE(m_model.SetIdentificationText(u"new.exe"));
    ASSERT_TRUE(m_model.Save().Succeeded());
    EXPECT_EQ(m_files.Log(), (std::vector<std::u16string>{u"write " + Path(u"Slides")}));
    EXPECT_NE(m_files.Text(Path(u"Slides")).find("Executable=\"new.exe\""), std::string::npos);
    EXPECT_EQ(m_files.Count(), 1u);
}

TEST_F(ProfileEditorSaveTest, RenameMovesTheProfile)
{
    // Every key: "Number key 1" with Control and Shift.
    std::string record;
    for (const char* group : {"01", "1", "03", "1"}) {
        for (size_t key = 0; key < kEditorKeyCount; ++key)
            record += group;
    }
    m_files.Add(Path(u"Old"), ProfileText("Old", "app.exe", record));
    Open(Path(u"Old"));
    m_model.SetName(u"New");
    ASSERT_TRUE(m_model.Save().Succeeded());
    EXPECT_EQ(m_files.Log(), (std::vector<std::u16string>{u"write " + Path(u"New"), u"remove " + Path(u"Old")}));
    EXPECT_FALSE(m_files.Has(Path(u"Old")));
    EXPECT_TRUE(HoldsProfile(Path(u"New"), "New"));
    // The choices travel with the profile.
    EXPECT_NE(m_files.Text(Path(u"New")).find("\r\n#" + record), std::string::npos);
    EXPECT_NE(m_files.Text(Path(u"New")).find("\r\nHASH=Key(num_1,ctrl,shift)\r\n"), std::string::npos);
}

TEST_F(ProfileEditorSaveTest, RenameOntoAnotherProfileIsRefused)
{
    const std::string other = ProfileText("Other", "other.exe");
    const std::string mine = ProfileText("Mine");
    m_files.Add(Path(u"Other"), other);
    m_files.Add(Path(u"Mine"), mine);
    Open(Path(u"Mine"));
    // A change of letter case alone names the same file on Windows.
    for (const std::u16string name : {u"Other", u"OTHER", u"mine"}) {
        m_model.SetName(name);
        EXPECT_EQ(m_model.Save().m_stringId, kEditorMsgProfileExists) << Narrow(name);
    }
    EXPECT_TRUE(m_files.Log().empty());
    EXPECT_EQ(m_files.Text(Path(u"Other")), other);
    EXPECT_EQ(m_files.Text(Path(u"Mine")), mine);
}

TEST_F(ProfileEditorSaveTest, FileNamedOtherThanItsProfileStays)
{
    const std::string copy = ProfileText("Slides");
    m_files.Add(Path(u"Copy of slides"), copy);
    Open(Path(u"Copy of slides"));
    ASSERT_TRUE(m_model.Save().Succeeded());
    EXPECT_TRUE(HoldsProfile(Path(u"Slides"), "Slides"));
    EXPECT_EQ(m_files.Text(Path(u"Copy of slides")), copy);

    // Renamed, it still takes no file away: the one it came from is not named after it.
    CProfileEditorModel renamed(m_files, m_files);
    ASSERT_TRUE(renamed.Load(Path(u"Copy of slides")).Succeeded());
    renamed.SetName(u"Talks");
    ASSERT_TRUE(renamed.Save().Succeeded());
    EXPECT_TRUE(m_files.Has(Path(u"Talks")));
    EXPECT_EQ(m_files.Text(Path(u"Copy of slides")), copy);
    EXPECT_TRUE(m_files.Has(Path(u"Slides")));
}

TEST_F(ProfileEditorSaveTest, FileNamedOtherThanItsProfileDoesNotReplaceThatProfile)
{
    const std::string original = ProfileText("Slides", "original.exe");
    m_files.Add(Path(u"Slides"), original);
    m_files.Add(Path(u"Copy of slides"), ProfileText("Slides", "copy.exe"));
    Open(Path(u"Copy of slides"));
    EXPECT_EQ(m_model.Save().m_stringId, kEditorMsgProfileExists);
    EXPECT_EQ(m_files.Text(Path(u"Slides")), original);
}

TEST_F(ProfileEditorSaveTest, NamesThatCannotBeFileNamesWriteNothing)
{
    const std::u16string bad[] = {u"a<b",  u"a>b", u"a:b",  u"a\"b", u"a/b",  u"..\\..\\Windows\\evil", u"a|b",
                                  u"a?b",  u"a*b", u"a\tb", u"CON",  u"con",  u"Nul.backup", u"COM1", u"lpt9 ",
                                  u"AUX .x", u"COM\u00B9", u"CONOUT$"};
    for (const std::u16string& name : bad) {
        SCOPED_TRACE(Narrow(name));
        CProfileEditorModel model(m_files, m_files);
        model.SetName(name);
        ASSERT_TRUE(model.SetIdentificationText(u"a.exe"));
        const CEditorMessage message = model.Save();
        EXPECT_EQ(message.m_fileError, EFileError::BadPath);
        EXPECT_EQ(message.m_stringId, 0);
        EXPECT_EQ(message.m_text, Path(model.GetName()) + u" contains an invalid path.");
    }
    EXPECT_TRUE(m_files.Log().empty());

    // Names that only resemble a device are ordinary files.
    for (const std::u16string name : {u"CONSOLE", u"COM10", u"Con-man", u"LPT", u"My AUX"}) {
        CProfileEditorModel model(m_files, m_files);
        model.SetName(name);
        ASSERT_TRUE(model.SetIdentificationText(u"a.exe"));
        EXPECT_TRUE(model.Save().Succeeded()) << Narrow(name);
    }
}

TEST_F(ProfileEditorSaveTest, FailedWriteKeepsTheOldFile)
{
    const std::string old = ProfileText("Old");
    m_files.Add(Path(u"Old"), old);
    Open(Path(u"Old"));
    m_model.SetName(u"New");
    m_files.FailWrites(EFileError::AccessDenied);
    const CEditorMessage message = m_model.Save();
    EXPECT_EQ(message.m_fileError, EFileError::AccessDenied);
    EXPECT_EQ(message.m_text, u"Access to " + Path(u"New") + u" was denied.");
    // The old file is not taken away for a new one that was never written.
    EXPECT_EQ(m_files.Log(), (std::vector<std::u16string>{u"write " + Path(u"New")}));
    EXPECT_EQ(m_files.Text(Path(u"Old")), old);
    EXPECT_FALSE(m_files.Has(Path(u"New")));
    EXPECT_EQ(m_model.GetSavedPath(), u"");
}

TEST_F(ProfileEditorSaveTest, FailedRemovalIsReportedAndCanBeRetried)
{
    m_files.Add(Path(u"Old"), ProfileText("Old"));
    Open(Path(u"Old"));
    m_model.SetName(u"New");
    m_files.FailRemovals(EFileError::SharingViolation);
    const CEditorMessage message = m_model.Save();
    EXPECT_EQ(message.m_text, u"A sharing violation occurred while accessing " + Path(u"Old") + u".");
    EXPECT_TRUE(m_files.Has(Path(u"New")));
    EXPECT_TRUE(m_files.Has(Path(u"Old")));

    // Saving again replaces the file it wrote and takes the old one away.
    m_files.FailRemovals(EFileError::None);
    ASSERT_TRUE(m_model.Save().Succeeded());
    EXPECT_FALSE(m_files.Has(Path(u"Old")));
    EXPECT_TRUE(HoldsProfile(Path(u"New"), "New"));
}

TEST_F(ProfileEditorSaveTest, OldFileAlreadyGoneIsNoError)
{
    m_files.Add(Path(u"Old"), ProfileText("Old"));
    Open(Path(u"Old"));
    ASSERT_EQ(m_files.RemoveFile(Path(u"Old")), EFileError::None);
    m_model.SetName(u"New");
    EXPECT_TRUE(m_model.Save().Succeeded());
    EXPECT_TRUE(m_files.Has(Path(u"New")));
}

TEST_F(ProfileEditorSaveTest, FileErrorWithoutACauseIsStillAnError)
{
    const CEditorMessage message = FileErrorMessage(EFileError::None, u"P");
    EXPECT_FALSE(message.Succeeded());
    EXPECT_EQ(message.m_text, u"An unknown error occurred while accessing P.");
    EXPECT_EQ(FileErrorMessage(EFileError::HardwareIo, u"P").m_text, u"A hardware I/O error was reported while accessing P.");
}

}  // namespace
