// The whole updater in-process: the real window with its start-up, start button and update run,
// real ODBC to the database fixture, real downloads from the HTTP fixture, a scratch program
// folder. Only the program start, the process end, TerminateTask and the boxes are recorded.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/updater_win.h"
#include "diag/log_line.h"
#include "diag/log_win.h"
#include "http_fixture.h"
#include "test_support.h"

class RecordingServices final : public WindowsUpdateServices {
 public:
  RecordingServices() : WindowsUpdateServices(QuickRetries()) {}
  DownloadResult Download(const std::wstring& url, const std::wstring& destination, TransferWindow& window,
                          Logger& log, const std::optional<ListedFile>& listed) override {
    return WindowsUpdateServices::Download(url + query, destination, window, log, listed);
  }
  void StartProgram(const std::wstring& path) override { started.push_back(path); }
  void EndProcess() override { ++ends; }

  std::wstring query;  // asked of the HTTP fixture with every file, e.g. "?delay_ms=20"
  std::vector<std::wstring> started;
  int ends = 0;
};

// A value that ProgressBar1 was given, with the file name in lblad then and the time.
struct BarValue {
  std::wstring file;
  int value;
  ULONGLONG at;
};
struct BarLog {
  HWND fileName = nullptr;
  std::vector<BarValue> values;
};

// A box as it was asked for, with the status line the user saw behind it.
struct ShownBox {
  MessageBoxRequest request;
  std::wstring statusThen;
};

class UpdaterTest : public testing::Test {
 protected:
  UpdaterTest();
  ~UpdaterTest() override;

  // ayar.xml in the program folder; the fixture's database with the 8.0 driver by default.
  void WriteSettings(const std::wstring& server, const std::wstring& port);
  // The manifest row's five file columns (as empty texts where empty) and its site.
  void SetManifest(const std::array<std::wstring, 5>& files, const std::wstring& site);

  // Makes the window and runs its load handler, as the entry point does, built with releaseKey.
  UpdaterWindow& Load(std::optional<std::string> releaseKey = std::nullopt);
  // A press of a button by the system's click message, handled before it returns.
  void Press(ControlId button);
  // Runs the window's messages until the condition holds; false after timeoutMs without it.
  bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 30000);

  // The messages of the diagnostic log, without their timestamps.
  std::vector<std::wstring> LogMessages() const;
  // The values ProgressBar1 was given while lblad showed the file's name.
  std::vector<BarValue> BarValuesFor(const std::wstring& file) const;

  bool prepared_ = PrepareWindowThread();
  ScratchFolder folder_;
  DiagnosticLog log_{LogFilePath(folder_.path())};
  RecordingServices services_;
  std::vector<std::wstring> terminated_;       // TerminateTask's names
  std::vector<std::wstring> terminatedFiles_;  // and the program files given with them
  int endRequests_ = 0;                        // the window's end-program hook
  std::vector<ShownBox> boxes_;
  RecordedMessageBoxes recordedBoxes_{[this](const MessageBoxRequest& request) {
    boxes_.push_back({request, window_ ? window_->StatusText() : std::wstring()});
  }};
  std::vector<std::wstring> statuses_;  // every text that lbldurum was given
  BarLog bar_;                          // every value that ProgressBar1 was given
  std::unique_ptr<UpdaterWindow> window_;
};

// Each expected prefix matches a later message than the one before.
testing::AssertionResult InOrder(const std::vector<std::wstring>& messages,
                                 const std::vector<std::wstring>& prefixes);
int CountOf(const std::vector<std::wstring>& messages, const std::wstring& prefix);
