#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "process/PerfCounterNames.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The strings as a UTF-16LE multi-string: each followed by a zero unit, then the closing one.
Bytes MultiString(const std::vector<std::u16string>& strings, bool closed = true)
{
    Bytes bytes;
    auto put = [&bytes](char16_t c) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    };
    for (const std::u16string& s : strings) {
        for (char16_t c : s)
            put(c);
        put(0);
    }
    if (closed)
        put(0);
    return bytes;
}

CPerfCounterNames Parse(const Bytes& bytes)
{
    // An exact-size heap copy, so a read past the end is caught by the sanitizer.
    std::vector<uint8_t> copy(bytes);
    return CPerfCounterNames::Parse(copy.empty() ? nullptr : copy.data(), copy.size());
}

struct NamesCase {
    const char* what;
    Bytes bytes;
    std::u16string processIndex;  // empty: not found
    bool hasIdProcess;
    uint32_t idProcess;
};

TEST(PerfCounterNames, FindsProcessObjectAndIdProcessCounter)
{
    const std::vector<std::u16string> typical = {u"1", u"1847", u"2", u"System", u"230", u"Process",
                                                 u"232", u"Thread", u"784", u"ID Process", u"786", u"Priority"};
    Bytes oddSize = MultiString(typical);
    oddSize.push_back(0x41);
    Bytes unterminated = MultiString({u"230", u"Process", u"784", u"ID Process"}, false);
    unterminated.resize(unterminated.size() - 2);  // drop the last string's terminator too

    const NamesCase cases[] = {
        {"typical", MultiString(typical), u"230", true, 784},
        {"case ignored", MultiString({u"230", u"PROCESS", u"784", u"id process"}), u"230", true, 784},
        {"later match wins", MultiString({u"230", u"Process", u"784", u"ID Process", u"9230", u"process",
                                          u"9784", u"ID PROCESS"}),
         u"9230", true, 9784},
        {"odd size", oddSize, u"230", true, 784},
        {"no terminators at the end", unterminated, u"230", true, 784},
        {"similar names only", MultiString({u"230", u"Processes", u"231", u"Process ", u"784", u"ID  Process",
                                            u"785", u"Process ID"}),
         u"", false, 0},
        {"match as first string", MultiString({u"Process", u"784"}), u"", false, 0},
        {"index not a number", MultiString({u"Global", u"Process", u"-5", u"ID Process", u"7x", u"Process"}), u"",
         false, 0},
        {"index too large", MultiString({u"4294967296", u"Process", u"4294967295", u"ID Process"}), u"", true,
         4294967295u},
        {"stops at closing empty string", MultiString({u"230", u"Process", u"", u"784", u"ID Process"}), u"230",
         false, 0},
        {"index with zero", MultiString({u"0", u"ID Process", u"0230", u"Process"}), u"0230", true, 0},
        {"empty", Bytes{}, u"", false, 0},
        {"one byte", Bytes{0x32}, u"", false, 0},
    };
    for (const NamesCase& c : cases) {
        SCOPED_TRACE(c.what);
        const CPerfCounterNames names = Parse(c.bytes);
        EXPECT_EQ(names.HasProcessObject(), !c.processIndex.empty());
        EXPECT_EQ(names.GetProcessObjectIndex(), c.processIndex);
        EXPECT_EQ(names.HasIdProcessCounter(), c.hasIdProcess);
        if (c.hasIdProcess) {
            EXPECT_EQ(names.GetIdProcessCounter(), c.idProcess);
        }
    }
}

// Cutting the value anywhere must stay inside it, and must find the names exactly when both
// of their strings are complete in what is left.
TEST(PerfCounterNames, TruncatedAtEveryByte)
{
    const Bytes full = MultiString({u"230", u"Process", u"784", u"ID Process"});
    const size_t processEnd = 2 * (3 + 1 + 7);  // "230\0Process" with the name's last unit
    const size_t idProcessEnd = processEnd + 2 + 2 * (3 + 1 + 10);
    for (size_t size = 0; size <= full.size(); ++size) {
        SCOPED_TRACE(size);
        const CPerfCounterNames names = Parse(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size)));
        EXPECT_EQ(names.HasProcessObject(), size >= processEnd);
        EXPECT_EQ(names.HasIdProcessCounter(), size >= idProcessEnd);
    }
}

}  // namespace
