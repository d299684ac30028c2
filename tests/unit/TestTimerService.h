#pragma once
// The timer service on a clock that only Advance moves: timers fire in the order they fall
// due, each at its own time, so a test sees exactly what a long enough wait would bring.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "platform/TimerService.h"

class CTestTimerService : public ITimerService {
public:
    void StartPeriodic(const std::string& name, uint32_t milliseconds, Callback callback) override
    {
        Start(name, milliseconds, true, std::move(callback));
    }
    void StartOneShot(const std::string& name, uint32_t milliseconds, Callback callback) override
    {
        Start(name, milliseconds, false, std::move(callback));
    }
    void Stop(const std::string& name) override
    {
        if (m_timers.erase(name) != 0)
            ++m_stops;
    }
    bool IsRunning(const std::string& name) const override { return m_timers.count(name) != 0; }
    uint64_t NowMs() const override { return m_now; }

    // Moves the clock on by `milliseconds`, firing every timer that falls due on the way.
    void Advance(uint64_t milliseconds)
    {
        const uint64_t target = m_now + milliseconds;
        for (;;) {
            auto next = m_timers.end();
            for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
                if (it->second.due <= target && (next == m_timers.end() || it->second.due < next->second.due ||
                                                  (it->second.due == next->second.due &&
                                                   it->second.order < next->second.order)))
                    next = it;
            }
            if (next == m_timers.end())
                break;
            m_now = next->second.due;
            Callback callback = next->second.callback;
            if (next->second.periodic) {
                next->second.due += next->second.period;
                next->second.order = ++m_order;
            } else {
                m_timers.erase(next);
            }
            callback();
        }
        m_now = target;
    }
    // Milliseconds until the named timer fires; -1 when it is not running.
    int64_t DueIn(const std::string& name) const
    {
        const auto it = m_timers.find(name);
        return it == m_timers.end() ? -1 : static_cast<int64_t>(it->second.due - m_now);
    }

    int m_starts = 0;
    int m_stops = 0;

private:
    struct Timer {
        uint64_t due = 0;
        uint32_t period = 0;
        bool periodic = false;
        uint64_t order = 0;  // ties fire in the order they were set
        Callback callback;
    };

    void Start(const std::string& name, uint32_t milliseconds, bool periodic, Callback callback)
    {
        // A zero period would fire for ever within one Advance.
        const uint32_t period = milliseconds == 0 ? 1 : milliseconds;
        m_timers[name] = Timer{m_now + period, period, periodic, ++m_order, std::move(callback)};
        ++m_starts;
    }

    uint64_t m_now = 0;
    uint64_t m_order = 0;
    std::map<std::string, Timer> m_timers;
};
