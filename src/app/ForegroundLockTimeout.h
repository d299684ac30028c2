#pragma once
#include <windows.h>

// Holds the system's foreground lock time-out at 0 while the server runs, so that it may bring
// the phone's application to the front, and puts the previous value back when it ends. The
// change is made for this session only: nothing is written to the user's profile, so a
// crash or a log-off leaves the user's own setting in force.
class CForegroundLockTimeout {
public:
    CForegroundLockTimeout() = default;
    CForegroundLockTimeout(const CForegroundLockTimeout&) = delete;
    CForegroundLockTimeout& operator=(const CForegroundLockTimeout&) = delete;
    ~CForegroundLockTimeout() { Restore(); }

    void HoldOff();
    void Restore();

private:
    bool m_changed = false;
    DWORD m_previous = 0;
};
