#pragma once
#include "platform/InputSynth.h"

// Injects input into the system's input stream with keybd_event and mouse_event.
class CWin32InputSynth : public IInputSynth {
public:
    void KeyDown(uint8_t vk) override;
    void KeyUp(uint8_t vk) override;
    void MoveMouse(int32_t dx, int32_t dy) override;
    void ButtonDown(Button button) override;
    void ButtonUp(Button button) override;
};
