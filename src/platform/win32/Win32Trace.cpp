#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Trace.h"

void TraceLine(const std::string& line)
{
    const std::string text = "Quillant: " + line + "\n";
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length > 0) {
        std::wstring wide(static_cast<size_t>(length), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
        ::OutputDebugStringW(wide.c_str());
    }
    const char* wanted = std::getenv("QUILLANT_TRACE");
    if (wanted != nullptr && std::strcmp(wanted, "1") == 0) {
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    }
}
