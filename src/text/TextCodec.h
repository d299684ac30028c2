#pragma once
// Text encodings and letter case: UTF-8, UTF-16 in either byte order, the 8-bit Windows code
// pages, and case folding as Windows ignores case in names.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

bool IsHighSurrogate(char16_t unit);
bool IsLowSurrogate(char16_t unit);

// Malformed sequences (overlong, surrogates, beyond U+10FFFF, cut short) become U+FFFD one
// byte at a time, so decoding always moves on.
std::u16string DecodeUtf8(const uint8_t* data, size_t size);
// Appends the text as UTF-8; half a surrogate pair, which no code point matches, becomes U+FFFD.
void AppendUtf8(std::vector<uint8_t>& bytes, std::u16string_view text);

// A trailing odd byte is not a code unit and is dropped.
std::u16string DecodeUtf16(const uint8_t* data, size_t size, bool bigEndian);

// An 8-bit code page: its bytes to UTF-16 and back. The system's code page is one of these, so
// whoever reads 8-bit text takes the code page to read it in.
class ICodePage {
public:
    virtual ~ICodePage() = default;
    virtual std::u16string Decode(const uint8_t* data, size_t size) const = 0;
    // Appends the text's bytes; false, having appended part of them, when the code page has no
    // byte for some code unit.
    virtual bool Encode(std::u16string_view text, std::vector<uint8_t>& bytes) const = 0;
};

// Windows-1252, the code page of western Windows systems; the five bytes it leaves undefined
// stand for the code units of the same value both ways, as Windows converts them.
const ICodePage& Windows1252();

// Text that starts with a byte-order mark in the encoding the mark names (UTF-16LE, UTF-16BE,
// UTF-8), the mark left out. Without a mark, text that is valid UTF-8 is read as UTF-8 (what
// editors save today) and anything else as 8-bit text in the code page; ASCII reads the same
// either way.
std::u16string DecodeText(const uint8_t* data, size_t size, const ICodePage& codePage);

// Whether the bytes are well-formed UTF-8 throughout: no overlong forms, surrogates, code
// points beyond U+10FFFF or sequences cut short.
bool IsValidUtf8(const uint8_t* data, size_t size);

// Letter case as Windows ignores it in names: ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic letters fold to small letters; everything else stays as it is.
char16_t FoldCase(char16_t unit);
std::u16string FoldCase(std::u16string_view text);
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);
