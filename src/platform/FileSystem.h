#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/TextCodec.h"

// The files this program reads: its profile files, the folders they live in (beside the
// executable and in the user's own application data) and the code page of 8-bit text files.
// Paths are Windows paths with backslashes. The Win32 file system implements
// it on Windows; tests use an in-memory one.
class IFileSystem {
public:
    // Profile files are a few kilobytes. Anything larger than this is not a profile and is not
    // read at all, so a stray huge file cannot exhaust memory.
    static constexpr size_t kMaxReadBytes = 1024 * 1024;

    virtual ~IFileSystem() = default;

    // Replaces `bytes` with the whole content of the file. False, with `bytes` empty, when the
    // file cannot be opened or read or is larger than kMaxReadBytes.
    virtual bool ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) = 0;

    // The full paths of the files in `folder` (which ends with a backslash) whose names match
    // the wildcard `pattern` ("*.ini"), in the order the system lists them. Folders are not
    // listed. Empty when the folder is missing or unreadable.
    virtual std::vector<std::u16string> FindFiles(const std::u16string& folder, const std::u16string& pattern) = 0;

    // The full path of the running executable.
    virtual std::u16string GetExecutablePath() = 0;

    // The current user's roaming application-data folder, without a trailing backslash; empty
    // when the system names none.
    virtual std::u16string GetUserDataFolder() = 0;

    // The code page 8-bit text files are read in: the system's ANSI code page on Windows.
    virtual const ICodePage& GetTextCodePage() { return Windows1252(); }
};
