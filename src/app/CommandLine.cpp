#include "app/CommandLine.h"

#include "text/AsciiText.h"

namespace {

constexpr char16_t kNoSplash[] = u"/NOSPLASH";
constexpr size_t kNoSplashLength = sizeof(kNoSplash) / sizeof(kNoSplash[0]) - 1;

}  // namespace

bool EndsWithNoSplash(const std::u16string& commandLine)
{
    size_t end = commandLine.size();
    while (end > 0 && IsAsciiSpace(commandLine[end - 1])) {
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
