// The profile editor's choices as the dialog drives them: phone keys, the four key lists,
// identification and window behaviour.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryFileStore.h"
#include "config/ProfileEditorModel.h"

namespace {

constexpr size_t kKey0 = 0;
constexpr size_t kKey1 = 1;
constexpr size_t kKey5 = 5;
constexpr size_t kRight = 10;
constexpr size_t kHash = 16;

class ProfileEditorModelTest : public ::testing::Test {
protected:
    // Chooses a key with modifiers for the current phone key, as a user does in the lists.
    void Map(int type, int key, int mod1 = 0, int mod2 = 0)
    {
        ASSERT_TRUE(m_model.ChooseKeyType(type));
        ASSERT_TRUE(m_model.ChooseKey(key));
        if (mod1 != 0) {
            ASSERT_TRUE(m_model.ChooseFirstModifier(mod1));
        }
        if (mod2 != 0) {
            ASSERT_TRUE(m_model.ChooseSecondModifier(mod2));
        }
    }

    CMemoryFileStore m_files;
    CProfileEditorModel m_model{m_files, m_files};
};

TEST_F(ProfileEditorModelTest, NewProfileStartsEmptyOnPhoneKeyOne)
{
    EXPECT_FALSE(m_model.IsEditing());
    EXPECT_EQ(m_model.GetCurrentKey(), kKey1);
    EXPECT_EQ(m_model.GetShown(), CKeySelection());
    EXPECT_EQ(m_model.GetKeyList().size(), 27u);
    EXPECT_TRUE(m_model.IsFirstModifierEnabled());
    EXPECT_FALSE(m_model.IsSecondModifierEnabled());
    for (size_t key = 0; key < kEditorKeyCount; ++key) {
        EXPECT_EQ(m_model.GetValue(key), u"");
        EXPECT_EQ(m_model.GetSelection(key), CKeySelection());
    }
    EXPECT_FALSE(m_model.GetBehaviourValue(BEHAVIOUR_AUTO_RESTORE));
    EXPECT_FALSE(m_model.GetBehaviourValue(BEHAVIOUR_BRING_TO_TOP));
    EXPECT_EQ(m_model.GetName(), u"");
    EXPECT_EQ(m_model.GetIdentification(), IDENTIFY_EXECUTABLE);
    EXPECT_TRUE(m_model.IsIdentificationEditable());
}

TEST_F(ProfileEditorModelTest, ChoicesComposeTheCurrentKeyOnly)
{
    ASSERT_TRUE(m_model.PressPhoneKey(kKey5));
    // A key type alone changes the lists, not the key.
    ASSERT_TRUE(m_model.ChooseKeyType(KEYTYPE_FUNCTION));
    EXPECT_EQ(m_model.GetValue(kKey5), u"");
    EXPECT_EQ(m_model.GetKeyList().size(), 13u);
    ASSERT_TRUE(m_model.ChooseKey(5));
    EXPECT_EQ(m_model.GetValue(kKey5), u"Key(F5)");
    ASSERT_TRUE(m_model.ChooseFirstModifier(6));
    EXPECT_EQ(m_model.GetValue(kKey5), u"Key(F5,shift)");
    EXPECT_EQ(m_model.GetSelection(kKey5), (CKeySelection{5, KEYTYPE_FUNCTION, 6, 0}));
    for (size_t key = 0; key < kEditorKeyCount; ++key) {
        if (key != kKey5) {
            EXPECT_EQ(m_model.GetValue(key), u"") << key;
        }
    }

    // A new key type followed by a key stores all four choices anew.
    ASSERT_TRUE(m_model.ChooseKeyType(KEYTYPE_ALPHABETICAL));
    EXPECT_EQ(m_model.GetShown(), (CKeySelection{0, KEYTYPE_ALPHABETICAL, 6, 0}));
    EXPECT_EQ(m_model.GetValue(kKey5), u"Key(F5,shift)");
    ASSERT_TRUE(m_model.ChooseKey(3));
    EXPECT_EQ(m_model.GetValue(kKey5), u"Key(c,shift)");
}

TEST_F(ProfileEditorModelTest, PressingAPhoneKeyShowsItsChoices)
{
    ASSERT_TRUE(m_model.PressPhoneKey(kRight));
    Map(KEYTYPE_ARROW, 1, 4, 2);
    EXPECT_EQ(m_model.GetValue(kRight), u"Key(left,lctrl,lshift)");
    ASSERT_TRUE(m_model.PressPhoneKey(kHash));
    Map(KEYTYPE_MOUSE, 5);

    // A key without a mapping shows "---" everywhere but in the key type list.
    ASSERT_TRUE(m_model.PressPhoneKey(kKey0));
    EXPECT_EQ(m_model.GetShown(), (CKeySelection{0, KEYTYPE_MOUSE, 0, 0}));
    EXPECT_EQ(m_model.GetValue(kKey0), u"");

    ASSERT_TRUE(m_model.PressPhoneKey(kRight));
    EXPECT_EQ(m_model.GetShown(), (CKeySelection{1, KEYTYPE_ARROW, 4, 2}));
    EXPECT_EQ(m_model.GetKeyList()[1].m_display, u"Left key");
    EXPECT_EQ(m_model.GetSecondModifierList()[2], u"Left shift key");
    EXPECT_TRUE(m_model.IsFirstModifierEnabled());
    EXPECT_TRUE(m_model.IsSecondModifierEnabled());

    ASSERT_TRUE(m_model.PressPhoneKey(kHash));
    EXPECT_EQ(m_model.GetShown(), (CKeySelection{5, KEYTYPE_MOUSE, 0, 0}));
    EXPECT_FALSE(m_model.IsFirstModifierEnabled());
    EXPECT_FALSE(m_model.IsSecondModifierEnabled());

    // After a mouse key the first modifier list is usable again for a keyboard key.
    ASSERT_TRUE(m_model.PressPhoneKey(kRight));
    EXPECT_TRUE(m_model.IsFirstModifierEnabled());
    EXPECT_FALSE(m_model.PressPhoneKey(kEditorKeyCount));
    EXPECT_EQ(m_model.GetCurrentKey(), kRight);
}

TEST_F(ProfileEditorModelTest, MouseDropsModifiers)
{
    Map(KEYTYPE_ALPHABETICAL, 1, 3, 1);
    EXPECT_EQ(m_model.GetValue(kKey1), u"Key(a,ctrl,shift)");
    ASSERT_TRUE(m_model.ChooseKeyType(KEYTYPE_MOUSE));
    EXPECT_EQ(m_model.GetShown(), (CKeySelection{0, KEYTYPE_MOUSE, 0, 0}));
    EXPECT_FALSE(m_model.IsFirstModifierEnabled());
    EXPECT_FALSE(m_model.IsSecondModifierEnabled());
    EXPECT_FALSE(m_model.ChooseFirstModifier(3));
    EXPECT_FALSE(m_model.ChooseSecondModifier(1));
    ASSERT_TRUE(m_model.ChooseKey(5));
    EXPECT_EQ(m_model.GetValue(kKey1), u"Mouse(Button1)");
    EXPECT_EQ(m_model.GetSelection(kKey1), (CKeySelection{5, KEYTYPE_MOUSE, 0, 0}));
}

TEST_F(ProfileEditorModelTest, SecondModifierListFollowsTheFirst)
{
    Map(KEYTYPE_ALPHABETICAL, 24);
    ASSERT_TRUE(m_model.ChooseFirstModifier(6));  // Shift
    EXPECT_TRUE(m_model.IsSecondModifierEnabled());
    EXPECT_EQ(m_model.GetSecondModifierList(),
              (std::vector<std::u16string>{u"---", u"Control key", u"Left control key", u"Right control key", u"Alt key",
                                           u"Left alt key", u"Right alt key"}));
    ASSERT_TRUE(m_model.ChooseSecondModifier(4));  // Alt key
    EXPECT_EQ(m_model.GetValue(kKey1), u"Key(x,shift,alt)");

    // Another first modifier keeps the stored entry, which now stands for the other list's
    // modifier at that place.
    ASSERT_TRUE(m_model.ChooseFirstModifier(9));  // Alt
    EXPECT_EQ(m_model.GetShown().m_mod2, 4);
    EXPECT_EQ(m_model.GetValue(kKey1), u"Key(x,alt,shift)");

    // Back to "---": the second list has "---" alone, the value no second modifier.
    ASSERT_TRUE(m_model.ChooseFirstModifier(0));
    EXPECT_FALSE(m_model.IsSecondModifierEnabled());
    EXPECT_EQ(m_model.GetSecondModifierList(), (std::vector<std::u16string>{u"---"}));
    EXPECT_EQ(m_model.GetValue(kKey1), u"Key(x)");
    EXPECT_EQ(m_model.GetSelection(kKey1).m_mod2, 0);
    EXPECT_FALSE(m_model.ChooseSecondModifier(1));

    // A Windows key takes no second modifier either.
    ASSERT_TRUE(m_model.ChooseFirstModifier(1));
    EXPECT_FALSE(m_model.IsSecondModifierEnabled());
    EXPECT_EQ(m_model.GetValue(kKey1), u"Key(x,lwin)");
}

TEST_F(ProfileEditorModelTest, ChoicesOutsideTheListsChangeNothing)
{
    Map(KEYTYPE_ARROW, 2, 3);
    const CKeySelection before = m_model.GetSelection(kKey1);
    EXPECT_FALSE(m_model.ChooseKey(5));  // the arrow list ends at 4
    EXPECT_FALSE(m_model.ChooseKey(-1));
    EXPECT_FALSE(m_model.ChooseKeyType(kKeyTypeCount));
    EXPECT_FALSE(m_model.ChooseFirstModifier(kModifierCount));
    EXPECT_FALSE(m_model.ChooseSecondModifier(kSecondModifierCount));
    EXPECT_EQ(m_model.GetSelection(kKey1), before);
    EXPECT_EQ(m_model.GetValue(kKey1), u"Key(right,ctrl)");
    EXPECT_EQ(m_model.GetValue(kEditorKeyCount), u"");
}

TEST_F(ProfileEditorModelTest, OnlyOneIdentificationKindTakesAValue)
{
    ASSERT_TRUE(m_model.ChooseIdentification(IDENTIFY_EXECUTABLE));
    ASSERT_TRUE(m_model.SetIdentificationText(u"  vlc.exe \t"));
    EXPECT_EQ(m_model.GetIdentificationValue(IDENTIFY_EXECUTABLE), u"vlc.exe");

    ASSERT_TRUE(m_model.ChooseIdentification(IDENTIFY_TITLE));
    EXPECT_FALSE(m_model.IsIdentificationEditable());
    EXPECT_FALSE(m_model.SetIdentificationText(u"VLC"));
    EXPECT_EQ(m_model.GetIdentificationValue(IDENTIFY_TITLE), u"");

    // Clearing the executable frees the title once its entry is chosen again.
    ASSERT_TRUE(m_model.ChooseIdentification(IDENTIFY_EXECUTABLE));
    ASSERT_TRUE(m_model.SetIdentificationText(u""));
    ASSERT_TRUE(m_model.ChooseIdentification(IDENTIFY_TITLE));
    EXPECT_TRUE(m_model.IsIdentificationEditable());
    // A line break would split the profile file's line.
    ASSERT_TRUE(m_model.SetIdentificationText(u"VLC\r\n[KeyMapping]"));
    EXPECT_EQ(m_model.GetIdentificationValue(IDENTIFY_TITLE), u"VLC  [KeyMapping]");
    EXPECT_FALSE(m_model.ChooseIdentification(3));
    EXPECT_EQ(m_model.GetIdentificationValue(3), u"");
}

TEST_F(ProfileEditorModelTest, AProfileWithTwoKindsCanStillBeCorrected)
{
    m_files.Add(u"C:\\P\\Two.ini",
                "[Application]\r\nName=\"Two\"\r\nExecutable=\"two.exe\"\r\nTitle=\"\"\r\nAutoRestore=false\r\n"
                "BringToTop=true\r\nClassName=\"TwoClass\"\r\n#" +
                    std::string(102, '0'));
    ASSERT_TRUE(m_model.Load(u"C:\\P\\Two.ini").Succeeded());
    EXPECT_TRUE(m_model.IsIdentificationEditable());
    ASSERT_TRUE(m_model.ChooseIdentification(IDENTIFY_CLASS_NAME));
    EXPECT_TRUE(m_model.IsIdentificationEditable());
    ASSERT_TRUE(m_model.SetIdentificationText(u""));
    // Decided when chosen: the field stays usable while it is being cleared.
    EXPECT_TRUE(m_model.SetIdentificationText(u"Two"));
    ASSERT_TRUE(m_model.SetIdentificationText(u""));
    ASSERT_TRUE(m_model.ChooseIdentification(IDENTIFY_TITLE));
    EXPECT_FALSE(m_model.IsIdentificationEditable());
}

TEST_F(ProfileEditorModelTest, NameAndWindowBehaviour)
{
    m_model.SetName(u"  My player \r\n");
    EXPECT_EQ(m_model.GetName(), u"My player");

    ASSERT_TRUE(m_model.ChooseBehaviour(BEHAVIOUR_BRING_TO_TOP));
    m_model.SetBehaviourValue(true);
    EXPECT_TRUE(m_model.GetBehaviourValue(BEHAVIOUR_BRING_TO_TOP));
    EXPECT_FALSE(m_model.GetBehaviourValue(BEHAVIOUR_AUTO_RESTORE));
    ASSERT_TRUE(m_model.ChooseBehaviour(BEHAVIOUR_AUTO_RESTORE));
    m_model.SetBehaviourValue(true);
    m_model.SetBehaviourValue(false);
    EXPECT_FALSE(m_model.GetBehaviourValue(BEHAVIOUR_AUTO_RESTORE));
    EXPECT_TRUE(m_model.GetBehaviourValue(BEHAVIOUR_BRING_TO_TOP));
    EXPECT_FALSE(m_model.ChooseBehaviour(2));
    EXPECT_EQ(m_model.GetBehaviour(), BEHAVIOUR_AUTO_RESTORE);
    EXPECT_EQ(EditorBehaviours()[BEHAVIOUR_BRING_TO_TOP].m_display, u"BringToTop");
    EXPECT_EQ(EditorIdentifications()[IDENTIFY_CLASS_NAME].m_display, u"Window class name");
}

}  // namespace
