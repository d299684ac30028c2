#include "platform/win32/Win32FileWriter.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <utility>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace {

// What the user is told for each system error code; every code not listed is Unknown.
struct CErrorClass {
    DWORD m_code;
    EFileError m_error;
};
constexpr CErrorClass kErrorClasses[] = {
    {ERROR_FILE_NOT_FOUND, EFileError::NotFound},
    {ERROR_PATH_NOT_FOUND, EFileError::BadPath},
    {ERROR_INVALID_NAME, EFileError::BadPath},
    {ERROR_BAD_PATHNAME, EFileError::BadPath},
    {ERROR_DIRECTORY, EFileError::BadPath},
    {ERROR_FILENAME_EXCED_RANGE, EFileError::BadPath},
    {ERROR_INVALID_DRIVE, EFileError::BadPath},
    {ERROR_TOO_MANY_OPEN_FILES, EFileError::TooManyOpenFiles},
    {ERROR_ACCESS_DENIED, EFileError::AccessDenied},
    {ERROR_WRITE_PROTECT, EFileError::AccessDenied},
    {ERROR_SHARING_VIOLATION, EFileError::SharingViolation},
    {ERROR_LOCK_VIOLATION, EFileError::LockViolation},
    {ERROR_NOT_READY, EFileError::HardwareIo},
    {ERROR_CRC, EFileError::HardwareIo},
    {ERROR_SEEK, EFileError::HardwareIo},
    {ERROR_SECTOR_NOT_FOUND, EFileError::HardwareIo},
    {ERROR_WRITE_FAULT, EFileError::HardwareIo},
    {ERROR_READ_FAULT, EFileError::HardwareIo},
    {ERROR_GEN_FAILURE, EFileError::HardwareIo},
    {ERROR_IO_DEVICE, EFileError::HardwareIo},
    {ERROR_DEV_NOT_EXIST, EFileError::HardwareIo},
    {ERROR_DISK_FULL, EFileError::HardwareIo},
    {ERROR_HANDLE_DISK_FULL, EFileError::HardwareIo},
};

EFileError ClassifyError(DWORD code)
{
    for (const CErrorClass& entry : kErrorClasses) {
        if (entry.m_code == code)
            return entry.m_error;
    }
    return EFileError::Unknown;
}

EFileError LastError()
{
    return ClassifyError(::GetLastError());
}

// Deletes the temporary file unless it has been moved into the target's place.
class CTemporaryFile {
public:
    explicit CTemporaryFile(std::u16string path) : m_path(std::move(path)) {}
    CTemporaryFile(const CTemporaryFile&) = delete;
    CTemporaryFile& operator=(const CTemporaryFile&) = delete;
    ~CTemporaryFile()
    {
        if (!m_kept)
            ::DeleteFileW(as_wcstr(m_path));
    }

    const std::u16string& Path() const { return m_path; }
    void Keep() { m_kept = true; }

private:
    std::u16string m_path;
    bool m_kept = false;
};

// A name beside the target that no other writer uses: the process id tells processes apart,
// the counter the writes of one process. A stale file of the same name is skipped over.
constexpr int kNameAttempts = 16;

std::u16string TemporaryName(const std::u16string& target)
{
    static std::atomic<unsigned> counter{0};
    const std::string suffix =
        "." + std::to_string(::GetCurrentProcessId()) + "." + std::to_string(counter.fetch_add(1)) + ".tmp";
    return target + std::u16string(suffix.begin(), suffix.end());
}

EFileError WriteAll(HANDLE file, const std::vector<uint8_t>& bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        const size_t left = bytes.size() - written;
        const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
        DWORD done = 0;
        if (!::WriteFile(file, bytes.data() + written, chunk, &done, nullptr))
            return LastError();
        if (done == 0)
            return EFileError::HardwareIo;
        written += done;
    }
    return EFileError::None;
}

}  // namespace

bool CWin32FileWriter::Exists(const std::u16string& path)
{
    return ::GetFileAttributesW(as_wcstr(path)) != INVALID_FILE_ATTRIBUTES;
}

EFileError CWin32FileWriter::WriteFileAtomically(const std::u16string& path, const std::vector<uint8_t>& bytes)
{
    CUniqueHandle file;
    std::u16string temporaryPath;
    for (int attempt = 0; attempt < kNameAttempts && !file; ++attempt) {
        temporaryPath = TemporaryName(path);
        file.Reset(::CreateFileW(as_wcstr(temporaryPath), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
        if (!file && ::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (!file)
        return LastError();
    CTemporaryFile temporary(temporaryPath);

    EFileError result = WriteAll(file.Get(), bytes);
    if (result == EFileError::None && !::FlushFileBuffers(file.Get()))
        result = LastError();
    // Closed before the move: an open handle without delete sharing would stop it.
    file.Reset();
    if (result != EFileError::None)
        return result;

    if (!::MoveFileExW(as_wcstr(temporary.Path()), as_wcstr(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return LastError();
    temporary.Keep();
    return EFileError::None;
}

EFileError CWin32FileWriter::CreateFolders(const std::u16string& folder)
{
    // Each folder from the top down; the ones that are there already, and the drive or share
    // at the start that cannot be created, are passed over. Only the whole path decides.
    for (size_t slash = folder.find(u'\\'); slash != std::u16string::npos; slash = folder.find(u'\\', slash + 1)) {
        if (slash == 0 || folder[slash - 1] == u'\\' || folder[slash - 1] == u':')
            continue;
        ::CreateDirectoryW(as_wcstr(folder.substr(0, slash)), nullptr);
    }
    std::u16string whole = folder;
    if (!whole.empty() && whole.back() == u'\\')
        whole.pop_back();
    if (::CreateDirectoryW(as_wcstr(whole), nullptr))
        return EFileError::None;
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = ::GetFileAttributesW(as_wcstr(whole));
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                   ? EFileError::None
                   : EFileError::AccessDenied;
    }
    return ClassifyError(error);
}

EFileError CWin32FileWriter::RemoveFile(const std::u16string& path)
{
    return ::DeleteFileW(as_wcstr(path)) ? EFileError::None : LastError();
}
