#include "config/Registry.h"

#include "config/StringListCodec.h"
#include "text/LittleEndian.h"

CRegistry::CRegistry(IRegistryBackend& backend) : m_backend(backend) {}

CRegistry::~CRegistry()
{
    CloseKey();
}

bool CRegistry::OpenKey(const std::u16string& path)
{
    return Open(path, false);
}

bool CRegistry::CreateKey(const std::u16string& path)
{
    return Open(path, true);
}

bool CRegistry::Open(const std::u16string& path, bool create)
{
    // One key at a time: reopening must not leak the previous handle.
    CloseKey();
    IRegistryBackend::Key key = 0;
    m_result = create ? m_backend.CreateKey(path, key) : m_backend.OpenKey(path, key);
    if (m_result != RC_ERROR_SUCCESS)
        return false;
    m_key = key;
    return true;
}

void CRegistry::CloseKey()
{
    if (m_key != 0) {
        m_backend.CloseKey(m_key);
        m_key = 0;
    }
    m_result = RC_ERROR_SUCCESS;
}

bool CRegistry::Query(const std::u16string& name, uint32_t& type, std::vector<uint8_t>& data)
{
    if (m_key == 0) {
        m_result = RC_ERROR_INVALID_HANDLE;
        return false;
    }
    m_result = m_backend.QueryValue(m_key, name, type, data);
    return m_result == RC_ERROR_SUCCESS;
}

bool CRegistry::ValueExists(const std::u16string& name)
{
    uint32_t type = 0;
    std::vector<uint8_t> data;
    return Query(name, type, data);
}

bool CRegistry::GetString(const std::u16string& name, std::u16string& value)
{
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!Query(name, type, data))
        return false;
    if (data.size() > kMaxStringBytes) {
        m_result = RC_ERROR_MORE_DATA;
        return false;
    }
    // A stored string may lack its terminator or have an odd byte count: take whole code
    // units only, up to the first zero.
    value = CByteReader(data.data(), data.size()).Utf16z();
    return true;
}

bool CRegistry::GetNumber(const std::u16string& name, int32_t& value)
{
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!Query(name, type, data))
        return false;
    if (data.size() > kMaxNumberBytes) {
        m_result = RC_ERROR_MORE_DATA;
        return false;
    }
    // A shorter value reads as if its missing high bytes were zero.
    value = static_cast<int32_t>(CByteReader(data.data(), data.size()).U32());
    return true;
}

bool CRegistry::GetStringList(const std::u16string& name, std::vector<std::u16string>& list)
{
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!Query(name, type, data))
        return false;
    if (type != RC_REG_BINARY)
        return true;
    if (!DecodeStringList(data.data(), data.size(), list)) {
        m_result = RC_ERROR_INVALID_DATA;
        return false;
    }
    return true;
}

bool CRegistry::Write(const std::u16string& name, uint32_t type, const std::vector<uint8_t>& data)
{
    if (m_key == 0) {
        m_result = RC_ERROR_INVALID_HANDLE;
        return false;
    }
    m_result = m_backend.SetValue(m_key, name, type, data);
    return m_result == RC_ERROR_SUCCESS;
}

bool CRegistry::SetString(const std::u16string& name, const std::u16string& value)
{
    std::vector<uint8_t> data;
    data.reserve((value.size() + 1) * 2);
    CByteWriter(data).Utf16z(value);
    return Write(name, RC_REG_SZ, data);
}

bool CRegistry::SetNumber(const std::u16string& name, int32_t value)
{
    std::vector<uint8_t> data;
    CByteWriter(data).U32(static_cast<uint32_t>(value));
    return Write(name, RC_REG_DWORD, data);
}

bool CRegistry::SetStringList(const std::u16string& name, const std::vector<std::u16string>& list)
{
    return Write(name, RC_REG_BINARY, EncodeStringList(list));
}

bool CRegistry::DeleteValue(const std::u16string& name)
{
    if (m_key == 0) {
        m_result = RC_ERROR_INVALID_HANDLE;
        return false;
    }
    m_result = m_backend.DeleteValue(m_key, name);
    return m_result == RC_ERROR_SUCCESS;
}
