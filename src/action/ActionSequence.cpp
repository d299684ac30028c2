#include "action/ActionSequence.h"

#include <cstdint>
#include <limits>
#include <string_view>

#include "action/KeyNames.h"
#include "text/AsciiText.h"

namespace {

constexpr size_t kMaxKeyArguments = 4;  // the key and up to three modifiers


// Plain split: every separator counts, no quoting; an empty text gives one empty part.
std::vector<std::u16string_view> Split(std::u16string_view text, char16_t separator)
{
    std::vector<std::u16string_view> parts;
    for (;;) {
        const size_t end = text.find(separator);
        parts.push_back(text.substr(0, end));
        if (end == std::u16string_view::npos)
            return parts;
        text.remove_prefix(end + 1);
    }
}

// Reads a leading decimal number as a stream extraction of an int does: an optional sign, then
// digits, stopping at the first character that is not a digit ("9x" gives 9, "0x41" gives 0).
// Fails when there is no digit or the number does not fit 32 signed bits.
bool ReadLeadingInteger(std::u16string_view text, int32_t& value)
{
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    // The magnitude may reach 2^31 for a negative number; anything above the limit fails,
    // however many digits follow.
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : std::numeric_limits<int32_t>::max();
    int64_t magnitude = 0;
    bool anyDigit = false;
    bool tooLarge = false;
    for (; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos) {
        anyDigit = true;
        if (!tooLarge) {
            magnitude = magnitude * 10 + (text[pos] - u'0');
            tooLarge = magnitude > limit;
        }
    }
    if (!anyDigit || tooLarge)
        return false;
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

// The first of the words that occurs in the argument sets its bit; the test is a
// case-sensitive substring test, so "lshift" counts as Shift and "Shift" as nothing.
int32_t ModifierOf(std::u16string_view argument)
{
    struct Word {
        std::u16string_view text;
        int32_t bit;
    };
    static constexpr Word kWords[] = {{u"shift", MODIFIER_SHIFT},
                                      {u"ctrl", MODIFIER_CTRL},
                                      {u"alt", MODIFIER_ALT},
                                      {u"win", MODIFIER_WIN}};
    for (const Word& word : kWords) {
        if (argument.find(word.text) != std::u16string_view::npos)
            return word.bit;
    }
    return 0;
}

bool ParseKey(const std::vector<std::u16string_view>& arguments, std::vector<CAction>& actions)
{
    if (arguments.size() > kMaxKeyArguments)
        return false;
    CAction action;
    action.m_kind = ACTION_KEY;
    for (size_t i = 1; i < arguments.size(); ++i)
        action.m_modifiers |= ModifierOf(arguments[i]);
    if (!ReadLeadingInteger(arguments[0], action.m_code) &&
        !LookUpKeyName(arguments[0], action.m_code, action.m_keypad))
        return false;
    actions.push_back(action);
    return true;
}

bool ParseMouse(const std::vector<std::u16string_view>& arguments, std::vector<CAction>& actions)
{
    static constexpr std::u16string_view kWords[] = {u"LEFT", u"RIGHT", u"UP", u"DOWN",
                                                     u"BUTTON1", u"BUTTON2", u"BUTTON3"};
    if (arguments.size() != 1)
        return false;
    for (size_t code = 0; code < std::size(kWords); ++code) {
        if (EqualsIgnoringAsciiCase(arguments[0], kWords[code])) {
            actions.push_back(CAction{ACTION_MOUSE, 0, static_cast<int32_t>(code)});
            return true;
        }
    }
    return false;
}

// One item: a command name, "(", comma-separated arguments, and ")" as its very last character.
bool ParseItem(std::u16string_view item, std::vector<CAction>& actions)
{
    if (item.empty() || item.back() != u')')
        return false;
    item.remove_suffix(1);
    const size_t open = item.find(u'(');
    if (open == std::u16string_view::npos)
        return false;
    // The name is not trimmed: " KEY" is some other command and is skipped.
    const std::u16string_view name = item.substr(0, open);
    std::vector<std::u16string_view> arguments = Split(item.substr(open + 1), u',');
    for (std::u16string_view& argument : arguments)
        argument = TrimAsciiSpace(argument);

    if (EqualsIgnoringAsciiCase(name, u"KEY"))
        return ParseKey(arguments, actions);
    if (EqualsIgnoringAsciiCase(name, u"MOUSE"))
        return ParseMouse(arguments, actions);
    return true;
}

}  // namespace

bool CActionSequence::Parse(const std::u16string& value)
{
    m_actions.clear();
    for (std::u16string_view item : Split(value, u';')) {
        if (!ParseItem(item, m_actions))
            return false;
    }
    return true;
}
