#include "serial/RetryDelay.h"

#include <algorithm>

void CRetryDelay::OnSessionEnded(bool readerFailed, bool bytesReceived, uint64_t openMs)
{
    if (!readerFailed || bytesReceived || openMs >= kQuickFailureMs) {
        m_delayMs = 0;
        return;
    }
    m_delayMs = m_delayMs == 0 ? kFirstDelayMs : std::min(m_delayMs * 2, kMaxDelayMs);
}
