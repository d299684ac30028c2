#include <gtest/gtest.h>

#include <string>

#include "app/CommandLine.h"

namespace {

struct NoSplashCase {
    const char16_t* commandLine;
    bool expected;
};

class NoSplashTest : public ::testing::TestWithParam<NoSplashCase> {};

TEST_P(NoSplashTest, RecognisesTheSwitchOnlyAtTheEnd)
{
    EXPECT_EQ(EndsWithNoSplash(GetParam().commandLine), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, NoSplashTest,
                         ::testing::Values(NoSplashCase{u"\"C:\\Program Files\\Quillant\\Quillant.exe\" /NOSPLASH", true},
                                           NoSplashCase{u"Quillant.exe /nosplash", true},
                                           NoSplashCase{u"Quillant.exe /NoSplash \t \r\n", true},
                                           NoSplashCase{u"/NOSPLASH", true},
                                           NoSplashCase{u"Quillant.exe /NOSPLASH other", false},
                                           NoSplashCase{u"Quillant.exe", false},
                                           NoSplashCase{u"NOSPLASH", false},
                                           NoSplashCase{u"", false},
                                           NoSplashCase{u"   ", false},
                                           NoSplashCase{u"Quillant.exe /NOSPLAS", false},
                                           NoSplashCase{u"Quillant.exe -NOSPLASH", false}),
                         [](const ::testing::TestParamInfo<NoSplashCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

}  // namespace
