#pragma once
#include <cstdint>

#include "protocol/RCMsg.h"

constexpr uint8_t RC_KEY_PRESSED = 0;
constexpr uint8_t RC_KEY_RELEASED = 1;

// Type 16, phone to server: a phone key went down (kind 0) or up (kind 1).
class CRCMsgKeyEvent : public CRCMsg {
public:
    explicit CRCMsgKeyEvent(uint8_t kind = 0, uint16_t keyCode = 0);
    CRCMsgKeyEvent(const uint8_t* frame, size_t size);

    const std::vector<uint8_t>& Encode() override;
    void Decode() override;

    uint8_t GetKind() const { return m_kind; }
    uint16_t GetKeyCode() const { return m_keyCode; }

private:
    uint8_t m_kind;
    uint16_t m_keyCode;
};
