#pragma once
#include <cstdint>
#include <vector>

#include "protocol/RCMsg.h"

// Type 18, server to phone: an application's data record, carried unchanged as the payload.
class CRCMsgApplicationData : public CRCMsg {
public:
    CRCMsgApplicationData(uint32_t appId = 0, uint16_t appType = 0, std::vector<uint8_t> payload = {});
    CRCMsgApplicationData(const uint8_t* frame, size_t size);

    const std::vector<uint8_t>& Encode() override;
    void Decode() override;

    uint32_t GetAppId() const { return m_appId; }
    uint16_t GetAppType() const { return m_appType; }
    const std::vector<uint8_t>& GetPayload() const { return m_payload; }

private:
    uint32_t m_appId;
    uint16_t m_appType;
    std::vector<uint8_t> m_payload;
};
