#include "serial/LinkAttempt.h"

#include <chrono>

CLinkAttempt::CLinkAttempt(std::shared_ptr<CSharedPort> shared, uintptr_t number, uint32_t delayMs)
    : m_shared(std::move(shared)), m_number(number), m_delayMs(delayMs)
{
}

bool CLinkAttempt::TakePort()
{
    std::unique_lock<std::mutex> lock(m_shared->m_mutex);
    const auto abandoned = [this] { return m_phase == Phase::Abandoned; };
    if (m_delayMs != 0)
        m_shared->m_changed.wait_for(lock, std::chrono::milliseconds(m_delayMs), abandoned);
    m_shared->m_changed.wait(lock, [&] { return abandoned() || !m_shared->m_busy; });
    if (abandoned())
        return false;
    m_shared->m_busy = true;
    m_phase = Phase::Opening;
    return true;
}

bool CLinkAttempt::FinishOpen(bool opened, const std::function<void(bool opened)>& announce)
{
    std::lock_guard<std::mutex> lock(m_shared->m_mutex);
    if (m_phase == Phase::Abandoned)
        return false;
    m_phase = opened ? Phase::Open : Phase::Failed;
    announce(opened);
    return true;
}

void CLinkAttempt::ReleasePort()
{
    std::lock_guard<std::mutex> lock(m_shared->m_mutex);
    m_shared->m_busy = false;
    m_shared->m_changed.notify_all();
}

CLinkAttempt::Phase CLinkAttempt::Abandon()
{
    std::lock_guard<std::mutex> lock(m_shared->m_mutex);
    const Phase was = m_phase;
    if (was == Phase::Waiting || was == Phase::Opening) {
        m_phase = Phase::Abandoned;
        m_shared->m_changed.notify_all();
    }
    return was;
}

bool CLinkAttempt::IsOpen() const
{
    std::lock_guard<std::mutex> lock(m_shared->m_mutex);
    return m_phase == Phase::Open;
}
