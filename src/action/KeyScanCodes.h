#pragma once
#include <cstdint>

// The key a keyboard sends for a virtual-key code: its scan code (set 1, the make code) and
// whether an enhanced keyboard sends it with the E0 prefix, which Windows reports as the
// extended-key flag. Scan codes are those of the US layout; the extended flag does not depend
// on the layout.
struct CKeyScanCode {
    uint8_t m_code = 0;       // 0: no key of the keyboard sends this virtual key
    bool m_extended = false;  // sent with the E0 prefix

    bool operator==(const CKeyScanCode& other) const
    {
        return m_code == other.m_code && m_extended == other.m_extended;
    }
};

// keypad: the numeric keypad's key, for the one virtual key that a main-block key and a keypad
// key both send (Enter; the keypad's is extended). Ignored for every other virtual key.
CKeyScanCode UsKeyScanCode(uint8_t vk, bool keypad);
