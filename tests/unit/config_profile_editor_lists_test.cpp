// The profile editor's lists, the mapping values composed from them and the selection record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "action/ActionSequence.h"
#include "config/EditorLists.h"
#include "config/SelectionRecord.h"
#include "TestText.h"

namespace {

// Virtual-key codes of entries 1 onward of each keyboard key type, from the key-name table the
// player uses; for Mouse the mouse action codes.
const std::vector<std::vector<int32_t>>& ExpectedCodes()
{
    static const std::vector<std::vector<int32_t>> codes = [] {
        std::vector<std::vector<int32_t>> c(kKeyTypeCount);
        for (int i = 0; i < 26; ++i)
            c[KEYTYPE_ALPHABETICAL].push_back(0x41 + i);
        for (int i = 1; i <= 9; ++i) {
            c[KEYTYPE_NUMBER].push_back(0x30 + i);
            c[KEYTYPE_NUMBER_PAD].push_back(0x60 + i);
        }
        c[KEYTYPE_NUMBER_PAD].push_back(0x0D);  // keypad Enter
        c[KEYTYPE_ARROW] = {0x25, 0x27, 0x26, 0x28};
        for (int i = 0; i < 12; ++i)
            c[KEYTYPE_FUNCTION].push_back(0x70 + i);
        c[KEYTYPE_OTHER] = {0x08, 0x09, 0x2E, 0x0D, 0x1B, 0x20, 0x21, 0x22, 0x23,
                            0x24, 0x6A, 0x6B, 0x6D, 0xBE, 0x6F, 0x90, 0x91};
        c[KEYTYPE_MOUSE] = {MOUSE_LEFT, MOUSE_RIGHT, MOUSE_UP, MOUSE_DOWN, MOUSE_BUTTON1, MOUSE_BUTTON2, MOUSE_BUTTON3};
        return c;
    }();
    return codes;
}

// The modifier bit of each first-list entry: none, two Windows keys, three each of Control,
// Shift and Alt.
constexpr int32_t kModifierBits[kModifierCount] = {0, MODIFIER_WIN, MODIFIER_WIN, MODIFIER_CTRL, MODIFIER_CTRL, MODIFIER_CTRL,
                                                   MODIFIER_SHIFT, MODIFIER_SHIFT, MODIFIER_SHIFT, MODIFIER_ALT, MODIFIER_ALT,
                                                   MODIFIER_ALT};

// The first-list index behind entry s of the second list: after Control s + 5, after Shift
// s + 2 up to 3 and s + 5 above, after Alt s + 2.
int SecondTarget(int first, int s)
{
    if (s == 0)
        return 0;
    if (first <= 5)
        return s + 5;
    if (first <= 8)
        return s <= 3 ? s + 2 : s + 5;
    return s + 2;
}

TEST(EditorListsTest, ListsHaveTheDescribedEntries)
{
    const struct {
        int type;
        size_t size;
        const char16_t* second;
        const char16_t* last;
        const char16_t* lastWritten;
    } lists[] = {
        {KEYTYPE_ALPHABETICAL, 27, u"a", u"z", u"z"},
        {KEYTYPE_NUMBER, 10, u"Number key 1", u"Number key 9", u"num_9"},
        {KEYTYPE_NUMBER_PAD, 11, u"Number pad key 1", u"Number pad enter key", u"pad_enter"},
        {KEYTYPE_ARROW, 5, u"Left key", u"Down key", u"down"},
        {KEYTYPE_FUNCTION, 13, u"F1 key", u"F12 key", u"F12"},
        {KEYTYPE_OTHER, 18, u"Back key", u"Scroll key", u"scroll"},
        {KEYTYPE_MOUSE, 8, u"Left", u"Button3", u"Button3"},
    };
    ASSERT_EQ(EditorKeyTypes().size(), static_cast<size_t>(kKeyTypeCount));
    EXPECT_EQ(EditorKeyTypes()[KEYTYPE_NUMBER_PAD], u"Number pad keys");
    EXPECT_EQ(EditorKeyTypes()[KEYTYPE_MOUSE], u"Mouse");
    for (const auto& list : lists) {
        SCOPED_TRACE(list.type);
        const auto& keys = EditorKeys(list.type);
        ASSERT_EQ(keys.size(), list.size);
        EXPECT_EQ(keys[0].m_display, u"---");
        EXPECT_EQ(keys[0].m_written, u"");
        EXPECT_EQ(keys[1].m_display, list.second);
        EXPECT_EQ(keys.back().m_display, list.last);
        EXPECT_EQ(keys.back().m_written, list.lastWritten);
    }
    EXPECT_TRUE(EditorKeys(-1).empty());
    EXPECT_TRUE(EditorKeys(kKeyTypeCount).empty());
    EXPECT_EQ(EditorKeys(KEYTYPE_OTHER)[16].m_display, u"Numberlock key");
    EXPECT_EQ(EditorKeys(KEYTYPE_OTHER)[16].m_written, u"numlock");
}

// Every key of every type with every modifier pair the lists offer gives a value that the
// player's parser takes whole, for the key and modifiers that were chosen.
TEST(EditorListsTest, EveryChoiceComposesTheChosenAction)
{
    for (int type = 0; type < kKeyTypeCount; ++type) {
        for (size_t key = 1; key < EditorKeys(type).size(); ++key) {
            for (int mod1 = 0; mod1 < kModifierCount; ++mod1) {
                const int secondCount = static_cast<int>(EditorSecondModifiers(mod1).size());
                for (int mod2 = 0; mod2 < secondCount; ++mod2) {
                    const CKeySelection selection{static_cast<int>(key), type, mod1, mod2};
                    const std::u16string value = ComposeMappingValue(selection);
                    SCOPED_TRACE(Narrow(value));
                    CActionSequence sequence;
                    ASSERT_TRUE(sequence.Parse(value));
                    ASSERT_EQ(sequence.GetCount(), 1u);
                    const CAction action = sequence.GetAt(0);
                    EXPECT_EQ(action.m_code, ExpectedCodes()[type][key - 1]);
                    if (type == KEYTYPE_MOUSE) {
                        EXPECT_EQ(action.m_kind, ACTION_MOUSE);
                        EXPECT_EQ(action.m_modifiers, 0);
                    } else {
                        EXPECT_EQ(action.m_kind, ACTION_KEY);
                        // Only keypad Enter differs from a main-block key of the same code.
                        EXPECT_EQ(action.m_keypad, type == KEYTYPE_NUMBER_PAD && key == 10);
                        EXPECT_EQ(action.m_modifiers, kModifierBits[mod1] | kModifierBits[SecondTarget(mod1, mod2)]);
                    }
                }
            }
        }
    }
}

TEST(EditorListsTest, ComposesTheWrittenForms)
{
    const struct {
        CKeySelection selection;
        const char16_t* value;
    } cases[] = {
        {{3, KEYTYPE_ALPHABETICAL, 3, 0}, u"Key(c,ctrl)"},
        {{5, KEYTYPE_FUNCTION, 0, 0}, u"Key(F5)"},
        {{1, KEYTYPE_ARROW, 4, 2}, u"Key(left,lctrl,lshift)"},
        {{5, KEYTYPE_MOUSE, 0, 0}, u"Mouse(Button1)"},
        {{5, KEYTYPE_MOUSE, 3, 1}, u"Mouse(Button1)"},  // modifiers do not apply to the mouse
        {{0, KEYTYPE_MOUSE, 0, 0}, u"Mouse()"},
        {{0, KEYTYPE_ALPHABETICAL, 3, 0}, u"Key()"},  // "---" with a first modifier only
        {{0, KEYTYPE_ALPHABETICAL, 0, 0}, u"Key()"},
        {{0, KEYTYPE_ALPHABETICAL, 3, 1}, u"Key(,ctrl,shift)"},
        {{1, KEYTYPE_ALPHABETICAL, 6, 4}, u"Key(a,shift,alt)"},
        {{1, KEYTYPE_ALPHABETICAL, 9, 6}, u"Key(a,alt,rshift)"},
        {{9, KEYTYPE_NUMBER, 11, 1}, u"Key(num_9,ralt,ctrl)"},
        {{9, KEYTYPE_NUMBER_PAD, 1, 0}, u"Key(pad_9,lwin)"},
        {{14, KEYTYPE_OTHER, 0, 0}, u"Key(period)"},
        // Only a second modifier, as a stored record can hold it: it keeps the meaning it has
        // after a Control key.
        {{1, KEYTYPE_ALPHABETICAL, 0, 1}, u"Key(a,shift)"},
        {{1, KEYTYPE_ALPHABETICAL, 2, 4}, u"Key(a,rwin,alt)"},
        // Indexes outside their lists write nothing rather than reading past a table.
        {{40, KEYTYPE_ARROW, 0, 0}, u"Key()"},
        {{1, 9, 0, 0}, u"Key()"},
        {{1, KEYTYPE_ALPHABETICAL, 12, 0}, u"Key(a)"},
        {{1, KEYTYPE_ALPHABETICAL, 3, 7}, u"Key(a,ctrl)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComposeMappingValue(c.selection), c.value) << Narrow(c.value);
}

TEST(EditorListsTest, EachFirstModifierWritesItsName)
{
    const char16_t* const names[kModifierCount] = {u"Key(a)",        u"Key(a,lwin)",   u"Key(a,rwin)",  u"Key(a,ctrl)",
                                                   u"Key(a,lctrl)",  u"Key(a,rctrl)",  u"Key(a,shift)", u"Key(a,lshift)",
                                                   u"Key(a,rshift)", u"Key(a,alt)",    u"Key(a,lalt)",  u"Key(a,ralt)"};
    for (int mod1 = 0; mod1 < kModifierCount; ++mod1)
        EXPECT_EQ(ComposeMappingValue({1, KEYTYPE_ALPHABETICAL, mod1, 0}), names[mod1]);
    EXPECT_EQ(EditorModifiers()[3].m_display, u"Control key");
    EXPECT_EQ(EditorModifiers()[11].m_display, u"Right alt key");
}

TEST(EditorListsTest, SecondModifierListFollowsTheFirstModifiersKind)
{
    const std::vector<std::u16string> none = {u"---"};
    const std::vector<std::u16string> afterControl = {u"---",           u"Shift key", u"Left shift key", u"Right shift key",
                                                      u"Alt key",       u"Left alt key", u"Right alt key"};
    const std::vector<std::u16string> afterShift = {u"---",     u"Control key",  u"Left control key", u"Right control key",
                                                    u"Alt key", u"Left alt key", u"Right alt key"};
    const std::vector<std::u16string> afterAlt = {u"---",       u"Control key",    u"Left control key", u"Right control key",
                                                  u"Shift key", u"Left shift key", u"Right shift key"};
    const std::vector<std::u16string>* expected[kModifierCount] = {&none,       &none,       &none,     &afterControl,
                                                                   &afterControl, &afterControl, &afterShift, &afterShift,
                                                                   &afterShift, &afterAlt,   &afterAlt, &afterAlt};
    for (int mod1 = 0; mod1 < kModifierCount; ++mod1) {
        SCOPED_TRACE(mod1);
        EXPECT_EQ(EditorSecondModifiers(mod1), *expected[mod1]);
        // Each entry stands for the first-list modifier of the same text.
        for (size_t s = 1; s < expected[mod1]->size(); ++s)
            EXPECT_EQ(EditorModifiers()[SecondModifierTarget(mod1, static_cast<int>(s))].m_display, (*expected[mod1])[s]);
    }
    EXPECT_EQ(SecondModifierTarget(6, 0), 0);
    EXPECT_EQ(SecondModifierTarget(6, 7), 0);
    EXPECT_EQ(SecondModifierTarget(6, -1), 0);
    EXPECT_EQ(EditorSecondModifiers(12), none);
}

CKeySelections Pattern(int seed)
{
    CKeySelections selections;
    for (size_t k = 0; k < kEditorKeyCount; ++k) {
        CKeySelection& s = selections[k];
        s.m_type = static_cast<int>((k + seed) % kKeyTypeCount);
        s.m_key = static_cast<int>((k * 7 + seed) % EditorKeys(s.m_type).size());
        s.m_mod1 = static_cast<int>((k * 5 + seed) % kModifierCount);
        s.m_mod2 = static_cast<int>((k * 3 + seed) % kSecondModifierCount);
    }
    return selections;
}

TEST(SelectionRecordTest, RoundTripsEveryKey)
{
    for (int seed = 0; seed < 12; ++seed) {
        const CKeySelections selections = Pattern(seed);
        const std::u16string record = EncodeSelectionRecord(selections);
        ASSERT_EQ(record.size(), kSelectionRecordChars);
        const auto decoded = DecodeSelectionRecord(record);
        ASSERT_TRUE(decoded);
        for (size_t k = 0; k < kEditorKeyCount; ++k)
            EXPECT_EQ((*decoded)[k], selections[k]) << "seed " << seed << ", key " << k;
    }
    CKeySelections highest;
    highest.fill({26, KEYTYPE_ALPHABETICAL, 11, 6});
    EXPECT_EQ(DecodeSelectionRecord(EncodeSelectionRecord(highest)), highest);
}

TEST(SelectionRecordTest, GroupsFollowOneAnother)
{
    CKeySelections selections{};
    selections[0] = {12, KEYTYPE_ALPHABETICAL, 10, 5};
    selections[16] = {26, KEYTYPE_ALPHABETICAL, 11, 6};
    selections[10] = {4, KEYTYPE_ARROW, 0, 0};
    const std::u16string record = EncodeSelectionRecord(selections);
    EXPECT_EQ(record.substr(0, 2), u"12");     // key of "0"
    EXPECT_EQ(record.substr(20, 2), u"04");    // key of RIGHT, zero-padded
    EXPECT_EQ(record.substr(32, 2), u"26");    // key of HASH
    EXPECT_EQ(record.substr(44, 1), u"3");     // type of RIGHT
    EXPECT_EQ(record.substr(51, 2), u"10");    // first modifier of "0"
    EXPECT_EQ(record.substr(83, 2), u"11");    // first modifier of HASH
    EXPECT_EQ(record.substr(85, 1), u"5");     // second modifier of "0"
    EXPECT_EQ(record.substr(101, 1), u"6");    // second modifier of HASH
    EXPECT_EQ(EditorKeyName(10), u"RIGHT");
    EXPECT_EQ(EditorKeyName(16), u"HASH");
    EXPECT_EQ(EditorKeyName(17), u"");
}

TEST(SelectionRecordTest, OnlyTheExactLengthDecodes)
{
    const std::u16string zeros(kSelectionRecordChars, u'0');
    EXPECT_TRUE(DecodeSelectionRecord(zeros));
    EXPECT_FALSE(DecodeSelectionRecord(zeros.substr(1)));
    EXPECT_FALSE(DecodeSelectionRecord(zeros + u"0"));
    EXPECT_FALSE(DecodeSelectionRecord(u""));
}

TEST(SelectionRecordTest, GroupsOutsideTheirListsReadAsNone)
{
    // Key 1 carries the faulty groups; key 2 a valid choice that must survive beside them.
    const struct {
        size_t position;
        const char16_t* digits;
        CKeySelection expected;
    } cases[] = {
        {34 + 1, u"7", {0, 0, 0, 0}},      // key type beyond Mouse
        {34 + 1, u"x", {0, 0, 0, 0}},
        {2, u"27", {0, 0, 0, 0}},          // beyond the longest key list
        {2, u"1-", {0, 0, 0, 0}},
        {51 + 2, u"12", {0, 0, 0, 0}},     // beyond the first modifier list
        {51 + 2, u" 3", {0, 0, 0, 0}},
        {85 + 1, u"7", {0, 0, 0, 0}},      // beyond the second modifier list
        {85 + 1, u"6", {0, 0, 0, 6}},
    };
    for (const auto& c : cases) {
        std::u16string record(kSelectionRecordChars, u'0');
        record.replace(c.position, std::char_traits<char16_t>::length(c.digits), c.digits);
        record.replace(4, 2, u"05");   // key 2: "e" with Alt
        record.replace(55, 2, u"09");
        const auto decoded = DecodeSelectionRecord(record);
        ASSERT_TRUE(decoded);
        EXPECT_EQ((*decoded)[1], c.expected) << Narrow(c.digits);
        EXPECT_EQ((*decoded)[2], (CKeySelection{5, 0, 9, 0}));
    }

    // A key index that the key's own type has no entry for: "Number key" lists end at 9.
    std::u16string record(kSelectionRecordChars, u'0');
    record.replace(0, 2, u"20");
    record[34] = u'1';
    const auto decoded = DecodeSelectionRecord(record);
    ASSERT_TRUE(decoded);
    EXPECT_EQ((*decoded)[0], (CKeySelection{0, KEYTYPE_NUMBER, 0, 0}));
}

TEST(SelectionRecordTest, IndexesThatDoNotFitAreWrittenAsNone)
{
    CKeySelections selections{};
    selections[3] = {100, 10, -1, 12};
    const std::u16string record = EncodeSelectionRecord(selections);
    EXPECT_EQ(record, std::u16string(kSelectionRecordChars, u'0'));
}

}  // namespace
