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
    return m_code == kCallRejected || m_code == kRetryLater;
}
