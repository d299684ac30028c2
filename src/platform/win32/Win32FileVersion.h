#pragma once
#include <cstdint>
#include <string>

// The product version of a file's version resource, as its two 32-bit halves. False when the
// file cannot be read or carries no valid fixed version block.
bool ReadProductVersion(const std::u16string& path, uint32_t& productVersionMS, uint32_t& productVersionLS);
