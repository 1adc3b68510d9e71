// A transfer's window that records what it was shown, and says "cancel" once told to.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "net/transfer_window.h"

class RecordingTransferWindow : public TransferWindow {
 public:
  void ShowProgress(uint64_t received, std::optional<uint64_t> total) override {
    reports.emplace_back(received, total ? static_cast<int64_t>(*total) : -1);
    if (onProgress) onProgress();
  }
  void ShowRetry(const RetryNotice& notice) override { retries.push_back(notice); }
  void Pump() override { ++pumps; }
  bool CancelRequested() const override { return cancel; }

  // Bytes so far and the whole length (-1 for none), as each report gave them.
  std::vector<std::pair<uint64_t, int64_t>> reports;
  std::vector<RetryNotice> retries;
  std::function<void()> onProgress;  // after each report, e.g. to press the close button
  bool cancel = false;
  int pumps = 0;
};
