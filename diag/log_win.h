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

// The diagnostic log of one run: made once and passed by reference to whatever writes to it
// (the window included), so that its one warning is shown once.
class DiagnosticLog : public Logger {
 public:
  explicit DiagnosticLog(std::wstring logPath) : logPath_(std::move(logPath)) {}
  // Appends the line; on a failure shows the one warning of the run and carries on silently.
  void LOG_YAZ(std::wstring_view message) noexcept override;
  bool LogWarningShown() const { return warningShown_; }

 private:
  std::wstring logPath_;
  bool warningShown_ = false;
};
