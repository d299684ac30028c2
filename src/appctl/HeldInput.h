#pragma once
#include <cstdint>
#include <vector>

#include "platform/InputSynth.h"

// Passes synthesized input on and remembers which keys and mouse buttons it left down, so that
// everything the phone holds can be let go when the phone is gone. It models the keyboard's key
// state: a key pressed twice is down once, and one key-up releases it. Main Enter and keypad
// Enter are two keys, each let go as it went down.
class CHeldInput : public IInputSynth {
public:
    explicit CHeldInput(IInputSynth& input) : m_input(input) {}

    using IInputSynth::KeyDown;
    using IInputSynth::KeyUp;
    void KeyDown(uint8_t vk, KeyPlace place) override;
    void KeyUp(uint8_t vk, KeyPlace place) override;
    void MoveMouse(int32_t dx, int32_t dy) override;
    void ButtonDown(Button button) override;
    void ButtonUp(Button button) override;

    bool IsHolding() const { return !m_held.empty(); }
    // Lets go of everything still down, the last pressed first. Only what went down through
    // this object is released: a key the user holds on the PC's own keyboard is left alone.
    void ReleaseAll();

private:
    struct Held {
        bool button;
        uint8_t code;    // virtual-key code, or the Button value
        KeyPlace place;  // Main for buttons
        bool operator==(const Held& other) const
        {
            return button == other.button && code == other.code && place == other.place;
        }
    };

    void Remember(Held held);
    void Forget(Held held);

    IInputSynth& m_input;
    std::vector<Held> m_held;  // in the order they went down
};
