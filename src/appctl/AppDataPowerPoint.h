#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "appctl/AppData.h"

// The state of one presentation's slide show as the phone shows it: the current slide, the
// slide count, whether the show runs, the show's name, the current slide's notes and every
// slide's title.
class CAppDataPowerPoint : public CAppData {
public:
    // Longest texts sent, in code units; longer notes end in "..." within their limit.
    static constexpr size_t kMaxNameUnits = 99;
    static constexpr size_t kMaxNotesUnits = 2999;
    static constexpr size_t kNotesKeptUnits = 2996;
    static constexpr size_t kMaxTitleUnits = 74;
    static constexpr size_t kMaxPayloadBytes = 10000;
    // The current slide before any has been set.
    static constexpr uint16_t kNoSlide = 0xFFFF;

    // Sets the slide count; the titles follow it (new ones empty, surplus ones dropped).
    void SetTotalSlides(uint16_t count);
    void SetCurrentSlide(uint16_t slide) { m_currentSlide = slide; }
    void SetShowName(std::u16string name) { m_ssName = std::move(name); }
    void SetSpeakerNotes(std::u16string notes) { m_speakerNotes = std::move(notes); }
    void SetRunning(bool running) { m_running = running; }
    // False, and nothing changes, when index is not below the slide count.
    bool SetSlideTitle(int index, std::u16string title);

    uint16_t GetTotalSlides() const { return m_totalSlides; }
    uint16_t GetCurrentSlide() const { return m_currentSlide; }
    bool IsRunning() const { return m_running; }
    const std::u16string& GetShowName() const { return m_ssName; }
    const std::u16string& GetSpeakerNotes() const { return m_speakerNotes; }
    const std::vector<std::u16string>& GetSlideTitles() const { return m_slideTitles; }

    // Shortens over-long texts in the record itself, then lays out the payload: current slide
    // and count (u16 each), the running flag (one byte), then name, notes and titles as
    // zero-terminated UTF-16LE. A payload over the limit is cut after its last whole code unit
    // that fits, and that unit becomes a terminator.
    const std::vector<uint8_t>& Encode() override;
    // The phone never sends this record.
    void Decode() override {}

private:
    std::u16string m_ssName;
    std::u16string m_speakerNotes;
    std::vector<std::u16string> m_slideTitles;
    uint16_t m_totalSlides = 0;
    uint16_t m_currentSlide = kNoSlide;
    bool m_running = false;
};
