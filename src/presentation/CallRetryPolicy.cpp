#include "presentation/CallRetryPolicy.h"

std::optional<uint32_t> CCallRetryPolicy::OnRejected(uint32_t elapsed, bool retryLater) const
{
    if (!retryLater || IsProbing() || elapsed >= kRetryBudget)
        return std::nullopt;
    // The last try comes no later than the budget allows.
    const uint32_t left = kRetryBudget - elapsed;
    return left < kRetryInterval ? left : kRetryInterval;
}

bool CCallRetryPolicy::ShouldCancel(uint32_t elapsed) const
{
    return elapsed >= (IsProbing() ? kProbePendingLimit : kPendingLimit);
}
