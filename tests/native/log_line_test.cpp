#include "diag/log_line.h"

#include <gtest/gtest.h>

namespace {

const LocalTime kMorning{2024, 3, 5, 14, 7, 9};

TEST(LogLine, TimestampIsZeroPaddedWithTheUsersTimeSeparator) {
  EXPECT_EQ(FormatLogTimestamp(kMorning, L":"), L"2024-03-05 14:07:09");
  EXPECT_EQ(FormatLogTimestamp(kMorning, L"."), L"2024-03-05 14.07.09");
  EXPECT_EQ(FormatLogTimestamp(LocalTime{2025, 12, 31, 0, 0, 0}, L":"), L"2025-12-31 00:00:00");
  EXPECT_EQ(FormatLogTimestamp(LocalTime{2026, 1, 1, 23, 59, 59}, L":"), L"2026-01-01 23:59:59");
}

TEST(LogLine, MessageFollowsOneSpaceUnchangedAndEndsInCrLf) {
  EXPECT_EQ(FormatLogLine(kMorning, L":", L"Update started; baseUrl=http://x/ "),
            L"2024-03-05 14:07:09 Update started; baseUrl=http://x/ \r\n");
  EXPECT_EQ(FormatLogLine(kMorning, L":", L""), L"2024-03-05 14:07:09 \r\n");
  // Line breaks inside a message are kept: only its first line carries a timestamp.
  EXPECT_EQ(FormatLogLine(kMorning, L":", L"one\r\ntwo\nthree"), L"2024-03-05 14:07:09 one\r\ntwo\nthree\r\n");
  EXPECT_EQ(FormatLogLine(kMorning, L":", L"Güncelleme hatası İŞğı"), L"2024-03-05 14:07:09 Güncelleme hatası İŞğı\r\n");
}

TEST(LogLine, PathAndFailureTexts) {
  EXPECT_EQ(LogFilePath(L"C:\\Users\\Gökhan\\Masaüstü\\Zefra"),
            L"C:\\Users\\Gökhan\\Masaüstü\\Zefra\\Zefra INDIR-update.log");
  EXPECT_EQ(LogWriteErrorText(5, L"Access denied."), L"Log write error 5: Access denied.");
  EXPECT_EQ(LogWarningText(L"Log write error 5: Access denied."),
            L"Tanilama logu yazilamadi: Log write error 5: Access denied.");
}

}  // namespace
