#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Why a file operation failed, in the classes the user is told about.
enum class EFileError {
    None,
    NotFound,          // the file is missing
    BadPath,           // the path or the name in it is not valid (also a missing folder)
    TooManyOpenFiles,
    AccessDenied,      // also a read-only file or a folder in the file's place
    SharingViolation,
    LockViolation,
    HardwareIo,        // a device or disk error, a full disk
    Unknown,           // any other cause
};

// Writing and deleting the profile files, beside IFileSystem's reading. Paths are Windows
// paths with backslashes. The Win32 file system implements it on Windows; tests use an
// in-memory one.
class IFileWriter {
public:
    virtual ~IFileWriter() = default;

    // Whether anything, a file or a folder, is at the path; names compare as the system
    // compares them (without regard to case on Windows).
    virtual bool Exists(const std::u16string& path) = 0;

    // Replaces the file's whole content, creating it when missing. The bytes go to a temporary
    // file in the same folder first, which then takes the target's place in one step, so the
    // target holds either its old content or the new one, never a part. On failure the
    // temporary file is removed and the target is as it was.
    virtual EFileError WriteFileAtomically(const std::u16string& path, const std::vector<uint8_t>& bytes) = 0;

    // Creates the folder (which ends with a backslash) and every missing folder above it;
    // None when it is there afterwards, also when it was there before.
    virtual EFileError CreateFolders(const std::u16string& folder) = 0;

    // Removes the file. NotFound when there is none. (Not named DeleteFile: <windows.h> makes
    // that a macro.)
    virtual EFileError RemoveFile(const std::u16string& path) = 0;
};
