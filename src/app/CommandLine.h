#pragma once
#include <string>

// True when the command line, trailing white space removed, ends with "/NOSPLASH" in any case.
bool EndsWithNoSplash(const std::u16string& commandLine);
