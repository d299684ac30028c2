#include "platform/win32/Win32ProcessLists.h"

#include <array>
#include <cstddef>
#include <cwchar>
#include <new>
#include <utility>
#include <vector>

#include "platform/win32/ProcessApi.h"
#include "platform/win32/WideText.h"
#include "process/PerfCounterNames.h"
#include "process/PerfDataWalker.h"

namespace {

constexpr DWORD kProcessQueryAndRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x410
static_assert(kProcessQueryAndRead == 0x410, "query-information and read-memory access");
// The entry is 556 bytes in 32-bit builds and 568 in 64-bit ones, where the pointer-sized heap
// id moves the later fields; the size field must be the build's own or the calls fail.
#ifdef _WIN64
static_assert(sizeof(PROCESSENTRY32W) == 568 && offsetof(PROCESSENTRY32W, szExeFile) == 44, "64-bit tool-help entry");
#else
static_assert(sizeof(PROCESSENTRY32W) == 556 && offsetof(PROCESSENTRY32W, szExeFile) == 36, "32-bit tool-help entry");
#endif

constexpr size_t kMaxProcessIds = 10000;
// An executable path fits the first buffer unless it uses the long-path form, which the second
// always holds.
constexpr DWORD kImagePathChars = 1024;
constexpr DWORD kLongImagePathChars = 32768;
constexpr size_t kMaxModules = 2000;
constexpr DWORD kModuleNameChars = 260;

const wchar_t kCounterNamesKey[] = L"software\\microsoft\\windows nt\\currentversion\\perflib\\009";
constexpr DWORD kPerfDataInitialSize = 51200;
constexpr DWORD kPerfDataGrowth = 25600;
// The process object of a busy machine takes a few hundred kilobytes; a source that keeps
// asking for more past this is not answering sensibly.
constexpr DWORD kPerfDataMaxSize = 64 * 1024 * 1024;
// "Counters" may change between the size query and the read.
constexpr int kCounterNamesAttempts = 4;

CUniqueHandle OpenForQuery(DWORD pid)
{
    if (pid == 0)
        return CUniqueHandle();
    return CUniqueHandle(::OpenProcess(kProcessQueryAndRead, FALSE, pid));
}

std::u16string MainModulePath(HANDLE process)
{
    if (process == nullptr || !g_processApi.m_processStatusAvailable)
        return std::u16string();
    std::vector<HMODULE> modules(kMaxModules);
    DWORD needed = 0;
    if (!g_processApi.m_enumProcessModules(process, modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                                           &needed) ||
        needed < sizeof(HMODULE))
        return std::u16string();
    std::array<wchar_t, kModuleNameChars> name{};
    const DWORD length = g_processApi.m_getModuleFileNameEx(process, modules[0], name.data(), kModuleNameChars);
    return as_u16(name.data(), length < kModuleNameChars ? length : wcsnlen(name.data(), kModuleNameChars));
}

class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey()
    {
        if (m_key != nullptr)
            ::RegCloseKey(m_key);
    }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    HKEY* Receive() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Lets the system release what it holds for performance-data queries once this one is done.
class CPerformanceDataScope {
public:
    CPerformanceDataScope() = default;
    ~CPerformanceDataScope() { ::RegCloseKey(HKEY_PERFORMANCE_DATA); }
    CPerformanceDataScope(const CPerformanceDataScope&) = delete;
    CPerformanceDataScope& operator=(const CPerformanceDataScope&) = delete;
};

bool ReadCounterNames(std::vector<uint8_t>& data)
{
    CRegistryKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCounterNamesKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return false;
    for (int attempt = 0; attempt < kCounterNamesAttempts; ++attempt) {
        DWORD size = 0;
        if (::RegQueryValueExW(key.Get(), L"Counters", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return false;
        data.assign(size, 0);
        const LONG result = ::RegQueryValueExW(key.Get(), L"Counters", nullptr, nullptr, data.data(), &size);
        if (result == ERROR_SUCCESS) {
            data.resize(size < data.size() ? size : data.size());
            return true;
        }
        if (result != ERROR_MORE_DATA)
            return false;
    }
    return false;
}

bool ReadPerformanceData(const std::u16string& objectIndex, std::vector<uint8_t>& data)
{
    CPerformanceDataScope scope;
    for (DWORD capacity = kPerfDataInitialSize; capacity <= kPerfDataMaxSize; capacity += kPerfDataGrowth) {
        data.assign(capacity, 0);
        DWORD size = capacity;
        const LONG result =
            ::RegQueryValueExW(HKEY_PERFORMANCE_DATA, as_wcstr(objectIndex), nullptr, nullptr, data.data(), &size);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS || size == 0 || size > capacity)
            return false;
        data.resize(size);
        return true;
    }
    return false;
}

}  // namespace

CProcessNTPS::CProcessNTPS(DWORD pid) : CProcessNTPS(pid, OpenForQuery(pid)) {}

CProcessNTPS::CProcessNTPS(DWORD pid, CUniqueHandle process)
    : CProcess(pid, MainModulePath(process.Get())), m_hProcess(std::move(process))
{
}

bool CProcessListNTPS::Refresh()
{
    CProcessList::Refresh();
    if (!g_processApi.m_processStatusAvailable)
        return false;
    std::vector<DWORD> ids(kMaxProcessIds);
    DWORD bytes = 0;
    if (!g_processApi.m_enumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes))
        return false;
    const size_t count = bytes / sizeof(DWORD) < ids.size() ? bytes / sizeof(DWORD) : ids.size();
    for (size_t i = 0; i < count; ++i)
        Append(std::make_unique<CProcessNTPS>(ids[i]));
    return true;
}

bool CProcessList98::Refresh()
{
    CProcessList::Refresh();
    if (!g_processApi.m_toolHelpAvailable)
        return false;
    CUniqueHandle snapshot(g_processApi.m_createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL found = g_processApi.m_process32First(snapshot.Get(), &entry); found;
         found = g_processApi.m_process32Next(snapshot.Get(), &entry)) {
        const size_t length = wcsnlen(entry.szExeFile, MAX_PATH);
        Append(std::make_unique<CProcess98>(entry.th32ProcessID, as_u16(entry.szExeFile, length)));
    }
    return true;
}

bool CProcessListNT::Refresh()
{
    CProcessList::Refresh();
    std::vector<uint8_t> counterNames;
    if (!ReadCounterNames(counterNames))
        return false;
    const CPerfCounterNames names = CPerfCounterNames::Parse(counterNames.data(), counterNames.size());
    if (!names.HasProcessObject() || !names.HasIdProcessCounter())
        return false;

    std::vector<uint8_t> data;
    if (!ReadPerformanceData(names.GetProcessObjectIndex(), data))
        return false;
    std::vector<CPerfProcessEntry> entries;
    const bool complete = CPerfDataWalker::Walk(data.data(), data.size(), names.GetIdProcessCounter(), entries);
    for (CPerfProcessEntry& entry : entries)
        Append(std::make_unique<CProcessNT>(entry.m_pid, std::move(entry.m_exeName)));
    return complete;
}

std::unique_ptr<CProcessList> CreateProcessList()
{
    try {
        if (g_processApi.m_processStatusAvailable)
            return std::make_unique<CProcessListNTPS>();
        if (g_processApi.m_toolHelpAvailable)
            return std::make_unique<CProcessList98>();
        return std::make_unique<CProcessListNT>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool CWin32ProcessListFactory::ReadExecutablePath(uint32_t pid, std::u16string& path)
{
    path.clear();
    if (pid == 0 || g_processApi.m_queryFullProcessImageName == nullptr)
        return false;
    const CUniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process)
        return false;
    for (const DWORD capacity : {kImagePathChars, kLongImagePathChars}) {
        std::vector<wchar_t> name(capacity);
        DWORD length = capacity;
        if (g_processApi.m_queryFullProcessImageName(process.Get(), 0, name.data(), &length)) {
            // The length excludes the terminator; a text the system says fills more than the
            // buffer is not trusted.
            if (length == 0 || length >= capacity)
                return false;
            path = as_u16(name.data(), length);
            return true;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
    }
    return false;
}

std::unique_ptr<CProcessList> CWin32ProcessListFactory::CreateProcessList()
{
    return ::CreateProcessList();
}
