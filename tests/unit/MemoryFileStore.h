#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/FileWriter.h"
#include "text/TextCodec.h"

// Files in memory that can be read, listed, written and removed, under Windows paths compared
// without regard to case. Writes and removals can be made to fail with a cause, everywhere or
// under one folder (a program folder a standard user cannot write); a failed write leaves the
// file as it was, as the atomic write promises. Every write and removal is logged.
class CMemoryFileStore : public IFileSystem, public IFileWriter {
public:
    explicit CMemoryFileStore(std::u16string executablePath = u"C:\\Program Files\\Tarvo Quillant\\Quillant.exe")
        : m_executablePath(std::move(executablePath))
    {
    }

    void Add(const std::u16string& path, std::vector<uint8_t> bytes) { m_files[FoldCase(path)] = {path, std::move(bytes)}; }
    void Add(const std::u16string& path, const std::string& text) { Add(path, std::vector<uint8_t>(text.begin(), text.end())); }

    bool Has(const std::u16string& path) const { return m_files.count(FoldCase(path)) != 0; }
    std::string Text(const std::u16string& path) const
    {
        const auto found = m_files.find(FoldCase(path));
        return found == m_files.end() ? std::string() : std::string(found->second.m_bytes.begin(), found->second.m_bytes.end());
    }
    size_t Count() const { return m_files.size(); }

    void FailReadsOf(const std::u16string& path) { m_unreadable = FoldCase(path); }
    void FailWrites(EFileError error) { m_writeError = error; }
    void FailRemovals(EFileError error) { m_removeError = error; }
    void RefuseChangesUnder(const std::u16string& folder) { m_readOnlyFolder = FoldCase(folder); }
    const std::vector<std::u16string>& Log() const { return m_log; }

    bool ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) override
    {
        bytes.clear();
        const auto found = m_files.find(FoldCase(path));
        if (found == m_files.end() || FoldCase(path) == m_unreadable)
            return false;
        bytes = found->second.m_bytes;
        return true;
    }

    std::vector<std::u16string> FindFiles(const std::u16string& folder, const std::u16string& pattern) override
    {
        // Only "*<suffix>" patterns, as the profile folder is searched.
        const std::u16string suffix = FoldCase(pattern.substr(1));
        std::vector<std::u16string> paths;
        for (const auto& file : m_files) {
            const std::u16string& key = file.first;
            if (key.size() > folder.size() + suffix.size() && key.compare(0, folder.size(), FoldCase(folder)) == 0 &&
                key.find(u'\\', folder.size()) == std::u16string::npos &&
                key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0)
                paths.push_back(file.second.m_path);
        }
        return paths;
    }

    std::u16string GetExecutablePath() override { return m_executablePath; }
    std::u16string GetUserDataFolder() override { return m_userDataFolder; }
    void SetUserDataFolder(std::u16string folder) { m_userDataFolder = std::move(folder); }

    bool Exists(const std::u16string& path) override { return Has(path); }

    EFileError WriteFileAtomically(const std::u16string& path, const std::vector<uint8_t>& bytes) override
    {
        m_log.push_back(u"write " + path);
        if (m_writeError != EFileError::None)
            return m_writeError;
        if (IsReadOnly(path))
            return EFileError::AccessDenied;
        const auto found = m_files.find(FoldCase(path));
        // Replacing keeps the name the file had, as Windows does.
        Add(found == m_files.end() ? path : found->second.m_path, bytes);
        return EFileError::None;
    }

    EFileError RemoveFile(const std::u16string& path) override
    {
        m_log.push_back(u"remove " + path);
        if (m_removeError != EFileError::None)
            return m_removeError;
        if (IsReadOnly(path))
            return EFileError::AccessDenied;
        return m_files.erase(FoldCase(path)) != 0 ? EFileError::None : EFileError::NotFound;
    }

    EFileError CreateFolders(const std::u16string& folder) override
    {
        return IsReadOnly(folder) ? EFileError::AccessDenied : EFileError::None;
    }

private:
    bool IsReadOnly(const std::u16string& path) const
    {
        return !m_readOnlyFolder.empty() && FoldCase(path).compare(0, m_readOnlyFolder.size(), m_readOnlyFolder) == 0;
    }

    struct CFile {
        std::u16string m_path;
        std::vector<uint8_t> m_bytes;
    };

    std::map<std::u16string, CFile> m_files;  // by folded path
    std::u16string m_executablePath;
    std::u16string m_userDataFolder = u"C:\\Users\\User\\AppData\\Roaming";
    std::u16string m_readOnlyFolder;
    std::u16string m_unreadable;
    EFileError m_writeError = EFileError::None;
    EFileError m_removeError = EFileError::None;
    std::vector<std::u16string> m_log;
};
