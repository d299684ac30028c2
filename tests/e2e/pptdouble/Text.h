// Text helpers shared by the double and its test client: UTF-8 <-> UTF-16 and
// the percent encoding that keeps any text on one space-separated line.
#pragma once

#include <string>

namespace ppt {

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// Every byte of the UTF-8 form outside [A-Za-z0-9._~-] becomes %XX, so the
// result holds no space, tab, line break, comma, colon or parenthesis.
std::string PercentEncode(const std::wstring& text);

// The reverse; false (and `out` unspecified) for a '%' not followed by two hex digits.
bool PercentDecode(const std::string& text, std::wstring& out);

}  // namespace ppt
