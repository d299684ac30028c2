#include "platform/win32/Win32FileSystem.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/WideText.h"

namespace {

// Owns a handle of FindFirstFileW, which is closed by FindClose, not CloseHandle.
class CFindHandle {
public:
    explicit CFindHandle(HANDLE handle) : m_handle(handle) {}
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;
    ~CFindHandle()
    {
        if (IsValid())
            ::FindClose(m_handle);
    }

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

// The longest path Windows hands out through its wide functions.
constexpr DWORD kMaxPathChars = 32768;

}  // namespace

bool CWin32FileSystem::ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    // Others may keep the file open for writing (an editor); reading it is still fine.
    CUniqueHandle file(::CreateFileW(as_wcstr(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > kMaxReadBytes)
        return false;

    // One byte more than the size, so that a file growing while it is read is noticed; it is
    // read on until its end or until it passes the cap.
    std::vector<uint8_t> data(static_cast<size_t>(size.QuadPart) + 1);
    size_t total = 0;
    for (;;) {
        if (total == data.size()) {
            if (data.size() > kMaxReadBytes)
                return false;
            data.resize(std::min(data.size() * 2, kMaxReadBytes + 1));
        }
        DWORD chunk = 0;
        if (!::ReadFile(file.Get(), data.data() + total, static_cast<DWORD>(data.size() - total), &chunk, nullptr))
            return false;
        if (chunk == 0)
            break;
        total += chunk;
    }
    data.resize(total);
    bytes.swap(data);
    return true;
}

std::vector<std::u16string> CWin32FileSystem::FindFiles(const std::u16string& folder, const std::u16string& pattern)
{
    std::vector<std::u16string> paths;
    WIN32_FIND_DATAW entry{};
    CFindHandle find(::FindFirstFileW(as_wcstr(folder + pattern), &entry));
    if (!find.IsValid())
        return paths;
    do {
        // A folder that happens to be called "x.ini" is not a profile.
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            paths.push_back(folder + as_u16(entry.cFileName));
    } while (::FindNextFileW(find.Get(), &entry));
    return paths;
}

std::u16string CWin32FileSystem::GetExecutablePath()
{
    // The path is read whole, however deep the program is installed: a cut path would name
    // some other folder.
    std::u16string path(MAX_PATH, u'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, as_writable_wcstr(path), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::u16string();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= kMaxPathChars)
            return std::u16string();
        path.resize(std::min<size_t>(path.size() * 2, kMaxPathChars));
    }
}

std::u16string CWin32FileSystem::GetUserDataFolder()
{
    PWSTR folder = nullptr;
    std::u16string path;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &folder)) && folder)
        path = as_u16(folder);
    // Freed also when the call fails, as the system asks.
    ::CoTaskMemFree(folder);
    return path;
}

const ICodePage& CWin32FileSystem::GetTextCodePage()
{
    return SystemAnsiCodePage();
}
