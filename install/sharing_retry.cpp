#include "install/sharing_retry.h"

uint32_t RetryOnSharingViolation(const std::function<uint32_t()>& attempt,
                                 const std::function<void(unsigned)>& pause, RetryPlan plan) {
  uint32_t result = attempt();
  for (int tries = 1; tries < plan.attempts; ++tries) {
    if (result != kErrorSharingViolation && result != kErrorLockViolation) break;
    pause(plan.pauseMs);
    result = attempt();
  }
  return result;
}
