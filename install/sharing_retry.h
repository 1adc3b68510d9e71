// Retrying a file operation that another program briefly holds the file against.
#pragma once

#include <cstdint>
#include <functional>

inline constexpr uint32_t kErrorSharingViolation = 32;  // ERROR_SHARING_VIOLATION
inline constexpr uint32_t kErrorLockViolation = 33;     // ERROR_LOCK_VIOLATION

struct RetryPlan {
  int attempts = 6;        // the first try and five more
  unsigned pauseMs = 200;  // about a second in all
};

// Runs attempt (which returns 0 or an error code) again after a pause while it reports a sharing
// or lock violation, as virus scanners cause on a new file; returns the last result.
uint32_t RetryOnSharingViolation(const std::function<uint32_t()>& attempt,
                                 const std::function<void(unsigned)>& pause, RetryPlan plan = {});
