#pragma once
#include <cstdint>

// Notifications the serial link posts to the main window (application message range).
constexpr uint32_t WM_RC_PORT_OPENED = 0x8001;      // port open, reader thread running
constexpr uint32_t WM_RC_PORT_CLOSED = 0x8002;      // port closed
constexpr uint32_t WM_RC_PORT_FAILED = 0x8003;      // opening or configuring the port failed
constexpr uint32_t WM_RC_DATA = 0x8004;             // wParam: number of bytes added to the data buffer
constexpr uint32_t WM_RC_CONNECTION_LOST = 0x8005;  // the port went away under the reader

// Where the link posts its notifications: the main window on Windows, a queue in tests.
// Post may be called from the reader thread; it must not block.
class ILinkNotify {
public:
    virtual ~ILinkNotify() = default;
    virtual void Post(uint32_t message, uintptr_t wParam) = 0;
};
