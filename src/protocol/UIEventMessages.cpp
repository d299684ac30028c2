#include "protocol/UIEventMessages.h"

#include <utility>

CRCMsgUIEventValue::CRCMsgUIEventValue(uint8_t type, const uint8_t* frame, size_t size)
    : CRCMsgUIEvent(type, frame, size)
{
    CRCMsgUIEventValue::Decode();
}

const std::vector<uint8_t>& CRCMsgUIEventValue::Encode()
{
    CByteWriter writer = StartBody(3);
    writer.U16(m_controlId);
    writer.U8(m_value);
    return m_bytes;
}

void CRCMsgUIEventValue::Decode()
{
    if (!StartDecode())
        return;
    CByteReader reader = BodyReader();
    m_controlId = reader.U16();
    m_value = reader.U8();
}

CRCMsgUIEventEditBox::CRCMsgUIEventEditBox(uint16_t controlId, std::u16string text)
    : CRCMsgUIEvent(RC_MSG_UI_EDITBOX, controlId), m_text(std::move(text))
{
}

CRCMsgUIEventEditBox::CRCMsgUIEventEditBox(const uint8_t* frame, size_t size)
    : CRCMsgUIEvent(RC_MSG_UI_EDITBOX, frame, size)
{
    CRCMsgUIEventEditBox::Decode();
}

const std::vector<uint8_t>& CRCMsgUIEventEditBox::Encode()
{
    CByteWriter writer = StartBody(m_text.size() + 4);
    writer.U16(m_controlId);
    for (char16_t unit : m_text)
        writer.U8(static_cast<uint8_t>(unit));
    writer.U16(0);
    return m_bytes;
}

void CRCMsgUIEventEditBox::Decode()
{
    if (!StartDecode())
        return;
    CByteReader reader = BodyReader();
    m_controlId = reader.U16();
    m_text = reader.Latin1(CountOrZero(m_length - 4));
}

CRCMsgUIEventListBox::CRCMsgUIEventListBox(uint16_t controlId, uint8_t selectedIndex, std::u16string text)
    : CRCMsgUIEvent(RC_MSG_UI_LISTBOX, controlId), m_selectedIndex(selectedIndex), m_text(std::move(text))
{
}

CRCMsgUIEventListBox::CRCMsgUIEventListBox(const uint8_t* frame, size_t size)
    : CRCMsgUIEvent(RC_MSG_UI_LISTBOX, frame, size)
{
    CRCMsgUIEventListBox::Decode();
}

const std::vector<uint8_t>& CRCMsgUIEventListBox::Encode()
{
    CByteWriter writer = StartBody(2 * m_text.size() + 5);
    writer.U16(m_controlId);
    writer.U8(m_selectedIndex);
    writer.Utf16z(m_text);
    return m_bytes;
}

void CRCMsgUIEventListBox::Decode()
{
    if (!StartDecode())
        return;
    CByteReader reader = BodyReader();
    m_controlId = reader.U16();
    m_selectedIndex = reader.U8();
    m_text = reader.Utf16(CountOrZero((m_length - 3) / 2 - 1));
}

CRCMsgUIEventCheckBox::CRCMsgUIEventCheckBox(uint16_t controlId, std::vector<uint8_t> states)
    : CRCMsgUIEvent(RC_MSG_UI_CHECKBOX, controlId), m_states(std::move(states))
{
    if (m_states.size() > kMaxStates)
        m_states.resize(kMaxStates);
}

CRCMsgUIEventCheckBox::CRCMsgUIEventCheckBox(const uint8_t* frame, size_t size)
    : CRCMsgUIEvent(RC_MSG_UI_CHECKBOX, frame, size)
{
    CRCMsgUIEventCheckBox::Decode();
}

const std::vector<uint8_t>& CRCMsgUIEventCheckBox::Encode()
{
    CByteWriter writer = StartBody(m_states.size() + 3);
    writer.U16(m_controlId);
    writer.U8(static_cast<uint8_t>(m_states.size()));
    writer.Bytes(m_states.data(), m_states.size());
    return m_bytes;
}

void CRCMsgUIEventCheckBox::Decode()
{
    if (!StartDecode())
        return;
    CByteReader reader = BodyReader();
    m_controlId = reader.U16();
    const uint8_t count = reader.U8();
    m_states = reader.BytesPadded(count);
}
