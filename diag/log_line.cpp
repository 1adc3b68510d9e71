#include "diag/log_line.h"

#include <cwchar>

namespace {

std::wstring Padded(int value, int width) {
  wchar_t buffer[16];
  std::swprintf(buffer, 16, L"%0*d", width, value);
  return buffer;
}

}  // namespace

std::wstring FormatLogTimestamp(const LocalTime& time, std::wstring_view timeSeparator) {
  std::wstring text;
  text += Padded(time.year, 4) + L'-' + Padded(time.month, 2) + L'-' + Padded(time.day, 2) + L' ';
  text += Padded(time.hour, 2);
  text += timeSeparator;
  text += Padded(time.minute, 2);
  text += timeSeparator;
  text += Padded(time.second, 2);
  return text;
}

std::wstring FormatLogLine(const LocalTime& time, std::wstring_view timeSeparator, std::wstring_view message) {
  std::wstring line = FormatLogTimestamp(time, timeSeparator);
  line += L' ';
  line += message;
  line += L"\r\n";
  return line;
}

std::wstring LogFilePath(std::wstring_view programFolder) {
  std::wstring path(programFolder);
  path += L'\\';
  path += kLogFileName;
  return path;
}

std::wstring LogWriteErrorText(int32_t number, std::wstring_view description) {
  return L"Log write error " + std::to_wstring(number) + L": " + std::wstring(description);
}

std::wstring LogWarningText(std::wstring_view errorText) {
  return L"Tanilama logu yazilamadi: " + std::wstring(errorText);
}
