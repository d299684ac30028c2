#pragma once
#include "config/RegistryBackend.h"

// The registry backend over the Win32 registry, rooted at HKEY_CURRENT_USER. Keys are HKEY
// values; whoever opens one closes it (CRegistry does so in its destructor).
class CWin32RegistryBackend : public IRegistryBackend {
public:
    int32_t OpenKey(const std::u16string& path, Key& key) override;
    int32_t CreateKey(const std::u16string& path, Key& key) override;
    void CloseKey(Key key) override;
    int32_t QueryValue(Key key, const std::u16string& name, uint32_t& type, std::vector<uint8_t>& data) override;
    int32_t SetValue(Key key, const std::u16string& name, uint32_t type, const std::vector<uint8_t>& data) override;
    int32_t DeleteValue(Key key, const std::u16string& name) override;
};
