#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/RCMsg.h"

// One application offered to the phone, as the code that keeps the applications fills it in.
class CAppListEntry {
public:
    CAppListEntry() = default;
    CAppListEntry(uint32_t appId, uint16_t appType, std::u16string name, bool active);

    // Wire form: id u32, type u16, active u8, name UTF-16LE with terminator.
    size_t GetWireSize() const { return 2 * m_name.size() + 9; }
    void Write(CByteWriter& writer) const;

    uint32_t m_appId = 0;
    uint16_t m_appType = 0;
    std::u16string m_name;
    bool m_active = false;
};

// Type 5, server to phone: the applications the phone can select. Sent only; a received one
// keeps its bytes undecoded.
class CRCMsgApplicationList : public CRCMsg {
public:
    // The count is one byte, so at most this many entries are sent, the first ones of the list.
    static constexpr size_t kMaxEntries = 255;

    explicit CRCMsgApplicationList(std::vector<CAppListEntry> entries = {});
    CRCMsgApplicationList(const uint8_t* frame, size_t size);

    const std::vector<uint8_t>& Encode() override;

private:
    std::vector<CAppListEntry> m_entries;
};
