// SHA-256 of a body while it streams, on a thread of its own, so that hashing one piece overlaps
// reading the next: a download then takes no longer than without the digest.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/error.h"
#include "trust/cng_win.h"

class BackgroundSha256 {
 public:
  BackgroundSha256();
  ~BackgroundSha256();
  BackgroundSha256(const BackgroundSha256&) = delete;
  BackgroundSha256& operator=(const BackgroundSha256&) = delete;

  // Hands a piece to the hashing thread after it has finished the previous one. The piece must
  // stay untouched until the next Add or Finish returns, so the caller alternates two buffers.
  // Throws AppError when hashing an earlier piece failed.
  void Add(const unsigned char* data, size_t size);
  // Waits for the last piece and returns the digest of all of them.
  Sha256Digest Finish();

 private:
  void HashPieces();
  void WaitUntilIdle(std::unique_lock<std::mutex>& lock);

  Sha256 hash_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const unsigned char* piece_ = nullptr;
  size_t pieceSize_ = 0;
  bool pending_ = false;
  bool stopping_ = false;
  std::optional<ErrorInfo> failure_;
  std::thread worker_;  // last: it starts once everything above is ready
};
