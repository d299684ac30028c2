#pragma once
#include <cstdint>
#include <optional>
#include <string>

// A phone key as profiles name it and key events carry it.
struct CPhoneKey {
    const char16_t* m_name;
    uint16_t m_code;
};

// The phone keys in table order, closed by an entry with a null name.
extern const CPhoneKey kPhoneKeys[];

// The code of a key name, compared without regard to letter case; the first match wins.
std::optional<uint16_t> FindPhoneKeyCode(const std::u16string& name);
