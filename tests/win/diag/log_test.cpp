// The diagnostic log against the real file system, under the system's ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include "diag/log_line.h"
#include "diag/log_win.h"
#include "platform/encoding_win.h"
#include "test_support.h"

namespace {

// The messages of the file, as the system's ANSI code page holds them.
std::vector<std::string> Messages(const std::wstring& path) {
  std::vector<std::string> messages;
  for (const std::wstring& message : LogMessagesOf(path)) messages.push_back(ToAnsi(message));
  return messages;
}

TEST(DiagnosticLog, CreatesTheFileThenAppendsEveryLine) {
  ScratchFolder folder;
  const std::wstring path = LogFilePath(folder.path());
  RecordedMessageBoxes boxes;
  DiagnosticLog log(path);

  log.LOG_YAZ(L"Updater started; applicationPath=" + folder.path());
  log.LOG_YAZ(L"");
  log.LOG_YAZ(L"second");
  DiagnosticLog(path).LOG_YAZ(L"a later run appends");

  EXPECT_EQ(Messages(path),
            (std::vector<std::string>{"Updater started; applicationPath=" + ToAnsi(folder.path()), "",
                                      "second", "a later run appends"}));
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_FALSE(log.LogWarningShown());
}

TEST(DiagnosticLog, TurkishLettersAreWrittenInTheAnsiCodePage) {
  ScratchFolder folder;
  const std::wstring path = LogFilePath(folder.path());
  DiagnosticLog log(path);
  const std::wstring text = L"Güncelleme hatası: İŞğı çÖ";
  log.LOG_YAZ(text);

  const std::string bytes = ReadBytes(path);
  ASSERT_GE(bytes.size(), 22u);
  const std::string written = bytes.substr(20, bytes.size() - 22);
  EXPECT_EQ(written, ToAnsi(text));
  if (GetACP() == 1254) {
    EXPECT_EQ(written, "G\xFCncelleme hatas\xFD: \xDD\xDE\xF0\xFD \xE7\xD6");  // Windows-1254
  } else {
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_EQ(written.substr(0, 2), "G\xFC");  // ü exists in Windows-1252 as well
  }
}

TEST(DiagnosticLog, AnUnwritableLogWarnsOnceWithTheSystemsNumberAndText) {
  ScratchFolder folder;
  const std::wstring path = LogFilePath(folder.path());
  RecordedMessageBoxes boxes;
  DiagnosticLog log(path);

  // A folder where the log file should be: the open fails with "access denied" (5).
  CreateDirectoryW(path.c_str(), nullptr);
  log.LOG_YAZ(L"lost one");
  log.LOG_YAZ(L"lost two");

  ASSERT_EQ(boxes.shown().size(), 1u);
  const MessageBoxRequest& warning = boxes.shown()[0];
  EXPECT_EQ(warning.title, L"Zefra INDIR");
  EXPECT_EQ(warning.style, static_cast<unsigned>(kBoxWarning));
  const std::wstring expected = L"Tanilama logu yazilamadi: Log write error 5: ";
  EXPECT_EQ(warning.text.substr(0, expected.size()), expected);
  EXPECT_GT(warning.text.size(), expected.size()) << "the system's description follows the number";
  EXPECT_TRUE(log.LogWarningShown());
}

TEST(DiagnosticLog, AfterAFailedWriteALaterWriteAppendsNormally) {
  ScratchFolder folder;
  const std::wstring path = LogFilePath(folder.path());
  RecordedMessageBoxes boxes;
  DiagnosticLog log(path);
  log.LOG_YAZ(L"before");
  {
    // Another program holds the log open without sharing: the line is lost.
    HeldOpenFile holder(path);
    log.LOG_YAZ(L"lost");
  }
  log.LOG_YAZ(L"after");

  EXPECT_EQ(Messages(path), (std::vector<std::string>{"before", "after"}));
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_NE(boxes.shown()[0].text.find(L"Log write error 32: "), std::wstring::npos) << "sharing violation";
}

}  // namespace
