#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/RegistryBackend.h"

// The registry as an in-memory tree of keys with typed values. Key and value names compare
// without regard to ASCII case, as in Windows. Opens and creates can be made to fail, and
// handle use is counted so tests can see leaks and double closes.
class CMemoryRegistryBackend : public IRegistryBackend {
public:
    struct Value {
        uint32_t type = 0;
        std::vector<uint8_t> data;
    };

    int32_t OpenKey(const std::u16string& path, Key& key) override
    {
        key = 0;
        if (m_failOpen)
            return m_failResult;
        CNode* node = Find(path);
        if (node == nullptr)
            return RC_ERROR_FILE_NOT_FOUND;
        key = Issue(node);
        return RC_ERROR_SUCCESS;
    }

    int32_t CreateKey(const std::u16string& path, Key& key) override
    {
        key = 0;
        if (m_failCreate)
            return m_failResult;
        key = Issue(FindOrCreate(path));
        return RC_ERROR_SUCCESS;
    }

    void CloseKey(Key key) override
    {
        if (m_handles.erase(key) == 0)
            ++m_badCloses;
    }

    int32_t QueryValue(Key key, const std::u16string& name, uint32_t& type, std::vector<uint8_t>& data) override
    {
        CNode* node = Node(key);
        if (node == nullptr)
            return RC_ERROR_INVALID_HANDLE;
        auto it = node->values.find(Fold(name));
        if (it == node->values.end())
            return RC_ERROR_FILE_NOT_FOUND;
        type = it->second.type;
        data = it->second.data;
        return RC_ERROR_SUCCESS;
    }

    int32_t SetValue(Key key, const std::u16string& name, uint32_t type, const std::vector<uint8_t>& data) override
    {
        CNode* node = Node(key);
        if (node == nullptr)
            return RC_ERROR_INVALID_HANDLE;
        node->values[Fold(name)] = Value{type, data};
        ++m_writes;
        return RC_ERROR_SUCCESS;
    }

    int32_t DeleteValue(Key key, const std::u16string& name) override
    {
        CNode* node = Node(key);
        if (node == nullptr)
            return RC_ERROR_INVALID_HANDLE;
        return node->values.erase(Fold(name)) != 0 ? RC_ERROR_SUCCESS : RC_ERROR_FILE_NOT_FOUND;
    }

    // Test set-up and inspection, bypassing handles.
    void Put(const std::u16string& path, const std::u16string& name, uint32_t type, std::vector<uint8_t> data)
    {
        FindOrCreate(path)->values[Fold(name)] = Value{type, std::move(data)};
    }

    std::optional<Value> Get(const std::u16string& path, const std::u16string& name) const
    {
        const CNode* node = Find(path);
        if (node == nullptr)
            return std::nullopt;
        auto it = node->values.find(Fold(name));
        if (it == node->values.end())
            return std::nullopt;
        return it->second;
    }

    bool KeyExists(const std::u16string& path) const
    {
        return Find(path) != nullptr;
    }

    void FailOpens(bool fail) { m_failOpen = fail; }
    void FailCreates(bool fail) { m_failCreate = fail; }
    size_t OpenHandles() const { return m_handles.size(); }
    int BadCloses() const { return m_badCloses; }
    int Writes() const { return m_writes; }

    // Access denied, as a locked-down key would answer.
    static constexpr int32_t kAccessDenied = 5;

private:
    struct CNode {
        std::map<std::u16string, std::unique_ptr<CNode>> subkeys;
        std::map<std::u16string, Value> values;
    };

    static std::u16string Fold(const std::u16string& text)
    {
        std::u16string folded = text;
        for (char16_t& c : folded) {
            if (c >= u'A' && c <= u'Z')
                c = static_cast<char16_t>(c - u'A' + u'a');
        }
        return folded;
    }

    static std::vector<std::u16string> Split(const std::u16string& path)
    {
        std::vector<std::u16string> parts;
        std::u16string part;
        for (char16_t c : path) {
            if (c == u'\\') {
                if (!part.empty())
                    parts.push_back(Fold(part));
                part.clear();
            } else {
                part.push_back(c);
            }
        }
        if (!part.empty())
            parts.push_back(Fold(part));
        return parts;
    }

    const CNode* Find(const std::u16string& path) const
    {
        const CNode* node = &m_root;
        for (const std::u16string& part : Split(path)) {
            auto it = node->subkeys.find(part);
            if (it == node->subkeys.end())
                return nullptr;
            node = it->second.get();
        }
        return node;
    }

    CNode* Find(const std::u16string& path)
    {
        return const_cast<CNode*>(static_cast<const CMemoryRegistryBackend*>(this)->Find(path));
    }

    CNode* FindOrCreate(const std::u16string& path)
    {
        CNode* node = &m_root;
        for (const std::u16string& part : Split(path)) {
            std::unique_ptr<CNode>& child = node->subkeys[part];
            if (!child)
                child = std::make_unique<CNode>();
            node = child.get();
        }
        return node;
    }

    Key Issue(CNode* node)
    {
        const Key key = m_nextKey++;
        m_handles[key] = node;
        return key;
    }

    CNode* Node(Key key)
    {
        auto it = m_handles.find(key);
        return it == m_handles.end() ? nullptr : it->second;
    }

    CNode m_root;
    std::map<Key, CNode*> m_handles;
    Key m_nextKey = 0x100;
    bool m_failOpen = false;
    bool m_failCreate = false;
    int32_t m_failResult = kAccessDenied;
    int m_badCloses = 0;
    int m_writes = 0;
};
