// Closing the running copies of the listed programs, as the run does once every file is here,
// and the start button's refusal of a folder that takes no files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/folder_write_probe_win.h"
#include "app/start_button.h"
#include "http_fixture.h"
#include "platform/encoding_win.h"
#include "process/mdl_task_win.h"
#include "recording_log.h"
#include "standin.h"
#include "update/run_texts.h"
#include "update/update_services_win.h"

namespace {

using ::testing::ElementsAre;

class Window : public StartButtonWindow {
 public:
  void SetStatus(const std::wstring& text) override { steps.push_back(text); }
  void StartRunTimer(unsigned intervalMs) override { steps.push_back(std::to_wstring(intervalMs)); }
  void SetStartEnabled(bool enabled) override { steps.push_back(enabled ? L"enabled" : L"disabled"); }
  void LOG_YAZ(std::wstring_view message) override { steps.push_back(std::wstring(message)); }
  std::vector<std::wstring> steps;
};

TEST(StartButtonWithRunningCopies, TheRunClosesTheListedProgramsByTitleAndFileAndWaitsForThem) {
  std::vector<std::wstring> entries;
  EventLogWriter previous = SetEventLogWriter([&](const std::wstring& text) { entries.push_back(text); });
  const std::wstring application = UniqueName(L"Zefra VUNO ");
  const std::wstring helper = UniqueName(L"Yardım ");
  ScratchFolder programFolder;
  auto main =
      StartStandInFrom(CopyStandIn(programFolder.path(), application + L".exe"), application + L" 9.08");
  auto other = StartStandInFrom(CopyStandIn(programFolder.path(), helper + L".ExE"), helper);
  auto spaced =
      StartStandInFrom(CopyStandIn(programFolder.path(), L"Bekleyen.exe"), UniqueName(L"Bekleyen "));
  auto bystander = StartStandIn(UniqueName(L"Zefra "));

  std::vector<std::wstring> closed;
  const std::array<std::wstring, 5> files{application + L".exe", L"ortak.dll", helper + L".ExE", L".exe",
                                          L"Bekleyen.exe  "};
  WindowsUpdateServices services;
  for (const ProgramToClose& program : ProgramsToClose(files, programFolder.path())) {
    closed.push_back(program.name);
    services.CloseRunningCopies(program.name, program.file);
  }
  SetEventLogWriter(std::move(previous));

  EXPECT_THAT(closed, ElementsAre(application, helper));
  EXPECT_TRUE(main->HasEnded(0)) << "each is waited for";
  EXPECT_TRUE(other->HasEnded(0));
  EXPECT_FALSE(spaced->HasEnded(1000));
  EXPECT_FALSE(bystander->HasEnded());
  EXPECT_EQ(entries.size(), 2u);
}

// A window's title carries the program's own name, never "bin\": the copy in the subfolder is
// found by "Rapor ...", closed, and its file is then free to be replaced.
TEST(StartButtonWithRunningCopies, AProgramInASubfolderIsClosedByItsOwnNameAndItsSlotReplaced) {
  EventLogWriter previous = SetEventLogWriter([](const std::wstring&) {});
  ScratchFolder programFolder;
  CreateDirectoryW((programFolder / L"bin").c_str(), nullptr);
  const std::wstring report = UniqueName(L"Rapor ");
  const std::wstring slot = L"bin\\" + report + L".exe";
  auto running =
      StartStandInFrom(CopyStandIn(programFolder / L"bin", report + L".exe"), report + L" - Yıllık");

  for (const ProgramToClose& program : ProgramsToClose({slot, L"", L"", L"", L""}, programFolder.path())) {
    WindowsUpdateServices().CloseRunningCopies(program.name, program.file);
  }
  SetEventLogWriter(std::move(previous));
  ASSERT_TRUE(EndsSoon(*running));
  EXPECT_EQ(FolderNames(programFolder.path()),
            (std::vector<std::wstring>{L"bin\\", L"bin\\" + report + L".exe"}))
      << "the probe is gone";

  RecordingLog log;
  const DownloadResult result =
      DOSYA_INDIR(Serve(L"rapor-new.exe", "MZ new report"), programFolder / slot, log, QuickRetries());
  EXPECT_TRUE(result.fetched) << ToUtf8(result.details);
  EXPECT_EQ(ReadBytes(programFolder / slot), "MZ new report");
}

// A folder mounted read-only, as Program Files is to a user without administrator rights.
TEST(StartButtonWithRunningCopies, AFolderThatTakesNoFilesKeepsTheProgramRunning) {
  const std::wstring folder = TestEnv(L"ZEFRA_TEST_READONLY_WIN");
  if (folder.empty())
    GTEST_SKIP() << "no read-only folder: " << ToUtf8(TestEnv(L"ZEFRA_TEST_READONLY_UNAVAILABLE"));
  const std::wstring application = UniqueName(L"Zefra VUNO ");
  // Copied in through the writable side of the mount, started from the read-only one.
  CopyStandIn(TestEnv(L"ZEFRA_TEST_READONLY_SOURCE_WIN"), application + L".exe");
  auto main = StartStandInFrom(folder + L"\\" + application + L".exe", application);
  const std::vector<std::wstring> before = FolderNames(folder);

  Window window;
  RecordedMessageBoxes boxes;
  StartButtonPressed({application + L".exe", L"", L"", L"", L""}, folder, window, FolderWriteError);

  EXPECT_FALSE(main->HasEnded(1000));
  EXPECT_EQ(FolderNames(folder), before);
  ASSERT_EQ(window.steps.size(), 1u) << "no status, no timer, the button left enabled";
  EXPECT_EQ(window.steps[0].rfind(L"Program folder is not writable; folder=" + folder + L"; error=5: ", 0),
            0u);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_NE(boxes.shown()[0].text.find(folder + L"\r\n\r\nHata 5: "), std::wstring::npos);
}

}  // namespace
