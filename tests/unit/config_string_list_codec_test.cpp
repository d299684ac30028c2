#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/StringListCodec.h"

namespace {

using Bytes = std::vector<uint8_t>;
using List = std::vector<std::u16string>;

// A text of `length` characters that varies, so a shifted or dropped unit shows.
std::u16string Text(size_t length)
{
    std::u16string text(length, u'a');
    for (size_t i = 0; i < length; ++i)
        text[i] = static_cast<char16_t>(u'A' + i % 26);
    return text;
}

bool Decode(const Bytes& bytes, List& list)
{
    return DecodeStringList(bytes.data(), bytes.size(), list);
}

Bytes Head(const Bytes& bytes, size_t count)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

// Enough bytes after the head that only the head can make the data malformed.
Bytes Padded(Bytes head, size_t padding)
{
    head.resize(head.size() + padding, 'z');
    return head;
}

TEST(StringListCodec, EncodesEmptyListAsTwoZeroBytes)
{
    EXPECT_EQ(EncodeStringList({}), (Bytes{0x00, 0x00}));
}

TEST(StringListCodec, EncodesSmallListExactly)
{
    const Bytes expected = {0x02, 0x00,                                     // count
                            0xFF, 0xFE, 0xFF, 0x02, u'a', 0x00, 0xE9, 0x00,  // "a\u00e9"
                            0xFF, 0xFE, 0xFF, 0x00};                         // ""
    EXPECT_EQ(EncodeStringList({u"a\u00e9", u""}), expected);
}

TEST(StringListCodec, EncodesPathOf300CharactersWithTwoByteLength)
{
    const std::u16string path = Text(300);
    Bytes expected = {0x01, 0x00, 0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};
    for (char16_t unit : path) {
        expected.push_back(static_cast<uint8_t>(unit));
        expected.push_back(0x00);
    }
    EXPECT_EQ(EncodeStringList({path}), expected);
}

// Each length picks one of the three length forms; the bytes after the marker show which.
TEST(StringListCodec, LengthFormsRoundTrip)
{
    struct Case {
        size_t length;
        Bytes lengthField;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {300, {0xFF, 0x2C, 0x01}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const List list = {Text(c.length), u"tail"};
        const Bytes bytes = EncodeStringList(list);

        const size_t fieldAt = 2 + 3;
        ASSERT_GE(bytes.size(), fieldAt + c.lengthField.size());
        EXPECT_EQ(Bytes(bytes.begin() + fieldAt, bytes.begin() + fieldAt + c.lengthField.size()), c.lengthField);
        EXPECT_EQ(bytes.size(), 2 + 3 + c.lengthField.size() + 2 * c.length + 3 + 1 + 2 * 4);

        List decoded;
        EXPECT_TRUE(Decode(bytes, decoded));
        EXPECT_EQ(decoded, list);
    }
}

TEST(StringListCodec, CountFormsRoundTrip)
{
    struct Case {
        size_t count;
        Bytes countField;
    };
    const Case cases[] = {
        {1, {0x01, 0x00}},
        {0xFFFE, {0xFE, 0xFF}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {0x10001, {0xFF, 0xFF, 0x01, 0x00, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        List list(c.count);
        for (size_t i = 0; i < c.count; i += 997)
            list[i] = Text(i % 300);
        const Bytes bytes = EncodeStringList(list);
        EXPECT_EQ(Head(bytes, c.countField.size()), c.countField);

        List decoded;
        EXPECT_TRUE(Decode(bytes, decoded));
        EXPECT_EQ(decoded, list);
    }
}

TEST(StringListCodec, KeepsEveryCodeUnitIncludingZeroAndSurrogates)
{
    const List list = {std::u16string(u"a\0b", 3), u"\xD83D\xDE00", u"\xFFFF\xFFFE", u"C:\\P\\a.ini", u"C:\\P\\A.ini"};
    List decoded;
    EXPECT_TRUE(Decode(EncodeStringList(list), decoded));
    EXPECT_EQ(decoded, list);
}

TEST(StringListCodec, IgnoresBytesAfterTheLastString)
{
    Bytes bytes = EncodeStringList({u"x"});
    bytes.insert(bytes.end(), {0xAA, 0xBB, 0xCC});
    List decoded;
    EXPECT_TRUE(Decode(bytes, decoded));
    EXPECT_EQ(decoded, List{u"x"});
}

TEST(StringListCodec, EveryTruncationIsRejectedWithAnEmptyList)
{
    const Bytes bytes = EncodeStringList({u"", u"C:\\Profiles\\Word.ini", Text(254), Text(255), Text(300)});
    for (size_t size = 0; size < bytes.size(); ++size) {
        SCOPED_TRACE(size);
        List decoded = {u"stale"};
        EXPECT_FALSE(DecodeStringList(bytes.data(), size, decoded));
        EXPECT_TRUE(decoded.empty());
    }
}

TEST(StringListCodec, TruncatedLongFormsAreRejected)
{
    List big(0xFFFF);
    big.back() = Text(70000);
    const Bytes bytes = EncodeStringList(big);
    // Cut inside the count escape, inside the first strings, and inside the long length field
    // and text of the last one.
    const size_t lastString = bytes.size() - 2 * 70000 - 7 - 3;
    const size_t cuts[] = {1, 2, 3, 5, 6, 7, 9, lastString, lastString + 3, lastString + 4, lastString + 6,
                           lastString + 9, lastString + 10, bytes.size() - 1};
    for (size_t size : cuts) {
        SCOPED_TRACE(size);
        List decoded;
        EXPECT_FALSE(DecodeStringList(bytes.data(), size, decoded));
        EXPECT_TRUE(decoded.empty());
    }
    List decoded;
    EXPECT_TRUE(Decode(bytes, decoded));
    EXPECT_EQ(decoded.size(), 0xFFFFu);
}

TEST(StringListCodec, MalformedInputIsRejectedWithAnEmptyList)
{
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"nothing", {}},
        {"one byte", {0x00}},
        {"8-bit string without marker", {0x01, 0x00, 0x02, 'a', 'b'}},
        {"marker bytes swapped", {0x01, 0x00, 0xFE, 0xFF, 0xFF, 0x00}},
        {"marker second half wrong", {0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x00}},
        {"marker repeated as length", Padded({0x01, 0x00, 0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00}, 2 * 0xFFFE)},
        {"count above the strings present", {0x02, 0x00, 0xFF, 0xFE, 0xFF, 0x00}},
        {"huge short count", {0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00}},
        {"huge long count", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00}},
        {"length above the text present", {0x01, 0x00, 0xFF, 0xFE, 0xFF, 0x03, 'a', 0x00}},
        {"huge long length", {0x01, 0x00, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0x00}},
        {"odd byte of text", {0x01, 0x00, 0xFF, 0xFE, 0xFF, 0x01, 'a'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        List decoded = {u"stale"};
        EXPECT_FALSE(Decode(c.bytes, decoded));
        EXPECT_TRUE(decoded.empty());
    }
}

TEST(StringListCodec, NullDataIsRejected)
{
    List decoded = {u"stale"};
    EXPECT_FALSE(DecodeStringList(nullptr, 16, decoded));
    EXPECT_TRUE(decoded.empty());
}

}  // namespace
