// Mapping values come from profile files that anyone can edit. Feeds arbitrary UTF-16 text to
// the parser and plays the result, checking that a sequence's key-downs and key-ups balance
// and that pointer steps stay within the speed and point the held way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "action/ActionSequence.h"
#include "appctl/ActionPlayer.h"

namespace {

// Counts key events per key and checks every pointer move as it happens.
class CCheckingInput : public IInputSynth {
public:
    void KeyDown(uint8_t vk, KeyPlace place) override
    {
        Require(vk != 0 && vk != 0xFF);
        ++m_balance[{vk, place}];
    }
    void KeyUp(uint8_t vk, KeyPlace place) override
    {
        Require(vk != 0 && vk != 0xFF);
        --m_balance[{vk, place}];
    }
    void MoveMouse(int32_t dx, int32_t dy) override
    {
        // One axis only, at least 1 pixel, at most the speed (never below 1).
        Require((dx == 0) != (dy == 0));
        const int64_t step = dx != 0 ? dx : dy;
        const int64_t length = step < 0 ? -step : step;
        Require(length >= 1 && length <= (m_speed < 1 ? 1 : m_speed));
    }
    void ButtonDown(Button) override {}
    void ButtonUp(Button) override {}

    void SetSpeed(int32_t speed) { m_speed = speed; }
    bool Balanced() const
    {
        for (const auto& entry : m_balance) {
            if (entry.second != 0)
                return false;
        }
        return true;
    }

private:
    static void Require(bool condition)
    {
        if (!condition)
            std::abort();
    }

    std::map<std::pair<uint8_t, KeyPlace>, int> m_balance;
    int32_t m_speed = 0;
};

constexpr int32_t kSpeeds[] = {std::numeric_limits<int32_t>::min(), -1, 0, 1, 10, 100, 250,
                               std::numeric_limits<int32_t>::max()};

// Words of the grammar, so that random bytes reach deep into it quickly.
const std::u16string_view kTokens[] = {
    u"KEY(", u"MOUSE(", u"key(", u"mouse(", u")", u";", u",", u"(", u" ",
    u"shift", u"ctrl", u"alt", u"win", u"Shift", u"lshift",
    u"LEFT", u"RIGHT", u"UP", u"DOWN", u"BUTTON1", u"BUTTON2", u"BUTTON3", u"button1",
    u"A", u"TAB", u"F24", u"NUM_5", u"PAD_0", u"RALT", u"PERIOD", u"CLEAR",
    u"0", u"9", u"-", u"+", u"65", u"256", u"0x41", u"2147483647", u"2147483648",
    u"-2147483648", u"-2147483649", u"\t"};

}  // namespace

// Byte 0 picks the mouse speed (low 3 bits) and the ticks to run (the rest). The remaining
// bytes build the value: a byte below 0x80 is that ASCII unit, 0x80 to 0xFE a grammar word,
// and 0xFF introduces any code unit as two bytes, little-endian, so every UTF-16 text is
// still possible.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int32_t speed = kSpeeds[data[0] & 7];
    const int ticks = data[0] >> 3;
    std::u16string value;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] < 0x80) {
            value.push_back(data[i]);
        } else if (data[i] < 0xFF) {
            value.append(kTokens[(data[i] - 0x80) % std::size(kTokens)]);
        } else if (i + 2 < size) {
            value.push_back(static_cast<char16_t>(data[i + 1] | (data[i + 2] << 8)));
            i += 2;
        }
    }

    CActionSequence sequence;
    const bool ok = sequence.Parse(value);
    if (ok && value.empty())
        std::abort();  // an empty value is never a whole sequence

    CCheckingInput input;
    input.SetSpeed(speed);
    CActionPlayer player(input, [speed] { return speed; });
    for (size_t i = 0; i < sequence.GetCount(); ++i) {
        const CAction action = sequence.GetAt(i);
        if (action.m_kind != ACTION_KEY && action.m_kind != ACTION_MOUSE)
            std::abort();
    }
    player.Press(sequence, 0);
    for (int i = 0; i < ticks; ++i)
        player.OnTick();
    player.Release(sequence, 0);
    player.OnTick();
    if (!input.Balanced())
        std::abort();
    // A direction action's release stops the pointer, and nothing else starts it.
    if (player.GetDirection() != DIRECTION_NONE)
        std::abort();
    return 0;
}
