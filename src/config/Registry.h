#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/RegistryBackend.h"

// Result recorded when a stored list cannot be decoded.
constexpr int32_t RC_ERROR_INVALID_DATA = 13;

// One open key below the current user's hive at a time, with typed reads and writes of its
// values. Every operation records its result code. The key is closed by CloseKey, by opening
// another one, or by the destructor.
class CRegistry {
public:
    // Largest values GetString and GetNumber accept; anything bigger is refused.
    static constexpr uint32_t kMaxStringBytes = 200;
    static constexpr uint32_t kMaxNumberBytes = 4;

    explicit CRegistry(IRegistryBackend& backend);
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;
    virtual ~CRegistry();

    // Opens an existing key.
    bool OpenKey(const std::u16string& path);
    // Opens the key, creating it (and any missing parents) when it does not exist.
    bool CreateKey(const std::u16string& path);
    void CloseKey();

    bool ValueExists(const std::u16string& name);
    // Text up to the first zero code unit; values over kMaxStringBytes fail. Type not checked.
    bool GetString(const std::u16string& name, std::u16string& value);
    // Little-endian, zero-extended when shorter; values over kMaxNumberBytes fail. Type not checked.
    bool GetNumber(const std::u16string& name, int32_t& value);
    // Decodes a binary value of any size, replacing the list; a malformed one empties the list
    // and fails. A value of another type leaves the list alone and succeeds.
    bool GetStringList(const std::u16string& name, std::vector<std::u16string>& list);

    // Writes the text and its terminating zero as a string value.
    bool SetString(const std::u16string& name, const std::u16string& value);
    bool SetNumber(const std::u16string& name, int32_t value);
    bool SetStringList(const std::u16string& name, const std::vector<std::u16string>& list);
    bool DeleteValue(const std::u16string& name);

    bool IsOpen() const { return m_key != 0; }
    int32_t GetResult() const { return m_result; }

private:
    bool Open(const std::u16string& path, bool create);
    // Reads the value and its type, recording the result; fails without an open key.
    bool Query(const std::u16string& name, uint32_t& type, std::vector<uint8_t>& data);
    bool Write(const std::u16string& name, uint32_t type, const std::vector<uint8_t>& data);

    IRegistryBackend& m_backend;
    int32_t m_result = RC_ERROR_SUCCESS;
    IRegistryBackend::Key m_key = 0;
};
