#pragma once
#include <string>
#include <vector>

#include "appctl/AppMgr.h"

// An application manager that records the events the server hands it, one line per call.
class FakeAppMgr : public CAppMgr {
public:
    explicit FakeAppMgr(uint32_t window = 0x1234) : CAppMgr(window) {}

    std::vector<std::string> m_calls;

    uint32_t GetAppType() const override { return APPTYPE_GENERIC; }
    std::u16string GetName() const override { return u"Fake"; }

    void KeyEvent(uint8_t kind, uint16_t keyCode) override { Record("Key", kind, keyCode); }
    void OnButton(uint16_t id, uint8_t value) override { Record("Button", id, value); }
    void OnRadioButton(uint16_t id, uint8_t value) override { Record("Radio", id, value); }
    void OnEditBox(uint16_t id, const std::u16string& text) override { Record("Edit", id, text.size(), Narrow(text)); }
    void OnListBox(uint16_t id, uint8_t index, const std::u16string& text) override
    {
        Record("List", id, index, Narrow(text));
    }
    void OnCheckBox(uint16_t id, uint8_t count, const std::vector<uint8_t>& states) override
    {
        std::string bytes;
        for (uint8_t state : states)
            bytes += std::to_string(state) + ",";
        Record("Check", id, count, bytes);
    }

private:
    static std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

    template <class... Args>
    void Record(const char* what, Args... args)
    {
        std::string line = what;
        ((line += " " + ToText(args)), ...);
        m_calls.push_back(line);
    }
    static std::string ToText(const std::string& s) { return s; }
    template <class T>
    static std::string ToText(T value) { return std::to_string(value); }
};
