// The update run's window for the helper programs that measure a run: it shows nothing and is
// never closed.
#pragma once

#include "update/update_run.h"

class QuietRunWindow : public UpdateRunWindow {
 public:
  void SetStatus(const std::wstring&) override {}
  void SetFileName(const std::wstring&) override {}
  void SetSizeText(const std::wstring&) override {}
  void SetProgress(int) override {}
  void SetStartEnabled(bool) override {}
  void StopRunTimer() override {}
  void StopProgressTimer() override {}
  void BeginTransfer(std::optional<std::wstring>) override {}
  void ShowProgress(uint64_t, std::optional<uint64_t>) override {}
  void ShowRetry(const RetryNotice&) override {}
  void ShowRunStopped() override {}
  void ShowRunCompleted() override {}
  void Pump() override {}
  bool CancelRequested() const override { return false; }
};
