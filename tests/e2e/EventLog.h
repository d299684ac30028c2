#pragma once
// The log of the Wine tests' window programs: one line per event, written straight to the file
// (no buffering), so a reader never sees half a line:
//   <ns> <hwnd> <event> <fields...>
// <ns> is QueryPerformanceCounter in nanoseconds (Wine reads CLOCK_MONOTONIC_RAW), <hwnd> a
// window as the 32-bit id the server uses.
#include <windows.h>

#include <cstdio>
#include <string>

// Owns the log file; each line goes out in one WriteFile, so it is complete on disk at once.
class Log {
public:
    Log() = default;
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;
    ~Log()
    {
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
    }

    bool Open(const std::wstring& path)
    {
        m_file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        QueryPerformanceFrequency(&m_frequency);
        return m_file != INVALID_HANDLE_VALUE;
    }

    void Write(HWND hwnd, const char* event)
    {
        // Stamped first: the time of the message, not of the formatting.
        const unsigned long long ns = Now();
        char line[512];
        int length = snprintf(line, sizeof line, "%llu 0x%08lx %s\n", ns,
                              static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(hwnd) & 0xFFFFFFFFu), event);
        if (length <= 0 || m_file == INVALID_HANDLE_VALUE)
            return;
        if (length >= static_cast<int>(sizeof line))
            length = sizeof line - 1;
        DWORD written = 0;
        WriteFile(m_file, line, static_cast<DWORD>(length), &written, nullptr);
    }

private:
    unsigned long long Now() const
    {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        const unsigned long long ticks = static_cast<unsigned long long>(counter.QuadPart);
        const unsigned long long frequency = static_cast<unsigned long long>(m_frequency.QuadPart);
        // Split so that the multiplication cannot overflow for any uptime.
        return ticks / frequency * 1000000000ull + ticks % frequency * 1000000000ull / frequency;
    }

    HANDLE m_file = INVALID_HANDLE_VALUE;
    LARGE_INTEGER m_frequency = {};
};
