// The serial link's idle cost under Wine without the server: opens a COM port as the link does,
// then waits for its events exactly as the link's reader does (an overlapped event wait beside a
// stop event, looking at the bytes waiting once a second) and does nothing else. Bytes that
// arrive are read and dropped. Prints "waiting" once the wait runs; exits 1 when the port fails.
//   portwait_reference.exe COM6
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    HANDLE port = ::CreateFileW(argc > 1 ? argv[1] : L"COM6", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) return 1;
    ::SetCommMask(port, EV_RXCHAR);
    ::SetupComm(port, 4096, 4096);
    ::PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 1000, 19200, 0};
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!::SetCommTimeouts(port, &timeouts) || !::GetCommState(port, &dcb)) return 1;
    dcb.BaudRate = CBR_9600, dcb.fBinary = TRUE, dcb.fParity = TRUE, dcb.ByteSize = 8, dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT, dcb.fDtrControl = DTR_CONTROL_ENABLE, dcb.fRtsControl = RTS_CONTROL_ENABLE;
    if (!::SetCommState(port, &dcb)) return 1;
    ::EscapeCommFunction(port, SETDTR);
    if (!::SetCommMask(port, EV_RXCHAR | EV_CTS | EV_DSR)) return 1;
    // The link waits on its event and a stop event (never set here); reads have an event of their own.
    const HANDLE handles[2] = {::CreateEventW(nullptr, TRUE, FALSE, nullptr), ::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    const HANDLE readEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::printf("waiting\n");
    std::fflush(stdout);
    for (;;) {
        DWORD errors = 0, mask = 0, done = 0;
        COMSTAT status{};
        if (!::ClearCommError(port, &errors, &status)) return 1;
        if (status.cbInQue > 0) {  // a stray byte: read and dropped
            char bytes[256];
            OVERLAPPED read{};
            read.hEvent = readEvent;
            const DWORD count = status.cbInQue < sizeof bytes ? status.cbInQue : sizeof bytes;
            if (!::ReadFile(port, bytes, count, &done, &read) && !::GetOverlappedResult(port, &read, &done, TRUE)) return 1;
            continue;
        }
        OVERLAPPED wait{};
        wait.hEvent = handles[0];
        ::ResetEvent(handles[0]);
        if (!::WaitCommEvent(port, &mask, &wait)) {
            if (::GetLastError() != ERROR_IO_PENDING) return 1;
            DWORD woken;
            while ((woken = ::WaitForMultipleObjects(2, handles, FALSE, 1000)) == WAIT_TIMEOUT) {
                if (!::ClearCommError(port, &errors, &status)) return 1;
                if (status.cbInQue > 0) break;
            }
            if (woken != WAIT_OBJECT_0) {  // bytes seen by the probe: the wait is ended first
                ::SetCommMask(port, 0);
                ::CancelIoEx(port, &wait);
            }
            ::GetOverlappedResult(port, &wait, &done, TRUE);
            if (woken != WAIT_OBJECT_0) ::SetCommMask(port, EV_RXCHAR | EV_CTS | EV_DSR);
        }
    }
}
