#pragma once
#include <windows.h>

#include <map>
#include <string>

#include "platform/TimerService.h"

// The timer service over window timers of one window: each name gets its own timer id the
// first time it is used, and the window hands every WM_TIMER to OnTimer.
class CWin32TimerService : public ITimerService {
public:
    CWin32TimerService() = default;
    ~CWin32TimerService() override;
    CWin32TimerService(const CWin32TimerService&) = delete;
    CWin32TimerService& operator=(const CWin32TimerService&) = delete;

    // Timers started before a window is attached do nothing.
    void Attach(HWND window) { m_window = window; }
    // Stops every timer; the service stays usable.
    void StopAll();
    // From the window's WM_TIMER; false when the id is none of this service's.
    bool OnTimer(UINT_PTR id);

    void StartPeriodic(const std::string& name, uint32_t milliseconds, Callback callback) override;
    void StartOneShot(const std::string& name, uint32_t milliseconds, Callback callback) override;
    void Stop(const std::string& name) override;
    bool IsRunning(const std::string& name) const override;
    uint64_t NowMs() const override;

private:
    struct Timer {
        bool periodic = false;
        Callback callback;
    };

    void Start(const std::string& name, uint32_t milliseconds, bool periodic, Callback callback);
    UINT_PTR IdOf(const std::string& name);

    HWND m_window = nullptr;
    std::map<std::string, UINT_PTR> m_ids;   // every name used so far
    std::map<UINT_PTR, std::string> m_names;
    std::map<std::string, Timer> m_running;
};
