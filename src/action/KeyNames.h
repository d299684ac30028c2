#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// A key name that action strings may use instead of a virtual-key code.
struct CKeyName {
    const char16_t* m_name;  // upper case
    int32_t m_code;          // virtual-key code
    bool m_keypad = false;   // the numeric keypad's key of a virtual key it shares with the main block
};

constexpr size_t KEY_NAME_COUNT = 112;

// The names in search order. Keys without a name (Insert, Delete, most punctuation) are
// reached by number.
extern const std::array<CKeyName, KEY_NAME_COUNT> g_keyNames;

// Finds a name without regard to ASCII case; the first equal name wins.
bool LookUpKeyName(std::u16string_view name, int32_t& code, bool& keypad);

