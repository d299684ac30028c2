// An append-only text file that other processes read while it grows: every
// line goes out in one write, so a reader never sees half of one.
#pragma once

#include <windows.h>

#include <string>

namespace ppt {

class LineFile {
public:
    LineFile() = default;
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;
    ~LineFile();

    bool Open(const std::wstring& path);
    void Write(const std::string& line);  // adds the line feed

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
};

// Nanoseconds of QueryPerformanceCounter, which Wine reads from CLOCK_MONOTONIC_RAW.
unsigned long long NowNs();

}  // namespace ppt
