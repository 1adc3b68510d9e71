#include "platform/worker_win.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/error.h"
#include "platform/scoped_win.h"
#include "platform/win_error_win.h"

// What the caller and the thread share; the thread holds it too, so a call given up on ends on
// what is still there and frees it when it ends.
struct Worker::State {
  std::mutex mutex;
  std::condition_variable wake;
  std::function<void()> call;  // the call to make next
  bool stop = false;
  std::exception_ptr failure;
  UniqueHandle ended;
  std::thread thread;
};

Worker::Worker() : state_(std::make_shared<State>()) {
  state_->ended.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!state_->ended) ThrowLastError();
  state_->thread = std::thread(Run, state_);
}

Worker::~Worker() {
  if (!state_) return;
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stop = true;
  }
  state_->wake.notify_all();
  state_->thread.join();
}

void Worker::Run(std::shared_ptr<State> state) {
  std::unique_lock<std::mutex> lock(state->mutex);
  for (;;) {
    state->wake.wait(lock, [&] { return state->call || state->stop; });
    if (!state->call) return;
    std::function<void()> call = std::move(state->call);
    state->call = nullptr;
    lock.unlock();
    std::exception_ptr failure;
    try {
      call();
    } catch (...) {
      failure = std::current_exception();
    }
    // The call and what it captured go before the caller hears of the end.
    call = nullptr;
    lock.lock();
    state->failure = failure;
    SetEvent(state->ended.get());
  }
}

void Worker::Start(std::function<void()> call) {
  if (!state_) throw AppError(ErrorInfoFromCode(ERROR_INVALID_HANDLE));
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->failure = nullptr;
    state_->call = std::move(call);
  }
  state_->wake.notify_all();
}

HANDLE Worker::ended() const { return state_ ? state_->ended.get() : nullptr; }

bool Worker::Wait(DWORD ms) {
  const DWORD waited = WaitForSingleObject(state_->ended.get(), ms);
  if (waited == WAIT_FAILED) ThrowLastError();
  return waited == WAIT_OBJECT_0;
}

std::exception_ptr Worker::failure() const {
  const std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->failure;
}

void Worker::GiveUp() {
  if (!state_) return;
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stop = true;
  }
  // A thread whose call has just ended is back in its wait: woken, it sees stop and ends.
  state_->wake.notify_all();
  state_->thread.detach();
  state_.reset();
}
