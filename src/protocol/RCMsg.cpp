#include "protocol/RCMsg.h"

CRCMsg::CRCMsg(uint8_t type, const uint8_t* frame, size_t size)
    : m_type(type)
{
    if (size != 0)
        m_bytes.assign(frame, frame + size);
}

const std::vector<uint8_t>& CRCMsg::Encode()
{
    StartBody(0);
    return m_bytes;
}

const uint8_t* CRCMsg::GetBytes(uint16_t& size) const
{
    size = static_cast<uint16_t>(m_bytes.size());
    return m_bytes.data();
}

CByteWriter CRCMsg::StartBody(size_t bodyLength)
{
    // An oversized body wraps in the length field; the link refuses to send such a message.
    m_length = static_cast<uint16_t>(bodyLength);
    m_bytes.clear();
    m_bytes.reserve(RC_HEADER_SIZE + bodyLength);
    CByteWriter writer(m_bytes);
    writer.U8(m_type);
    writer.U16(m_length);
    return writer;
}

bool CRCMsg::StartDecode()
{
    if (m_bytes.empty())
        return false;
    // The body length is taken only when the type byte is this message's type.
    CByteReader reader(m_bytes.data(), m_bytes.size());
    if (reader.U8() == m_type)
        m_length = reader.U16();
    return true;
}
