#pragma once
// How long a call into the presentation program may hold the GUI thread. COM asks the message
// filter of the GUI thread twice: when the program turns a call away because it is busy (a
// dialog or a menu is open), whether to try again; and while a call waits for its answer,
// whether to go on waiting. The filter passes both questions here, with the milliseconds since
// the call was made.
//
// A call the program refuses is tried again for up to kRetryBudget, then fails as busy. A call
// the program has taken but does not answer (the program hangs) is given up after
// kPendingLimit. A probe -- the busy check of the periodic poll -- is never retried and is given
// up after kProbePendingLimit: a busy or hung program must cost the poll only a moment, not the
// retry budget every three seconds.
#include <cstdint>
#include <optional>

class CCallRetryPolicy {
public:
    static constexpr uint32_t kRetryBudget = 2000;
    static constexpr uint32_t kRetryInterval = 100;
    static constexpr uint32_t kPendingLimit = 3500;
    static constexpr uint32_t kProbePendingLimit = 500;

    // What to do with a refused call `elapsed` ms after it was made: the wait before the next
    // try, or nothing when the call is to fail now. `retryLater`: the program asked to be tried
    // again later; otherwise it refused the call for good.
    std::optional<uint32_t> OnRejected(uint32_t elapsed, bool retryLater) const;
    // True when a call still waiting for its answer `elapsed` ms after it was made is to be
    // given up; it then fails as busy.
    bool ShouldCancel(uint32_t elapsed) const;
    bool IsProbing() const { return m_probes > 0; }

    // The calls made while one lives are probes. Scopes nest.
    class CProbe {
    public:
        explicit CProbe(CCallRetryPolicy& policy) : m_policy(policy) { ++m_policy.m_probes; }
        ~CProbe() { --m_policy.m_probes; }
        CProbe(const CProbe&) = delete;
        CProbe& operator=(const CProbe&) = delete;

    private:
        CCallRetryPolicy& m_policy;
    };

private:
    int m_probes = 0;
};
