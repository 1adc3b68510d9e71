// What a transfer shows and asks of the window while it goes on, all from the window's thread.
#pragma once

#include <cstdint>
#include <optional>

#include "net/response.h"

class TransferWindow {
 public:
  // The file's bytes so far and its whole length when known: as the file begins, then after
  // every piece.
  virtual void ShowProgress(uint64_t received, std::optional<uint64_t> total) = 0;
  // An attempt failed in a way that passes; the next one comes after notice.waitMs.
  virtual void ShowRetry(const RetryNotice& notice) = 0;
  // Handles the window's waiting messages: painting, and the user's way out.
  virtual void Pump() = 0;
  // True once the user has asked to close the window.
  virtual bool CancelRequested() const = 0;

 protected:
  ~TransferWindow() = default;
};
