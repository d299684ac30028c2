#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Named timers on the GUI thread. Every timer of the program goes through this one service:
// the Win32 implementation runs them on window timers, tests run them on a clock they move.
// A name stands for one timer: starting a running timer again replaces its period and its
// callback. A callback may start or stop any timer, its own included.
class ITimerService {
public:
    using Callback = std::function<void()>;

    virtual ~ITimerService() = default;

    // Runs `callback` every `milliseconds` until the timer is stopped.
    virtual void StartPeriodic(const std::string& name, uint32_t milliseconds, Callback callback) = 0;
    // Runs `callback` once, `milliseconds` from now; the timer stops before the callback runs.
    virtual void StartOneShot(const std::string& name, uint32_t milliseconds, Callback callback) = 0;
    // Nothing happens when the timer is not running.
    virtual void Stop(const std::string& name) = 0;
    virtual bool IsRunning(const std::string& name) const = 0;
    // Milliseconds of a steady clock, for deadlines kept outside the timers.
    virtual uint64_t NowMs() const = 0;
};
