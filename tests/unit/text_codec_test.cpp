#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestBytes.h"
#include "text/TextCodec.h"

namespace {

TEST(TextCodec, Windows1252TakesEveryByteBackToItself)
{
    std::vector<uint8_t> all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<uint8_t>(byte));
    const std::u16string text = Windows1252().Decode(all.data(), all.size());
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(text[0x80], u'\u20AC');
    EXPECT_EQ(text[0x81], u'\u0081');  // undefined: keeps its value
    EXPECT_EQ(text[0x9F], u'\u0178');
    std::vector<uint8_t> encoded;
    EXPECT_TRUE(Windows1252().Encode(text, encoded));
    EXPECT_EQ(encoded, all);

    // Code units the code page has no byte for.
    for (char16_t unit : {u'\u0080', u'\u0100', u'\u4E2D', char16_t(0xD83D)}) {
        std::vector<uint8_t> bytes;
        EXPECT_FALSE(Windows1252().Encode(std::u16string(u"a") + unit, bytes)) << int(unit);
    }
}

TEST(TextCodec, Utf8EncodesWholeCharactersAndReplacesHalfPairs)
{
    const std::u16string highAlone(1, char16_t(0xD83D));
    const std::u16string lowAlone(1, char16_t(0xDE00));
    const struct {
        std::u16string text;
        const char* utf8;
        std::u16string decoded;
    } cases[] = {
        {u"A\u00E9\u20AC", "41 C3 A9 E2 82 AC", u"A\u00E9\u20AC"},
        {u"\U0001F600", "F0 9F 98 80", u"\U0001F600"},
        {highAlone + u"a", "EF BF BD 61", u"\uFFFDa"},
        {lowAlone, "EF BF BD", u"\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        std::vector<uint8_t> bytes;
        AppendUtf8(bytes, c.text);
        EXPECT_EQ(ToHex(bytes), c.utf8);
        EXPECT_EQ(DecodeUtf8(bytes.data(), bytes.size()), c.decoded);
    }
}

TEST(TextCodec, CaseFoldingOfNames)
{
    const struct {
        std::u16string a;
        std::u16string b;
        bool equal;
    } cases[] = {
        {u"KeyMapping", u"KEYMAPPING", true},
        {u"POWERPNT.EXE", u"powerpnt.exe", true},
        {u"\u00C9T\u00C9.EXE", u"\u00E9t\u00E9.exe", true},  // Latin-1
        {u"\u0152UVRE", u"\u0153uvre", true},                // Latin Extended-A
        {u"\u0141\u00D3D\u0179", u"\u0142\u00F3d\u017A", true},
        {u"\u0178", u"\u00FF", true},
        {u"\u041F\u0420\u0418\u0412\u0415\u0422", u"\u043F\u0440\u0438\u0432\u0435\u0442", true},  // Cyrillic
        {u"\u0401", u"\u0451", true},
        {u"\u00D7", u"\u00F7", false},  // multiplication and division signs are not letters
        {u"a", u"b", false},
        {u"ab", u"a", false},
        {u"[", u"{", false},  // not letters, though 0x20 apart
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a.begin(), c.a.end()));
        EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.equal);
        EXPECT_EQ(EqualsIgnoringCase(c.b, c.a), c.equal);
    }
}

}  // namespace
