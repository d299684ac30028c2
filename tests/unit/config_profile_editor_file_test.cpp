// Profile files as the profile editor writes and reads them back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "MemoryFileStore.h"
#include "config/AppConfiguration.h"
#include "config/EditorProfileFile.h"
#include "config/ProfileEditorModel.h"
#include "protocol/PhoneKeys.h"
#include "TestText.h"

namespace {

namespace fs = std::filesystem;

// The user's profile folder, where the editor writes.
constexpr char16_t kProgramFolder[] = u"C:\\Program Files\\Tarvo Quillant\\Profiles\\";
constexpr char16_t kFolder[] = u"C:\\Users\\User\\AppData\\Roaming\\Tarvo Quillant\\Profiles\\";

fs::path SourceDir()
{
#ifdef QUILLANT_SOURCE_DIR
    return fs::path(QUILLANT_SOURCE_DIR);
#else
    return fs::path(__FILE__).parent_path().parent_path().parent_path();
#endif
}

std::string ZeroRecord()
{
    return "#" + std::string(kSelectionRecordChars, '0');
}

class EditorProfileFileTest : public ::testing::Test {
protected:
    std::u16string Path(const std::u16string& name) const { return kFolder + name + u".ini"; }

    CMemoryFileStore m_files;
};

// The shipped profiles are the editor's own files: opening one and saving it unchanged writes
// the same bytes again, as the user's copy, and leaves the program's file alone.
TEST_F(EditorProfileFileTest, ShippedProfilesAreRewrittenByteForByte)
{
    size_t seen = 0;
    m_files.RefuseChangesUnder(kProgramFolder);
    for (const auto& entry : fs::directory_iterator(SourceDir() / "res" / "Profiles")) {
        if (entry.path().extension() != ".ini")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++seen;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> shipped((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::u16string shippedPath = kProgramFolder + entry.path().filename().u16string();
        m_files.Add(shippedPath, shipped);

        CProfileEditorModel model(m_files, m_files);
        ASSERT_TRUE(model.Load(shippedPath).Succeeded());
        EXPECT_EQ(model.GetName() + u".ini", entry.path().filename().u16string());
        ASSERT_TRUE(model.Save().Succeeded());
        const std::u16string copy = kFolder + entry.path().filename().u16string();
        EXPECT_EQ(m_files.Text(copy), std::string(shipped.begin(), shipped.end()));
        EXPECT_EQ(m_files.Count(), 2 * seen) << "saved under another name";
    }
    EXPECT_GE(seen, 8u);
}

TEST_F(EditorProfileFileTest, WritesTheLayout)
{
    CProfileEditorModel model(m_files, m_files);
    model.SetName(u"Viewer");
    ASSERT_TRUE(model.ChooseIdentification(IDENTIFY_TITLE));
    ASSERT_TRUE(model.SetIdentificationText(u"Photo \"viewer\""));
    ASSERT_TRUE(model.ChooseBehaviour(BEHAVIOUR_BRING_TO_TOP));
    model.SetBehaviourValue(true);
    ASSERT_TRUE(model.PressPhoneKey(12));  // UP
    ASSERT_TRUE(model.ChooseKeyType(KEYTYPE_ALPHABETICAL));
    ASSERT_TRUE(model.ChooseKey(3));
    ASSERT_TRUE(model.ChooseFirstModifier(3));
    ASSERT_TRUE(model.PressPhoneKey(0));
    ASSERT_TRUE(model.ChooseKeyType(KEYTYPE_MOUSE));
    ASSERT_TRUE(model.ChooseKey(5));
    ASSERT_TRUE(model.Save().Succeeded());

    std::string record = ZeroRecord();
    record.replace(1 + 0, 2, "05");    // "0": Button1
    record.replace(1 + 24, 2, "03");   // UP: c
    record[1 + 34 + 0] = '6';          // "0": Mouse
    record.replace(1 + 51 + 24, 2, "03");  // UP: Control
    EXPECT_EQ(m_files.Text(Path(u"Viewer")),
              "[Application]\r\nName=\"Viewer\"\r\nExecutable=\"\"\r\nTitle=\"Photo \"viewer\"\"\r\n"
              "AutoRestore=false\r\nBringToTop=true\r\nClassName=\"\"\r\n[KeyMapping]\r\n"
              "RIGHT=\r\nLEFT=\r\nUP=Key(c,ctrl)\r\nDOWN=\r\nBUTTON=\r\n1=\r\n2=\r\n3=\r\n4=\r\n5=\r\n6=\r\n"
              "7=\r\n8=\r\n9=\r\nSTAR=\r\n0=Mouse(Button1)\r\nHASH=\r\n" +
                  record);
}

// Whatever the editor writes, it reads back as it was, and the server reads the same profile.
TEST_F(EditorProfileFileTest, ReadsItsOwnFilesBack)
{
    CProfileEditorModel model(m_files, m_files);
    model.SetName(u"All keys");
    ASSERT_TRUE(model.ChooseIdentification(IDENTIFY_CLASS_NAME));
    ASSERT_TRUE(model.SetIdentificationText(u"ClassA, ClassB"));
    ASSERT_TRUE(model.ChooseBehaviour(BEHAVIOUR_AUTO_RESTORE));
    model.SetBehaviourValue(true);
    for (size_t key = 0; key < kEditorKeyCount; ++key) {
        const int type = static_cast<int>(key % kKeyTypeCount);
        const int index = static_cast<int>(1 + key % (EditorKeys(type).size() - 1));
        const int mod1 = static_cast<int>(key % kModifierCount);
        ASSERT_TRUE(model.PressPhoneKey(key));
        ASSERT_TRUE(model.ChooseKeyType(type));
        ASSERT_TRUE(model.ChooseKey(index));
        if (type != KEYTYPE_MOUSE) {
            ASSERT_TRUE(model.ChooseFirstModifier(mod1));
        }
        if (model.IsSecondModifierEnabled()) {
            ASSERT_TRUE(model.ChooseSecondModifier(static_cast<int>(1 + key % 6)));
        }
    }
    ASSERT_TRUE(model.Save().Succeeded());

    CProfileEditorModel reread(m_files, m_files);
    ASSERT_TRUE(reread.Load(Path(u"All keys")).Succeeded());
    EXPECT_TRUE(reread.IsEditing());
    EXPECT_EQ(reread.GetName(), u"All keys");
    for (int kind = 0; kind < kIdentificationCount; ++kind) {
        EXPECT_EQ(reread.GetIdentificationValue(kind), model.GetIdentificationValue(kind));
    }
    for (int behaviour = 0; behaviour < kBehaviourCount; ++behaviour) {
        EXPECT_EQ(reread.GetBehaviourValue(behaviour), model.GetBehaviourValue(behaviour));
    }
    for (size_t key = 0; key < kEditorKeyCount; ++key) {
        SCOPED_TRACE(key);
        EXPECT_EQ(reread.GetSelection(key), model.GetSelection(key));
        EXPECT_EQ(reread.GetValue(key), model.GetValue(key));
    }

    CAppConfiguration server(m_files);
    ASSERT_TRUE(server.Load(Path(u"All keys")));
    EXPECT_EQ(server.GetName(), u"All keys");
    EXPECT_EQ(server.GetClassName(), u"ClassA, ClassB");
    EXPECT_TRUE(server.GetAutoRestore());
    EXPECT_FALSE(server.GetBringToTop());
    // 17 phone keys; the record line names none.
    EXPECT_EQ(server.GetKeyMapping().size(), kEditorKeyCount);
    // Phone key "4" was given F5 with the left Control and left Alt keys.
    const auto& four = server.GetKeyMapping().at(*FindPhoneKeyCode(u"4"));
    EXPECT_EQ(model.GetValue(4), u"Key(F5,lctrl,lalt)");
    ASSERT_EQ(four.GetCount(), 1u);
    EXPECT_EQ(four.GetAt(0), (CAction{ACTION_KEY, MODIFIER_CTRL | MODIFIER_ALT, 0x74}));
}

TEST_F(EditorProfileFileTest, TextOutsideTheCodePageIsKept)
{
    const struct {
        std::u16string name;
        bool utf8;
    } cases[] = {
        {u"Plain (ASCII) name", false},
        {u"Caf\u00E9 \u20AC", true},             // in Windows-1252, yet not in every code page
        {u"\u03A9mega \u65E5\u672C", true},
        {u"Emoji \U0001F600", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        CProfileEditorModel model(m_files, m_files);
        model.SetName(c.name);
        ASSERT_TRUE(model.SetIdentificationText(c.name + u".exe"));
        ASSERT_TRUE(model.Save().Succeeded());
        const std::string bytes = m_files.Text(Path(c.name));
        EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF", 0) == 0, c.utf8);

        CProfileEditorModel reread(m_files, m_files);
        ASSERT_TRUE(reread.Load(Path(c.name)).Succeeded());
        EXPECT_EQ(reread.GetName(), c.name);
        EXPECT_EQ(reread.GetIdentificationValue(IDENTIFY_EXECUTABLE), c.name + u".exe");
        CAppConfiguration server(m_files);
        server.Load(Path(c.name));
        EXPECT_EQ(server.GetName(), c.name);
    }
}

TEST_F(EditorProfileFileTest, FilesWithoutAFullRecordCannotBeModified)
{
    const std::string head = "[Application]\r\nName=\"Hand\"\r\nExecutable=\"hand.exe\"\r\n[KeyMapping]\r\n1=KEY(A)\r\n";
    const std::string cases[] = {
        head,                                      // written by hand
        head + ZeroRecord().substr(0, 102),        // 101 characters
        head + ZeroRecord() + "0",                 // 103 characters
        head + ZeroRecord() + "\r\n# a note",      // the last "#" line decides
        "",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        m_files.Add(Path(u"Hand"), text);
        CProfileEditorModel model(m_files, m_files);
        model.SetName(u"Unsaved");
        const CEditorMessage message = model.Load(Path(u"Hand"));
        EXPECT_EQ(message.m_stringId, kEditorMsgCannotModify);
        EXPECT_EQ(message.m_text, u"File cannot be modified");
        EXPECT_FALSE(message.Succeeded());
        EXPECT_FALSE(model.IsEditing());
        EXPECT_EQ(model.GetName(), u"Unsaved");
    }
}

TEST_F(EditorProfileFileTest, RecordIsFoundByItsLine)
{
    // Line ends of another editor, a trailing line end, blanks, and keys in another order.
    std::string record = ZeroRecord();
    record.replace(1 + 2, 2, "09");  // "1": i
    const std::string cases[] = {
        "[Application]\nName=Moved\nClassName=Cls\nBringToTop=FALSE\nAutoRestore=yes\n" + record + "\n",
        "[Application]\r\nClassName = \"Cls\" \r\nName = \"Moved\"\r\nAutoRestore=\r\nBringToTop=false\r\n  " + record +
            "  \r\n\r\n",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        m_files.Add(Path(u"Moved"), text);
        CProfileEditorModel model(m_files, m_files);
        ASSERT_TRUE(model.Load(Path(u"Moved")).Succeeded());
        EXPECT_EQ(model.GetName(), u"Moved");
        EXPECT_EQ(model.GetIdentificationValue(IDENTIFY_CLASS_NAME), u"Cls");
        // The flags as the server reads them: only "false" is off.
        EXPECT_TRUE(model.GetBehaviourValue(BEHAVIOUR_AUTO_RESTORE));
        EXPECT_FALSE(model.GetBehaviourValue(BEHAVIOUR_BRING_TO_TOP));
        EXPECT_EQ(model.GetValue(1), u"Key(i)");
        // A key with nothing chosen stays unmapped.
        EXPECT_EQ(model.GetValue(2), u"");
    }
}

TEST_F(EditorProfileFileTest, UnchangedSaveKeepsTheBytes)
{
    // Untouched keys, keys with a first modifier only ("Key()"), a mouse action, and both
    // modifiers: what the editor wrote, it reads back and writes again byte for byte.
    CProfileEditorModel editor(m_files, m_files);
    editor.SetName(u"Same");
    ASSERT_TRUE(editor.SetIdentificationText(u"same.exe"));
    const struct {
        size_t key;
        CKeySelection selection;
    } choices[] = {
        {1, {3, KEYTYPE_ALPHABETICAL, 6, 4}},
        {2, {0, KEYTYPE_ALPHABETICAL, 3, 0}},
        {12, {3, KEYTYPE_MOUSE, 0, 0}},
        {16, {0, KEYTYPE_FUNCTION, 0, 0}},
    };
    for (const auto& choice : choices) {
        ASSERT_TRUE(editor.PressPhoneKey(choice.key));
        ASSERT_TRUE(editor.ChooseKeyType(choice.selection.m_type));
        ASSERT_TRUE(editor.ChooseKey(choice.selection.m_key));
        if (choice.selection.m_type != KEYTYPE_MOUSE) {
            ASSERT_TRUE(editor.ChooseFirstModifier(choice.selection.m_mod1));
            if (choice.selection.m_mod2 != 0) {
                ASSERT_TRUE(editor.ChooseSecondModifier(choice.selection.m_mod2));
            }
        }
    }
    ASSERT_TRUE(editor.Save().Succeeded());
    const std::string written = m_files.Text(Path(u"Same"));
    ASSERT_NE(written.find("\r\n1=Key(c,shift,alt)\r\n2=Key()\r\n3=\r\n"), std::string::npos) << written;

    CProfileEditorModel reopened(m_files, m_files);
    ASSERT_TRUE(reopened.Load(Path(u"Same")).Succeeded());
    EXPECT_EQ(reopened.GetValue(3), u"");
    ASSERT_TRUE(reopened.Save().Succeeded());
    EXPECT_EQ(m_files.Text(Path(u"Same")), written);
}

TEST_F(EditorProfileFileTest, MappingsAreRebuiltFromTheRecord)
{
    std::string record = ZeroRecord();
    record.replace(1 + 2, 2, "05");          // "1": Button1 ...
    record[1 + 34 + 1] = '6';                // ... of the mouse
    record.replace(1 + 51 + 2, 2, "03");     // with a Control key that the mouse drops
    record.replace(1 + 4, 2, "01");          // "2": a
    record[1 + 85 + 2] = '1';                // with only a second modifier
    record.replace(1 + 6, 2, "02");          // "3": b
    record.replace(1 + 51 + 6, 2, "02");     // with a Windows key ...
    record[1 + 85 + 3] = '4';                // ... and a second modifier the list does not offer
    m_files.Add(Path(u"Rec"), "[Application]\r\nName=\"Rec\"\r\nTitle=\"Rec\"\r\n[KeyMapping]\r\n1=KEY(Z)\r\n" + record);

    CProfileEditorModel model(m_files, m_files);
    ASSERT_TRUE(model.Load(Path(u"Rec")).Succeeded());
    // Hand-made mapping lines give way to the record.
    EXPECT_EQ(model.GetValue(1), u"Mouse(Button1)");
    EXPECT_EQ(model.GetSelection(1), (CKeySelection{5, KEYTYPE_MOUSE, 0, 0}));
    EXPECT_EQ(model.GetValue(2), u"Key(a,shift)");
    EXPECT_EQ(model.GetValue(3), u"Key(b,rwin,alt)");
    // Showing such a key drops what its lists cannot show.
    ASSERT_TRUE(model.PressPhoneKey(3));
    EXPECT_EQ(model.GetValue(3), u"Key(b,rwin)");
    EXPECT_EQ(model.GetSelection(3), (CKeySelection{2, KEYTYPE_ALPHABETICAL, 2, 0}));
    EXPECT_EQ(model.GetCurrentKey(), 3u);
}

TEST_F(EditorProfileFileTest, UnreadableFilesAreFileErrors)
{
    CProfileEditorModel model(m_files, m_files);
    const std::u16string missing = Path(u"Missing");
    CEditorMessage message = model.Load(missing);
    EXPECT_EQ(message.m_fileError, EFileError::NotFound);
    EXPECT_EQ(message.m_text, missing + u" was not found.");

    m_files.Add(Path(u"Locked"), "[Application]\r\n" + ZeroRecord());
    m_files.FailReadsOf(Path(u"Locked"));
    message = model.Load(Path(u"Locked"));
    EXPECT_EQ(message.m_fileError, EFileError::Unknown);
    EXPECT_EQ(message.m_text, u"An unknown error occurred while accessing " + Path(u"Locked") + u".");
    EXPECT_EQ(message.m_stringId, 0);
    EXPECT_FALSE(model.IsEditing());
}

TEST_F(EditorProfileFileTest, LineBreaksNeverSplitALine)
{
    CEditorProfile profile;
    profile.m_name = u"A\r\nB";
    profile.m_title = u"T\nExecutable=evil.exe";
    profile.m_values[1] = u"Key(a)\r\n2=Key(b)";
    const std::vector<uint8_t> bytes = FormatEditorProfile(profile);
    const std::string text(bytes.begin(), bytes.end());
    size_t lineEnds = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++lineEnds;
    EXPECT_EQ(lineEnds, 25u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 25);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 25);
    EXPECT_NE(text.find("Name=\"A  B\"\r\n"), std::string::npos);
}

}  // namespace
