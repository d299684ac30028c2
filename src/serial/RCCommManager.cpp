#include "serial/RCCommManager.h"

#include <chrono>
#include <system_error>
#include <utility>

#include "platform/Trace.h"
#include "serial/LinkAttempt.h"
#include "serial/LinkNotify.h"
#include "serial/SerialPort.h"

namespace {

// Names of 5 or more characters ("COM10" and up) only open through the device namespace.
constexpr char16_t kDevicePrefix[] = u"\\\\.\\";
constexpr size_t kPrefixFromLength = 5;

// A port name for a trace line: ASCII as it is, anything else as '?'.
std::string ForTrace(const std::u16string& name)
{
    std::string text;
    for (const char16_t unit : name)
        text += unit >= 0x20 && unit < 0x7F ? static_cast<char>(unit) : '?';
    return text;
}

}  // namespace

CRCCommManager::CRCCommManager(std::shared_ptr<ISerialPort> port)
    : m_shared(std::make_shared<CSharedPort>(std::move(port))), m_port(*m_shared->m_port)
{
}

CRCCommManager::~CRCCommManager()
{
    Close();
}

int CRCCommManager::Open(const std::u16string& portName, ILinkNotify* notify)
{
    // The previous attempt ends first; one still opening is left to end on its own thread, and
    // this attempt's thread waits until that one is done with the port.
    Close();

    m_notify = notify;
    m_portName = portName.size() >= kPrefixFromLength ? kDevicePrefix + portName : portName;

    // Numbers wrap after 2^64 opens at the most; 0 stays free for "not from the link".
    if (++m_lastAttempt == 0)
        ++m_lastAttempt;
    auto attempt = std::make_shared<CLinkAttempt>(m_shared, m_lastAttempt, m_retryDelay.GetDelayMs());
    try {
        m_thread = std::thread(&CRCCommManager::RunAttempt, attempt, this, notify, m_portName);
    } catch (const std::system_error&) {
        return 1;
    }
    m_attempt = std::move(attempt);
    return 0;
}

void CRCCommManager::RunAttempt(std::shared_ptr<CLinkAttempt> attempt, CRCCommManager* link, ILinkNotify* notify,
                                std::u16string deviceName)
{
    // Until the open is announced the link may be gone: only the attempt and the port are used.
    if (!attempt->TakePort())
        return;
    ISerialPort& port = attempt->GetPort();
    const bool opened = port.Open(deviceName);
    const uintptr_t number = attempt->GetNumber();
    const bool announced = attempt->FinishOpen(opened, [&](bool ok) {
        TraceLine("port " + ForTrace(deviceName) + (ok ? " opened" : " failed to open") + " (attempt " +
                  std::to_string(number) + ")");
        if (notify != nullptr)
            notify->Post(ok ? WM_RC_PORT_OPENED : WM_RC_PORT_FAILED, number);
    });
    if (!announced) {
        if (opened)
            port.Close();
        TraceLine("abandoned open of port " + ForTrace(deviceName) + " ended (attempt " + std::to_string(number) + ")");
    } else if (opened) {
        // Announced as open: the link joins this thread before it goes.
        link->ReaderThread(*attempt);
    }
    attempt->ReleasePort();
}

void CRCCommManager::Close()
{
    if (!m_attempt)
        return;
    const std::shared_ptr<CLinkAttempt> attempt = std::move(m_attempt);  // leaves m_attempt empty
    m_stallWatch.Reset();
    switch (attempt->Abandon()) {
    case CLinkAttempt::Phase::Opening:
        m_port.CancelOpen();
        [[fallthrough]];
    case CLinkAttempt::Phase::Waiting:
    case CLinkAttempt::Phase::Abandoned:
        // Not waited for: the thread closes what it opened and ends on its own.
        m_thread.detach();
        return;
    case CLinkAttempt::Phase::Failed:
        m_thread.join();
        return;
    case CLinkAttempt::Phase::Open:
        break;
    }
    attempt->m_running = false;
    m_port.RequestStop();
    m_thread.join();
    m_port.Close();
    m_retryDelay.OnSessionEnded(attempt->m_readerFailed, attempt->m_bytesReceived, attempt->m_openMs);
    if (m_droppedMessages != 0)
        TraceDropped();
    Post(WM_RC_PORT_CLOSED, 0);
}

bool CRCCommManager::IsOpen() const
{
    return m_attempt && m_attempt->IsOpen();
}

bool CRCCommManager::IsCurrentAttempt(uintptr_t attempt) const
{
    return attempt != 0 && m_attempt && m_attempt->GetNumber() == attempt;
}

void CRCCommManager::Send(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty() || !IsOpen())
        return;
    // A phone that stopped reading must not make what waits to be written grow without bound.
    const uint64_t pending = m_port.GetWriteStatus().pendingBytes;
    if (pending + bytes.size() > kMaxPendingWriteBytes) {
        if (m_droppedMessages++ == 0)
            TraceLine("outgoing message of type " + std::to_string(bytes[0]) + " dropped: " +
                      std::to_string(pending) + " bytes wait to be written");
        return;
    }
    if (m_droppedMessages != 0)
        TraceDropped();
    m_port.Write(bytes);
}

bool CRCCommManager::IsWriteStalled(uint64_t nowMs)
{
    if (!IsOpen()) {
        m_stallWatch.Reset();
        return false;
    }
    const ISerialPort::WriteStatus status = m_port.GetWriteStatus();
    if (!m_stallWatch.Update(status.pendingBytes, status.completedBytes, nowMs))
        return false;
    TraceLine("writes stalled: " + std::to_string(status.pendingBytes) + " bytes wait and none were written for " +
              std::to_string(CWriteStallWatch::kStallMs) + " ms");
    return true;
}

void CRCCommManager::TraceDropped()
{
    TraceLine(std::to_string(m_droppedMessages) + " outgoing messages dropped while the phone did not read");
    m_droppedMessages = 0;
}

std::vector<uint8_t> CRCCommManager::TakeReceived()
{
    const int32_t count = m_dataBuffer.GetCount();
    if (count <= 0)
        return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    const int32_t taken = m_dataBuffer.Take(bytes.data(), count);
    bytes.resize(taken > 0 ? static_cast<size_t>(taken) : 0);
    return bytes;
}

bool CRCCommManager::DrainPort(CLinkAttempt& attempt)
{
    // Read again while bytes are waiting: bytes that arrive between a read and the next wait
    // raise no new event and would otherwise sit in the driver's queue.
    while (attempt.m_running) {
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
        attempt.m_bytesReceived = true;
        m_dataBuffer.Append(m_readBlock.data(), got);  // a chunk that does not fit is lost
        Post(WM_RC_DATA, static_cast<uintptr_t>(got));
    }
    return true;
}

void CRCCommManager::ReaderThread(CLinkAttempt& attempt)
{
    const auto opened = std::chrono::steady_clock::now();
    bool failed = !m_port.PrepareReader();
    while (!failed && attempt.m_running) {
        const ISerialPort::WaitResult result = m_port.WaitForData();
        if (result == ISerialPort::WaitResult::Stopped)
            break;
        // Waiting again on a failed device would return at once, for ever.
        failed = result == ISerialPort::WaitResult::Failed || !DrainPort(attempt);
    }
    attempt.m_openMs = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - opened).count());
    attempt.m_readerFailed = failed;
    // Not when Close is already ending the reader: the GUI thread knows.
    if (failed && attempt.m_running) {
        TraceLine("port " + ForTrace(m_portName) + " failed " + std::to_string(attempt.m_openMs) +
                  " ms after its open (attempt " + std::to_string(attempt.GetNumber()) + ")");
        Post(WM_RC_CONNECTION_LOST, attempt.GetNumber());
    }
}

void CRCCommManager::Post(uint32_t message, uintptr_t wParam)
{
    if (m_notify != nullptr)
        m_notify->Post(message, wParam);
}
