#pragma once
#include <string>

// Text for test messages and comparisons with narrow literals: ASCII as it is, every other
// unit as '?', so a stray non-ASCII unit shows instead of turning into some other letter.
inline std::string Narrow(const std::u16string& text)
{
    std::string narrow;
    for (char16_t unit : text)
        narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
    return narrow;
}
