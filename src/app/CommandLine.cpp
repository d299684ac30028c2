#include "app/CommandLine.h"

namespace {

constexpr char16_t kNoSplash[] = u"/NOSPLASH";
constexpr size_t kNoSplashLength = sizeof(kNoSplash) / sizeof(kNoSplash[0]) - 1;

bool IsSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

char16_t ToUpperAscii(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

}  // namespace

bool EndsWithNoSplash(const std::u16string& commandLine)
{
    size_t end = commandLine.size();
    while (end > 0 && IsSpace(commandLine[end - 1])) {
        --end;
    }
    if (end < kNoSplashLength) {
        return false;
    }
    const size_t start = end - kNoSplashLength;
    for (size_t i = 0; i < kNoSplashLength; ++i) {
        if (ToUpperAscii(commandLine[start + i]) != kNoSplash[i]) {
            return false;
        }
    }
    return true;
}
