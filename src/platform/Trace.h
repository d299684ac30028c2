#pragma once
#include <string>

// Writes one line of diagnostic text (UTF-8, no line break) where a developer can see it: the
// debugger's output on Windows, and standard error when QUILLANT_TRACE is "1". Any thread.
void TraceLine(const std::string& line);
