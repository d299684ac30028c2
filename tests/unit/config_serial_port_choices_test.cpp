#include <gtest/gtest.h>

#include <string>

#include "config/SerialPortChoices.h"

namespace {

TEST(SerialPortChoices, OffersComOneToNinetyNineInOrder)
{
    const auto choices = SerialPortChoices(u"COM5");
    ASSERT_EQ(choices.size(), 99u);
    EXPECT_EQ(choices.front(), u"COM1");
    EXPECT_EQ(choices[8], u"COM9");
    EXPECT_EQ(choices[9], u"COM10");
    EXPECT_EQ(choices.back(), u"COM99");
}

// Which entry the page shows selected for a stored name, and whether confirming the page
// gives the stored name back (so a port the list does not offer is never lost).
TEST(SerialPortChoices, StoredPortIsShownAndKept)
{
    const struct {
        const char16_t* stored;
        size_t count;       // entries offered
        int index;          // entry selected; -1 none
        const char16_t* kept;  // what the selected entry stores
    } cases[] = {
        {u"COM1", 99, 0, u"COM1"},        // not COM10, which also begins with COM1
        {u"COM10", 99, 9, u"COM10"},
        {u"COM99", 99, 98, u"COM99"},
        {u"com7", 99, 6, u"com7"},        // case is not significant: kept as written
        {u"COM120", 100, 99, u"COM120"},  // beyond the list: added and selected
        {u"COM0", 100, 99, u"COM0"},
        {u"COM", 100, 99, u"COM"},        // a prefix of entries is not taken for one of them
        {u"\\\\.\\BthModem0", 100, 99, u"\\\\.\\BthModem0"},
        {u"", 99, -1, u""},
        {u"   ", 99, -1, u""},
    };
    for (const auto& c : cases) {
        const std::u16string stored = c.stored;
        const auto choices = SerialPortChoices(stored);
        EXPECT_EQ(choices.size(), c.count) << std::string(stored.begin(), stored.end());
        const int index = FindSerialPortChoice(choices, stored);
        EXPECT_EQ(index, c.index) << std::string(stored.begin(), stored.end());
        const std::u16string kept = index < 0 ? u"" : ChosenSerialPort(choices[static_cast<size_t>(index)], stored);
        EXPECT_EQ(kept, c.kept) << std::string(stored.begin(), stored.end());
    }
}

TEST(SerialPortChoices, ChoosingAnotherPortStoresIt)
{
    EXPECT_EQ(ChosenSerialPort(u"COM8", u"com7"), u"COM8");
    EXPECT_EQ(ChosenSerialPort(u"COM8", u""), u"COM8");
}

}  // namespace
