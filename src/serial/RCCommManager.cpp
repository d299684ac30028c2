#include "serial/RCCommManager.h"

#include <system_error>
#include <utility>

#include "protocol/RCMsg.h"
#include "serial/LinkNotify.h"
#include "serial/SerialPort.h"

namespace {

// Names of 5 or more characters ("COM10" and up) only open through the device namespace.
constexpr char16_t kDevicePrefix[] = u"\\\\.\\";
constexpr size_t kPrefixFromLength = 5;

}  // namespace

void CRCCommManager::CListenerForwarder::HandleMessage(std::unique_ptr<CRCMsg> message)
{
    if (m_link.m_listener != nullptr)
        m_link.m_listener->HandleMessage(std::move(message));
}

CRCCommManager::CRCCommManager(ISerialPort& port)
    : m_port(port)
{
}

CRCCommManager::~CRCCommManager()
{
    Close();
}

void CRCCommManager::SetListener(IMessageSink* listener)
{
    m_listener = listener;
}

int CRCCommManager::Open(const std::u16string& portName, ILinkNotify* notify)
{
    // A reader left from a previous open must be joined before the port is reused.
    Close();

    m_notify = notify;
    m_portName = portName.size() >= kPrefixFromLength ? kDevicePrefix + portName : portName;
    // A new connection must not continue the previous connection's half message.
    ResetReceiver();

    if (!m_port.Open(m_portName)) {
        Post(WM_RC_PORT_FAILED, 0);
        return 1;
    }

    m_running = true;
    try {
        m_reader = std::thread(&CRCCommManager::ReaderThread, this);
    } catch (const std::system_error&) {
        m_running = false;
        m_port.Close();
        return 1;
    }

    Post(WM_RC_PORT_OPENED, 0);
    return 0;
}

void CRCCommManager::Close()
{
    if (!m_port.IsOpen() && !m_reader.joinable())
        return;

    m_running = false;
    m_port.RequestStop();
    if (m_reader.joinable())
        m_reader.join();
    m_port.Close();
    Post(WM_RC_PORT_CLOSED, 0);
}

bool CRCCommManager::IsOpen() const
{
    return m_port.IsOpen();
}

void CRCCommManager::Send(std::unique_ptr<CRCMsg> message)
{
    if (!message || !m_port.IsOpen())
        return;
    // The send count is 16 bits wide: a longer message would go out cut short.
    const size_t size = message->GetEncodedSize();
    if (size == 0 || size > RC_MAX_MESSAGE_SIZE)
        return;
    uint16_t count = 0;
    const uint8_t* bytes = message->GetBytes(count);
    m_port.Write(std::vector<uint8_t>(bytes, bytes + count));
}

size_t CRCCommManager::TakeReceived()
{
    if (m_listener == nullptr)
        return 0;  // left in the buffer for the next listener
    const int32_t count = m_dataBuffer.GetCount();
    if (count <= 0)
        return 0;
    if (m_chunk.size() < static_cast<size_t>(count))
        m_chunk.resize(static_cast<size_t>(count));
    return m_dataBuffer.Take(m_chunk.data(), count) == count ? static_cast<size_t>(count) : 0;
}

void CRCCommManager::ParseMessages()
{
    // The chunk is reused from call to call; a handler that asked for more parsing while it
    // is being framed finds its bytes still in the buffer at the next notification.
    if (m_receiving)
        return;
    m_receiving = true;
    const size_t count = TakeReceived();
    if (count != 0)
        m_framer.Feed(m_chunk.data(), count, m_forwarder);
    m_receiving = false;
}

void CRCCommManager::ScanForSync()
{
    if (m_receiving)
        return;
    m_receiving = true;
    const size_t count = TakeReceived();
    size_t consumed = 0;
    if (count != 0 && m_framer.ScanForSync(m_chunk.data(), count, consumed)) {
        m_forwarder.HandleMessage(std::make_unique<CRCMsg>(RC_MSG_SYNC));
        if (consumed < count)
            m_framer.Feed(m_chunk.data() + consumed, count - consumed, m_forwarder);
    }
    m_receiving = false;
}

void CRCCommManager::ResetReceiver()
{
    m_framer.Reset();
}

bool CRCCommManager::IsKnownType(uint8_t type)
{
    return CMessageFramer::IsKnownType(type);
}

bool CRCCommManager::HasPartialMessage() const
{
    return m_framer.HasPartialMessage();
}

void CRCCommManager::ReadAvailable()
{
    DrainPort();
}

bool CRCCommManager::DrainPort()
{
    // Read again while bytes are waiting: bytes that arrive between a read and the next wait
    // raise no new event and would otherwise sit in the driver's queue.
    while (m_running) {
        const int32_t waiting = m_port.BytesWaiting();
        if (waiting < 0)
            return false;
        if (waiting == 0)
            return true;
        // The ring keeps one slot free, so a read of its full capacity could never be stored.
        const int32_t wanted = waiting < kDataBufferCapacity - 1 ? waiting : kDataBufferCapacity - 1;
        m_readBlock.resize(static_cast<size_t>(wanted));
        int32_t got = m_port.Read(m_readBlock.data(), wanted);
        if (got < 0)
            return false;
        if (got == 0)
            return true;  // nothing came after all: wait for the next event rather than spin
        if (got > wanted)
            got = wanted;
        m_dataBuffer.Append(m_readBlock.data(), got);  // a chunk that does not fit is lost
        Post(WM_RC_DATA, static_cast<uintptr_t>(got));
    }
    return true;
}

void CRCCommManager::ReaderThread()
{
    if (!m_port.PrepareReader()) {
        ReportConnectionLost();
        return;
    }
    while (m_running) {
        switch (m_port.WaitForData()) {
        case ISerialPort::WaitResult::Data:
            if (!DrainPort()) {
                ReportConnectionLost();
                return;
            }
            break;
        case ISerialPort::WaitResult::Stopped:
            return;
        case ISerialPort::WaitResult::Failed:
            // Waiting again on a failed device would return at once, for ever.
            ReportConnectionLost();
            return;
        }
    }
}

void CRCCommManager::ReportConnectionLost()
{
    // Not when Close is already ending the reader: the GUI thread knows.
    if (m_running)
        Post(WM_RC_CONNECTION_LOST, 0);
}

void CRCCommManager::Post(uint32_t message, uintptr_t wParam)
{
    if (m_notify != nullptr)
        m_notify->Post(message, wParam);
}
