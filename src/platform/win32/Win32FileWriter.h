#pragma once
#include "platform/FileWriter.h"

// Writes and removes the profile files through the Win32 file functions.
class CWin32FileWriter : public IFileWriter {
public:
    bool Exists(const std::u16string& path) override;
    EFileError WriteFileAtomically(const std::u16string& path, const std::vector<uint8_t>& bytes) override;
    EFileError CreateFolders(const std::u16string& folder) override;
    EFileError RemoveFile(const std::u16string& path) override;
};
