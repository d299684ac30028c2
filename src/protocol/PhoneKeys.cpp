#include "protocol/PhoneKeys.h"

#include "text/AsciiText.h"

const CPhoneKey kPhoneKeys[] = {
    {u"Clear", 0x0008},
    {u"0", 0x0030},
    {u"1", 0x0031},
    {u"2", 0x0032},
    {u"3", 0x0033},
    {u"4", 0x0034},
    {u"5", 0x0035},
    {u"6", 0x0036},
    {u"7", 0x0037},
    {u"8", 0x0038},
    {u"9", 0x0039},
    {u"Star", 0x002A},
    {u"Hash", 0x0023},
    {u"Connect", 0xF862},
    {u"Disconnect", 0xF863},
    {u"Left", 0xF807},
    {u"Up", 0xF809},
    {u"Down", 0xF80A},
    {u"Right", 0xF808},
    {u"Power", 0xF844},
    {u"Button", 0xF845},
    {u"Case Open", 0xF846},
    {u"Case Close", 0xF847},
    {u"Speaker", 0xF848},
    {u"Menu", 0xF852},
    {nullptr, 0},
};

// Key names are plain ASCII, so folding A-Z is the whole of the case rule.
std::optional<uint16_t> FindPhoneKeyCode(const std::u16string& name)
{
    for (const CPhoneKey* key = kPhoneKeys; key->m_name != nullptr; ++key) {
        if (EqualsIgnoringAsciiCase(name, key->m_name))
            return key->m_code;
    }
    return std::nullopt;
}
