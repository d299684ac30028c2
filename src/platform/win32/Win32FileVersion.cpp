#include "platform/win32/Win32FileVersion.h"

#include <windows.h>

#include <vector>

#include "platform/win32/WideText.h"

bool ReadProductVersion(const std::u16string& path, uint32_t& productVersionMS, uint32_t& productVersionLS)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(as_wcstr(path), &ignored);
    if (size == 0) {
        return false;
    }
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(as_wcstr(path), 0, size, block.data())) {
        return false;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\", &value, &length) || !value || length < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    // A block without the signature is not a version block at all: its numbers mean nothing.
    if (fixed->dwSignature != 0xFEEF04BDu) {
        return false;
    }
    productVersionMS = fixed->dwProductVersionMS;
    productVersionLS = fixed->dwProductVersionLS;
    return true;
}
