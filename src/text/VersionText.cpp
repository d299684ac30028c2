#include "text/VersionText.h"

#include <iterator>

namespace {

constexpr std::u16string_view kNumberDirective = u"%hu";

std::u16string Decimal(uint16_t value)
{
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value = static_cast<uint16_t>(value / 10);
    } while (value != 0);
    return digits;
}

}  // namespace

std::u16string FormatProductVersion(std::u16string_view format, uint32_t productVersionMS, uint32_t productVersionLS)
{
    const uint16_t numbers[] = {static_cast<uint16_t>(productVersionMS >> 16),
                                static_cast<uint16_t>(productVersionMS & 0xFFFFu),
                                static_cast<uint16_t>(productVersionLS >> 16)};
    size_t used = 0;
    std::u16string text;
    text.reserve(format.size() + 16);
    for (size_t at = 0; at < format.size();) {
        if (format[at] != u'%') {
            text += format[at++];
        } else if (format.substr(at, 2) == u"%%") {
            text += u'%';
            at += 2;
        } else if (format.substr(at, kNumberDirective.size()) == kNumberDirective && used < std::size(numbers)) {
            text += Decimal(numbers[used++]);
            at += kNumberDirective.size();
        } else {
            text += format[at++];
        }
    }
    return text;
}

std::u16string VersionTextWithoutNumbers(std::u16string_view format)
{
    return std::u16string(format.substr(0, format.find(u'\n')));
}
