#include "appctl/AppDataPowerPoint.h"

#include "text/LittleEndian.h"
#include "text/TextCodec.h"

namespace {

// Keeps at most `units` code units, one fewer when the cut would split a surrogate pair: half a
// character would reach the phone as garbage.
void CutText(std::u16string& text, size_t units)
{
    if (text.size() <= units)
        return;
    if (units > 0 && IsHighSurrogate(text[units - 1]) && IsLowSurrogate(text[units]))
        --units;
    text.resize(units);
}

// Texts start at an odd offset, right after the flag byte.
constexpr size_t kTextStart = 5;

}  // namespace

void CAppDataPowerPoint::SetTotalSlides(uint16_t count)
{
    m_totalSlides = count;
    m_slideTitles.resize(count);
}

bool CAppDataPowerPoint::SetSlideTitle(int index, std::u16string title)
{
    if (index < 0 || static_cast<size_t>(index) >= m_slideTitles.size())
        return false;
    m_slideTitles[static_cast<size_t>(index)] = std::move(title);
    return true;
}

const std::vector<uint8_t>& CAppDataPowerPoint::Encode()
{
    // Texts at the limit are sent whole; only longer ones are shortened.
    CutText(m_ssName, kMaxNameUnits);
    if (m_speakerNotes.size() > kNotesKeptUnits) {
        CutText(m_speakerNotes, kNotesKeptUnits);
        m_speakerNotes += u"...";
    }
    // The titles array always has m_totalSlides entries (SetTotalSlides keeps them together).
    for (std::u16string& title : m_slideTitles)
        CutText(title, kMaxTitleUnits);

    m_data.clear();
    CByteWriter writer(m_data);
    writer.U16(m_currentSlide);
    writer.U16(m_totalSlides);
    writer.U8(m_running ? 1 : 0);
    writer.Utf16z(m_ssName);
    writer.Utf16z(m_speakerNotes);
    // Titles past the limit would only be cut off again.
    for (const std::u16string& title : m_slideTitles) {
        if (m_data.size() > kMaxPayloadBytes)
            break;
        writer.Utf16z(title);
    }

    if (m_data.size() > kMaxPayloadBytes) {
        // The last whole code unit that fits becomes the terminator, so the phone never gets
        // half a code unit and the text cut at the limit still ends in a 16-bit zero.
        size_t end = kTextStart + (kMaxPayloadBytes - kTextStart) / 2 * 2;
        CByteReader lastUnits(m_data.data(), m_data.size(), end - 4);
        if (IsHighSurrogate(lastUnits.U16()) && IsLowSurrogate(lastUnits.U16()))
            end -= 2;
        m_data.resize(end);
        m_data[end - 2] = 0;
        m_data[end - 1] = 0;
    }
    return m_data;
}
