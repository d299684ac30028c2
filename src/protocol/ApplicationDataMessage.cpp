#include "protocol/ApplicationDataMessage.h"

#include <utility>

CRCMsgApplicationData::CRCMsgApplicationData(uint32_t appId, uint16_t appType, std::vector<uint8_t> payload)
    : CRCMsg(RC_MSG_APP_DATA), m_appId(appId), m_appType(appType), m_payload(std::move(payload))
{
}

CRCMsgApplicationData::CRCMsgApplicationData(const uint8_t* frame, size_t size)
    : CRCMsg(RC_MSG_APP_DATA, frame, size), m_appId(0), m_appType(0)
{
    CRCMsgApplicationData::Decode();
}

const std::vector<uint8_t>& CRCMsgApplicationData::Encode()
{
    CByteWriter writer = StartBody(m_payload.size() + 6);
    writer.U32(m_appId);
    writer.U16(m_appType);
    writer.Bytes(m_payload.data(), m_payload.size());
    return m_bytes;
}

void CRCMsgApplicationData::Decode()
{
    if (!StartDecode())
        return;
    CByteReader reader = BodyReader();
    m_appId = reader.U32();
    m_appType = reader.U16();
    m_payload = reader.Rest();
}
