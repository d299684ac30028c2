#include "action/KeyNames.h"

#include "text/AsciiText.h"

namespace {

constexpr std::array<CKeyName, KEY_NAME_COUNT> kKeyNames = {{
    {u"BACK", 0x08},
    {u"TAB", 0x09},
    {u"CLEAR", 0x2E},
    {u"RETURN", 0x0D},
    {u"ENTER", 0x0D},
    {u"SHIFT", 0x10},
    {u"CONTROL", 0x11},
    {u"CTRL", 0x11},
    {u"ALT", 0x12},
    {u"ESCAPE", 0x1B},
    {u"ESC", 0x1B},
    {u"SPACE", 0x20},
    {u"PAGEUP", 0x21},
    {u"PAGEDOWN", 0x22},
    {u"END", 0x23},
    {u"HOME", 0x24},
    {u"LEFT", 0x25},
    {u"UP", 0x26},
    {u"RIGHT", 0x27},
    {u"DOWN", 0x28},
    {u"SELECT", 0x29},
    {u"EXECUTE", 0x2B},
    {u"SNAPSHOT", 0x2C},
    {u"HELP", 0x2F},
    {u"NUM_0", 0x30},
    {u"NUM_1", 0x31},
    {u"NUM_2", 0x32},
    {u"NUM_3", 0x33},
    {u"NUM_4", 0x34},
    {u"NUM_5", 0x35},
    {u"NUM_6", 0x36},
    {u"NUM_7", 0x37},
    {u"NUM_8", 0x38},
    {u"NUM_9", 0x39},
    {u"A", 0x41},
    {u"B", 0x42},
    {u"C", 0x43},
    {u"D", 0x44},
    {u"E", 0x45},
    {u"F", 0x46},
    {u"G", 0x47},
    {u"H", 0x48},
    {u"I", 0x49},
    {u"J", 0x4A},
    {u"K", 0x4B},
    {u"L", 0x4C},
    {u"M", 0x4D},
    {u"N", 0x4E},
    {u"O", 0x4F},
    {u"P", 0x50},
    {u"Q", 0x51},
    {u"R", 0x52},
    {u"S", 0x53},
    {u"T", 0x54},
    {u"U", 0x55},
    {u"V", 0x56},
    {u"W", 0x57},
    {u"X", 0x58},
    {u"Y", 0x59},
    {u"Z", 0x5A},
    {u"LWIN", 0x5B},
    {u"RWIN", 0x5C},
    {u"APPS", 0x5D},
    {u"PAD_0", 0x60},
    {u"PAD_1", 0x61},
    {u"PAD_2", 0x62},
    {u"PAD_3", 0x63},
    {u"PAD_4", 0x64},
    {u"PAD_5", 0x65},
    {u"PAD_6", 0x66},
    {u"PAD_7", 0x67},
    {u"PAD_8", 0x68},
    {u"PAD_9", 0x69},
    {u"MULTIPLY", 0x6A},
    {u"ADD", 0x6B},
    {u"SEPARATOR", 0x6C},
    {u"SUBTRACT", 0x6D},
    {u"PERIOD", 0xBE},
    {u"DIVIDE", 0x6F},
    {u"F1", 0x70},
    {u"F2", 0x71},
    {u"F3", 0x72},
    {u"F4", 0x73},
    {u"F5", 0x74},
    {u"F6", 0x75},
    {u"F7", 0x76},
    {u"F8", 0x77},
    {u"F9", 0x78},
    {u"F10", 0x79},
    {u"F11", 0x7A},
    {u"F12", 0x7B},
    {u"F13", 0x7C},
    {u"F14", 0x7D},
    {u"F15", 0x7E},
    {u"F16", 0x7F},
    {u"F17", 0x80},
    {u"F18", 0x81},
    {u"F19", 0x82},
    {u"F20", 0x83},
    {u"F21", 0x84},
    {u"F22", 0x85},
    {u"F23", 0x86},
    {u"F24", 0x87},
    {u"NUMLOCK", 0x90},
    {u"SCROLL", 0x91},
    {u"LSHIFT", 0xA0},
    {u"RSHIFT", 0xA1},
    {u"LCONTROL", 0xA2},
    {u"RCONTROL", 0xA3},
    {u"LALT", 0xA4},
    {u"RALT", 0xA5},
    // Enter sends one virtual key from two keys; only this name reaches the keypad's.
    {u"PAD_ENTER", 0x0D, true},
}};

// A row left out of the list above would be zero-filled silently; refuse to build instead.
constexpr bool AllRowsFilled()
{
    for (size_t i = 0; i < kKeyNames.size(); ++i) {
        if (kKeyNames[i].m_name == nullptr)
            return false;
    }
    return true;
}
static_assert(AllRowsFilled(), "the key-name table is missing rows");

}  // namespace

const std::array<CKeyName, KEY_NAME_COUNT> g_keyNames = kKeyNames;

bool LookUpKeyName(std::u16string_view name, int32_t& code, bool& keypad)
{
    for (const CKeyName& row : kKeyNames) {
        if (EqualsIgnoringAsciiCase(name, row.m_name)) {
            code = row.m_code;
            keypad = row.m_keypad;
            return true;
        }
    }
    return false;
}
