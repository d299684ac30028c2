#pragma once
#include "platform/InputSynth.h"

// Injects input into the system's input stream with SendInput, one event per call, as a
// keyboard driver or mouse would.
class CWin32InputSynth : public IInputSynth {
public:
    using IInputSynth::KeyDown;
    using IInputSynth::KeyUp;
    void KeyDown(uint8_t vk, KeyPlace place) override;
    void KeyUp(uint8_t vk, KeyPlace place) override;
    void MoveMouse(int32_t dx, int32_t dy) override;
    void ButtonDown(Button button) override;
    void ButtonUp(Button button) override;
};
