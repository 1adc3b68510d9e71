// The one worker thread: a call's result and failure reach the caller, and a call past its limit
// is given up on and ends by itself with what it holds.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "platform/error.h"
#include "platform/worker_win.h"

namespace {

TEST(Worker, ACallsResultOrFailureReachesTheCallerAndALateCallIsGivenUpOn) {
  const auto limit = [] { throw std::runtime_error("limit"); };
  EXPECT_EQ(RunWithin<int>(
                5000, [] { return 7; }, limit),
            7);
  EXPECT_THROW(RunWithin<int>(
                   5000, []() -> int { throw AppError(5, L"denied"); }, limit),
               AppError);

  const auto release = std::make_shared<std::atomic<bool>>(false);
  const auto ended = std::make_shared<std::atomic<bool>>(false);
  const auto late = [release, ended] {
    while (!*release) Sleep(5);
    *ended = true;
    return 1;
  };
  EXPECT_THROW(RunWithin<int>(50, late, limit), std::runtime_error);
  *release = true;
  for (int i = 0; i < 400 && !*ended; ++i) Sleep(5);
  EXPECT_TRUE(*ended) << "the call given up on ran to its end";
}

}  // namespace
