#pragma once
#include <cstdint>

// Synthesized keyboard and mouse input. The input goes to whatever window has the focus; the
// callers bring the right window to the front first. One implementation injects real input on
// Windows; tests record the calls.
class IInputSynth {
public:
    enum class Button { Left, Middle, Right };
    // Which key is meant where a main-block key and a numeric-keypad key send the same virtual
    // key: only Enter has both. Every other virtual key is Main.
    enum class KeyPlace { Main, Keypad };

    virtual ~IInputSynth() = default;

    // vk: a Windows virtual-key code. The key goes out as the keyboard sends it: with its scan
    // code, and with the extended-key flag for the keys that have it (arrows, Home, End, Page
    // Up and Down, Insert, Delete, right Control and Alt, the Windows keys, Apps, keypad Enter
    // and /). A key-up names the place its key-down named.
    virtual void KeyDown(uint8_t vk, KeyPlace place) = 0;
    virtual void KeyUp(uint8_t vk, KeyPlace place) = 0;
    // The key of the main block.
    void KeyDown(uint8_t vk) { KeyDown(vk, KeyPlace::Main); }
    void KeyUp(uint8_t vk) { KeyUp(vk, KeyPlace::Main); }
    // Moves the pointer relative to where it is.
    virtual void MoveMouse(int32_t dx, int32_t dy) = 0;
    virtual void ButtonDown(Button button) = 0;
    virtual void ButtonUp(Button button) = 0;
};
