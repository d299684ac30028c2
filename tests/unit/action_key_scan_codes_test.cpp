#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "action/KeyScanCodes.h"

namespace {

constexpr bool E0 = true;

TEST(KeyScanCodes, KeysAndTheirExtendedFlag)
{
    struct Case {
        uint8_t vk;
        bool keypad;
        CKeyScanCode expected;
    };
    const Case cases[] = {
        {0x41, false, {0x1E}},       // A
        {0x5A, false, {0x2C}},       // Z
        {0x30, false, {0x0B}},       // 0 after 9, not before 1
        {0x0D, false, {0x1C}},       // Enter of the main block
        {0x0D, true, {0x1C, E0}},    // keypad Enter
        {0x41, true, {0x1E}},        // no keypad twin: the place is ignored
        {0x25, false, {0x4B, E0}},   // the arrows
        {0x26, false, {0x48, E0}},
        {0x27, false, {0x4D, E0}},
        {0x28, false, {0x50, E0}},
        {0x24, true, {0x47, E0}},    // Home is the dedicated key, keypad place or not
        {0x67, false, {0x47}},       // keypad 7: the same key as keypad Home, not extended
        {0x2E, false, {0x53, E0}},   // Delete
        {0x6E, false, {0x53}},       // keypad decimal point, on the same key as keypad Delete
        {0x6F, false, {0x35, E0}},   // keypad /
        {0xBF, false, {0x35}},       // main-block /
        {0x10, false, {0x2A}},       // Shift, Control, Alt: the left keys, as today's modifiers
        {0x11, false, {0x1D}},
        {0x12, false, {0x38}},
        {0xA1, false, {0x36}},       // right Shift has its own code and no flag
        {0xA3, false, {0x1D, E0}},   // right Control and Alt
        {0xA5, false, {0x38, E0}},
        {0x5B, false, {0x5B, E0}},   // left Windows, Apps
        {0x5D, false, {0x5D, E0}},
        {0x90, false, {0x45, E0}},   // Num Lock and Pause share 0x45; only Num Lock is extended
        {0x13, false, {0x45}},
        {0x2C, false, {0x37, E0}},   // Print Screen
        {0x7B, false, {0x58}},       // F12
        {0x87, false, {0x76}},       // F24
        {0xAF, false, {0x30, E0}},   // volume up
        {0x01, false, {}},           // mouse button: no key
        {0xFF, false, {}},
        {0x00, true, {}},
    };
    for (const Case& c : cases) {
        const CKeyScanCode actual = UsKeyScanCode(c.vk, c.keypad);
        EXPECT_EQ(actual.m_code, c.expected.m_code) << std::hex << "vk 0x" << int{c.vk} << " keypad " << c.keypad;
        EXPECT_EQ(actual.m_extended, c.expected.m_extended) << std::hex << "vk 0x" << int{c.vk};
    }
}

// One physical key sends one code: two virtual keys may share it only where one key sends both
// (the generic modifiers and their left keys, Clear and keypad 5). A slip in a row shows here.
TEST(KeyScanCodes, NoTwoKeysShareACode)
{
    const std::set<std::pair<int, int>> shared = {{0x10, 0xA0}, {0x11, 0xA2}, {0x12, 0xA4}, {0x0C, 0x65}};
    std::map<std::pair<int, bool>, int> owner;
    int keys = 0;
    for (int vk = 0; vk <= 0xFF; ++vk) {
        const CKeyScanCode code = UsKeyScanCode(static_cast<uint8_t>(vk), false);
        if (code.m_code == 0) {
            EXPECT_FALSE(code.m_extended) << std::hex << "vk 0x" << vk;
            continue;
        }
        ++keys;
        const auto inserted = owner.emplace(std::make_pair(code.m_code, code.m_extended), vk);
        if (!inserted.second) {
            EXPECT_TRUE(shared.count({inserted.first->second, vk}))
                << std::hex << "vk 0x" << inserted.first->second << " and 0x" << vk << " share 0x" << int{code.m_code};
        }
    }
    // Every key of an enhanced keyboard and its media keys: a lost row shows too.
    EXPECT_EQ(keys, 140);
}

}  // namespace
