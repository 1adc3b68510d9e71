// The update run through the real window: a press of cmdbaslat, the tick two seconds later, the
// downloads from the HTTP fixture into the program folder and what the window shows meanwhile.
#include <gtest/gtest.h>

#include "platform/encoding_win.h"
#include "updater_fixture.h"

namespace {

class UpdateThroughTheWindow : public UpdaterTest {
 protected:
  // Presses start on the loaded, shown window and runs its messages until the run has shown its
  // closing box (completion or failure).
  void PressStartAndWaitForTheRun() {
    const size_t before = boxes_.size();
    Press(L"cmdbaslat");
    ASSERT_TRUE(PumpUntil([&] { return boxes_.size() > before; })) << "the run did not end";
  }
};

const wchar_t kNothing[] = L"İndirilecek dosya yok...";
const wchar_t kAllDone[] = L"Tüm dosyalarınız güncellendi.";
const wchar_t kDoneBox[] = L"Güncelleme tamamlandı! Programınız yeniden başlayacak.";

TEST_F(UpdateThroughTheWindow, SlotsOneAndThreeAreFetchedAndTheMainProgramIsStarted) {
  const std::string program = PatternBytes(70 * 1024 + 3, "MZ");
  const std::string library = PatternBytes(1235 * 1024, "LB");
  const std::wstring site = Publish(L"app-run", {{L"Zefra VUNO.exe", program}, {L"VunoRapor.dll", library}});
  SetManifest({L"Zefra VUNO.exe", L"", L"VunoRapor.dll", L"", L""}, site);
  UpdaterWindow& window = Load();
  window.Show();
  PressStartAndWaitForTheRun();

  EXPECT_TRUE(ReadBytes(folder_ / L"Zefra VUNO.exe") == program);
  EXPECT_TRUE(ReadBytes(folder_ / L"VunoRapor.dll") == library);
  EXPECT_EQ(statuses_,
            (std::vector<std::wstring>{
                L"Açık dosyalar kapatılıyor...", L"Zefra VUNO.exe Dosyası indirilmeye başladı...",
                L"Zefra VUNO.exe Dosyası indiriliyor...", L"Zefra VUNO.exe Dosyası indirildi...", kNothing,
                L"VunoRapor.dll Dosyası indirilmeye başladı...", L"VunoRapor.dll Dosyası indiriliyor...",
                L"VunoRapor.dll Dosyası indirildi...", kNothing, kNothing, kAllDone}));
  EXPECT_EQ(window.StatusText(), kAllDone);
  EXPECT_EQ(window.FileName(), L"VunoRapor.dll");
  EXPECT_EQ(window.SizeText(), L"1" + services_.ThousandsSeparator() + L"235");
  EXPECT_EQ(window.Progress(), 100);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].request.text, kDoneBox);
  EXPECT_EQ(boxes_[0].request.style, static_cast<unsigned>(kBoxInformation));
  EXPECT_EQ(boxes_[0].statusThen, kAllDone) << "the box hides the final status";
  EXPECT_EQ(services_.started, (std::vector<std::wstring>{folder_ / L"Zefra VUNO.exe"}));
  EXPECT_EQ(services_.ends, 1);
  EXPECT_EQ(terminated_, (std::vector<std::wstring>{L"Zefra VUNO"}));
  EXPECT_TRUE(InOrder(
      LogMessages(), {L"Updater started; applicationPath=", L"Database settings loaded; baseUrl=",
                      L"Update started; baseUrl=" + site, L"File selected from database; name=Zefra VUNO.exe",
                      L"Download start; url=" + site + L"/Zefra%20VUNO.exe",
                      L"File reported downloaded; name=Zefra VUNO.exe; bytes=71683",
                      L"File selected from database; name=VunoRapor.dll",
                      L"File reported downloaded; name=VunoRapor.dll; bytes=1264640"}));
}

TEST_F(UpdateThroughTheWindow, WithEverySlotEmptyNothingIsFetchedAndTheRunCompletes) {
  SetManifest({L"", L"", L"", L"", L""}, HttpFixtureUrl() + L"/app-none");
  UpdaterWindow& window = Load();
  window.Show();
  const std::string requestsBefore = HttpFixtureLog();
  PressStartAndWaitForTheRun();

  EXPECT_EQ(HttpFixtureLog(), requestsBefore);
  EXPECT_EQ(window.Progress(), 0);
  EXPECT_EQ(window.StatusText(), kAllDone);
  EXPECT_EQ(statuses_, (std::vector<std::wstring>{L"Açık dosyalar kapatılıyor...", kNothing, kNothing,
                                                  kNothing, kNothing, kNothing, kAllDone}));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].request.text, kDoneBox);
  EXPECT_TRUE(services_.started.empty()) << "no main program in the folder";
  EXPECT_EQ(services_.ends, 1);
  EXPECT_TRUE(terminated_.empty());
}

TEST_F(UpdateThroughTheWindow, AFailedSlotStopsTheRunAndASecondPressFetchesEverySlotAgain) {
  const std::array<std::wstring, 5> names{L"VunoRapor.dll", L"VunoDil.dll", L"Zefra VUNO.exe",
                                          L"Yenilikler.txt", L"VunoYardim.dll"};
  std::vector<std::pair<std::wstring, std::string>> served;
  for (const std::wstring& name : names) {
    WriteBytes(folder_ / name, "old " + ToUtf8(name));
    if (name != names[2]) served.emplace_back(name, "MZ new " + ToUtf8(name));
  }
  const std::wstring site = Publish(L"app-fail", served);
  SetManifest(names, site);
  UpdaterWindow& window = Load();
  window.Show();
  const size_t requestsBefore = HttpFixtureLog().size();
  PressStartAndWaitForTheRun();

  EXPECT_EQ(ReadBytes(folder_ / names[0]), "MZ new VunoRapor.dll");
  EXPECT_EQ(ReadBytes(folder_ / names[1]), "MZ new VunoDil.dll");
  for (size_t k = 2; k < 5; ++k) EXPECT_EQ(ReadBytes(folder_ / names[k]), "old " + ToUtf8(names[k]));
  EXPECT_EQ(
      HttpFixtureLog().substr(requestsBefore),
      "GET /app-fail/VunoRapor.dll 200\nGET /app-fail/VunoDil.dll 200\nGET /app-fail/Zefra%20VUNO.exe 404\n");
  EXPECT_EQ(window.StatusText(), L"Zefra VUNO.exe indirilemedi.");
  EXPECT_EQ(window.SizeText(), L"0");
  EXPECT_TRUE(window.StartEnabled());
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].request.text,
            L"Zefra VUNO.exe indirilemedi.\r\n" + site + L"/Zefra VUNO.exe\r\nHTTP 404 Not Found");
  EXPECT_EQ(boxes_[0].request.style, static_cast<unsigned>(kBoxError));
  EXPECT_EQ(boxes_[0].statusThen, L"Zefra VUNO.exe indirilemedi.");
  EXPECT_EQ(services_.ends, 0);
  EXPECT_TRUE(services_.started.empty());

  // The run timer stays stopped: no second run starts by itself.
  PumpFor(2500);
  EXPECT_EQ(CountOf(LogMessages(), L"Update started"), 1);
  EXPECT_EQ(boxes_.size(), 1u);

  WriteBytes(HttpFixtureRoot() + L"\\app-fail\\Zefra VUNO.exe", "MZ new Zefra VUNO.exe");
  PressStartAndWaitForTheRun();
  for (const std::wstring& name : names) EXPECT_EQ(ReadBytes(folder_ / name), "MZ new " + ToUtf8(name));
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].request.text, kDoneBox);
  EXPECT_EQ(window.StatusText(), kAllDone);
  EXPECT_EQ(services_.started, (std::vector<std::wstring>{folder_ / L"Zefra VUNO.exe"}));
  EXPECT_EQ(services_.ends, 1);
  const std::vector<std::wstring> log = LogMessages();
  EXPECT_EQ(CountOf(log, L"File reported downloaded; name=VunoRapor.dll"), 2) << "slot 1 fetched again";
  EXPECT_TRUE(InOrder(log, {L"File download returned failure; name=Zefra VUNO.exe; url=" + site +
                                L"/Zefra VUNO.exe; details=HTTP 404 Not Found",
                            L"Update started", L"File selected from database; name=VunoRapor.dll",
                            L"File reported downloaded; name=VunoYardim.dll"}));
}

}  // namespace
