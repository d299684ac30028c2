#pragma once
#include "platform/FileSystem.h"

// The file system through the Win32 file functions.
class CWin32FileSystem : public IFileSystem {
public:
    bool ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) override;
    std::vector<std::u16string> FindFiles(const std::u16string& folder, const std::u16string& pattern) override;
    std::u16string GetExecutablePath() override;
    std::u16string GetUserDataFolder() override;
    const ICodePage& GetTextCodePage() override;
};
