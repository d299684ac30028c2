#pragma once
#include <string>

// One line of the diagnostic trace (UTF-8). On Windows it goes to the debugger output, where a
// debug viewer shows it; with QUILLANT_TRACE=1 in the environment also to standard error.
// Nothing is kept: the program writes no log file.
void TraceLine(const std::string& line);
