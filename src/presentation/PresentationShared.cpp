#include "presentation/PresentationShared.h"

#include <utility>

#include "platform/TimerService.h"

CPresentationShared::CPresentationShared(ITimerService& timer, std::function<void()> notifySelected)
    : m_timer(timer), m_notifySelected(std::move(notifySelected))
{
}

CPresentationShared::~CPresentationShared()
{
    if (m_notificationPending)
        m_timer.Stop(kNotificationTimer);
}

void CPresentationShared::RestartNotification()
{
    // Starting the timer again replaces the pending one, so a burst of keys sends once.
    m_notificationPending = true;
    m_timer.StartOneShot(kNotificationTimer, kNotifyDelayMilliseconds, [this] { OnNotifyTimer(); });
}

bool CPresentationShared::AdvancePollCounter()
{
    const int32_t value = m_pollCounter++;
    if (value < kPollsPerKey)
        return false;
    m_pollCounter = 0;
    return true;
}

void CPresentationShared::OnNotifyTimer()
{
    m_notificationPending = false;
    if (m_notifySelected)
        m_notifySelected();
}
