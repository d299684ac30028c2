#include "platform/win32/Win32TimerService.h"

#include <utility>

CWin32TimerService::~CWin32TimerService()
{
    StopAll();
}

void CWin32TimerService::StopAll()
{
    if (m_window) {
        for (const auto& [name, timer] : m_running)
            ::KillTimer(m_window, m_ids[name]);
    }
    m_running.clear();
}

void CWin32TimerService::StartPeriodic(const std::string& name, uint32_t milliseconds, Callback callback)
{
    Start(name, milliseconds, true, std::move(callback));
}

void CWin32TimerService::StartOneShot(const std::string& name, uint32_t milliseconds, Callback callback)
{
    Start(name, milliseconds, false, std::move(callback));
}

void CWin32TimerService::Start(const std::string& name, uint32_t milliseconds, bool periodic, Callback callback)
{
    if (!m_window)
        return;
    // SetTimer with an id already set restarts that timer with the new period.
    if (::SetTimer(m_window, IdOf(name), milliseconds, nullptr) == 0)
        return;
    m_running[name] = Timer{periodic, std::move(callback)};
}

void CWin32TimerService::Stop(const std::string& name)
{
    if (m_running.erase(name) != 0 && m_window)
        ::KillTimer(m_window, m_ids[name]);
}

bool CWin32TimerService::IsRunning(const std::string& name) const
{
    return m_running.count(name) != 0;
}

uint64_t CWin32TimerService::NowMs() const
{
    return ::GetTickCount64();
}

bool CWin32TimerService::OnTimer(UINT_PTR id)
{
    const auto named = m_names.find(id);
    if (named == m_names.end())
        return false;
    const auto running = m_running.find(named->second);
    if (running == m_running.end()) {
        // A WM_TIMER already queued when the timer was stopped.
        ::KillTimer(m_window, id);
        return true;
    }
    // A copy runs: the callback may restart or stop this very timer.
    const Callback callback = running->second.callback;
    if (!running->second.periodic) {
        ::KillTimer(m_window, id);
        m_running.erase(running);
    }
    if (callback)
        callback();
    return true;
}

UINT_PTR CWin32TimerService::IdOf(const std::string& name)
{
    const auto found = m_ids.find(name);
    if (found != m_ids.end())
        return found->second;
    const UINT_PTR id = m_ids.size() + 1;
    m_ids.emplace(name, id);
    m_names.emplace(id, name);
    return id;
}
