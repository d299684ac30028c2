#pragma once
#include <cstdint>
#include <string>

#include "protocol/RCMsg.h"

// Type 1, both directions: the sender's protocol version.
class CRCMsgConnect : public CRCMsg {
public:
    explicit CRCMsgConnect(std::u16string version = {});
    CRCMsgConnect(const uint8_t* frame, size_t size);

    const std::vector<uint8_t>& Encode() override;
    void Decode() override;

    std::u16string GetVersion() const { return m_version; }

private:
    std::u16string m_version;
};

// Type 2, both directions: why the connection ends.
class CRCMsgDisconnect : public CRCMsg {
public:
    explicit CRCMsgDisconnect(uint8_t reason = 0);
    CRCMsgDisconnect(const uint8_t* frame, size_t size);

    const std::vector<uint8_t>& Encode() override;
    void Decode() override;

    uint8_t GetReason() const { return m_reason; }

private:
    uint8_t m_reason;
};

// Type 3: the phone's request for an application, or the server's confirmation (id 0 when
// nothing was selected).
class CRCMsgApplicationSelect : public CRCMsg {
public:
    explicit CRCMsgApplicationSelect(uint32_t appId = 0, std::u16string name = {});
    CRCMsgApplicationSelect(const uint8_t* frame, size_t size);

    const std::vector<uint8_t>& Encode() override;
    void Decode() override;

    uint32_t GetAppId() const { return m_appId; }
    const std::u16string& GetAppName() const { return m_name; }

private:
    uint32_t m_appId;
    std::u16string m_name;
};
