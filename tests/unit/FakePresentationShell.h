#pragma once
// Fakes of what the presentation managers need from the shell: a data sink that decodes every
// record it is given, and a one-shot timer run by a fake clock.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "presentation/PresentationShell.h"

// One application-data message, decoded from its payload.
struct CSentSlideData {
    uint32_t m_appId = 0;
    uint32_t m_appType = 0;
    uint16_t m_currentSlide = 0;
    uint16_t m_totalSlides = 0;
    bool m_running = false;
    std::u16string m_showName;
    std::u16string m_notes;
    std::vector<std::u16string> m_titles;
    bool m_wellFormed = false;  // the payload held exactly the header, the texts and the titles
};

class CFakeAppDataSink : public IAppDataSink {
public:
    void SendApplicationData(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload) override
    {
        m_sent.push_back(Decode(appId, appType, payload));
    }

    std::vector<CSentSlideData> m_sent;

private:
    static CSentSlideData Decode(uint32_t appId, uint32_t appType, const std::vector<uint8_t>& payload)
    {
        CSentSlideData data;
        data.m_appId = appId;
        data.m_appType = appType;
        if (payload.size() < 5)
            return data;
        data.m_currentSlide = static_cast<uint16_t>(payload[0] | payload[1] << 8);
        data.m_totalSlides = static_cast<uint16_t>(payload[2] | payload[3] << 8);
        data.m_running = payload[4] != 0;
        size_t at = 5;
        auto text = [&](std::u16string& out) {
            while (at + 1 < payload.size()) {
                const char16_t unit = static_cast<char16_t>(payload[at] | payload[at + 1] << 8);
                at += 2;
                if (unit == 0)
                    return true;
                out += unit;
            }
            return false;
        };
        if (!text(data.m_showName) || !text(data.m_notes))
            return data;
        for (uint16_t i = 0; i < data.m_totalSlides; ++i) {
            data.m_titles.emplace_back();
            if (!text(data.m_titles.back()))
                return data;
        }
        data.m_wellFormed = at == payload.size();
        return data;
    }
};

