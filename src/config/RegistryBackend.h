#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Registry value types, as Windows numbers them.
constexpr uint32_t RC_REG_SZ = 1;
constexpr uint32_t RC_REG_BINARY = 3;
constexpr uint32_t RC_REG_DWORD = 4;

// Result codes, as Windows numbers them.
constexpr int32_t RC_ERROR_SUCCESS = 0;
constexpr int32_t RC_ERROR_FILE_NOT_FOUND = 2;
constexpr int32_t RC_ERROR_INVALID_HANDLE = 6;
constexpr int32_t RC_ERROR_MORE_DATA = 234;

// The registry as CRegistry uses it: the Win32 registry on Windows, an in-memory tree in tests.
// Keys are opened below the current user's hive; paths use backslashes.
class IRegistryBackend {
public:
    using Key = uintptr_t;  // 0 is no key
    virtual ~IRegistryBackend() = default;

    virtual int32_t OpenKey(const std::u16string& path, Key& key) = 0;
    virtual int32_t CreateKey(const std::u16string& path, Key& key) = 0;
    virtual void CloseKey(Key key) = 0;
    // Reads a value's type and its whole data, whatever its size.
    virtual int32_t QueryValue(Key key, const std::u16string& name, uint32_t& type, std::vector<uint8_t>& data) = 0;
    virtual int32_t SetValue(Key key, const std::u16string& name, uint32_t type, const std::vector<uint8_t>& data) = 0;
    virtual int32_t DeleteValue(Key key, const std::u16string& name) = 0;
};
