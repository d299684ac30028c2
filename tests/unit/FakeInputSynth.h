#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "platform/InputSynth.h"

// Records every synthesized input event, in order, as short readable text:
// "key+ 0x41" / "key- 0x41" ("key+ 0x0D keypad" for the keypad's key), "move -1,0",
// "left+" / "left-", "middle+", "right-".
class CFakeInputSynth : public IInputSynth {
public:
    using IInputSynth::KeyDown;
    using IInputSynth::KeyUp;
    void KeyDown(uint8_t vk, KeyPlace place) override { Key('+', vk, place); }
    void KeyUp(uint8_t vk, KeyPlace place) override { Key('-', vk, place); }
    void MoveMouse(int32_t dx, int32_t dy) override
    {
        m_events.push_back("move " + std::to_string(dx) + "," + std::to_string(dy));
    }
    void ButtonDown(Button button) override { m_events.push_back(Name(button) + "+"); }
    void ButtonUp(Button button) override { m_events.push_back(Name(button) + "-"); }

    const std::vector<std::string>& Events() const { return m_events; }
    // The events so far, leaving the record empty.
    std::vector<std::string> Take()
    {
        std::vector<std::string> events;
        events.swap(m_events);
        return events;
    }

private:
    void Key(char sign, uint8_t vk, KeyPlace place)
    {
        char text[24];
        std::snprintf(text, sizeof text, "key%c 0x%02X%s", sign, vk, place == KeyPlace::Keypad ? " keypad" : "");
        m_events.emplace_back(text);
    }

    static std::string Name(Button button)
    {
        switch (button) {
        case Button::Left:
            return "left";
        case Button::Middle:
            return "middle";
        case Button::Right:
            return "right";
        }
        return "?";
    }

    std::vector<std::string> m_events;
};
