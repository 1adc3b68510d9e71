// A thread of its own that runs one call at a time while the caller waits for its end: with a
// limit, or beside other handles with the window's messages handled. A call given up on is left
// to end by itself with what it holds: the caller shares with it only what the call captured.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>

class Worker {
 public:
  // Starts the thread; throws AppError.
  Worker();
  // The call under way ends first, unless it was given up on.
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Hands call to the thread; the one before must have ended.
  void Start(std::function<void()> call);
  // Set when a call has ended (auto-reset): one handle among those a caller waits on.
  HANDLE ended() const;
  // Waits up to ms for the call to end; true when it has.
  bool Wait(DWORD ms);
  // After the call has ended: what it threw, if anything.
  std::exception_ptr failure() const;
  // Leaves the call under way to end by itself; the worker takes no call after this.
  void GiveUp();
  bool givenUp() const { return !state_; }

 private:
  struct State;
  static void Run(std::shared_ptr<State> state);

  std::shared_ptr<State> state_;
};

// Runs call on a worker and waits at most ms for its result. Throws what it threw, or onLimit()'s
// exception when the limit passed: the call then ends by itself with what it owns.
template <typename Result, typename OnLimit>
Result RunWithin(DWORD ms, std::function<Result()> call, OnLimit onLimit) {
  const auto result = std::make_shared<Result>();
  Worker worker;
  worker.Start([result, call = std::move(call)] { *result = call(); });
  if (!worker.Wait(ms)) {
    worker.GiveUp();
    onLimit();
  }
  if (const std::exception_ptr failure = worker.failure()) std::rethrow_exception(failure);
  return std::move(*result);
}
