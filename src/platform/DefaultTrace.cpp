#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Trace.h"

// Builds without Windows (tests, fuzzers, benchmarks) have no debugger output: standard error,
// when asked for.
void TraceLine(const std::string& line)
{
    const char* wanted = std::getenv("QUILLANT_TRACE");
    if (wanted != nullptr && std::strcmp(wanted, "1") == 0)
        std::fprintf(stderr, "Quillant: %s\n", line.c_str());
}
