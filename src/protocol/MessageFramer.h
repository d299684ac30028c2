#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CRCMsg;
class IMessageSink;

// Cuts the received byte stream into messages. The length field is the only framing, so a
// partial header or message is kept between calls and continued by the next bytes. While the
// server recovers synchronisation the same bytes go through ScanForSync instead, so both see
// one ordered stream.
class CMessageFramer {
public:
    CMessageFramer();

    // Hands every completed message to sink, in order. An unknown type is handed on as a
    // header-only message and the rest of these bytes is dropped. The sink may call Reset.
    void Feed(const uint8_t* data, size_t size, IMessageSink& sink);

    // Looks for 06 00 00, one byte at a time. On finding it, empties the window and the
    // partial message (the stream is aligned again behind it), sets consumed to the bytes
    // examined and returns true; otherwise every byte is examined and discarded.
    bool ScanForSync(const uint8_t* data, size_t size, size_t& consumed);

    // Drops the partial header and message and empties the synchronisation window.
    void Reset();
    bool HasPartialMessage() const { return m_headerCount != 0; }

    static bool IsKnownType(uint8_t type);
    // The message class the type selects, decoded from its complete frame (header included);
    // types 4 and 6 and unknown types become header-only messages.
    static std::unique_ptr<CRCMsg> BuildMessage(uint8_t type, const uint8_t* frame, size_t size);

private:
    static constexpr uint8_t kWindowEmpty = 0xFF;

    void ClearMessage();

    uint8_t m_header[3] = {0, 0, 0};
    size_t m_headerCount = 0;
    std::vector<uint8_t> m_frame;
    size_t m_frameCount = 0;
    uint8_t m_window[3] = {kWindowEmpty, kWindowEmpty, kWindowEmpty};
};
