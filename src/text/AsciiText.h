#pragma once
// Small helpers for UTF-16 text whose rules are ASCII-only: key names, command words,
// white space around values.
#include <string_view>

// Space, tab, line feed, vertical tab, form feed, carriage return.
bool IsAsciiSpace(char16_t unit);

// The text without leading and trailing ASCII white space.
std::u16string_view TrimAsciiSpace(std::u16string_view text);

char16_t ToUpperAscii(char16_t unit);

// Equal when only the case of ASCII letters differs.
bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);
