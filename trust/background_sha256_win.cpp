#include "trust/background_sha256_win.h"

void BackgroundSha256::Add(const unsigned char* data, size_t size) {
  WaitForPiece();
  busy_ = true;
  worker_.Start([this, data, size] { hash_.Add(data, size); });
}

Sha256Digest BackgroundSha256::Finish() {
  WaitForPiece();
  return hash_.Finish();
}

void BackgroundSha256::WaitForPiece() {
  if (busy_) {
    worker_.Wait(INFINITE);
    busy_ = false;
    if (!failed_) failed_ = worker_.failure();
  }
  if (failed_) std::rethrow_exception(failed_);
}
