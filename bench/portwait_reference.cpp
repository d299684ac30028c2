// The serial link's idle cost under Wine without the server: opens a COM port and configures it
// as the link does, then waits for its events exactly as the link's reader does while the phone
// is silent (an overlapped event wait beside a stop event, looking at the bytes waiting once a
// second), and does nothing else. Prints "waiting" once the wait runs. Nothing is meant to
// arrive: exits 2 when bytes do, 1 when the port fails.
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
    // The link's own event and its stop event, which stays clear here.
    const HANDLE handles[2] = {::CreateEventW(nullptr, TRUE, FALSE, nullptr), ::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::printf("waiting\n");
    std::fflush(stdout);
    for (;;) {
        DWORD errors = 0, mask = 0, done = 0;
        COMSTAT status{};
        if (!::ClearCommError(port, &errors, &status)) return 1;
        if (status.cbInQue > 0) return 2;
        OVERLAPPED wait{};
        wait.hEvent = handles[0];
        ::ResetEvent(handles[0]);
        if (!::WaitCommEvent(port, &mask, &wait)) {
            if (::GetLastError() != ERROR_IO_PENDING) return 1;
            while (::WaitForMultipleObjects(2, handles, FALSE, 1000) == WAIT_TIMEOUT) {
                if (!::ClearCommError(port, &errors, &status)) return 1;
                if (status.cbInQue > 0) return 2;
            }
            ::GetOverlappedResult(port, &wait, &done, TRUE);  // a modem-line change: wait again
        }
    }
}
