#include "platform/win32/Win32FileVersion.h"

#include <windows.h>

#include <vector>

#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"

namespace {

// The version library is loaded when first needed, from the system folder, rather than imported:
// an imported library that is not one of the system's known libraries would be looked for
// beside the executable first, before the program could restrict the search.
struct CVersionLibrary {
    using InfoSizeFn = DWORD(WINAPI*)(LPCWSTR file, LPDWORD handle);
    using InfoFn = BOOL(WINAPI*)(LPCWSTR file, DWORD handle, DWORD size, LPVOID data);
    using QueryFn = BOOL(WINAPI*)(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length);

    CVersionLibrary() : module(LoadSystemLibrary(L"version.dll"))
    {
        if (module) {
            infoSize = Resolve<InfoSizeFn>("GetFileVersionInfoSizeW");
            info = Resolve<InfoFn>("GetFileVersionInfoW");
            query = Resolve<QueryFn>("VerQueryValueW");
        }
    }
    // Kept for the life of the process.
    CVersionLibrary(const CVersionLibrary&) = delete;
    CVersionLibrary& operator=(const CVersionLibrary&) = delete;

    template <typename Fn>
    Fn Resolve(const char* name) const
    {
        return LibraryFunction<Fn>(module, name);
    }
    bool Usable() const { return infoSize && info && query; }

    HMODULE module = nullptr;
    InfoSizeFn infoSize = nullptr;
    InfoFn info = nullptr;
    QueryFn query = nullptr;
};

}  // namespace

bool ReadProductVersion(const std::u16string& path, uint32_t& productVersionMS, uint32_t& productVersionLS)
{
    static const CVersionLibrary library;
    if (!library.Usable()) {
        return false;
    }
    DWORD ignored = 0;
    const DWORD size = library.infoSize(as_wcstr(path), &ignored);
    if (size == 0) {
        return false;
    }
    std::vector<BYTE> block(size);
    if (!library.info(as_wcstr(path), 0, size, block.data())) {
        return false;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!library.query(block.data(), L"\\", &value, &length) || !value || length < sizeof(VS_FIXEDFILEINFO)) {
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
