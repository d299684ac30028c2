#include "platform/Trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Native builds have no debugger output: standard error, only when asked for.
void TraceLine(const std::string& line)
{
    const char* wanted = std::getenv("QUILLANT_TRACE");
    if (wanted == nullptr || std::strcmp(wanted, "1") != 0)
        return;
    std::fprintf(stderr, "Quillant: %s\n", line.c_str());
}
