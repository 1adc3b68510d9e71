// The start button with the real closing of running copies.
#include "app/start_button.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process/mdl_task_win.h"
#include "standin.h"

namespace {

using ::testing::ElementsAre;

class Window : public StartButtonWindow {
 public:
  void SetStatus(const std::wstring& text) override { steps.push_back(text); }
  void StartRunTimer(unsigned intervalMs) override { steps.push_back(std::to_wstring(intervalMs)); }
  void SetStartEnabled(bool enabled) override { steps.push_back(enabled ? L"enabled" : L"disabled"); }
  std::vector<std::wstring> steps;
};

TEST(StartButtonWithRunningCopies, ClosesTheListedProgramsAndSchedulesTheRun) {
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

  Window window;
  std::vector<std::wstring> closed;
  const std::array<std::wstring, 5> files{application + L".exe", L"ortak.dll", helper + L".ExE", L".exe",
                                          L"Bekleyen.exe  "};
  StartButtonPressed(files, programFolder.path(), window,
                     [&](const std::wstring& name, const std::wstring& programFile) {
                       closed.push_back(name);
                       return TerminateTask(name, programFile);
                     });
  SetEventLogWriter(std::move(previous));

  EXPECT_THAT(closed, ElementsAre(application, helper));
  EXPECT_TRUE(EndsSoon(*main));
  EXPECT_TRUE(EndsSoon(*other));
  EXPECT_FALSE(spaced->HasEnded(1000));
  EXPECT_FALSE(bystander->HasEnded());
  EXPECT_EQ(entries.size(), 2u);
  EXPECT_THAT(window.steps, ElementsAre(L"Açık dosyalar kapatılıyor...", L"2000", L"disabled"));
}

}  // namespace
