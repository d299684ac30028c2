#include "platform/win32/Win32SerialPort.h"

#include <algorithm>
#include <string>

#include "platform/Trace.h"
#include "platform/win32/WideText.h"

namespace {

// How often an idle reader looks at the device: a hung-up port does not always end a pending
// event wait, and a character that arrived between a read and the next wait is found here.
constexpr DWORD kIdleProbeMilliseconds = 1000;

// A message written just before the port is closed (the disconnect sent at exit) gets this long
// to leave the driver, as long as the writes keep completing; then the rest is cancelled.
constexpr ULONGLONG kCloseWriteGraceMilliseconds = 2000;
constexpr ULONGLONG kCloseWriteIdleMilliseconds = 500;

// Writes are cut into pieces this size, so that a large message shows progress on a slow line
// (about a quarter of a second a piece at 9600 baud, well inside the close's idle limit) instead
// of looking stalled.
constexpr size_t kWriteChunkBytes = 256;

CUniqueHandle MakeManualResetEvent()
{
    return CUniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

// A configuration step that failed, with the system's error code.
void TraceFailedStep(const char* step, bool tolerated)
{
    TraceLine(std::string("serial port: ") + step + " failed (error " + std::to_string(::GetLastError()) + ")" +
              (tolerated ? ", going on without it" : ""));
}

// Lets CancelOpen reach the thread while it is inside Open.
class COpeningThread {
public:
    COpeningThread(std::mutex& mutex, CUniqueHandle& slot) : m_mutex(mutex), m_slot(slot)
    {
        HANDLE self = nullptr;
        ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &self, 0, FALSE,
                          DUPLICATE_SAME_ACCESS);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_slot.Reset(self);
    }
    ~COpeningThread()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_slot.Reset();
    }
    COpeningThread(const COpeningThread&) = delete;
    COpeningThread& operator=(const COpeningThread&) = delete;

private:
    std::mutex& m_mutex;
    CUniqueHandle& m_slot;
};

}  // namespace

CWin32SerialPort::CWin32SerialPort() = default;

CWin32SerialPort::~CWin32SerialPort()
{
    Close();
}

bool CWin32SerialPort::Open(const std::u16string& deviceName)
{
    Close();
    const COpeningThread opening(m_openingMutex, m_openingThread);
    m_waitEvent = MakeManualResetEvent();
    m_readEvent = MakeManualResetEvent();
    m_stopEvent = MakeManualResetEvent();
    if (!m_waitEvent || !m_readEvent || !m_stopEvent) {
        Close();
        return false;
    }
    m_port.Reset(::CreateFileW(as_wcstr(deviceName), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
    if (!m_port) {
        TraceFailedStep("CreateFileW", false);
    }
    if (!m_port || !Configure()) {
        Close();
        return false;
    }
    return true;
}

void CWin32SerialPort::CancelOpen()
{
    std::lock_guard<std::mutex> lock(m_openingMutex);
    if (m_openingThread) {
        ::CancelSynchronousIo(m_openingThread.Get());
    }
}

bool CWin32SerialPort::Configure()
{
    HANDLE port = m_port.Get();
    if (!::SetCommMask(port, EV_RXCHAR)) {
        TraceFailedStep("SetCommMask", false);
        return false;
    }
    // Some virtual Bluetooth port drivers reject these; the port works without them.
    if (!::SetupComm(port, 4096, 4096)) {
        TraceFailedStep("SetupComm", true);
    }
    if (!::PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) {
        TraceFailedStep("PurgeComm", true);
    }

    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 1000;
    timeouts.WriteTotalTimeoutMultiplier = 19200;
    timeouts.WriteTotalTimeoutConstant = 0;
    if (!::SetCommTimeouts(port, &timeouts)) {
        TraceFailedStep("SetCommTimeouts", false);
        return false;
    }

    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!::GetCommState(port, &dcb)) {
        TraceFailedStep("GetCommState", false);
        return false;
    }
    dcb.BaudRate = CBR_9600;
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    // Binary transfer whatever a driver or an earlier program left set: no software or hardware
    // flow control (0x11 and 0x13 are ordinary bytes of a message), no stripped null bytes, no
    // replaced bytes, no reads or writes aborted by a line error.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    if (!::SetCommState(port, &dcb)) {
        TraceFailedStep("SetCommState", false);
        return false;
    }
    if (!::EscapeCommFunction(port, SETDTR)) {
        TraceFailedStep("EscapeCommFunction(SETDTR)", true);
    }
    return true;
}

void CWin32SerialPort::Close()
{
    if (m_port) {
        FinishPendingWrites();
        m_port.Reset();
    }
    m_writes.clear();
    m_pendingBytes = 0;
    m_waitEvent.Reset();
    m_readEvent.Reset();
    m_stopEvent.Reset();
}

bool CWin32SerialPort::PrepareReader()
{
    if (!m_port) return false;
    ::EscapeCommFunction(m_port.Get(), SETDTR);
    return ::SetCommMask(m_port.Get(), EV_RXCHAR | EV_CTS | EV_DSR) != FALSE;
}

void CWin32SerialPort::RequestStop()
{
    if (m_stopEvent) {
        ::SetEvent(m_stopEvent.Get());
    }
    // Clearing the event mask ends a pending event wait at once; cancelling it does not do
    // that everywhere (Wine leaves it pending).
    if (m_port) {
        ::SetCommMask(m_port.Get(), 0);
    }
}

bool CWin32SerialPort::IsStopRequested() const
{
    return ::WaitForSingleObject(m_stopEvent.Get(), 0) == WAIT_OBJECT_0;
}

ISerialPort::WaitResult CWin32SerialPort::FinishCancelledWait(OVERLAPPED& overlapped)
{
    // The record must not go out of scope while the driver may still write the mask into it.
    DWORD ignored = 0;
    ::SetCommMask(m_port.Get(), 0);
    ::CancelIoEx(m_port.Get(), &overlapped);
    ::GetOverlappedResult(m_port.Get(), &overlapped, &ignored, TRUE);
    return WaitResult::Stopped;
}

ISerialPort::WaitResult CWin32SerialPort::WaitForData()
{
    HANDLE port = m_port.Get();
    for (;;) {
        if (IsStopRequested()) {
            return WaitResult::Stopped;
        }
        const int32_t alreadyWaiting = BytesWaiting();
        if (alreadyWaiting != 0) {
            return alreadyWaiting > 0 ? WaitResult::Data : WaitResult::Failed;
        }
        DWORD mask = 0;
        OVERLAPPED overlapped{};
        overlapped.hEvent = m_waitEvent.Get();
        ::ResetEvent(m_waitEvent.Get());
        if (!::WaitCommEvent(port, &mask, &overlapped)) {
            if (::GetLastError() != ERROR_IO_PENDING) {
                return WaitResult::Failed;
            }
            const HANDLE handles[2] = {m_waitEvent.Get(), m_stopEvent.Get()};
            for (;;) {
                const DWORD woken = ::WaitForMultipleObjects(2, handles, FALSE, kIdleProbeMilliseconds);
                if (woken == WAIT_OBJECT_0) {
                    break;
                }
                if (woken == WAIT_OBJECT_0 + 1) {
                    return FinishCancelledWait(overlapped);
                }
                if (woken != WAIT_TIMEOUT) {
                    FinishCancelledWait(overlapped);
                    return WaitResult::Failed;
                }
                const int32_t waiting = BytesWaiting();
                if (waiting != 0) {
                    FinishCancelledWait(overlapped);
                    // The mask was cleared to end the wait; the next wait sets it again.
                    if (waiting > 0 && !PrepareReader()) {
                        return WaitResult::Failed;
                    }
                    return waiting > 0 ? WaitResult::Data : WaitResult::Failed;
                }
            }
            // The event is signalled, so this returns at once; asking without waiting can still
            // report the wait incomplete (Wine), which must not be taken for a lost port.
            DWORD ignored = 0;
            if (!::GetOverlappedResult(port, &overlapped, &ignored, TRUE)) {
                // A wait ended by RequestStop fails as aborted: that is a stop, not a lost port.
                return IsStopRequested() ? WaitResult::Stopped : WaitResult::Failed;
            }
        }
        if (mask & EV_RXCHAR) {
            return WaitResult::Data;
        }
        // A modem-line change alone: nothing to read, wait again.
    }
}

int32_t CWin32SerialPort::BytesWaiting()
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(m_port.Get(), &errors, &status)) {
        return -1;
    }
    return static_cast<int32_t>(status.cbInQue);
}

int32_t CWin32SerialPort::Read(uint8_t* destination, int32_t count)
{
    if (count <= 0) return 0;
    OVERLAPPED overlapped{};
    overlapped.hEvent = m_readEvent.Get();
    ::ResetEvent(m_readEvent.Get());
    DWORD done = 0;
    if (!::ReadFile(m_port.Get(), destination, static_cast<DWORD>(count), &done, &overlapped)) {
        if (::GetLastError() != ERROR_IO_PENDING) {
            return -1;
        }
        // Only what was reported waiting is asked for, so this completes at once; the
        // 1000 ms total time-out bounds it otherwise.
        if (!::GetOverlappedResult(m_port.Get(), &overlapped, &done, TRUE)) {
            return -1;
        }
    }
    return static_cast<int32_t>(done);
}

void CWin32SerialPort::Write(std::vector<uint8_t> bytes)
{
    ReapFinishedWrites();
    if (!m_port || bytes.empty()) return;
    if (bytes.size() <= kWriteChunkBytes) {
        StartWrite(std::move(bytes));
        return;
    }
    for (size_t offset = 0; offset < bytes.size(); offset += kWriteChunkBytes) {
        const size_t count = std::min(kWriteChunkBytes, bytes.size() - offset);
        StartWrite(std::vector<uint8_t>(bytes.begin() + offset, bytes.begin() + offset + count));
    }
}

void CWin32SerialPort::StartWrite(std::vector<uint8_t> bytes)
{
    auto pending = std::make_unique<PendingWrite>();
    pending->event = MakeManualResetEvent();
    if (!pending->event) return;
    pending->bytes = std::move(bytes);
    pending->overlapped.hEvent = pending->event.Get();
    DWORD done = 0;
    if (::WriteFile(m_port.Get(), pending->bytes.data(), static_cast<DWORD>(pending->bytes.size()), &done,
                    &pending->overlapped)) {
        m_completedBytes += done;  // finished at once
        return;
    }
    if (::GetLastError() == ERROR_IO_PENDING) {
        m_pendingBytes += pending->bytes.size();
        m_writes.push_back(std::move(pending));
    }
}

ISerialPort::WriteStatus CWin32SerialPort::GetWriteStatus()
{
    ReapFinishedWrites();
    WriteStatus status;
    status.pendingBytes = m_pendingBytes;
    status.completedBytes = m_completedBytes;
    return status;
}

void CWin32SerialPort::ReapFinishedWrites()
{
    for (auto it = m_writes.begin(); it != m_writes.end();) {
        DWORD done = 0;
        if (::GetOverlappedResult(m_port.Get(), &(*it)->overlapped, &done, FALSE) ||
            ::GetLastError() != ERROR_IO_INCOMPLETE) {
            m_pendingBytes -= (*it)->bytes.size();
            m_completedBytes += done;
            it = m_writes.erase(it);
        } else {
            ++it;
        }
    }
}

void CWin32SerialPort::FinishPendingWrites()
{
    // Writes complete in order; a port whose writes stopped moving (the phone does not read) is
    // given up after a short while, so that closing it does not hold the GUI thread.
    const ULONGLONG started = ::GetTickCount64();
    ULONGLONG lastProgress = started;
    for (auto& pending : m_writes) {
        const ULONGLONG now = ::GetTickCount64();
        const ULONGLONG deadline =
            std::min(started + kCloseWriteGraceMilliseconds, lastProgress + kCloseWriteIdleMilliseconds);
        const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (::WaitForSingleObject(pending->event.Get(), left) == WAIT_OBJECT_0) {
            lastProgress = ::GetTickCount64();
        } else {
            ::CancelIoEx(m_port.Get(), &pending->overlapped);
        }
        DWORD done = 0;
        ::GetOverlappedResult(m_port.Get(), &pending->overlapped, &done, TRUE);
        m_completedBytes += done;
    }
    m_writes.clear();
    m_pendingBytes = 0;
}
