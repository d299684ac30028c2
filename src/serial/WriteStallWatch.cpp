#include "serial/WriteStallWatch.h"

bool CWriteStallWatch::Update(uint64_t pendingBytes, uint64_t completedBytes, uint64_t nowMs)
{
    if (pendingBytes == 0) {
        m_watching = false;
        return false;
    }
    // The clock starts when bytes are first seen waiting, and again at every completed write.
    if (!m_watching || completedBytes != m_completedBytes || nowMs < m_sinceMs) {
        m_watching = true;
        m_completedBytes = completedBytes;
        m_sinceMs = nowMs;
        return false;
    }
    return nowMs - m_sinceMs >= kStallMs;
}
