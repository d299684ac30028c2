#include "protocol/ApplicationListMessage.h"

#include <utility>

CAppListEntry::CAppListEntry(uint32_t appId, uint16_t appType, std::u16string name, bool active)
    : m_appId(appId), m_appType(appType), m_name(std::move(name)), m_active(active)
{
}

void CAppListEntry::Write(CByteWriter& writer) const
{
    writer.U32(m_appId);
    writer.U16(m_appType);
    writer.U8(m_active ? 1 : 0);
    writer.Utf16z(m_name);
}

CRCMsgApplicationList::CRCMsgApplicationList(std::vector<CAppListEntry> entries)
    : CRCMsg(RC_MSG_APP_LIST), m_entries(std::move(entries))
{
}

CRCMsgApplicationList::CRCMsgApplicationList(const uint8_t* frame, size_t size)
    : CRCMsg(RC_MSG_APP_LIST, frame, size)
{
}

const std::vector<uint8_t>& CRCMsgApplicationList::Encode()
{
    // Only whole leading entries go out: at most 255 (a count modulo 256 would announce none
    // of a list of 256), and no more than keep the message within the 16-bit send count, so
    // a very long list still reaches the phone instead of being refused.
    size_t count = 0;
    size_t bodyLength = 1;
    while (count < m_entries.size() && count < kMaxEntries) {
        const size_t next = bodyLength + m_entries[count].GetWireSize();
        if (RC_HEADER_SIZE + next > RC_MAX_MESSAGE_SIZE)
            break;
        bodyLength = next;
        ++count;
    }

    CByteWriter writer = StartBody(bodyLength);
    writer.U8(static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i)
        m_entries[i].Write(writer);
    return m_bytes;
}
