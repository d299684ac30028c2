#include "protocol/ConnectionMessages.h"

#include <utility>

CRCMsgConnect::CRCMsgConnect(std::u16string version)
    : CRCMsg(RC_MSG_CONNECT), m_version(std::move(version))
{
}

CRCMsgConnect::CRCMsgConnect(const uint8_t* frame, size_t size)
    : CRCMsg(RC_MSG_CONNECT, frame, size)
{
    CRCMsgConnect::Decode();
}

const std::vector<uint8_t>& CRCMsgConnect::Encode()
{
    CByteWriter writer = StartBody(2 * m_version.size() + 2);
    writer.Utf16z(m_version);
    return m_bytes;
}

void CRCMsgConnect::Decode()
{
    if (!StartDecode())
        return;
    m_version = BodyReader().Utf16(CountOrZero(m_length / 2 - 1));
}

CRCMsgDisconnect::CRCMsgDisconnect(uint8_t reason)
    : CRCMsg(RC_MSG_DISCONNECT), m_reason(reason)
{
}

CRCMsgDisconnect::CRCMsgDisconnect(const uint8_t* frame, size_t size)
    : CRCMsg(RC_MSG_DISCONNECT, frame, size), m_reason(0)
{
    CRCMsgDisconnect::Decode();
}

const std::vector<uint8_t>& CRCMsgDisconnect::Encode()
{
    StartBody(1).U8(m_reason);
    return m_bytes;
}

void CRCMsgDisconnect::Decode()
{
    if (!StartDecode())
        return;
    m_reason = BodyReader().U8();
}

CRCMsgApplicationSelect::CRCMsgApplicationSelect(uint32_t appId, std::u16string name)
    : CRCMsg(RC_MSG_APP_SELECT), m_appId(appId), m_name(std::move(name))
{
}

CRCMsgApplicationSelect::CRCMsgApplicationSelect(const uint8_t* frame, size_t size)
    : CRCMsg(RC_MSG_APP_SELECT, frame, size), m_appId(0)
{
    CRCMsgApplicationSelect::Decode();
}

const std::vector<uint8_t>& CRCMsgApplicationSelect::Encode()
{
    CByteWriter writer = StartBody(2 * m_name.size() + 6);
    writer.U32(m_appId);
    writer.Utf16z(m_name);
    return m_bytes;
}

void CRCMsgApplicationSelect::Decode()
{
    if (!StartDecode())
        return;
    CByteReader reader = BodyReader();
    m_appId = reader.U32();
    m_name = reader.Utf16(CountOrZero((m_length - 4) / 2 - 1));
}
