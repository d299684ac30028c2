#include "app/ResourceText.h"

#include "platform/win32/WideText.h"
#include "resource.h"

std::u16string LoadResourceText(UINT id)
{
    // With a zero length LoadStringW returns a read-only pointer to the resource text itself.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) {
        return std::u16string();
    }
    return as_u16(text, static_cast<size_t>(length));
}

std::u16string FormatResourceText(UINT id, const std::u16string& value)
{
    std::u16string text = LoadResourceText(id);
    const size_t at = text.find(u"%s");
    if (at != std::u16string::npos) {
        text.replace(at, 2, value);
    }
    return text;
}

std::u16string ApplicationTitle()
{
    return LoadResourceText(IDS_APP_TITLE);
}

int ShowMessage(HWND owner, const std::u16string& text, UINT flags)
{
    return ::MessageBoxW(owner, as_wcstr(text), as_wcstr(ApplicationTitle()), flags | MB_SETFOREGROUND);
}
