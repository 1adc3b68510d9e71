// The update run through the real window: a press of cmdbaslat, the tick that follows, the
// downloads from the HTTP fixture into the program folder and what the window shows meanwhile.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <thread>

#include "platform/encoding_win.h"
#include "screen_capture.h"
#include "updater_fixture.h"

namespace {

// A slice of the fixture's log without the END line that closes each response.
std::string RequestLines(const std::string& log) {
  std::istringstream lines(log);
  std::string kept;
  for (std::string line; std::getline(lines, line);) kept += line.starts_with("END ") ? "" : line + "\n";
  return kept;
}

class UpdateThroughTheWindow : public UpdaterTest {
 protected:
  // Presses start on the loaded, shown window and runs its messages until the run has shown its
  // closing box (completion or failure).
  void PressStartAndWaitForTheRun() {
    const size_t before = boxes_.size();
    Press(ControlId::cmdbaslat);
    ASSERT_TRUE(PumpUntil([&] { return boxes_.size() > before; })) << "the run did not end";
  }
};

// Reads lblad and ProgressBar1 from another thread every few milliseconds while a run goes on,
// as a person watching the window would: the window answers between body chunks.
class ProgressSampler {
 public:
  struct Sample {
    std::wstring file;
    int value;
  };

  // onSample runs on the sampler's thread after each sample.
  ProgressSampler(const frmindir& window, std::function<void(const Sample&)> onSample = {})
      : name_(window.Control(ControlId::lblad)),
        bar_(window.Control(ControlId::ProgressBar1)),
        onSample_(std::move(onSample)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~ProgressSampler() { Stop(); }

  // The window's thread answers the last question that the sampler put to it.
  void Stop() {
    stop_ = true;
    while (!finished_) PumpFor(10);
    if (thread_.joinable()) thread_.join();
  }

  // The values the bar showed while the file's name stood in lblad, each change once; after Stop.
  std::vector<int> ValuesOf(const std::wstring& file) const {
    std::vector<int> values;
    for (const Sample& sample : samples_) {
      if (sample.file == file && (values.empty() || values.back() != sample.value))
        values.push_back(sample.value);
    }
    return values;
  }

 private:
  void Run() {
    while (!stop_) {
      DWORD_PTR value = 0;
      // The name read on both sides of the value: a sample that straddles two files is dropped.
      const std::wstring before = Text(name_);
      const bool read = SendMessageTimeoutW(bar_, PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &value) != 0;
      if (read && !before.empty() && Text(name_) == before) {
        samples_.push_back({before, static_cast<int>(value)});
        if (onSample_) onSample_(samples_.back());
      }
      Sleep(3);
    }
    finished_ = true;
  }

  static std::wstring Text(HWND control) {
    wchar_t text[260] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 260, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &length);
    return text;
  }

  HWND name_;
  HWND bar_;
  std::function<void(const Sample&)> onSample_;
  std::vector<Sample> samples_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

// The taskbar button's states in the order the window gave them.
class RecordingTaskbar final : public TaskbarButton {
 public:
  void Show(TaskbarState state, int percent) override {
    static const wchar_t* const kNames[] = {L"none", L"indeterminate", L"normal", L"error"};
    std::wstring event = kNames[static_cast<int>(state)];
    if (state == TaskbarState::kNormal || state == TaskbarState::kError)
      event += L" " + std::to_wstring(percent);
    states.push_back(event);
  }
  std::vector<std::wstring> states;
};

// What another thread saw of one file: never less than before, and at least three values
// strictly between 0 and 100.
testing::AssertionResult SeenMovingUp(const std::vector<int>& values) {
  size_t between = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0 && values[i] < values[i - 1]) {
      return testing::AssertionFailure() << "fell from " << values[i - 1] << " to " << values[i];
    }
    between += values[i] > 0 && values[i] < 100 ? 1 : 0;
  }
  if (between < 3) return testing::AssertionFailure() << "only " << between << " values between 0 and 100";
  return testing::AssertionSuccess();
}

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
  EXPECT_EQ(
      statuses_,
      (std::vector<std::wstring>{
          L"Zefra VUNO.exe Dosyası indirilmeye başladı...", L"Zefra VUNO.exe Dosyası indiriliyor...",
          L"Zefra VUNO.exe Dosyası indirildi...", kNothing, L"VunoRapor.dll Dosyası indirilmeye başladı...",
          L"VunoRapor.dll Dosyası indiriliyor...", L"VunoRapor.dll Dosyası indirildi...", kNothing, kNothing,
          L"Açık dosyalar kapatılıyor...", L"Dosyalar yerine konuyor...", kAllDone}));
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
  EXPECT_EQ(statuses_,
            (std::vector<std::wstring>{kNothing, kNothing, kNothing, kNothing, kNothing, kAllDone}));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].request.text, kDoneBox);
  EXPECT_TRUE(services_.started.empty()) << "no main program in the folder";
  EXPECT_EQ(services_.ends, 1);
  EXPECT_TRUE(terminated_.empty());
}

// Nothing is closed or replaced until every file is here; a second press takes the files already
// fetched after asking for their last byte.
TEST_F(UpdateThroughTheWindow, AFailedSlotChangesNothingAndASecondPressTakesTheFilesAlreadyFetched) {
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

  for (const std::wstring& name : names) EXPECT_EQ(ReadBytes(folder_ / name), "old " + ToUtf8(name));
  EXPECT_TRUE(terminated_.empty());
  EXPECT_EQ(
      RequestLines(HttpFixtureLog().substr(requestsBefore)),
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
  const size_t secondRequests = HttpFixtureLog().size();
  PressStartAndWaitForTheRun();
  EXPECT_THAT(
      RequestLines(HttpFixtureLog().substr(secondRequests)),
      testing::StartsWith("GET /app-fail/VunoRapor.dll 206 range=bytes=19-\nGET /app-fail/VunoDil.dll 206 "
                          "range=bytes=17-\n"));
  for (const std::wstring& name : names) EXPECT_EQ(ReadBytes(folder_ / name), "MZ new " + ToUtf8(name));
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].request.text, kDoneBox);
  EXPECT_EQ(window.StatusText(), kAllDone);
  EXPECT_EQ(services_.started, (std::vector<std::wstring>{folder_ / L"Zefra VUNO.exe"}));
  EXPECT_EQ(services_.ends, 1);
  const std::vector<std::wstring> log = LogMessages();
  EXPECT_EQ(CountOf(log, L"File reported downloaded; name=VunoRapor.dll"), 2);
  EXPECT_TRUE(InOrder(log, {L"File download returned failure; name=Zefra VUNO.exe; url=" + site +
                                L"/Zefra VUNO.exe; details=HTTP 404 Not Found",
                            L"Update started", L"File selected from database; name=VunoRapor.dll",
                            L"File reported downloaded; name=VunoYardim.dll"}));
}

// The bar's row in a picture of the window: for each column, whether it shows the full bar's colour.
std::vector<bool> FilledColumns(const PixelImage& shot, const PixelImage& empty, const PixelImage& full,
                                HWND window, HWND bar) {
  RECT frame, area;
  GetWindowRect(window, &frame);
  GetWindowRect(bar, &area);
  const int y = (area.top + area.bottom) / 2 - frame.top;
  std::vector<bool> filled;
  for (int x = area.left + 3 - frame.left; x < area.right - 3 - frame.left; ++x) {
    if (PixelAt(empty, x, y) == PixelAt(full, x, y)) continue;  // a gap between blocks
    filled.push_back(PixelAt(shot, x, y) == PixelAt(full, x, y));
  }
  return filled;
}

TEST_F(UpdateThroughTheWindow, TheBarFollowsTheBytesOfEachFileAndStartsAgainForTheNext) {
  const std::string library = PatternBytes(8 << 20, "LB");
  const std::string help = PatternBytes(2 << 20, "YH");
  const std::wstring site = Publish(L"app-slow", {{L"VunoRapor.dll", library}, {L"VunoYardim.dll", help}});
  SetManifest({L"VunoRapor.dll", L"VunoYardim.dll", L"", L"", L""}, site);
  services_.query = L"?delay_ms=8";
  UpdaterWindow& window = Load();
  window.Show();
  SetWindowPos(window.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  PumpFor(300);
  const PixelImage empty = CaptureWindow(window.hwnd());
  PixelImage midway;
  int midwayValue = -1;
  std::vector<std::wstring> sizeTexts;
  ProgressSampler sampler(window, [&](const ProgressSampler::Sample& sample) {
    if (midwayValue < 0 && sample.file == L"VunoRapor.dll" && sample.value >= 30 && sample.value <= 70) {
      midway = CaptureWindow(window.hwnd());
      midwayValue = sample.value;
    }
  });
  PressStartAndWaitForTheRun();
  sampler.Stop();
  PumpFor(300);
  const PixelImage full = CaptureWindow(window.hwnd());

  EXPECT_TRUE(ReadBytes(folder_ / L"VunoRapor.dll") == library);
  EXPECT_TRUE(ReadBytes(folder_ / L"VunoYardim.dll") == help);
  EXPECT_EQ(window.Progress(), 100);
  EXPECT_EQ(window.StatusText(), kAllDone);
  EXPECT_EQ(window.SizeText(), L"2" + services_.ThousandsSeparator() + L"048");
  for (const wchar_t* file : {L"VunoRapor.dll", L"VunoYardim.dll"}) {
    SCOPED_TRACE(ToUtf8(file));
    // From 0 again for each file up to 100, redrawn about 20 times a second.
    const std::vector<BarValue> given = BarValuesFor(file);
    ASSERT_GE(given.size(), 3u);
    EXPECT_EQ(given.front().value, 0) << "the file did not start from nothing";
    EXPECT_EQ(given.back().value, 100);
    for (size_t i = 1; i < given.size(); ++i) EXPECT_GE(given[i].value, given[i - 1].value) << "at " << i;
    EXPECT_LE(given.size(), 3 + (given.back().at - given.front().at) / kProgressRedrawMs)
        << "redrawn too often";
    // What another thread read meanwhile.
  }
  // What another thread read meanwhile, as a person watching would see the first file.
  EXPECT_TRUE(SeenMovingUp(sampler.ValuesOf(L"VunoRapor.dll")));

  ASSERT_GE(midwayValue, 30) << "no sample while the bar was midway";
  SavePng(midway, ArtifactsFolder() + L"\\frmindir-downloading.png");
  const std::vector<bool> columns =
      FilledColumns(midway, empty, full, window.hwnd(), window.Control(ControlId::ProgressBar1));
  ASSERT_GT(columns.size(), 100u) << "the empty and the full bar look alike";
  const size_t filled = static_cast<size_t>(std::count(columns.begin(), columns.end(), true));
  EXPECT_GT(filled, columns.size() / 5) << "at " << midwayValue << "% the bar looks empty";
  EXPECT_LT(filled, columns.size() * 4 / 5) << "at " << midwayValue << "% the bar looks full";
  EXPECT_TRUE(columns.front() && !columns.back()) << "the bar fills from the left";
}

TEST_F(UpdateThroughTheWindow, WithoutADeclaredLengthTheBarMovesWhileTheBodyArrives) {
  const std::wstring site = Publish(L"app-chunked", {{L"VunoDil.dll", PatternBytes(2 << 20, "DL")}});
  SetManifest({L"VunoDil.dll", L"", L"", L"", L""}, site);
  services_.query = L"?chunked=1&delay_ms=20";
  RecordingTaskbar taskbar;
  UpdaterWindow& window = Load();
  window.SetTaskbarButton(taskbar);
  window.Show();
  ProgressSampler sampler(window);
  PressStartAndWaitForTheRun();
  sampler.Stop();

  std::vector<int> seen = sampler.ValuesOf(L"VunoDil.dll");
  while (!seen.empty() && seen.back() == 100) seen.pop_back();  // the run's own 100 at the end
  EXPECT_GE(seen.size(), 3u) << "the bar stood still";
  EXPECT_GE(BarValuesFor(L"VunoDil.dll").size(), 5u);
  EXPECT_EQ(window.Progress(), 100);
  EXPECT_EQ(window.StatusText(), kAllDone);
  EXPECT_EQ(taskbar.states, (std::vector<std::wstring>{L"indeterminate", L"normal 100", L"none"}));
}

TEST_F(UpdateThroughTheWindow, AResetMidBodyLeavesTheBarWhereItStoodUntilTheNextPress) {
  const std::string library = PatternBytes(4 << 20, "MZ");
  const std::wstring site = Publish(L"app-reset", {{L"VunoRapor.dll", library}});
  SetManifest({L"VunoRapor.dll", L"", L"", L"", L""}, site);
  // The retry after the reset finds the file gone: the file fails there, before a second body.
  services_.query = L"?reset=2500000&delay_ms=15&then=app-reset/gone.dll";
  RecordingTaskbar taskbar;
  UpdaterWindow& window = Load();
  window.SetTaskbarButton(taskbar);
  window.Show();
  ProgressSampler sampler(window);
  PressStartAndWaitForTheRun();
  sampler.Stop();

  const std::vector<BarValue> given = BarValuesFor(L"VunoRapor.dll");
  ASSERT_FALSE(given.empty());
  const int last = window.Progress();
  EXPECT_GT(last, 0);
  EXPECT_LT(last, 100);
  EXPECT_EQ(given.back().value, last) << "the bar moved after the failure";
  EXPECT_TRUE(SeenMovingUp(sampler.ValuesOf(L"VunoRapor.dll")));
  EXPECT_EQ(window.StatusText(), L"VunoRapor.dll indirilemedi.");
  EXPECT_TRUE(std::ranges::any_of(statuses_, [](const std::wstring& status) {
    return status.starts_with(
        L"VunoRapor.dll: bağlantı sorunu, yeniden deneniyor (2. deneme), kaldığı yerden");
  })) << "the retry was not shown";
  EXPECT_EQ(window.SizeText(), L"0");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].request.style, static_cast<unsigned>(kBoxError));
  EXPECT_EQ(taskbar.states.front(), L"normal 0");
  EXPECT_EQ(taskbar.states.back(), L"error " + std::to_wstring(last));
  PumpFor(300);
  EXPECT_EQ(window.Progress(), last) << "no timer moved the bar afterwards";

  // The error stays on the taskbar until the next press, whose run starts from nothing again.
  services_.query.clear();
  const size_t before = taskbar.states.size();
  Press(ControlId::cmdbaslat);
  ASSERT_EQ(taskbar.states.size(), before + 1);
  EXPECT_EQ(taskbar.states.back(), L"none");
  ASSERT_TRUE(PumpUntil([&] { return boxes_.size() > 1; })) << "the second run did not end";
  EXPECT_TRUE(ReadBytes(folder_ / L"VunoRapor.dll") == library);
  EXPECT_EQ(window.Progress(), 100);
  EXPECT_EQ(taskbar.states.back(), L"none");
}

// The close button while a body has stopped flowing ends the program promptly: the old file
// stays, and only the part and its record are left for the next press.
TEST_F(UpdateThroughTheWindow, TheCloseButtonDuringAStalledBodyEndsTheProgramAndKeepsTheOldFile) {
  const std::wstring site = Publish(L"app-stall", {{L"VunoRapor.dll", PatternBytes(1 << 20, "MZ")}});
  SetManifest({L"VunoRapor.dll", L"", L"", L"", L""}, site);
  services_.query = L"?stallbody=60&after=300000";
  WriteBytes(folder_ / L"VunoRapor.dll", "old");
  UpdaterWindow& window = Load();
  window.Show();
  std::atomic<ULONGLONG> pressed{0};
  std::thread user([&] {
    for (int i = 0; i < 1000 && !FileExists(folder_ / L"VunoRapor.dll.download"); ++i) Sleep(20);
    Sleep(700);  // the body stands still by now
    pressed = GetTickCount64();
    PostMessageW(window.Control(ControlId::cmdKapat), BM_CLICK, 0, 0);
  });
  Press(ControlId::cmdbaslat);
  const bool ended = PumpUntil([&] { return services_.ends > 0; }, 40000);
  user.join();
  ASSERT_TRUE(ended) << "the program did not end";
  EXPECT_LT(GetTickCount64() - pressed, 3000u) << "not promptly";
  EXPECT_EQ(ReadBytes(folder_ / L"VunoRapor.dll"), "old");
  EXPECT_TRUE(boxes_.empty());
  EXPECT_TRUE(InOrder(LogMessages(), {L"Download failed; stage=read HTTP response body",
                                      L"Download part kept; path=" + folder_ / L"VunoRapor.dll.download",
                                      L"Update cancelled by the user; stage=download file VunoRapor.dll"}));
  EXPECT_EQ(
      FolderNames(folder_.path()),
      (std::vector<std::wstring>{L"VunoRapor.dll", L"VunoRapor.dll.download", L"VunoRapor.dll.indir-resume",
                                 L"Zefra INDIR-update.log", L"ayar.xml"}));
}

}  // namespace
