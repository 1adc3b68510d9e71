// The start button on the real window: running copies are closed at once, the run waits two
// seconds, and closing the window during that wait ends the program before anything is fetched.
#include <gtest/gtest.h>

#include "updater_fixture.h"

namespace {

using StartButtonOfTheWindow = UpdaterTest;

TEST_F(StartButtonOfTheWindow, APressClosesTheProgramOnceAndClosingDuringTheWaitFetchesNothing) {
  SetManifest({L"Zefra VUNO.exe", L"VunoRapor.dll", L"Yenilikler.txt", L"", L""},
              HttpFixtureUrl() + L"/app-wait");
  UpdaterWindow& window = Load();
  window.Show();
  // The test's end hook ends the window as the end of the process would: no tick runs later.
  window.SetEndProgram([&] {
    ++endRequests_;
    DestroyWindow(window.hwnd());
  });
  const std::string requestsBefore = HttpFixtureLog();

  Press(ControlId::cmdbaslat);
  EXPECT_EQ(terminated_, (std::vector<std::wstring>{L"Zefra VUNO"}));
  EXPECT_EQ(terminatedFiles_, (std::vector<std::wstring>{folder_ / L"Zefra VUNO.exe"}));
  EXPECT_EQ(window.StatusText(), L"Açık dosyalar kapatılıyor...");
  EXPECT_FALSE(window.StartEnabled());
  EXPECT_EQ(GetFocus(), window.Control(ControlId::cmdKapat)) << "the focus left the disabled button";

  PumpFor(500);
  EXPECT_EQ(CountOf(LogMessages(), L"Update started"), 0) << "the run must wait two seconds";
  Press(ControlId::cmdKapat);
  EXPECT_EQ(endRequests_, 1);
  PumpFor(2500);
  EXPECT_EQ(CountOf(LogMessages(), L"Update started"), 0);
  EXPECT_EQ(HttpFixtureLog(), requestsBefore);
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
