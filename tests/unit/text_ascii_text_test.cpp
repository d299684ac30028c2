#include <gtest/gtest.h>

#include "text/AsciiText.h"

namespace {

TEST(AsciiText, TrimDropsOnlyAsciiWhiteSpaceAtBothEnds)
{
    EXPECT_EQ(TrimAsciiSpace(u" \t\r\n\v\fKEY(A) \t"), u"KEY(A)");
    EXPECT_EQ(TrimAsciiSpace(u"a b"), u"a b");
    EXPECT_EQ(TrimAsciiSpace(u"   "), u"");
    EXPECT_EQ(TrimAsciiSpace(u""), u"");
    // A no-break space is not ASCII white space and stays.
    EXPECT_EQ(TrimAsciiSpace(u"\u00A0x"), u"\u00A0x");
}

TEST(AsciiText, CaseIsFoldedForAsciiLettersOnly)
{
    EXPECT_TRUE(EqualsIgnoringAsciiCase(u"Case Open", u"CASE OPEN"));
    EXPECT_TRUE(EqualsIgnoringAsciiCase(u"", u""));
    EXPECT_FALSE(EqualsIgnoringAsciiCase(u"Up", u"Upx"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase(u"Upx", u"Up"));
    // '@' and '`' sit next to the letters; they must not fold onto them.
    EXPECT_FALSE(EqualsIgnoringAsciiCase(u"@", u"`"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase(u"\u00E9", u"\u00C9"));
}

}  // namespace
