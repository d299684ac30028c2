#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/RCMsg.h"

// Phone to server: the phone's user changed a control of an application's own screen. Every
// event starts with the control id; the subclasses carry the rest.
class CRCMsgUIEvent : public CRCMsg {
public:
    const std::vector<uint8_t>& Encode() override = 0;
    void Decode() override = 0;

    uint16_t GetControlId() const { return m_controlId; }

protected:
    CRCMsgUIEvent(uint8_t type, uint16_t controlId) : CRCMsg(type), m_controlId(controlId) {}
    CRCMsgUIEvent(uint8_t type, const uint8_t* frame, size_t size) : CRCMsg(type, frame, size) {}

    uint16_t m_controlId = 0;
};

// Types 19 and 22 share one layout: control id u16, value u8.
class CRCMsgUIEventValue : public CRCMsgUIEvent {
public:
    const std::vector<uint8_t>& Encode() override;
    void Decode() override;

    uint8_t GetValue() const { return m_value; }

protected:
    CRCMsgUIEventValue(uint8_t type, uint16_t controlId, uint8_t value)
        : CRCMsgUIEvent(type, controlId), m_value(value) {}
    CRCMsgUIEventValue(uint8_t type, const uint8_t* frame, size_t size);

    uint8_t m_value = 0;
};

// Type 19.
class CRCMsgUIEventButton : public CRCMsgUIEventValue {
public:
    explicit CRCMsgUIEventButton(uint16_t controlId = 0, uint8_t value = 0)
        : CRCMsgUIEventValue(RC_MSG_UI_BUTTON, controlId, value) {}
    CRCMsgUIEventButton(const uint8_t* frame, size_t size)
        : CRCMsgUIEventValue(RC_MSG_UI_BUTTON, frame, size) {}
};

// Type 22.
class CRCMsgUIEventRadioButton : public CRCMsgUIEventValue {
public:
    explicit CRCMsgUIEventRadioButton(uint16_t controlId = 0, uint8_t value = 0)
        : CRCMsgUIEventValue(RC_MSG_UI_RADIOBUTTON, controlId, value) {}
    CRCMsgUIEventRadioButton(const uint8_t* frame, size_t size)
        : CRCMsgUIEventValue(RC_MSG_UI_RADIOBUTTON, frame, size) {}
};

// Type 20: control id u16, then the text one byte per character and two bytes that are not
// part of it.
class CRCMsgUIEventEditBox : public CRCMsgUIEvent {
public:
    // Code units above 0xFF cannot be carried; only their low byte is sent.
    explicit CRCMsgUIEventEditBox(uint16_t controlId = 0, std::u16string text = {});
    CRCMsgUIEventEditBox(const uint8_t* frame, size_t size);

    const std::vector<uint8_t>& Encode() override;
    void Decode() override;

    const std::u16string& GetText() const { return m_text; }

private:
    std::u16string m_text;
};

// Type 21: control id u16, selected index u8, text UTF-16LE with terminator.
class CRCMsgUIEventListBox : public CRCMsgUIEvent {
public:
    explicit CRCMsgUIEventListBox(uint16_t controlId = 0, uint8_t selectedIndex = 0, std::u16string text = {});
    CRCMsgUIEventListBox(const uint8_t* frame, size_t size);

    const std::vector<uint8_t>& Encode() override;
    void Decode() override;

    uint8_t GetSelectedIndex() const { return m_selectedIndex; }
    const std::u16string& GetText() const { return m_text; }

private:
    uint8_t m_selectedIndex = 0;
    std::u16string m_text;
};

// Type 23: control id u16, state count u8, that many state bytes.
class CRCMsgUIEventCheckBox : public CRCMsgUIEvent {
public:
    static constexpr size_t kMaxStates = 255;

    // States beyond the one-byte count are not sent.
    explicit CRCMsgUIEventCheckBox(uint16_t controlId = 0, std::vector<uint8_t> states = {});
    CRCMsgUIEventCheckBox(const uint8_t* frame, size_t size);

    const std::vector<uint8_t>& Encode() override;
    void Decode() override;

    uint8_t GetStateCount() const { return static_cast<uint8_t>(m_states.size()); }
    // Always GetStateCount bytes; states missing from a short body read as 0.
    const std::vector<uint8_t>& GetStates() const { return m_states; }

private:
    std::vector<uint8_t> m_states;
};
