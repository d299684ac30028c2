#pragma once
#include <cstdint>

// Synthesized keyboard and mouse input. The input goes to whatever window has the focus; the
// callers bring the right window to the front first. One implementation injects real input on
// Windows; tests record the calls.
class IInputSynth {
public:
    enum class Button { Left, Middle, Right };

    virtual ~IInputSynth() = default;

    // vk: a Windows virtual-key code; sent as a plain (never extended) key.
    virtual void KeyDown(uint8_t vk) = 0;
    virtual void KeyUp(uint8_t vk) = 0;
    // Moves the pointer relative to where it is.
    virtual void MoveMouse(int32_t dx, int32_t dy) = 0;
    virtual void ButtonDown(Button button) = 0;
    virtual void ButtonUp(Button button) = 0;
};
