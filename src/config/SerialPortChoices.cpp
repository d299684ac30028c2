#include "config/SerialPortChoices.h"

#include "text/AsciiText.h"

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 99;

std::u16string PortName(int number)
{
    std::u16string name = u"COM";
    if (number >= 10)
        name += static_cast<char16_t>(u'0' + number / 10);
    name += static_cast<char16_t>(u'0' + number % 10);
    return name;
}

}  // namespace

int FindSerialPortChoice(const std::vector<std::u16string>& choices, const std::u16string& stored)
{
    const std::u16string_view name = TrimAsciiSpace(stored);
    if (name.empty())
        return -1;
    for (size_t i = 0; i < choices.size(); ++i) {
        if (EqualsIgnoringAsciiCase(choices[i], name))
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::u16string> SerialPortChoices(const std::u16string& stored)
{
    std::vector<std::u16string> choices;
    choices.reserve(kLastPort - kFirstPort + 2);
    for (int number = kFirstPort; number <= kLastPort; ++number)
        choices.push_back(PortName(number));
    if (!TrimAsciiSpace(stored).empty() && FindSerialPortChoice(choices, stored) < 0)
        choices.push_back(stored);
    return choices;
}

std::u16string ChosenSerialPort(const std::u16string& choice, const std::u16string& stored)
{
    return EqualsIgnoringAsciiCase(choice, TrimAsciiSpace(stored)) ? stored : choice;
}
