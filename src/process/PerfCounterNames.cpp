#include "process/PerfCounterNames.h"

#include "text/AsciiText.h"
#include "text/LittleEndian.h"

namespace {

// Only a plain decimal number is an index: anything else means the list is out of step, and
// handing such text to the performance-data query would ask for some other data.
bool ParseIndex(const std::u16string& text, uint32_t& index)
{
    if (text.empty())
        return false;
    uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
        if (value > UINT32_MAX)
            return false;
    }
    index = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

CPerfCounterNames CPerfCounterNames::Parse(const uint8_t* data, size_t size)
{
    CPerfCounterNames names;
    CByteReader reader(data, size);
    std::u16string previous;
    while (reader.Remaining() >= 2) {
        std::u16string current = reader.Utf16z();
        if (current.empty())
            break;

        uint32_t index = 0;
        if (EqualsIgnoringAsciiCase(current, u"Process") && ParseIndex(previous, index)) {
            names.m_processObjectIndex = previous;
        } else if (EqualsIgnoringAsciiCase(current, u"ID Process") && ParseIndex(previous, index)) {
            names.m_idProcessCounter = index;
            names.m_hasIdProcessCounter = true;
        }
        previous = std::move(current);
    }
    return names;
}
