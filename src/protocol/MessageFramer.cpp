#include "protocol/MessageFramer.h"

#include <cstring>

#include "protocol/ApplicationDataMessage.h"
#include "protocol/ApplicationListMessage.h"
#include "protocol/ConnectionMessages.h"
#include "protocol/KeyEventMessage.h"
#include "protocol/MessageSink.h"
#include "protocol/RCMsg.h"
#include "protocol/UIEventMessages.h"

namespace {

// The whole frame's size from its header: type, then the body length.
size_t FrameSize(const uint8_t* header)
{
    return RC_HEADER_SIZE + CByteReader(header, RC_HEADER_SIZE, 1).U16();
}

}  // namespace

CMessageFramer::CMessageFramer()
{
    Reset();
}

bool CMessageFramer::IsKnownType(uint8_t type)
{
    switch (type) {
    case RC_MSG_CONNECT:
    case RC_MSG_DISCONNECT:
    case RC_MSG_APP_SELECT:
    case RC_MSG_APP_LIST_REQUEST:
    case RC_MSG_APP_LIST:
    case RC_MSG_SYNC:
    case RC_MSG_KEY_EVENT:
    case RC_MSG_APP_DATA:
    case RC_MSG_UI_BUTTON:
    case RC_MSG_UI_EDITBOX:
    case RC_MSG_UI_LISTBOX:
    case RC_MSG_UI_RADIOBUTTON:
    case RC_MSG_UI_CHECKBOX:
        return true;
    default:
        return false;
    }
}

std::unique_ptr<CRCMsg> CMessageFramer::BuildMessage(uint8_t type, const uint8_t* frame, size_t size)
{
    switch (type) {
    case RC_MSG_CONNECT:
        return std::make_unique<CRCMsgConnect>(frame, size);
    case RC_MSG_DISCONNECT:
        return std::make_unique<CRCMsgDisconnect>(frame, size);
    case RC_MSG_APP_SELECT:
        return std::make_unique<CRCMsgApplicationSelect>(frame, size);
    case RC_MSG_APP_LIST:
        return std::make_unique<CRCMsgApplicationList>(frame, size);
    case RC_MSG_KEY_EVENT:
        return std::make_unique<CRCMsgKeyEvent>(frame, size);
    case RC_MSG_APP_DATA:
        return std::make_unique<CRCMsgApplicationData>(frame, size);
    case RC_MSG_UI_BUTTON:
        return std::make_unique<CRCMsgUIEventButton>(frame, size);
    case RC_MSG_UI_EDITBOX:
        return std::make_unique<CRCMsgUIEventEditBox>(frame, size);
    case RC_MSG_UI_LISTBOX:
        return std::make_unique<CRCMsgUIEventListBox>(frame, size);
    case RC_MSG_UI_RADIOBUTTON:
        return std::make_unique<CRCMsgUIEventRadioButton>(frame, size);
    case RC_MSG_UI_CHECKBOX:
        return std::make_unique<CRCMsgUIEventCheckBox>(frame, size);
    default:
        return std::make_unique<CRCMsg>(type);
    }
}

void CMessageFramer::Feed(const uint8_t* data, size_t size, IMessageSink& sink)
{
    size_t p = 0;
    while (p < size) {
        std::unique_ptr<CRCMsg> message;
        if (m_headerCount == 0 && size - p >= RC_HEADER_SIZE) {
            // Nothing pending: a message that lies wholly in these bytes is built in place.
            const uint8_t type = data[p];
            const size_t total = FrameSize(data + p);
            if (!IsKnownType(type)) {
                p = size;
                message = BuildMessage(type, nullptr, 0);
            } else if (size - p >= total) {
                message = BuildMessage(type, data + p, total);
                p += total;
            }
        }

        if (!message) {
            while (m_headerCount < RC_HEADER_SIZE && p < size)
                m_header[m_headerCount++] = data[p++];
            if (m_headerCount < RC_HEADER_SIZE)
                return;

            const uint8_t type = m_header[0];
            const size_t total = FrameSize(m_header);
            if (IsKnownType(type)) {
                if (m_frameCount == 0) {
                    m_frame.resize(total);
                    std::memcpy(m_frame.data(), m_header, RC_HEADER_SIZE);
                    m_frameCount = RC_HEADER_SIZE;
                }
                const size_t wanted = total - m_frameCount;
                const size_t n = wanted < size - p ? wanted : size - p;
                std::memcpy(m_frame.data() + m_frameCount, data + p, n);
                p += n;
                m_frameCount += n;
                if (m_frameCount != total)
                    return;
                message = BuildMessage(type, m_frame.data(), total);
            } else {
                p = size;
                message = BuildMessage(type, nullptr, 0);
            }
            ClearMessage();
        }

        // The receive state is settled before the handler runs: it may reset the receiver or
        // reopen the link.
        sink.HandleMessage(std::move(message));
    }
}

bool CMessageFramer::ScanForSync(const uint8_t* data, size_t size, size_t& consumed)
{
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (m_window[0] == kWindowEmpty) {
            if (b == RC_MSG_SYNC)
                m_window[0] = RC_MSG_SYNC;
        } else if (m_window[1] == kWindowEmpty) {
            if (b == 0)
                m_window[1] = 0;
            else if (b != RC_MSG_SYNC)
                m_window[0] = kWindowEmpty;
        } else if (b == 0) {
            Reset();
            consumed = i + 1;
            return true;
        } else {
            m_window[0] = b == RC_MSG_SYNC ? RC_MSG_SYNC : kWindowEmpty;
            m_window[1] = kWindowEmpty;
        }
    }
    consumed = size;
    return false;
}

void CMessageFramer::Reset()
{
    ClearMessage();
    m_window[0] = m_window[1] = m_window[2] = kWindowEmpty;
}

void CMessageFramer::ClearMessage()
{
    m_headerCount = 0;
    m_frameCount = 0;
    // A frame of up to 64 KiB announced by a stray header is not worth keeping.
    if (m_frame.capacity() > 4096)
        std::vector<uint8_t>().swap(m_frame);
}
