#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "action/KeyScanCodes.h"

namespace {

TEST(KeyScanCodes, KeysAndTheirExtendedFlag)
{
    struct Case {
        uint8_t vk;
        bool keypad;
        uint8_t code;
        bool extended;
    };
    const Case cases[] = {
        {0x41, false, 0x1E, false},  // A
        {0x30, false, 0x0B, false},  // 0 comes after 9, not before 1
        {0x0D, false, 0x1C, false},  // the two Enter keys
        {0x0D, true, 0x1C, true},
        {0x41, true, 0x1E, false},   // no keypad twin: the place is ignored
        {0x25, false, 0x4B, true},   // Left
        {0x24, true, 0x47, true},    // Home is the dedicated key, keypad place or not
        {0x67, false, 0x47, false},  // keypad 7 shares Home's code without the flag
        {0x6F, false, 0x35, true},   // keypad / and main-block /
        {0xBF, false, 0x35, false},
        {0x11, false, 0x1D, false},  // Control is the left key, right Control is extended
        {0xA3, false, 0x1D, true},
        {0xA5, false, 0x38, true},   // right Alt
        {0x5B, false, 0x5B, true},   // left Windows
        {0x90, false, 0x45, true},   // Num Lock and Pause share 0x45; only Num Lock is extended
        {0x13, false, 0x45, false},
        {0x87, false, 0x76, false},  // F24
        {0x01, false, 0x00, false},  // a mouse button: no key
    };
    for (const Case& c : cases) {
        const CKeyScanCode actual = UsKeyScanCode(c.vk, c.keypad);
        EXPECT_TRUE(actual == (CKeyScanCode{c.code, c.extended}))
            << std::hex << "vk 0x" << int{c.vk} << " keypad " << c.keypad << ": 0x" << int{actual.m_code}
            << " extended " << actual.m_extended;
    }
}

// One key sends one code: two virtual keys share it only where one key sends both (a generic
// modifier and its left key, Clear and keypad 5). A slip in a row of the table shows here.
TEST(KeyScanCodes, NoTwoKeysShareACode)
{
    const std::set<std::pair<int, int>> shared = {{0x10, 0xA0}, {0x11, 0xA2}, {0x12, 0xA4}, {0x0C, 0x65}};
    std::map<std::pair<int, bool>, int> owner;
    int keys = 0;
    for (int vk = 0; vk <= 0xFF; ++vk) {
        const CKeyScanCode code = UsKeyScanCode(static_cast<uint8_t>(vk), false);
        if (code.m_code == 0)
            continue;
        ++keys;
        const auto inserted = owner.emplace(std::make_pair(code.m_code, code.m_extended), vk);
        EXPECT_TRUE(inserted.second || shared.count({inserted.first->second, vk}))
            << std::hex << "vk 0x" << inserted.first->second << " and 0x" << vk;
    }
    EXPECT_EQ(keys, 140);  // a lost row shows too
}

}  // namespace
