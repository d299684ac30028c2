#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestBytes.h"
#include "appctl/AppDataPowerPoint.h"

namespace {

std::u16string Units(size_t count, char16_t unit = u'x')
{
    return std::u16string(count, unit);
}

std::vector<uint8_t> Header(uint16_t current, uint16_t total, bool running)
{
    return {static_cast<uint8_t>(current), static_cast<uint8_t>(current >> 8), static_cast<uint8_t>(total),
            static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(running ? 1 : 0)};
}

// The payload laid out by hand, for records whose texts are within the limits.
std::vector<uint8_t> Layout(uint16_t current, bool running, const std::u16string& name, const std::u16string& notes,
                            const std::vector<std::u16string>& titles)
{
    std::vector<uint8_t> bytes = Concat({Header(current, static_cast<uint16_t>(titles.size()), running),
                                         Utf16z(name), Utf16z(notes)});
    for (const std::u16string& title : titles) {
        const std::vector<uint8_t> encoded = Utf16z(title);
        bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    }
    return bytes;
}

CAppDataPowerPoint Record(const std::u16string& name, const std::u16string& notes,
                          const std::vector<std::u16string>& titles)
{
    CAppDataPowerPoint record;
    record.SetCurrentSlide(0);
    record.SetShowName(name);
    record.SetSpeakerNotes(notes);
    record.SetTotalSlides(static_cast<uint16_t>(titles.size()));
    for (size_t i = 0; i < titles.size(); ++i)
        record.SetSlideTitle(static_cast<int>(i), titles[i]);
    return record;
}

TEST(AppDataPowerPoint, EncodesTheDocumentedExamples)
{
    CAppDataPowerPoint initial;
    EXPECT_EQ(ToHex(initial.Encode()), "FF FF 00 00 00 00 00 00 00");

    CAppDataPowerPoint record;
    record.SetCurrentSlide(2);
    record.SetTotalSlides(3);
    record.SetRunning(true);
    record.SetShowName(u"ab");
    EXPECT_TRUE(record.SetSlideTitle(0, u"x"));
    EXPECT_TRUE(record.SetSlideTitle(2, u"y"));
    EXPECT_EQ(ToHex(record.Encode()), "02 00 03 00 01 61 00 62 00 00 00 00 00 78 00 00 00 00 00 79 00 00 00");
}

TEST(AppDataPowerPoint, TextsAtTheirLimitsAreSentWholeLongerOnesAreShortened)
{
    struct Case {
        const char* name;
        std::u16string showName, notes, title;
        std::u16string sentName, sentNotes, sentTitle;
    };
    const std::vector<Case> cases = {
        {"name of 99", Units(99), u"", u"", Units(99), u"", u""},
        {"name of 100", Units(99) + u"y", u"", u"", Units(99), u"", u""},
        {"notes of 2996", u"", Units(2996), u"", u"", Units(2996), u""},
        {"notes of 2997", u"", Units(2996) + u"y", u"", u"", Units(2996) + u"...", u""},
        {"notes of 5000", u"", Units(5000), u"", u"", Units(2996) + u"...", u""},
        {"title of 74", u"", u"", Units(74), u"", u"", Units(74)},
        {"title of 75", u"", u"", Units(74) + u"y", u"", u"", Units(74)},
        {"title of 300", u"", u"", Units(300), u"", u"", Units(74)},
    };
    for (const Case& c : cases) {
        CAppDataPowerPoint record = Record(c.showName, c.notes, {c.title, u"t"});
        EXPECT_EQ(record.Encode(), Layout(0, false, c.sentName, c.sentNotes, {c.sentTitle, u"t"})) << c.name;
        // The record keeps the shortened texts, and encoding them again changes nothing.
        EXPECT_EQ(record.GetShowName(), c.sentName) << c.name;
        EXPECT_EQ(record.GetSpeakerNotes(), c.sentNotes) << c.name;
        EXPECT_EQ(record.GetSlideTitles().at(0), c.sentTitle) << c.name;
        EXPECT_EQ(record.Encode(), Layout(0, false, c.sentName, c.sentNotes, {c.sentTitle, u"t"})) << c.name;
    }
}

// A shortened text never ends in the first half of a surrogate pair.
TEST(AppDataPowerPoint, ShorteningKeepsSurrogatePairsWhole)
{
    const std::u16string pair = u"\U0001F600";
    CAppDataPowerPoint record = Record(Units(98) + pair, Units(2995) + pair, {Units(73) + pair + u"z"});
    record.Encode();
    EXPECT_EQ(record.GetShowName(), Units(98));
    EXPECT_EQ(record.GetSpeakerNotes(), Units(2995) + u"...");
    EXPECT_EQ(record.GetSlideTitles().at(0), Units(73));

    // A pair that ends exactly at the limit stays.
    CAppDataPowerPoint atLimit = Record(Units(97) + pair + u"z", u"", {});
    atLimit.Encode();
    EXPECT_EQ(atLimit.GetShowName(), Units(97) + pair);
}

TEST(AppDataPowerPoint, TitlesFollowTheSlideCount)
{
    CAppDataPowerPoint record;
    record.SetTotalSlides(3);
    EXPECT_TRUE(record.SetSlideTitle(0, u"a"));
    EXPECT_TRUE(record.SetSlideTitle(2, u"c"));
    EXPECT_FALSE(record.SetSlideTitle(3, u"d"));
    EXPECT_FALSE(record.SetSlideTitle(-1, u"e"));
    EXPECT_EQ(record.GetSlideTitles(), (std::vector<std::u16string>{u"a", u"", u"c"}));

    record.SetTotalSlides(1);
    EXPECT_FALSE(record.SetSlideTitle(1, u"b"));
    record.SetTotalSlides(2);
    EXPECT_EQ(record.GetSlideTitles(), (std::vector<std::u16string>{u"a", u""}));
    EXPECT_EQ(record.GetTotalSlides(), 2);
    EXPECT_EQ(ToHex(record.Encode()), "FF FF 02 00 00 00 00 00 00 61 00 00 00 00 00");
}

// Payloads are always odd in length: five header bytes and whole code units. 9999 bytes fit.
TEST(AppDataPowerPoint, PayloadOfTheLargestSizeThatFitsIsNotCut)
{
    // 5 + 2 + 6000 + 26 * 150 + 92 = 9999.
    std::vector<std::u16string> titles(26, Units(74));
    titles.push_back(Units(45));
    CAppDataPowerPoint record = Record(u"", Units(2999), titles);
    const std::vector<uint8_t> expected = Layout(0, false, u"", Units(2996) + u"...", titles);
    ASSERT_EQ(expected.size(), 9999u);
    EXPECT_EQ(record.Encode(), expected);
}

TEST(AppDataPowerPoint, OverlongPayloadIsCutAfterItsLastWholeCodeUnit)
{
    struct Case {
        const char* name;
        std::vector<std::u16string> titles;
    };
    std::vector<std::u16string> oneUnitOver(26, Units(74, u'\x4E2D'));
    oneUnitOver.push_back(Units(42, u'\x4E2D'));  // 5 + 10 + 6000 + 3900 + 86 = 10001 bytes
    const std::vector<Case> cases = {
        {"one unit over", oneUnitOver},
        {"many long titles", std::vector<std::u16string>(200, Units(80, u'\x0141'))},
        {"the largest slide count", std::vector<std::u16string>(65535, u"ab")},
    };
    for (const Case& c : cases) {
        CAppDataPowerPoint record = Record(u"Show", Units(2999), c.titles);
        std::vector<std::u16string> sentTitles;
        for (const std::u16string& title : c.titles)
            sentTitles.push_back(title.substr(0, 74));
        const std::vector<uint8_t> full = Layout(0, false, u"Show", Units(2996) + u"...", sentTitles);
        ASSERT_GT(full.size(), 10000u) << c.name;

        const std::vector<uint8_t>& payload = record.Encode();
        ASSERT_EQ(payload.size(), 9999u) << c.name;
        EXPECT_TRUE(std::equal(payload.begin(), payload.end() - 2, full.begin())) << c.name;
        EXPECT_EQ(payload[9997], 0) << c.name;
        EXPECT_EQ(payload[9998], 0) << c.name;
        // The header still announces every slide; the phone simply gets fewer titles.
        EXPECT_EQ(payload[2] | (payload[3] << 8), static_cast<int>(c.titles.size())) << c.name;
    }
}

TEST(AppDataPowerPoint, CutDoesNotSplitASurrogatePair)
{
    // Titles start at 5 + 4 + 6000 = 6009 and take 8 bytes each ("a", a pair, 00 00): title
    // 498 has "a" at 9993, the high half at 9995 and the low half at 9997, where a plain cut
    // after the last whole unit would put the terminator. The pair goes instead.
    const std::u16string pair = u"\U0001F600";
    CAppDataPowerPoint record = Record(u"n", Units(2999), std::vector<std::u16string>(600, u"a" + pair));
    const std::vector<uint8_t>& payload = record.Encode();
    ASSERT_EQ(payload.size(), 9997u);
    EXPECT_EQ(payload[9993], 'a');
    EXPECT_EQ(payload[9995], 0);
    EXPECT_EQ(payload[9996], 0);
}

}  // namespace
