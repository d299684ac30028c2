#include "presentation/Automation.h"

#include <cstdio>

namespace {

std::string Message(uint32_t code)
{
    char text[48];
    std::snprintf(text, sizeof text, "automation call failed (0x%08X)", static_cast<unsigned>(code));
    return text;
}

}  // namespace

CAutomationFailure::CAutomationFailure(uint32_t code, std::u16string description)
    : std::runtime_error(Message(code)), m_code(code), m_description(std::move(description))
{
}

bool CAutomationFailure::IsBusyRefusal() const
{
    constexpr uint32_t kCallRejected = 0x80010001u;  // RPC_E_CALL_REJECTED
    constexpr uint32_t kRetryLater = 0x8001010Au;    // RPC_E_SERVERCALL_RETRYLATER
    constexpr uint32_t kCancelled = 0x80010002u;     // RPC_E_CALL_CANCELED: the message filter gave up waiting
    return m_code == kCallRejected || m_code == kRetryLater || m_code == kCancelled;
}

bool CAutomationFailure::IsServerGone() const
{
    switch (m_code) {
    case 0x80010108u:  // RPC_E_DISCONNECTED
    case 0x800706BAu:  // RPC_S_SERVER_UNAVAILABLE as an HRESULT
    case 0x80010007u:  // RPC_E_SERVER_DIED
    case 0x80010012u:  // RPC_E_SERVER_DIED_DNE
    case 0x800401FDu:  // CO_E_OBJNOTCONNECTED
        return true;
    default:
        return false;
    }
}
