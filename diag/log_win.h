// Writing the diagnostic log file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "diag/logger.h"
#include "platform/error.h"

// Opens the file for appending (creating it), writes one timestamped line in the system's
// ANSI code page and closes it again. Returns the error when any of that failed.
std::optional<ErrorInfo> AppendLogLine(const std::wstring& logPath, std::wstring_view message);

// The whole of one log call: append the line; on a failure show the one warning of the run
// (when logWarningShown is still false, which it then becomes) and carry on silently.
void WriteDiagnosticLog(const std::wstring& logPath, std::wstring_view message, bool& logWarningShown) noexcept;

// A log with its own warning flag, for code that runs without the window.
class DiagnosticLog : public Logger {
 public:
  explicit DiagnosticLog(std::wstring logPath) : logPath_(std::move(logPath)) {}
  void LOG_YAZ(std::wstring_view message) override { WriteDiagnosticLog(logPath_, message, warningShown_); }
  bool LogWarningShown() const { return warningShown_; }

 private:
  std::wstring logPath_;
  bool warningShown_ = false;
};
