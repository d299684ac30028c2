#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "text/LittleEndian.h"

// Message type codes.
constexpr uint8_t RC_MSG_CONNECT = 1;
constexpr uint8_t RC_MSG_DISCONNECT = 2;
constexpr uint8_t RC_MSG_APP_SELECT = 3;
constexpr uint8_t RC_MSG_APP_LIST_REQUEST = 4;
constexpr uint8_t RC_MSG_APP_LIST = 5;
constexpr uint8_t RC_MSG_SYNC = 6;
constexpr uint8_t RC_MSG_KEY_EVENT = 16;
constexpr uint8_t RC_MSG_APP_DATA = 18;
constexpr uint8_t RC_MSG_UI_BUTTON = 19;
constexpr uint8_t RC_MSG_UI_EDITBOX = 20;
constexpr uint8_t RC_MSG_UI_LISTBOX = 21;
constexpr uint8_t RC_MSG_UI_RADIOBUTTON = 22;
constexpr uint8_t RC_MSG_UI_CHECKBOX = 23;

// Header: type (1 byte), body length (2 bytes, little-endian).
constexpr size_t RC_HEADER_SIZE = 3;
// The send count is 16 bits wide, header included.
constexpr size_t RC_MAX_MESSAGE_SIZE = 65535;

// A protocol message: a header and a type-specific body. Encode rebuilds the bytes from the
// fields; a received message is built from its complete frame and decoded at once.
class CRCMsg {
public:
    explicit CRCMsg(uint8_t type) : m_type(type) {}
    virtual ~CRCMsg() = default;
    CRCMsg(const CRCMsg&) = default;
    CRCMsg& operator=(const CRCMsg&) = default;

    virtual const std::vector<uint8_t>& Encode();
    virtual void Decode() {}

    // Count is 16 bits wide; check GetEncodedSize against RC_MAX_MESSAGE_SIZE before sending.
    const uint8_t* GetBytes(uint16_t& size) const;
    size_t GetEncodedSize() const { return m_bytes.size(); }
    uint8_t GetType() const { return m_type; }
    uint16_t GetLength() const { return m_length; }

protected:
    // A received frame, header included; the subclass decodes it.
    CRCMsg(uint8_t type, const uint8_t* frame, size_t size);

    // Starts an encoding: header written, body to be appended by the returned writer.
    CByteWriter StartBody(size_t bodyLength);
    // False when there is nothing to decode; otherwise the header has been read.
    bool StartDecode();
    // Reads the received frame from offset 3, never past its end.
    CByteReader BodyReader() const { return CByteReader(m_bytes.data(), m_bytes.size(), RC_HEADER_SIZE); }
    // The length rules of short bodies can come out negative: nothing to read then.
    static size_t CountOrZero(int32_t count) { return count > 0 ? static_cast<size_t>(count) : 0; }

    uint8_t m_type;
    uint16_t m_length = 0;
    std::vector<uint8_t> m_bytes;
};
