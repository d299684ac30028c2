#pragma once
#include <cstdint>

// How long the link waits before opening its port again. A port that opens and then fails at
// once (its event wait errors straight away) would otherwise be reopened in a busy loop; the
// wait grows with each such failure and goes back to none after a session that worked.
class CRetryDelay {
public:
    // A reader that failed this soon after its open, with no byte received, counts as a port
    // that fails at once.
    static constexpr uint64_t kQuickFailureMs = 5000;
    static constexpr uint32_t kFirstDelayMs = 250;
    static constexpr uint32_t kMaxDelayMs = 1500;

    // A session ended: whether its reader failed, whether any byte arrived, how long it was open.
    void OnSessionEnded(bool readerFailed, bool bytesReceived, uint64_t openMs);
    uint32_t GetDelayMs() const { return m_delayMs; }

private:
    uint32_t m_delayMs = 0;
};
