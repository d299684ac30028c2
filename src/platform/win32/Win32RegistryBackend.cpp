#include "platform/win32/Win32RegistryBackend.h"

#include <windows.h>

#include <limits>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text is handed to Windows as wchar_t");
static_assert(sizeof(IRegistryBackend::Key) >= sizeof(HKEY), "a key handle must fit in Key");

namespace {

const wchar_t* AsWide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

HKEY AsHkey(IRegistryBackend::Key key)
{
    return reinterpret_cast<HKEY>(key);
}

// A value may change size between the size query and the read; a few retries cover that
// without looping forever on a value that keeps growing.
constexpr int kQueryAttempts = 8;

}  // namespace

int32_t CWin32RegistryBackend::OpenKey(const std::u16string& path, Key& key)
{
    HKEY handle = nullptr;
    const LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, AsWide(path), 0, KEY_ALL_ACCESS, &handle);
    key = result == ERROR_SUCCESS ? reinterpret_cast<Key>(handle) : 0;
    return result;
}

int32_t CWin32RegistryBackend::CreateKey(const std::u16string& path, Key& key)
{
    HKEY handle = nullptr;
    const LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, AsWide(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_ALL_ACCESS, nullptr, &handle, nullptr);
    key = result == ERROR_SUCCESS ? reinterpret_cast<Key>(handle) : 0;
    return result;
}

void CWin32RegistryBackend::CloseKey(Key key)
{
    if (key != 0)
        RegCloseKey(AsHkey(key));
}

int32_t CWin32RegistryBackend::QueryValue(Key key, const std::u16string& name, uint32_t& type,
                                          std::vector<uint8_t>& data)
{
    LONG result = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < kQueryAttempts && result == ERROR_MORE_DATA; ++attempt) {
        DWORD valueType = 0;
        DWORD size = 0;
        result = RegQueryValueExW(AsHkey(key), AsWide(name), nullptr, &valueType, nullptr, &size);
        if (result != ERROR_SUCCESS)
            return result;

        // Never a null buffer: with one, a value that grew from empty would read as a size query.
        data.resize(size == 0 ? 1 : size);
        result = RegQueryValueExW(AsHkey(key), AsWide(name), nullptr, &valueType, data.data(), &size);
        if (result == ERROR_SUCCESS) {
            // The value may also have shrunk since the size query.
            data.resize(size);
            type = valueType;
        }
    }
    return result;
}

int32_t CWin32RegistryBackend::SetValue(Key key, const std::u16string& name, uint32_t type,
                                        const std::vector<uint8_t>& data)
{
    if (data.size() > std::numeric_limits<DWORD>::max())
        return ERROR_INVALID_PARAMETER;
    return RegSetValueExW(AsHkey(key), AsWide(name), 0, type, data.data(), static_cast<DWORD>(data.size()));
}

int32_t CWin32RegistryBackend::DeleteValue(Key key, const std::u16string& name)
{
    return RegDeleteValueW(AsHkey(key), AsWide(name));
}
