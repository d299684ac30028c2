#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "action/ActionSequence.h"
#include "action/KeyNames.h"
#include "TestText.h"
#include "TestActions.h"

namespace {

struct ParseCase {
    std::u16string value;
    bool ok;
    Actions actions;  // what the sequence holds afterwards, also after a failure
};

void CheckParse(const std::vector<ParseCase>& cases)
{
    for (const ParseCase& c : cases) {
        CActionSequence sequence;
        EXPECT_EQ(sequence.Parse(c.value), c.ok) << Narrow(c.value);
        EXPECT_EQ(ActionsOf(sequence), c.actions) << Narrow(c.value);
    }
}

TEST(ActionSequence, ItemsAndSeparators)
{
    CheckParse({
        {u"KEY(A)", true, {Key(0x41)}},
        {u"KEY(A);KEY(B)", true, {Key(0x41), Key(0x42)}},
        // A name with a leading space is some other command: skipped, not an error.
        {u"KEY(A); KEY(B)", true, {Key(0x41)}},
        {u"KEY (A)", true, {}},
        {u"FOO(1)", true, {}},
        {u"FOO(KEY(A))", true, {}},
        {u"FOO(1);KEY(B)", true, {Key(0x42)}},
        // Empty items fail, and what was parsed before them stays.
        {u"KEY(A);", false, {Key(0x41)}},
        {u"", false, {}},
        {u";KEY(A)", false, {}},
        {u"KEY(A);;KEY(B)", false, {Key(0x41)}},
        {u"KEY(A);KEY(FOO);KEY(B)", false, {Key(0x41)}},
        // Nothing may follow the closing parenthesis; it must be there, and so must "(".
        {u"KEY(A) ", false, {}},
        {u"KEY(A)\t", false, {}},
        {u"KEY(A", false, {}},
        {u"KEY)", false, {}},
        {u")", false, {}},
        {u"KEY(A);FOO(;KEY(B)", false, {Key(0x41)}},
        // Only the first "(" and the final ")" mean anything.
        {u"KEY((A)", false, {}},
        {u"KEY(A))", false, {}},
        {u"KEY(A)(B)", false, {}},
        // Command words ignore case, but only ASCII case (U+212A is the Kelvin sign).
        {u"key(a)", true, {Key(0x41)}},
        {u"Mouse(Up)", true, {Mouse(MOUSE_UP)}},
        {u"\u212AEY(A)", true, {}},
    });
}

TEST(ActionSequence, KeyModifiers)
{
    CheckParse({
        {u"key(tab,alt)", true, {Key(0x09, MODIFIER_ALT)}},
        {u"KEY(A,ctrl);KEY(B,ctrl)", true, {Key(0x41, MODIFIER_CTRL), Key(0x42, MODIFIER_CTRL)}},
        {u"KEY(A,Shift)", true, {Key(0x41)}},
        {u"KEY(A,lshift)", true, {Key(0x41, MODIFIER_SHIFT)}},
        {u"KEY(A,rctrl)", true, {Key(0x41, MODIFIER_CTRL)}},
        {u"KEY(A,ralt)", true, {Key(0x41, MODIFIER_ALT)}},
        {u"KEY(A,lwin)", true, {Key(0x41, MODIFIER_WIN)}},
        {u"KEY(A,shift,ctrl,alt)", true, {Key(0x41, MODIFIER_SHIFT | MODIFIER_CTRL | MODIFIER_ALT)}},
        {u"KEY(A,shift,ctrl,alt,win)", false, {}},
        {u"KEY(A,,,,)", false, {}},
        {u"KEY(A,,,)", true, {Key(0x41)}},
        {u"KEY(A,)", true, {Key(0x41)}},
        {u"KEY(A,bogus)", true, {Key(0x41)}},
        // One argument sets one bit: the first word found in the order shift, ctrl, alt, win.
        {u"KEY(A,ctrl+shift)", true, {Key(0x41, MODIFIER_SHIFT)}},
        {u"KEY(A,winalt)", true, {Key(0x41, MODIFIER_ALT)}},
        {u"KEY(A,shift,shift)", true, {Key(0x41, MODIFIER_SHIFT)}},
        // Arguments are trimmed of white space on both sides.
        {u"KEY( a ,\tctrl )", true, {Key(0x41, MODIFIER_CTRL)}},
        // The profile editor writes this for a key with modifiers only.
        {u"Key()", false, {}},
        {u"Key(left,lctrl,lshift)", true, {Key(0x25, MODIFIER_CTRL | MODIFIER_SHIFT)}},
    });
}

// The key argument is read as a number first, the way a stream extraction reads an int.
TEST(ActionSequence, KeyNumbers)
{
    CheckParse({
        {u"KEY(5)", true, {Key(5)}},
        {u"KEY(NUM_5)", true, {Key(0x35)}},
        {u"KEY(65)", true, {Key(65)}},
        {u"KEY(0065)", true, {Key(65)}},
        {u"KEY(+66)", true, {Key(66)}},
        {u"KEY(-1)", true, {Key(-1)}},
        {u"KEY(9x)", true, {Key(9)}},
        {u"KEY(0x41)", true, {Key(0)}},
        {u"KEY(1F)", true, {Key(1)}},
        {u"KEY(12 34)", true, {Key(12)}},
        {u"KEY(321)", true, {Key(321)}},
        {u"KEY(2147483647)", true, {Key(2147483647)}},
        {u"KEY(-2147483648)", true, {Key(-2147483647 - 1)}},
        // Out of the 32-bit range the text is looked up as a name, and no name matches.
        {u"KEY(2147483648)", false, {}},
        {u"KEY(-2147483649)", false, {}},
        {u"KEY(99999999999999999999999)", false, {}},
        {u"KEY(-)", false, {}},
        {u"KEY(+)", false, {}},
        {u"KEY(+-1)", false, {}},
        {u"KEY(- 1)", false, {}},
        // Digits other than ASCII are not digits.
        {u"KEY(\uFF15)", false, {}},
    });
}

TEST(ActionSequence, KeyNamesAndMouseWords)
{
    CheckParse({
        {u"KEY(CLEAR)", true, {Key(0x2E)}},
        {u"KEY(PERIOD)", true, {Key(0xBE)}},
        {u"KEY(f24)", true, {Key(0x87)}},
        {u"KEY(Pad_9)", true, {Key(0x69)}},
        {u"KEY(lAlT)", true, {Key(0xA4)}},
        {u"KEY(z)", true, {Key(0x5A)}},
        {u"KEY(pad_Enter,ctrl);KEY(ENTER)", true, {CAction{ACTION_KEY, MODIFIER_CTRL, 0x0D, true}, Key(0x0D)}},
        {u"KEY(13)", true, {Key(0x0D)}},
        {u"KEY(FOO)", false, {}},
        {u"KEY(F25)", false, {}},
        {u"KEY(NUM_10)", false, {}},
        {u"KEY(DELETE)", false, {}},
        {u"KEY(TA)", false, {}},
        {std::u16string(u"KEY(TAB\0)", 9), false, {}},
        // Dotless i (U+0131) folds to I under some locales; names fold ASCII only.
        {u"KEY(SH\u0131FT)", false, {}},
        {u"KEY()", false, {}},
        {u"KEY(\u00C4)", false, {}},
        {u"MOUSE(LEFT);MOUSE(right);MOUSE(Up);MOUSE(DOWN)", true,
         {Mouse(MOUSE_LEFT), Mouse(MOUSE_RIGHT), Mouse(MOUSE_UP), Mouse(MOUSE_DOWN)}},
        {u"MOUSE(BUTTON1);MOUSE( button2 );mouse(Button3)", true,
         {Mouse(MOUSE_BUTTON1), Mouse(MOUSE_BUTTON2), Mouse(MOUSE_BUTTON3)}},
        {u"MOUSE()", false, {}},
        {u"MOUSE(LEFT,1)", false, {}},
        {u"MOUSE(LEFT,)", false, {}},
        {u"MOUSE(BUTTON4)", false, {}},
        {u"MOUSE(4)", false, {}},
        {u"MOUSE(A)", false, {}},
        {u"KEY(A);MOUSE(BUTTON1,ctrl)", false, {Key(0x41)}},
    });
}

TEST(ActionSequence, ParseReplacesAndCopiesAreIndependent)
{
    CActionSequence sequence;
    ASSERT_TRUE(sequence.Parse(u"KEY(A);MOUSE(BUTTON3)"));
    const CActionSequence copy = sequence;
    ASSERT_FALSE(sequence.Parse(u""));
    EXPECT_EQ(sequence.GetCount(), 0u);
    EXPECT_EQ(ActionsOf(copy), (Actions{Key(0x41), Mouse(MOUSE_BUTTON3)}));
    // Past the end: an empty action that plays nothing, not a read outside the array.
    EXPECT_EQ(copy.GetAt(2), CAction{});
    EXPECT_EQ(copy.GetAt(static_cast<size_t>(-1)), CAction{});
}

// The table written out from its ranges, so a slip in one row of the source shows.
TEST(KeyNames, TableMatchesItsRanges)
{
    std::vector<std::pair<std::u16string, int32_t>> expected = {
        {u"BACK", 0x08}, {u"TAB", 0x09}, {u"CLEAR", 0x2E}, {u"RETURN", 0x0D}, {u"ENTER", 0x0D},
        {u"SHIFT", 0x10}, {u"CONTROL", 0x11}, {u"CTRL", 0x11}, {u"ALT", 0x12},
        {u"ESCAPE", 0x1B}, {u"ESC", 0x1B}, {u"SPACE", 0x20}, {u"PAGEUP", 0x21},
        {u"PAGEDOWN", 0x22}, {u"END", 0x23}, {u"HOME", 0x24}, {u"LEFT", 0x25}, {u"UP", 0x26},
        {u"RIGHT", 0x27}, {u"DOWN", 0x28}, {u"SELECT", 0x29}, {u"EXECUTE", 0x2B},
        {u"SNAPSHOT", 0x2C}, {u"HELP", 0x2F}};
    auto range = [&](const std::u16string& prefix, int32_t first, int32_t count, int32_t code) {
        for (int32_t i = 0; i < count; ++i) {
            std::u16string suffix;
            for (char c : std::to_string(first + i))
                suffix += static_cast<char16_t>(c);
            expected.emplace_back(prefix + suffix, code + i);
        }
    };
    range(u"NUM_", 0, 10, 0x30);
    for (int32_t i = 0; i < 26; ++i)
        expected.emplace_back(std::u16string(1, static_cast<char16_t>(u'A' + i)), 0x41 + i);
    expected.insert(expected.end(), {{u"LWIN", 0x5B}, {u"RWIN", 0x5C}, {u"APPS", 0x5D}});
    range(u"PAD_", 0, 10, 0x60);
    expected.insert(expected.end(), {{u"MULTIPLY", 0x6A}, {u"ADD", 0x6B}, {u"SEPARATOR", 0x6C},
                                     {u"SUBTRACT", 0x6D}, {u"PERIOD", 0xBE}, {u"DIVIDE", 0x6F}});
    range(u"F", 1, 24, 0x70);
    expected.insert(expected.end(), {{u"NUMLOCK", 0x90}, {u"SCROLL", 0x91}, {u"LSHIFT", 0xA0},
                                     {u"RSHIFT", 0xA1}, {u"LCONTROL", 0xA2}, {u"RCONTROL", 0xA3},
                                     {u"LALT", 0xA4}, {u"RALT", 0xA5}, {u"PAD_ENTER", 0x0D}});

    ASSERT_EQ(expected.size(), 112u);
    ASSERT_EQ(g_keyNames.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(g_keyNames[i].m_name, expected[i].first) << "row " << i;
        EXPECT_EQ(g_keyNames[i].m_code, expected[i].second) << "row " << i;
        // Only keypad Enter is the keypad's twin of a main-block key.
        EXPECT_EQ(g_keyNames[i].m_keypad, expected[i].first == u"PAD_ENTER") << "row " << i;
    }
}

}  // namespace
