#pragma once
// The version line of the About box, formatted from a string-table text without printf: the
// format comes from the resources, so a mistaken one must not read arguments that are not there.
#include <cstdint>
#include <string>
#include <string_view>

// Puts the product version's first three numbers into format, in order, one for each "%hu":
// the high and low 16 bits of productVersionMS, then the high 16 bits of productVersionLS
// (the fourth number is not shown). "%%" gives "%". A "%hu" beyond the third and any other
// "%" sequence stay as they are written.
std::u16string FormatProductVersion(std::u16string_view format, uint32_t productVersionMS, uint32_t productVersionLS);

// What is shown when the executable's version cannot be read: the format's first line (the
// product name), without any numbers.
std::u16string VersionTextWithoutNumbers(std::u16string_view format);
