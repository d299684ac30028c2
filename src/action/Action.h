#pragma once
#include <cstdint>

// One step of an action sequence: a keyboard key with its modifier keys, or a mouse action.
struct CAction {
    int32_t m_kind = 0;       // ACTION_KEY or ACTION_MOUSE
    int32_t m_modifiers = 0;  // MODIFIER_* bits; 0 for mouse actions
    int32_t m_code = 0;       // virtual-key code, or a MOUSE_* code
    bool m_keypad = false;    // the numeric keypad's key of a virtual key it shares (keypad Enter)

    bool operator==(const CAction& other) const
    {
        return m_kind == other.m_kind && m_modifiers == other.m_modifiers && m_code == other.m_code &&
               m_keypad == other.m_keypad;
    }
    bool operator!=(const CAction& other) const { return !(*this == other); }
};

constexpr int32_t ACTION_KEY = 1;
constexpr int32_t ACTION_MOUSE = 2;

constexpr int32_t MODIFIER_SHIFT = 1;
constexpr int32_t MODIFIER_CTRL = 2;
constexpr int32_t MODIFIER_ALT = 4;
constexpr int32_t MODIFIER_WIN = 8;

// Mouse action codes: four pointer motions, then the three buttons.
constexpr int32_t MOUSE_LEFT = 0;
constexpr int32_t MOUSE_RIGHT = 1;
constexpr int32_t MOUSE_UP = 2;
constexpr int32_t MOUSE_DOWN = 3;
constexpr int32_t MOUSE_BUTTON1 = 4;  // left button
constexpr int32_t MOUSE_BUTTON2 = 5;  // middle button
constexpr int32_t MOUSE_BUTTON3 = 6;  // right button
