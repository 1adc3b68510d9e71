// The start button on the real window: the run starts at once and closes nothing before every
// file is here; closing the window while it fetches ends the program with nothing closed.
#include <gtest/gtest.h>

#include <thread>

#include "updater_fixture.h"

namespace {

using StartButtonOfTheWindow = UpdaterTest;

TEST_F(StartButtonOfTheWindow, APressStartsTheRunAtOnceAndClosingWhileItFetchesClosesNothing) {
  const std::wstring site = Publish(L"app-wait", {{L"Zefra VUNO.exe", PatternBytes(4 << 20, "MZ")}});
  SetManifest({L"Zefra VUNO.exe", L"VunoRapor.dll", L"Yenilikler.txt", L"", L""}, site);
  services_.query = L"?delay_ms=30";  // about two seconds
  UpdaterWindow& window = Load();
  window.Show();
  std::thread user([&] {
    for (int i = 0; i < 1000 && !FileExists(folder_ / L"Zefra VUNO.exe.download"); ++i) Sleep(20);
    PostMessageW(window.Control(ControlId::cmdKapat), BM_CLICK, 0, 0);
  });

  Press(ControlId::cmdbaslat);
  EXPECT_FALSE(window.StartEnabled());
  EXPECT_EQ(GetFocus(), window.Control(ControlId::cmdKapat)) << "the focus left the disabled button";
  const bool ended = PumpUntil([&] { return services_.ends > 0; }, 40000);
  user.join();
  ASSERT_TRUE(ended) << "the close did not end the run";
  EXPECT_TRUE(terminated_.empty()) << "nothing is closed while the files are fetched";
  EXPECT_EQ(CountOf(LogMessages(), L"Update cancelled by the user; stage=download file Zefra VUNO.exe"), 1);
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
