#include <windows.h>

#include "platform/Trace.h"
#include "platform/win32/WideText.h"

namespace {

constexpr char kPrefix[] = "Quillant: ";

bool IsTraceToStderrWanted()
{
    wchar_t value[4] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"QUILLANT_TRACE", value, 4);
    return length == 1 && value[0] == L'1';
}

std::u16string Widen(const std::string& text)
{
    if (text.empty()) {
        return {};
    }
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(units > 0 ? units : 0), u'\0');
    if (units > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), as_writable_wcstr(wide), units);
    }
    return wide;
}

}  // namespace

void TraceLine(const std::string& line)
{
    const std::string text = kPrefix + line + "\n";
    ::OutputDebugStringW(as_wcstr(Widen(text)));
    if (!IsTraceToStderrWanted()) {
        return;
    }
    // Straight to the handle: a GUI program's C runtime may have no stderr stream set up.
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    ::WriteFile(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
