#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The binary layout of a stored list of strings (little-endian throughout):
//   count:  2 bytes, or FF FF and 4 bytes when the count is 0xFFFF or more;
//   string: the marker FF FE FF (16-bit text), the length in characters (1 byte below 255,
//           else FF and 2 bytes below 0xFFFE, else FF FF FF and 4 bytes), then the UTF-16LE
//           characters without a terminator.
// An empty list is 00 00.

std::vector<uint8_t> EncodeStringList(const std::vector<std::u16string>& list);

// Decodes at most `size` bytes. On malformed data (truncated, bad marker, lengths or counts
// that the data cannot hold) it returns false and leaves `list` empty. Bytes after the last
// string are ignored.
bool DecodeStringList(const uint8_t* data, size_t size, std::vector<std::u16string>& list);
