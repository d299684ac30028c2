#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/IniFile.h"
#include "TestText.h"

namespace {

using Names = std::vector<std::u16string>;

constexpr size_t kBuffer = 256;

CIniFile Parsed(const std::string& text)
{
    CIniFile file;
    file.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return file;
}

// The cases follow what the Windows private-profile routines return for the same text.
TEST(IniFileTest, ValuesReadAsThePrivateProfileRoutinesReadThem)
{
    const struct {
        const char* what;
        std::string text;
        std::u16string section;
        std::u16string key;
        std::u16string expected;  // "<none>" when the default comes back
    } cases[] = {
        {"plain", "[A]\r\nk=v\r\n", u"A", u"k", u"v"},
        {"names in any case", "[application]\r\nNAME=x\r\n", u"Application", u"name", u"x"},
        {"blanks around name and value", "[A]\r\n  k  =   a b  \t\r\n", u"A", u"k", u"a b"},
        {"blanks in the asked names", "[A]\r\nk=1\r\n", u" A ", u" k ", u"1"},
        {"blanks inside the brackets", "[ A ]\r\nk=1\r\n", u"A", u"k", u"1"},
        {"indented header", "  [A]  \r\nk=1\r\n", u"A", u"k", u"1"},
        {"text after the bracket", "[A] junk\r\nk=1\r\n", u"A", u"k", u"1"},
        {"name runs to the last bracket", "[E]]\r\nk=1\r\n", u"E]", u"k", u"1"},
        {"unclosed header is no section", "[A]\r\nk=1\r\n[D\r\nm=2\r\n", u"A", u"m", u"2"},
        {"first '=' splits", "[A]\r\nk=a=b\r\n", u"A", u"k", u"a=b"},
        {"double quotes dropped", "[A]\r\nk=\"abc\"\r\n", u"A", u"k", u"abc"},
        {"single quotes dropped", "[A]\r\nk='abc'\r\n", u"A", u"k", u"abc"},
        {"blanks inside quotes kept", "[A]\r\nk= \"  x  \" \r\n", u"A", u"k", u"  x  "},
        {"only one pair dropped", "[A]\r\nk=\"\"abc\"\"\r\n", u"A", u"k", u"\"abc\""},
        {"inner quote kept", "[A]\r\nk=\"a\"b\"\r\n", u"A", u"k", u"a\"b"},
        {"unmatched quotes kept", "[A]\r\nk=\"abc'\r\n", u"A", u"k", u"\"abc'"},
        {"opening quote alone kept", "[A]\r\nk=\"abc\r\n", u"A", u"k", u"\"abc"},
        {"a lone quote kept", "[A]\r\nk=\"\r\n", u"A", u"k", u"\""},
        {"empty quotes", "[A]\r\nk=\"\"\r\n", u"A", u"k", u""},
        {"empty value", "[A]\r\nk=\r\n", u"A", u"k", u""},
        {"blank value", "[A]\r\nk=   \r\n", u"A", u"k", u""},
        {"quotes on a key name stay", "[A]\r\n\"k\"=1\r\n", u"A", u"k", u"<none>"},
        {"first key of a name wins", "[A]\r\nk=1\r\nK=2\r\n", u"A", u"k", u"1"},
        {"first section of a name wins", "[A]\r\nk=1\r\n[B]\r\n[a]\r\nk=2\r\n", u"A", u"k", u"1"},
        {"keys of a repeated section unseen", "[A]\r\nk=1\r\n[A]\r\nj=3\r\n", u"A", u"j", u"<none>"},
        {"an empty first section hides later", "[A]\r\n[A]\r\nk=1\r\n", u"A", u"k", u"<none>"},
        {"line without '=' is no key", "[A]\r\nplain\r\n", u"A", u"plain", u"<none>"},
        {"a comment reads when asked", "[A]\r\n;c=1\r\n", u"A", u";c", u"1"},
        {"keys before any section", "k=0\r\n[A]\r\nk=1\r\n", u"", u"k", u"0"},
        {"LF line ends", "[A]\nk=1\nm=2", u"A", u"m", u"2"},
        {"CR line ends", "[A]\rk=1\rm=2\r", u"A", u"m", u"2"},
        {"last line without line end", "[A]\r\nk=last", u"A", u"k", u"last"},
        {"zero ends the line", std::string("[A]\r\nk=ab\0cd\r\nm=2\r\n", 19), u"A", u"k", u"ab"},
        {"line after a zero reads", std::string("[A]\r\nk=ab\0cd\r\nm=2\r\n", 19), u"A", u"m", u"2"},
        {"missing section", "[A]\r\nk=1\r\n", u"B", u"k", u"<none>"},
        {"empty file", "", u"A", u"k", u"<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CIniFile file = Parsed(c.text);
        EXPECT_EQ(Narrow(file.GetString(c.section, c.key, u"<none>", kBuffer)), Narrow(c.expected));
    }
}

TEST(IniFileTest, StringsAreCutToTheBuffer)
{
    const CIniFile file = Parsed("[A]\r\nk=\"abcdef\"\r\n");
    EXPECT_EQ(file.GetString(u"A", u"k", u"", 4), u"abc");
    EXPECT_EQ(file.GetString(u"A", u"k", u"", 7), u"abcdef");
    EXPECT_EQ(file.GetString(u"A", u"k", u"", 1), u"");
    EXPECT_EQ(file.GetString(u"A", u"k", u"", 0), u"");
    EXPECT_EQ(file.GetString(u"A", u"missing", u"default", 4), u"def");

    // A cut never leaves the first half of a surrogate pair at the end.
    CIniFile wide;
    const std::string utf8 = "\xEF\xBB\xBF[A]\r\nk=ab\xF0\x9F\x98\x80z\r\n";  // ab, U+1F600, z
    wide.Parse(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
    EXPECT_EQ(wide.GetString(u"A", u"k", u"", 4), u"ab");
    EXPECT_EQ(wide.GetString(u"A", u"k", u"", 5), u"ab\xD83D\xDE00");
}

TEST(IniFileTest, KeyNamesInFileOrderAsFarAsTheBufferHolds)
{
    const CIniFile file = Parsed(
        "[A]\r\nRIGHT=1\r\n#0102\r\n;comment=1\r\n=v\r\nleft = 2\r\nRight=3\r\n[B]\r\nx=1\r\n[a]\r\nlater=1\r\n");
    EXPECT_EQ(file.GetKeyNames(u"a", kBuffer), (Names{u"RIGHT", u"left", u"Right"}));
    EXPECT_EQ(file.GetKeyNames(u"missing", kBuffer), Names{});

    // Each name takes its length and a terminator, and the list one more terminator: the
    // routines fill "aaaa\0bbbb\0\0" into 11 characters.
    const CIniFile abc = Parsed("[A]\r\naaaa=1\r\nbbbb=2\r\ncccc=3\r\nd=4\r\n");
    const struct {
        size_t buffer;
        Names expected;
    } cases[] = {
        {0, {}},
        {5, {}},
        {6, {u"aaaa"}},
        {10, {u"aaaa"}},
        {11, {u"aaaa", u"bbbb"}},
        {15, {u"aaaa", u"bbbb"}},  // "d" would fit, but the listing stops at the first that does not
        {16, {u"aaaa", u"bbbb", u"cccc"}},
        {18, {u"aaaa", u"bbbb", u"cccc", u"d"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.buffer);
        EXPECT_EQ(abc.GetKeyNames(u"A", c.buffer), c.expected);
    }
}

TEST(IniFileTest, TextEncodings)
{
    const struct {
        const char* what;
        std::string bytes;
        std::u16string expected;
    } cases[] = {
        {"Windows-1252", "[A]\r\nk=\x80\xE9\x81\x9F\xFF\r\n", u"\u20AC\u00E9\u0081\u0178\u00FF"},
        {"UTF-8 with its mark", "\xEF\xBB\xBF[A]\r\nk=\xC3\xA9t\xC3\xA9\r\n", u"\u00E9t\u00E9"},
        {"UTF-8 four bytes", "\xEF\xBB\xBF[A]\r\nk=\xF0\x9F\x98\x80\r\n", u"\xD83D\xDE00"},
        // A lead byte without its continuation, overlong, surrogate, beyond U+10FFFF, a byte that
        // starts nothing, and a sequence cut by the line end: each bad byte is one U+FFFD.
        {"UTF-8 malformed", "\xEF\xBB\xBF[A]\r\nk=a\xC3(\xE0\x80\x80\xED\xA0\x80\xF4\x90\x80\x80\xFFz\xE2\x82\r\n",
         u"a\uFFFD(" + std::u16string(3 + 3 + 4 + 1, u'\uFFFD') + u"z\uFFFD\uFFFD"},
        {"UTF-16LE with its mark", std::string("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\xE9\0\xAC\x20\r\0\n\0", 24),
         u"\u00E9\u20AC"},
        {"UTF-16BE with its mark", std::string("\xFE\xFF\0[\0A\0]\0\n\0k\0=\0\xE9\x20\xAC", 18), u"\u00E9\u20AC"},
        {"UTF-16 odd last byte", std::string("\xFF\xFE[\0A\0]\0\n\0k\0=\0x\0y", 17), u"x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Parsed(c.bytes).GetString(u"A", u"k", u"<none>", kBuffer), c.expected);
    }
}

TEST(IniFileTest, EightBitTextIsReadInTheGivenCodePage)
{
    // As code page 1251 reads 0xE9.
    class CCyrillicE9 : public ICodePage {
    public:
        std::u16string Decode(const uint8_t* data, size_t size) const override
        {
            std::u16string decoded;
            for (size_t i = 0; i < size; ++i)
                decoded.push_back(data[i] == 0xE9 ? u'\u0439' : data[i]);
            return decoded;
        }
        bool Encode(std::u16string_view, std::vector<uint8_t>&) const override { return false; }
    } codePage;
    const std::string text = "[A]\r\nk=\xE9\r\n";
    CIniFile file;
    file.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size(), codePage);
    EXPECT_EQ(file.GetString(u"A", u"k", u"", kBuffer), u"\u0439");
}

TEST(IniFileTest, ParsingAgainReplacesTheContents)
{
    CIniFile file = Parsed("[A]\r\nk=1\r\n");
    const std::string second = "[B]\r\nm=2\r\n";
    file.Parse(reinterpret_cast<const uint8_t*>(second.data()), second.size());
    EXPECT_EQ(file.GetString(u"A", u"k", u"<none>", kBuffer), u"<none>");
    EXPECT_EQ(file.GetString(u"B", u"m", u"<none>", kBuffer), u"2");
}

}  // namespace
