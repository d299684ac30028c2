#include "config/SerialPortChoices.h"

#include <algorithm>
#include <cstdint>

#include "text/AsciiText.h"

namespace {

constexpr int kFirstFallbackPort = 1;
constexpr int kLastFallbackPort = 99;
// Windows numbers ports up to COM256; longer digit strings are not taken as numbers.
constexpr size_t kMaxPortDigits = 6;
constexpr uint32_t kNotNumbered = UINT32_MAX;

std::u16string PortName(int number)
{
    std::u16string name = u"COM";
    if (number >= 10)
        name += static_cast<char16_t>(u'0' + number / 10);
    name += static_cast<char16_t>(u'0' + number % 10);
    return name;
}

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// The number of "COM<digits>"; kNotNumbered for any other name.
uint32_t PortNumber(std::u16string_view name)
{
    if (!StartsWithIgnoringCase(name, u"COM"))
        return kNotNumbered;
    const std::u16string_view digits = name.substr(3);
    if (digits.empty() || digits.size() > kMaxPortDigits)
        return kNotNumbered;
    uint32_t number = 0;
    for (const char16_t unit : digits) {
        if (unit < u'0' || unit > u'9')
            return kNotNumbered;
        number = number * 10 + static_cast<uint32_t>(unit - u'0');
    }
    return number;
}

std::u16string Label(const std::u16string& name, std::u16string_view friendlyName)
{
    friendlyName = TrimAsciiSpace(friendlyName);
    if (friendlyName.empty())
        return name;
    const std::u16string inBrackets = u"(" + name + u")";
    std::u16string label(friendlyName);
    if (label.find(inBrackets) == std::u16string::npos)
        label += u" " + inBrackets;
    return label;
}

}  // namespace

int FindSerialPortChoice(const std::vector<CSerialPortChoice>& choices, const std::u16string& stored)
{
    const std::u16string_view name = TrimAsciiSpace(stored);
    if (name.empty())
        return -1;
    for (size_t i = 0; i < choices.size(); ++i) {
        if (EqualsIgnoringAsciiCase(choices[i].port, name))
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<CSerialPortChoice> ListSerialPortChoices(ISerialPortSource& source, const std::u16string& stored)
{
    // The friendly name of a port named twice is the first one given.
    std::vector<CSerialPortInfo> ports;
    for (const CSerialPortInfo& port : source.ListPorts()) {
        const std::u16string name(TrimAsciiSpace(port.name));
        if (name.empty() || StartsWithIgnoringCase(name, u"LPT"))
            continue;
        const auto same = std::find_if(ports.begin(), ports.end(), [&name](const CSerialPortInfo& known) {
            return EqualsIgnoringAsciiCase(known.name, name);
        });
        if (same == ports.end())
            ports.push_back({name, port.friendlyName});
        else if (TrimAsciiSpace(same->friendlyName).empty())
            same->friendlyName = port.friendlyName;
    }
    if (ports.empty()) {
        for (int number = kFirstFallbackPort; number <= kLastFallbackPort; ++number)
            ports.push_back({PortName(number), {}});
    }

    std::vector<CSerialPortChoice> choices;
    choices.reserve(ports.size() + 1);
    for (const CSerialPortInfo& port : ports)
        choices.push_back({port.name, Label(port.name, port.friendlyName)});
    if (!TrimAsciiSpace(stored).empty() && FindSerialPortChoice(choices, stored) < 0)
        choices.push_back({stored, stored});

    std::stable_sort(choices.begin(), choices.end(), [](const CSerialPortChoice& a, const CSerialPortChoice& b) {
        const uint32_t left = PortNumber(a.port);
        const uint32_t right = PortNumber(b.port);
        if (left != right)
            return left < right;
        return left == kNotNumbered && a.port < b.port;
    });
    return choices;
}

std::u16string ChosenSerialPort(const std::u16string& choice, const std::u16string& stored)
{
    return EqualsIgnoringAsciiCase(choice, TrimAsciiSpace(stored)) ? stored : choice;
}
