#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestBytes.h"
#include "text/LittleEndian.h"

namespace {

TEST(LittleEndian, ReadsStayInsideAndReportRunningShort)
{
    const std::vector<uint8_t> bytes = Hex("34 12 78 56 41 00 42 00 00 00 43");
    const struct {
        const char* what;
        size_t offset;
        uint32_t u32;
        bool pastEnd;
    } cases[] = {
        {"whole", 0, 0x56781234, false},
        {"last four", 7, 0x43000000, false},
        {"three left", 8, 0x00430000, true},  // missing high byte reads as zero
        {"none left", 11, 0, true},
        {"offset beyond the end", 99, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CByteReader reader(bytes.data(), bytes.size(), c.offset);
        EXPECT_EQ(reader.U32(), c.u32);
        EXPECT_EQ(reader.RanPastEnd(), c.pastEnd);
    }
    CByteReader none(nullptr, 5);
    EXPECT_EQ(none.Remaining(), 0u);
    EXPECT_EQ(none.U16(), 0);
    EXPECT_TRUE(none.RanPastEnd());
}

TEST(LittleEndian, TextReads)
{
    const std::vector<uint8_t> bytes = Hex("41 00 42 00 00 00 43 00 44");
    CByteReader terminated(bytes.data(), bytes.size(), 0);
    EXPECT_EQ(terminated.Utf16z(), u"AB");
    EXPECT_EQ(terminated.Utf16z(), u"C");  // no terminator before the odd last byte
    EXPECT_EQ(terminated.Remaining(), 1u);
    EXPECT_FALSE(terminated.RanPastEnd());

    CByteReader capped(bytes.data(), bytes.size(), 0);
    EXPECT_EQ(capped.Utf16z(1), u"A");
    EXPECT_EQ(capped.U16(), u'B');

    CByteReader counted(bytes.data(), bytes.size(), 6);
    EXPECT_EQ(counted.Utf16(1), u"C");
    EXPECT_FALSE(counted.RanPastEnd());
    EXPECT_EQ(counted.Utf16(1), u"");  // half a unit is not a unit
    EXPECT_TRUE(counted.RanPastEnd());
    EXPECT_EQ(counted.Remaining(), 0u);
}

TEST(LittleEndian, WriterAndReaderAgree)
{
    std::vector<uint8_t> bytes;
    CByteWriter writer(bytes);
    writer.U8(0x01);
    writer.U16(0xBEEF);
    writer.U32(0xCAFE0102);
    writer.Utf16z(u"\u20ACx");
    EXPECT_EQ(ToHex(bytes), "01 EF BE 02 01 FE CA AC 20 78 00 00 00");

    CByteReader reader(bytes.data(), bytes.size());
    EXPECT_EQ(reader.U8(), 0x01);
    EXPECT_EQ(reader.U16(), 0xBEEF);
    EXPECT_EQ(reader.U32(), 0xCAFE0102u);
    EXPECT_EQ(reader.Utf16z(), u"\u20ACx");
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_FALSE(reader.RanPastEnd());
}

}  // namespace
