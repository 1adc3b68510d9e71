// The diagnostic log's line format and texts, free of any platform call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr wchar_t kLogFileName[] = L"Zefra INDIR-update.log";

struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;  // 0 to 23
  int minute = 0;
  int second = 0;
};

// "yyyy-mm-dd hh:nn:ss", the colons replaced by the user's time separator.
std::wstring FormatLogTimestamp(const LocalTime& time, std::wstring_view timeSeparator);

// Timestamp, one space, the message unchanged, CR LF.
std::wstring FormatLogLine(const LocalTime& time, std::wstring_view timeSeparator, std::wstring_view message);

// The log file beside the executable: the folder and the file name joined by a backslash.
std::wstring LogFilePath(std::wstring_view programFolder);

// "Log write error <number>: <description>"
std::wstring LogWriteErrorText(int32_t number, std::wstring_view description);

// The text of the one warning box shown when the log cannot be written.
std::wstring LogWarningText(std::wstring_view errorText);
