// SHA-256 of a body while it streams, on a thread of its own, so that hashing one piece overlaps
// reading the next: a download then takes no longer than without the digest.
#pragma once

#include <cstddef>
#include <exception>

#include "platform/worker_win.h"
#include "trust/cng_win.h"

class BackgroundSha256 {
 public:
  // Hands a piece to the hashing thread after it has finished the previous one. The piece must
  // stay untouched until the next Add or Finish returns, so the caller alternates two buffers.
  // Throws AppError when hashing an earlier piece failed.
  void Add(const unsigned char* data, size_t size);
  // Waits for the last piece and returns the digest of all of them.
  Sha256Digest Finish();

 private:
  // Waits for the piece under way; throws the first failure of any piece.
  void WaitForPiece();

  Sha256 hash_;
  bool busy_ = false;
  std::exception_ptr failed_;
  Worker worker_;  // last: it ends, with its piece, before the hash goes
};
