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

void CRCMsg::WriteHeader(uint8_t type, uint16_t length)
{
    if (m_bytes.size() < RC_HEADER_SIZE)
        return;
    m_bytes[0] = type;
    m_bytes[1] = static_cast<uint8_t>(length);
    m_bytes[2] = static_cast<uint8_t>(length >> 8);
}

void CRCMsg::ReadHeader()
{
    CByteReader reader(m_bytes.data(), m_bytes.size());
    if (reader.U8() == m_type && !m_bytes.empty())
        m_length = reader.U16();
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
    m_bytes.assign(RC_HEADER_SIZE, 0);
    m_bytes.reserve(RC_HEADER_SIZE + bodyLength);
    WriteHeader(m_type, m_length);
    return CByteWriter(m_bytes);
}

bool CRCMsg::StartDecode()
{
    if (m_bytes.empty())
        return false;
    ReadHeader();
    return true;
}
