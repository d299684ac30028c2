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

// Code page 1251 for its Cyrillic capitals and small letters, every other byte as Windows-1252.
class CCyrillicCodePage : public ICodePage {
public:
    std::u16string Decode(const uint8_t* data, size_t size) const override
    {
        std::u16string text;
        for (size_t i = 0; i < size; ++i)
            text += data[i] >= 0xC0 ? std::u16string(1, static_cast<char16_t>(0x410 + data[i] - 0xC0))
                                    : Windows1252().Decode(data + i, 1);
        return text;
    }
    bool Encode(std::u16string_view, std::vector<uint8_t>&) const override { return false; }
};

// Without a byte-order mark, UTF-8 wins when the whole text is valid UTF-8; the code page
// reads everything else. A mark decides alone.
TEST(TextCodec, TextWithoutAMarkIsUtf8OrTheCodePage)
{
    const CCyrillicCodePage cyrillic;
    const struct {
        const char* bytes;
        std::u16string western;   // read with Windows-1252
        std::u16string cyrillic;  // read with code page 1251
    } cases[] = {
        {"41 3D 62", u"A=b", u"A=b"},                                      // ASCII: the same either way
        {"50 72 C3 A4 73", u"Pr\u00E4s", u"Pr\u00E4s"},                    // UTF-8
        {"D0 9F D1 80", u"\u041F\u0440", u"\u041F\u0440"},                 // UTF-8 Cyrillic
        {"F0 9F 98 80", u"\U0001F600", u"\U0001F600"},                     // UTF-8, four bytes
        {"50 72 E4 73", u"Pr\u00E4s", u"Pr\u0434s"},                       // 8-bit
        {"CF F0 E8", u"\u00CF\u00F0\u00E8", u"\u041F\u0440\u0438"},      // 8-bit Cyrillic
        {"C3 A4 E4", u"\u00C3\u00A4\u00E4", u"\u0413\u00A4\u0434"},      // UTF-8, then a stray byte
        {"C3", u"\u00C3", u"\u0413"},                                     // cut short
        {"C0 80", u"\u00C0\u20AC", u"\u0410\u20AC"},                     // overlong
        {"ED A0 80", u"\u00ED\u00A0\u20AC", u"\u043D\u00A0\u20AC"},      // a surrogate
        {"EF BB BF E4", u"\uFFFD", u"\uFFFD"},                            // UTF-8 mark: never the code page
        {"FF FE 1F 04", u"\u041F", u"\u041F"},                            // UTF-16LE mark
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::vector<uint8_t> bytes = Hex(c.bytes);
        EXPECT_EQ(DecodeText(bytes.data(), bytes.size(), Windows1252()), c.western);
        EXPECT_EQ(DecodeText(bytes.data(), bytes.size(), cyrillic), c.cyrillic);
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
