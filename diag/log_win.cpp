#include "diag/log_win.h"

#include <windows.h>

#include "diag/log_line.h"
#include "platform/encoding_win.h"
#include "platform/message_box.h"
#include "platform/scoped_win.h"
#include "platform/win_error_win.h"

namespace {

LocalTime CurrentLocalTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

// The time separator of the user's regional settings; a colon when none can be read.
std::wstring UserTimeSeparator() {
  wchar_t buffer[8] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STIME, buffer, 8) > 1) return buffer;
  return L":";
}

}  // namespace

std::optional<ErrorInfo> AppendLogLine(const std::wstring& logPath, std::wstring_view message) {
  // Opened and closed on every call, so other programs may read or copy the log between lines.
  UniqueFile file(CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastErrorInfo();

  const std::string bytes = ToAnsi(FormatLogLine(CurrentLocalTime(), UserTimeSeparator(), message));
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    return LastErrorInfo();
  }
  if (written != bytes.size()) return ErrorInfoFromCode(ERROR_DISK_FULL);
  if (!CloseHandle(file.release())) return LastErrorInfo();
  return std::nullopt;
}

void DiagnosticLog::LOG_YAZ(std::wstring_view message) noexcept {
  try {
    const std::optional<ErrorInfo> failure = AppendLogLine(logPath_, message);
    if (!failure || warningShown_) return;
    // The line is lost; the user hears of it once per run and the work goes on.
    warningShown_ = true;
    ShowMessageBox(LogWarningText(LogWriteErrorText(failure->number, failure->description)), kProgramTitle,
                   kBoxWarning);
  } catch (...) {
    // Writing the log must never stop the update.
  }
}
