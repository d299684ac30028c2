#pragma once
#include <windows.h>

#include "presentation/CallRetryPolicy.h"

// Registers on the calling thread (the GUI thread, OLE initialised) a message filter that asks
// `policy` whether a refused call is tried again and whether a call that waits for its answer
// is given up. COM keeps the filter until OLE ends on the thread; the policy must outlive that.
// False when COM refused the filter: calls are then neither retried nor given up.
bool RegisterCallMessageFilter(const CCallRetryPolicy& policy);

// Held around an outgoing call. COM asks the filter about a waiting call only when a message
// is posted to the thread, so a pool timer posts an empty message to the thread every tick of
// the call: a program that never answers is given up on time even when nothing else happens
// on the thread. The empty messages left over do nothing, also on a thread without a filter.
class CCallWaitTicker {
public:
    static constexpr DWORD kTickMilliseconds = 250;

    CCallWaitTicker();
    ~CCallWaitTicker();
    CCallWaitTicker(const CCallWaitTicker&) = delete;
    CCallWaitTicker& operator=(const CCallWaitTicker&) = delete;

private:
    HANDLE m_timer = nullptr;
};
