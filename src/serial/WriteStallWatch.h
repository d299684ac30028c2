#pragma once
#include <cstdint>

// Tells when a link's writes stopped moving: bytes are waiting to be written and no write has
// completed for kStallMs (the phone stopped reading, its buffer is full). Times are milliseconds
// of one steady clock, supplied by the caller.
class CWriteStallWatch {
public:
    static constexpr uint64_t kStallMs = 5000;

    // Looks at the port's write counters now; true when the writes are stalled.
    bool Update(uint64_t pendingBytes, uint64_t completedBytes, uint64_t nowMs);
    void Reset() { m_watching = false; }

private:
    bool m_watching = false;       // bytes were pending at the last look
    uint64_t m_completedBytes = 0;  // the completed count when progress was last seen
    uint64_t m_sinceMs = 0;         // when progress was last seen
};
