#include "protocol/KeyEventMessage.h"

CRCMsgKeyEvent::CRCMsgKeyEvent(uint8_t kind, uint16_t keyCode)
    : CRCMsg(RC_MSG_KEY_EVENT), m_kind(kind), m_keyCode(keyCode)
{
}

CRCMsgKeyEvent::CRCMsgKeyEvent(const uint8_t* frame, size_t size)
    : CRCMsg(RC_MSG_KEY_EVENT, frame, size), m_kind(0), m_keyCode(0)
{
    CRCMsgKeyEvent::Decode();
}

const std::vector<uint8_t>& CRCMsgKeyEvent::Encode()
{
    CByteWriter writer = StartBody(3);
    writer.U8(m_kind);
    writer.U16(m_keyCode);
    return m_bytes;
}

void CRCMsgKeyEvent::Decode()
{
    if (!StartDecode())
        return;
    CByteReader reader = BodyReader();
    m_kind = reader.U8();
    m_keyCode = reader.U16();
}
