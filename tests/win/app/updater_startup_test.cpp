// Start-up's four outcomes on the real window: what it shows, where the focus goes, what it logs,
// and that no window appears when no database can be reached.
#include <gtest/gtest.h>

#include "updater_fixture.h"

namespace {

using StartupOfTheWindow = UpdaterTest;

TEST_F(StartupOfTheWindow, AManifestRecordIsShownAndTheStartButtonTakesTheFocus) {
  UpdaterWindow& window = Load();
  EXPECT_FALSE(IsWindowVisible(window.hwnd())) << "shown before the load handler's caller shows it";
  EXPECT_EQ(window.Description(),
            L"Model: Zefra VUNO  -->  Versiyon: 9.08 Türkçe\r\n\r\nGüncellenecek Dosyalar:\r\nZefra VUNO.exe "
            L"       ");
  EXPECT_TRUE(window.StartEnabled());
  EXPECT_EQ(window.Caption(), L"Zefra iNDiR Ovantis v9.8.0");
  EXPECT_TRUE(boxes_.empty());
  EXPECT_FALSE(window.mdl().cnBaglanti->IsOpen());
  EXPECT_EQ(LogMessages(),
            (std::vector<std::wstring>{
                L"Updater started; applicationPath=" + folder_.path() + L"; releaseKey=none",
                L"Database settings loaded; baseUrl=http://127.0.0.1/guncelleme; files=Zefra VUNO.exe||||"}));

  window.Show();
  EXPECT_TRUE(IsWindowVisible(window.hwnd()));
  EXPECT_EQ(GetFocus(), window.Control(ControlId::cmdbaslat));
  EXPECT_EQ(endRequests_, 0);
}

TEST_F(StartupOfTheWindow, NoRecordLeavesOnlyTheCloseButton) {
  ExecuteSql(L"DELETE FROM ovantis.tblayar");
  UpdaterWindow& window = Load();
  window.Show();
  EXPECT_EQ(window.Description(), L"Veri tabanından güncellenecek dosyaların listesi alınamadı !");
  EXPECT_FALSE(window.StartEnabled());
  EXPECT_EQ(GetFocus(), window.Control(ControlId::cmdKapat));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(CountOf(LogMessages(), L"Database settings loaded"), 0);

  // Not even a click sent to the disabled button starts anything.
  Press(ControlId::cmdbaslat);
  PumpFor(2500);
  EXPECT_TRUE(statuses_.empty());
  EXPECT_EQ(CountOf(LogMessages(), L"Update started"), 0);
}

TEST_F(StartupOfTheWindow, AManifestThatCannotBeReadIsReportedAndTheWindowStaysUsable) {
  ExecuteSql(L"UPDATE ovantis.tblayar SET versite = NULL");
  UpdaterWindow& window = Load();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].request.title, L"94");
  EXPECT_EQ(boxes_[0].request.style, static_cast<unsigned>(kBoxError));
  EXPECT_EQ(window.Description(), L"Dosya bilgisi alınamadı !");
  EXPECT_FALSE(window.StartEnabled());
  EXPECT_EQ(window.Caption(), L"Zefra iNDiR Ovantis v9.8.0");
  EXPECT_EQ(endRequests_, 0);
}

TEST_F(StartupOfTheWindow, NoDatabaseAtAllEndsTheProgramWithTheWindowNeverShown) {
  WriteSettings(L"127.0.0.1", L"1");
  UpdaterWindow& window = Load();
  ASSERT_EQ(boxes_.size(), 1u);
  const std::wstring head = L"Sunucuya(127.0.0.1:1) bağlanılamadı lütfen daha sonra tekrar deneyiniz !\r\n";
  EXPECT_EQ(boxes_[0].request.text.substr(0, head.size()), head) << boxes_[0].request.text;
  EXPECT_GT(boxes_[0].request.text.size(), head.size()) << "the driver's description follows";
  EXPECT_EQ(boxes_[0].request.title, L"Zefra INDIR");
  EXPECT_EQ(boxes_[0].request.style, static_cast<unsigned>(kBoxPlain));
  EXPECT_EQ(endRequests_, 1);
  EXPECT_FALSE(IsWindowVisible(window.hwnd()));
  EXPECT_EQ(window.Description(), L"Dosyalar") << "the design-time text, untouched";
  // Neither failed attempt is logged.
  EXPECT_EQ(LogMessages(), (std::vector<std::wstring>{L"Updater started; applicationPath=" + folder_.path() +
                                                      L"; releaseKey=none"}));
}

// A shop's log tells which updater wrote it: the key built in, by the fingerprint the vendor's tools
// show ("releaseKey=none" for a build without one is checked above).
TEST_F(StartupOfTheWindow, TheFirstLineNamesTheReleaseKey) {
  Load(ReadBytes(TestEnv(L"ZEFRA_TEST_RELEASE_KEY_WIN")));
  EXPECT_EQ(LogMessages().at(0), L"Updater started; applicationPath=" + folder_.path() + L"; releaseKey=" +
                                     TestEnv(L"ZEFRA_TEST_RELEASE_KEY_FINGERPRINT"));
}

}  // namespace
