#pragma once
// UTF-16 text at the Windows boundary: portable code holds std::u16string, Win32 calls take
// wchar_t, which is the same 16-bit code unit on Windows, so the views below copy nothing.
#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 text must be 16-bit code units");

inline const wchar_t* as_wcstr(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline wchar_t* as_writable_wcstr(std::u16string& text)
{
    return reinterpret_cast<wchar_t*>(&text[0]);
}

inline std::u16string as_u16(const wchar_t* text)
{
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

inline std::u16string as_u16(const wchar_t* text, size_t length)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}
