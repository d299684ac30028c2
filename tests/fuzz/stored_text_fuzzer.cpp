// Feeds arbitrary bytes to the text decoders and to the stored-list codec, and checks what
// must hold for any input: 8-bit text in Windows-1252 comes back byte for byte, decoded UTF-8
// survives encoding and decoding again, and a list that decodes encodes to one that decodes
// the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/StringListCodec.h"
#include "text/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (DecodeText(data, size, Windows1252()).size() > size)
        __builtin_trap();

    const std::u16string eightBit = Windows1252().Decode(data, size);
    std::vector<uint8_t> encoded;
    if (!Windows1252().Encode(eightBit, encoded) || encoded != std::vector<uint8_t>(data, data + size))
        __builtin_trap();

    const std::u16string utf8 = DecodeUtf8(data, size);
    std::vector<uint8_t> again;
    AppendUtf8(again, utf8);
    if (utf8.size() > size || DecodeUtf8(again.data(), again.size()) != utf8)
        __builtin_trap();

    std::vector<std::u16string> list;
    if (DecodeStringList(data, size, list)) {
        const std::vector<uint8_t> stored = EncodeStringList(list);
        std::vector<std::u16string> reread;
        if (!DecodeStringList(stored.data(), stored.size(), reread) || reread != list)
            __builtin_trap();
    } else if (!list.empty()) {
        __builtin_trap();
    }
    return 0;
}
