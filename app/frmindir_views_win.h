// frmindir as the subsystems below app/ see it: start-up's manifest reader, the start button
// and the update run (with its transfers) each reach the window through a narrow view, and this
// one class gives all of them by forwarding to the window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/frmindir_win.h"
#include "app/start_button.h"
#include "settings/manifest_window.h"
#include "update/run_texts.h"
#include "update/update_run.h"

class FrmindirViews final : public ManifestWindow, public UpdateRunWindow, public StartButtonWindow {
 public:
  explicit FrmindirViews(frmindir& window) : window_(window) {}

  void LOG_YAZ(std::wstring_view message) override { window_.log().LOG_YAZ(message); }
  void SetDescription(const std::wstring& text) override { window_.SetDescription(text); }
  void SetStartEnabled(bool enabled) override { window_.SetStartEnabled(enabled); }
  void SetStatus(const std::wstring& text) override { window_.SetStatusText(text); }
  void SetFileName(const std::wstring& text) override { window_.SetFileName(text); }
  void SetSizeText(const std::wstring& text) override { window_.SetSizeText(text); }
  void SetProgress(int value) override { window_.runProgress().ShowValue(value); }
  void BeginTransfer(std::optional<std::wstring> file) override { retryStatus_.Begin(std::move(file)); }
  void ShowProgress(uint64_t received, std::optional<uint64_t> total) override {
    if (std::optional<std::wstring> status = retryStatus_.Progressed(received))
      window_.SetStatusText(*status);
    window_.runProgress().BodyReceived(received, total);
  }
  void ShowRetry(const RetryNotice& notice) override { window_.SetStatusText(retryStatus_.Retried(notice)); }
  void StartRunTimer(unsigned intervalMs) override { window_.SetRunTimer(intervalMs); }
  void StopRunTimer() override { window_.SetRunTimer(0); }
  void StopProgressTimer() override { window_.runProgress().StopAnimation(); }
  void ShowRunStopped() override { window_.runProgress().RunStopped(); }
  void ShowRunCompleted() override { window_.runProgress().RunCompleted(); }
  void Pump() override { window_.PumpWhileBusy(); }
  bool CancelRequested() const override { return window_.CancelRequested(); }

 private:
  frmindir& window_;
  RetryStatus retryStatus_;
};
