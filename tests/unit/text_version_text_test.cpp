#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "text/VersionText.h"

namespace {

constexpr char16_t kAboutFormat[] = u"Tarvo Quillant\nVersion %hu.%hu.%hu";

struct VersionCase {
    const char* name;
    const char16_t* format;
    uint32_t productVersionMS;
    uint32_t productVersionLS;
    const char16_t* expected;
};

void PrintTo(const VersionCase& c, std::ostream* out)
{
    *out << c.name;
}

class ProductVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(ProductVersionTest, FormatsTheFirstThreeNumbers)
{
    const VersionCase& c = GetParam();
    EXPECT_EQ(FormatProductVersion(c.format, c.productVersionMS, c.productVersionLS), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ProductVersionTest,
    ::testing::Values(
        // 1.2.3.4: the fourth number is not shown.
        VersionCase{"Ordinary", kAboutFormat, 0x00010002u, 0x00030004u, u"Tarvo Quillant\nVersion 1.2.3"},
        VersionCase{"Zero", kAboutFormat, 0u, 0u, u"Tarvo Quillant\nVersion 0.0.0"},
        // Each number is a full unsigned 16-bit value, never negative or cut.
        VersionCase{"Largest", kAboutFormat, 0xFFFFFFFFu, 0xFFFF1234u, u"Tarvo Quillant\nVersion 65535.65535.65535"},
        // The halves are not swapped: minor and build come from different words.
        VersionCase{"HalvesInOrder", kAboutFormat, 0x000A0014u, 0x001E0028u, u"Tarvo Quillant\nVersion 10.20.30"},
        VersionCase{"FewerDirectives", u"Version %hu.%hu", 0x00010002u, 0x00030004u, u"Version 1.2"},
        VersionCase{"NoDirective", u"Tarvo Quillant", 0x00010002u, 0x00030004u, u"Tarvo Quillant"},
        // A fourth "%hu" has no number behind it: it stays as written, nothing is read.
        VersionCase{"MoreDirectives", u"%hu.%hu.%hu.%hu", 0x00010002u, 0x00030004u, u"1.2.3.%hu"},
        VersionCase{"OtherSequencesKept", u"%s %d %h %hu%% %", 0x00070000u, 0u, u"%s %d %h 7% %"},
        VersionCase{"TrailingPercent", u"v%hu%", 0x00010000u, 0u, u"v1%"},
        VersionCase{"Empty", u"", 0x00010002u, 0x00030004u, u""}),
    [](const ::testing::TestParamInfo<VersionCase>& info) { return std::string(info.param.name); });

TEST(VersionTextWithoutNumbers, KeepsTheProductNameLine)
{
    EXPECT_EQ(VersionTextWithoutNumbers(kAboutFormat), u"Tarvo Quillant");
    EXPECT_EQ(VersionTextWithoutNumbers(u"Tarvo Quillant"), u"Tarvo Quillant");
    EXPECT_EQ(VersionTextWithoutNumbers(u""), u"");
}

}  // namespace
