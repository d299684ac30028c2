#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"

// Files in memory under Windows paths, compared without regard to ASCII case as Windows does.
// Folders are listed in the order the files were added, which stands for the system's
// enumeration order. Files can be made unreadable, and reads are counted.
class CMemoryFileSystem : public IFileSystem {
public:
    explicit CMemoryFileSystem(std::u16string executablePath = u"C:\\Program Files\\Tarvo Quillant\\Quillant.exe")
        : m_executablePath(std::move(executablePath))
    {
    }

    void Add(const std::u16string& path, std::vector<uint8_t> bytes, bool readable = true)
    {
        for (CFile& file : m_files) {
            if (Same(file.m_path, path)) {
                file = CFile{path, std::move(bytes), readable};
                return;
            }
        }
        m_files.push_back(CFile{path, std::move(bytes), readable});
    }

    void Add(const std::u16string& path, const std::string& text, bool readable = true)
    {
        Add(path, std::vector<uint8_t>(text.begin(), text.end()), readable);
    }

    void SetExecutablePath(std::u16string path) { m_executablePath = std::move(path); }
    int Reads() const { return m_reads; }

    bool ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) override
    {
        ++m_reads;
        bytes.clear();
        for (const CFile& file : m_files) {
            if (Same(file.m_path, path)) {
                if (!file.m_readable || file.m_bytes.size() > kMaxReadBytes)
                    return false;
                bytes = file.m_bytes;
                return true;
            }
        }
        return false;
    }

    std::vector<std::u16string> FindFiles(const std::u16string& folder, const std::u16string& pattern) override
    {
        m_searchedFolders.push_back(folder);
        std::vector<std::u16string> paths;
        for (const CFile& file : m_files) {
            if (file.m_path.size() <= folder.size() || !Same(file.m_path.substr(0, folder.size()), folder))
                continue;
            const std::u16string name = file.m_path.substr(folder.size());
            if (name.find(u'\\') == std::u16string::npos && Wildcard(pattern, name))
                paths.push_back(file.m_path);
        }
        return paths;
    }

    std::u16string GetExecutablePath() override { return m_executablePath; }
    std::u16string GetUserDataFolder() override { return m_userDataFolder; }
    void SetUserDataFolder(std::u16string folder) { m_userDataFolder = std::move(folder); }

    const std::vector<std::u16string>& SearchedFolders() const { return m_searchedFolders; }

private:
    struct CFile {
        std::u16string m_path;
        std::vector<uint8_t> m_bytes;
        bool m_readable;
    };

    static char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c; }

    static bool Same(std::u16string_view a, std::u16string_view b)
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (Fold(a[i]) != Fold(b[i]))
                return false;
        }
        return true;
    }

    // "*" matches any run of characters, "?" any one character.
    static bool Wildcard(std::u16string_view pattern, std::u16string_view name)
    {
        if (pattern.empty())
            return name.empty();
        if (pattern.front() == u'*') {
            for (size_t skip = 0; skip <= name.size(); ++skip) {
                if (Wildcard(pattern.substr(1), name.substr(skip)))
                    return true;
            }
            return false;
        }
        if (name.empty() || (pattern.front() != u'?' && Fold(pattern.front()) != Fold(name.front())))
            return false;
        return Wildcard(pattern.substr(1), name.substr(1));
    }

    std::vector<CFile> m_files;
    std::u16string m_executablePath;
    std::u16string m_userDataFolder = u"C:\\Users\\User\\AppData\\Roaming";
    std::vector<std::u16string> m_searchedFolders;
    int m_reads = 0;
};
