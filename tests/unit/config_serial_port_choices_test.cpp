#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/SerialPortChoices.h"
#include "TestText.h"

namespace {

class CListedPorts : public ISerialPortSource {
public:
    explicit CListedPorts(std::vector<CSerialPortInfo> ports) : m_ports(std::move(ports)) {}
    std::vector<CSerialPortInfo> ListPorts() override { return m_ports; }

private:
    std::vector<CSerialPortInfo> m_ports;
};

TEST(SerialPortChoices, NoPortReportedOffersComOneToNinetyNineInOrder)
{
    CListedPorts none({{u"  ", u"blank"}, {u"LPT1", u"Printer Port (LPT1)"}});
    const auto choices = ListSerialPortChoices(none, u"COM5");
    ASSERT_EQ(choices.size(), 99u);
    EXPECT_EQ(choices.front().port, u"COM1");
    EXPECT_EQ(choices[9].port, u"COM10");
    EXPECT_EQ(choices.back().port, u"COM99");
    EXPECT_EQ(choices.back().label, u"COM99");
}

// The ports the system reports: labels, order, one entry per port, and the stored port shown
// when absent.
TEST(SerialPortChoices, ReportedPortsAreLabelledSortedAndMerged)
{
    CListedPorts source({
        {u"COM120", u"Standard Serial over Bluetooth link (COM120)"},
        {u"COM5", u"Standard Serial over Bluetooth link (COM5)"},
        {u"CNCA0", u""},
        {u"COM10", u"USB Serial Device"},  // friendly name without the port: added
        {u"com5", u"listed twice"},         // the same port from the second source
        {u"COM3", u""},
        {u"COM3", u"Communications Port"},  // a name-only entry takes a later friendly name
        {u"COM9", u"  "},
    });
    const struct {
        const char16_t* stored;
        std::vector<std::u16string> labels;
        int index;
    } cases[] = {
        {u"COM5",
         {u"Communications Port (COM3)", u"Standard Serial over Bluetooth link (COM5)", u"COM9",
          u"USB Serial Device (COM10)", u"Standard Serial over Bluetooth link (COM120)", u"CNCA0"},
         1},
        {u"com120", {}, 4},
        {u"COM7",  // unplugged: shown in its place and selected
         {u"Communications Port (COM3)", u"Standard Serial over Bluetooth link (COM5)", u"COM7", u"COM9",
          u"USB Serial Device (COM10)", u"Standard Serial over Bluetooth link (COM120)", u"CNCA0"},
         2},
        {u"\\\\.\\BthModem0", {}, 6},
        {u"", {}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.stored));
        const auto choices = ListSerialPortChoices(source, c.stored);
        if (!c.labels.empty()) {
            std::vector<std::u16string> labels;
            for (const auto& choice : choices)
                labels.push_back(choice.label);
            EXPECT_EQ(labels, c.labels);
        }
        EXPECT_EQ(FindSerialPortChoice(choices, c.stored), c.index);
    }
}

// Which entry the page shows selected for a stored name, and whether confirming the page
// gives the stored name back (so a port the list does not offer is never lost).
TEST(SerialPortChoices, StoredPortIsShownAndKept)
{
    CListedPorts none({});
    const struct {
        const char16_t* stored;
        size_t count;          // entries offered
        int index;             // entry selected; -1 none
        const char16_t* kept;  // what the selected entry stores
    } cases[] = {
        {u"COM1", 99, 0, u"COM1"},  // not COM10, which also begins with COM1
        {u"COM10", 99, 9, u"COM10"},
        {u"COM99", 99, 98, u"COM99"},
        {u"com7", 99, 6, u"com7"},        // case is not significant: kept as written
        {u"COM120", 100, 99, u"COM120"},  // beyond the list: added and selected
        {u"COM0", 100, 0, u"COM0"},
        {u"COM", 100, 99, u"COM"},  // a prefix of entries is not taken for one of them
        {u"COM99999999999", 100, 99, u"COM99999999999"},
        {u"\\\\.\\BthModem0", 100, 99, u"\\\\.\\BthModem0"},
        {u"", 99, -1, u""},
        {u"   ", 99, -1, u""},
    };
    for (const auto& c : cases) {
        const std::u16string stored = c.stored;
        SCOPED_TRACE(Narrow(stored));
        const auto choices = ListSerialPortChoices(none, stored);
        EXPECT_EQ(choices.size(), c.count);
        const int index = FindSerialPortChoice(choices, stored);
        EXPECT_EQ(index, c.index);
        const std::u16string kept =
            index < 0 ? u"" : ChosenSerialPort(choices[static_cast<size_t>(index)].port, stored);
        EXPECT_EQ(kept, c.kept);
    }
}

TEST(SerialPortChoices, ChoosingAnotherPortStoresIt)
{
    EXPECT_EQ(ChosenSerialPort(u"COM8", u"com7"), u"COM8");
    EXPECT_EQ(ChosenSerialPort(u"COM8", u""), u"COM8");
}

}  // namespace
