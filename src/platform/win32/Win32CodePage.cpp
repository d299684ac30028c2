#include "platform/win32/Win32CodePage.h"

#include <windows.h>

#include <climits>

#include "platform/win32/WideText.h"

namespace {

class CSystemAnsiCodePage final : public ICodePage {
public:
    CSystemAnsiCodePage() : m_codePage(::GetACP()) {}

    std::u16string Decode(const uint8_t* data, size_t size) const override
    {
        // A system set to UTF-8 as its ANSI code page reads UTF-8 the program's own way.
        if (m_codePage == CP_UTF8 || size > INT_MAX)
            return DecodeUtf8(data, size);
        if (size == 0)
            return std::u16string();
        const auto* source = reinterpret_cast<const char*>(data);
        const int length = ::MultiByteToWideChar(m_codePage, 0, source, static_cast<int>(size), nullptr, 0);
        if (length <= 0)
            return Windows1252().Decode(data, size);
        std::u16string text(static_cast<size_t>(length), u'\0');
        ::MultiByteToWideChar(m_codePage, 0, source, static_cast<int>(size), as_writable_wcstr(text), length);
        return text;
    }

    bool Encode(std::u16string_view text, std::vector<uint8_t>& bytes) const override
    {
        if (m_codePage == CP_UTF8) {
            AppendUtf8(bytes, text);
            return true;
        }
        if (text.empty())
            return true;
        if (text.size() > INT_MAX / 4)
            return false;
        // The same code units (see WideText.h); the length is passed, so no terminator is needed.
        const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
        const int wideLength = static_cast<int>(text.size());
        BOOL usedDefault = FALSE;
        const int length = ::WideCharToMultiByte(m_codePage, WC_NO_BEST_FIT_CHARS, wide, wideLength, nullptr, 0,
                                                 nullptr, &usedDefault);
        if (length <= 0 || usedDefault)
            return false;
        std::string narrow(static_cast<size_t>(length), '\0');
        ::WideCharToMultiByte(m_codePage, WC_NO_BEST_FIT_CHARS, wide, wideLength, narrow.data(), length, nullptr,
                              &usedDefault);
        bytes.insert(bytes.end(), narrow.begin(), narrow.end());
        return !usedDefault;
    }

private:
    UINT m_codePage;
};

}  // namespace

const ICodePage& SystemAnsiCodePage()
{
    static const CSystemAnsiCodePage codePage;
    return codePage;
}
