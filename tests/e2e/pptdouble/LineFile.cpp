#include "LineFile.h"

namespace ppt {

LineFile::~LineFile()
{
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
}

bool LineFile::Open(const std::wstring& path)
{
    m_file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_file != INVALID_HANDLE_VALUE;
}

void LineFile::Write(const std::string& line)
{
    if (m_file == INVALID_HANDLE_VALUE)
        return;
    const std::string out = line + "\n";
    DWORD written = 0;
    WriteFile(m_file, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
}

unsigned long long NowNs()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    const unsigned long long ticks = static_cast<unsigned long long>(counter.QuadPart);
    const unsigned long long hz = static_cast<unsigned long long>(frequency.QuadPart);
    // Split so that the multiplication cannot overflow for any uptime.
    return ticks / hz * 1000000000ull + ticks % hz * 1000000000ull / hz;
}

}  // namespace ppt
