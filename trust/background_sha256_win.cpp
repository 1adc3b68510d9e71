#include "trust/background_sha256_win.h"

BackgroundSha256::BackgroundSha256() : worker_([this] { HashPieces(); }) {}

BackgroundSha256::~BackgroundSha256() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void BackgroundSha256::Add(const unsigned char* data, size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  WaitUntilIdle(lock);
  piece_ = data;
  pieceSize_ = size;
  pending_ = true;
  lock.unlock();
  changed_.notify_all();
}

Sha256Digest BackgroundSha256::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  WaitUntilIdle(lock);
  return hash_.Finish();
}

void BackgroundSha256::WaitUntilIdle(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return !pending_; });
  if (failure_) throw AppError(*failure_);
}

// The hashing thread: one piece at a time, until the object goes.
void BackgroundSha256::HashPieces() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return pending_ || stopping_; });
    if (!pending_) return;
    lock.unlock();
    std::optional<ErrorInfo> failure;
    try {
      hash_.Add(piece_, pieceSize_);
    } catch (const AppError& error) {
      failure = error.info();
    }
    lock.lock();
    if (failure && !failure_) failure_ = failure;
    pending_ = false;
    changed_.notify_all();
  }
}
