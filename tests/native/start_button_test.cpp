#include "app/start_button.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "recorded_message_boxes.h"
#include "update/run_texts.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Records what the handler does to the window, in order.
class RecordingWindow : public StartButtonWindow {
 public:
  void SetStatus(const std::wstring& text) override {
    steps.push_back(L"status " + text);
    if (failStatus) throw std::runtime_error("repaint failed");
  }
  void StartRunTimer(unsigned intervalMs) override {
    steps.push_back(L"timer " + std::to_wstring(intervalMs));
    if (failTimer) throw std::runtime_error("no timer");
  }
  void SetStartEnabled(bool enabled) override { steps.push_back(enabled ? L"enable" : L"disable"); }
  void LOG_YAZ(std::wstring_view message) override { steps.push_back(L"log " + std::wstring(message)); }

  std::vector<std::wstring> steps;
  bool failStatus = false;
  bool failTimer = false;
};

struct Press {
  std::vector<std::wstring> closed;
  std::vector<std::wstring> files;       // the program file given with each name
  std::optional<ErrorInfo> folderError;  // what the write check answers for the program's folder
  std::optional<std::wstring> staging;   // the user's staging folder, when the press may use one
  std::optional<ErrorInfo> stagingError;
  std::wstring stagedIn;  // what the press answered
  int folderChecks = 0;
  RecordedMessageBoxes boxes;
  RecordingWindow window;

  // The press, then what the run it starts closes once every file is here.
  void operator()(const std::array<std::wstring, 5>& slots) {
    // Any other folder than the program's is refused, so asking about the wrong one shows.
    const auto check = [this](const std::wstring& folder) {
      ++folderChecks;
      if (folder == staging) return stagingError;
      return folder == L"C:\\Zefra VUNO" ? folderError : ErrorInfo{};
    };
    const auto stagingFor = [this](const std::wstring& folder) {
      if (folder != L"C:\\Zefra VUNO") throw AppError(3, L"wrong folder");
      return *staging;
    };
    stagedIn = StartButtonPressed(slots, L"C:\\Zefra VUNO", window, check,
                                  staging ? StagingFolderFor(stagingFor) : StagingFolderFor());
    if (window.steps.empty() || window.steps.back() != L"disable") return;
    for (const ProgramToClose& program : ProgramsToClose(slots, L"C:\\Zefra VUNO")) {
      closed.push_back(program.name);
      files.push_back(program.file);
    }
  }
};

// A title carries the program's own name: "alt\yardim" is in no window's title.
TEST(StartButton, ClosesOnlyExecutablesByTheirOwnNameWithoutFolderOrExtension) {
  Press press;
  press({L"Zefra VUNO.exe", L"Rapor.EXE", L"", L"alt\\yardim.ExE", L"ayar.xml"});
  EXPECT_THAT(press.closed, ElementsAre(L"Zefra VUNO", L"Rapor", L"yardim"));
  EXPECT_THAT(press.files, ElementsAre(L"C:\\Zefra VUNO\\Zefra VUNO.exe", L"C:\\Zefra VUNO\\Rapor.EXE",
                                       L"C:\\Zefra VUNO\\alt\\yardim.ExE"));
  EXPECT_THAT(press.window.steps, ElementsAre(L"timer 10", L"disable"));
}

TEST(StartButton, TheApplicationBesideTwoOtherFilesIsClosedExactlyOnce) {
  Press press;
  press({L"Zefra VUNO.exe", L"Zefra.dll", L"raporlar.mdb", L"", L""});
  EXPECT_THAT(press.closed, ElementsAre(L"Zefra VUNO"));
}

TEST(StartButton, NamesAreTakenAsStored) {
  Press press;
  // Trailing blanks hide the extension (the run trims them later); leading ones stay in the name.
  press({L"Zefra VUNO.exe  ", L"  Yedek.exe", L"Kurulumexe", L"", L""});
  EXPECT_THAT(press.closed, ElementsAre(L"  Yedek", L"Kurulu"));
  // The file is the one the run will replace: it trims the name.
  EXPECT_THAT(press.files, ElementsAre(L"C:\\Zefra VUNO\\Yedek.exe", L"C:\\Zefra VUNO\\Kurulumexe"));
}

// A name the run would refuse is known at the press: nothing is closed, the folder is not touched
// and no run starts, whichever slot holds it; the box names every such slot and why.
TEST(StartButton, ARefusedNameInAnySlotClosesNothingAndStartsNoRun) {
  const struct {
    std::array<std::wstring, 5> slots;
    std::vector<std::wstring> refused;  // the slots the box names
  } rows[] = {
      {{L"Zefra VUNO.exe", L"VunoRapor.dll", L"..\\Muhasebe\\Muhasebe.exe", L"", L""}, {L"dosya3"}},
      {{L"..\\Muhasebe\\Muhasebe.exe", L"C:\\Program Files\\Excel.exe", L"CON.exe", L"a\\\\b.exe",
        std::wstring(L"Zefra VUNO\0.exe", 15)},
       {L"dosya1", L"dosya2", L"dosya3", L"dosya4", L"dosya5"}},
      // Trimmed as the run trims; a control character is shown, not sent to the box.
      {{L"Zefra VUNO.exe", L"", L"  a\tb.dll  ", L"", L" nul.dll "}, {L"dosya3", L"dosya5"}},
  };
  for (const auto& row : rows) {
    Press press;
    press(row.slots);
    EXPECT_THAT(press.closed, IsEmpty());
    EXPECT_EQ(press.folderChecks, 0);
    ASSERT_EQ(press.window.steps.size(), 1u);
    EXPECT_EQ(press.window.steps[0].rfind(L"log Update not started, file names refused; names=dosya", 0), 0u);
    ASSERT_EQ(press.boxes.shown().size(), 1u);
    const std::wstring& box = press.boxes.shown()[0].text;
    for (int slot = 1; slot <= 5; ++slot) {
      const std::wstring named = L"dosya" + std::to_wstring(slot) + L": Geçersiz dosya adı \"";
      const bool expected = std::ranges::count(row.refused, named.substr(0, 6)) == 1;
      EXPECT_EQ(box.find(named) != std::wstring::npos, expected) << slot;
    }
    EXPECT_NE(box.find(L"yeniden açın"), std::wstring::npos);
    EXPECT_EQ(std::ranges::count_if(box, [](wchar_t c) { return c < 0x20 && c != L'\r' && c != L'\n'; }), 0);
  }
}

TEST(StartButton, NamesThatLeaveNothingToSearchForCloseNothing) {
  Press press;
  // An empty name would be found in every window title on the desktop.
  press({L"EXE", L".exe", L"exe", L"x", L"bin\\.exe"});
  EXPECT_THAT(press.closed, IsEmpty());
  EXPECT_THAT(press.window.steps, ElementsAre(L"timer 10", L"disable"));
  EXPECT_EQ(ProgramNameToClose(L"a.exe"), L"a");
  EXPECT_EQ(ProgramNameToClose(L"bin\\Rapor.exe"), L"Rapor");
  EXPECT_EQ(ProgramNameToClose(L"bin/x.exe"), L"x");
  EXPECT_EQ(ProgramNameToClose(L"Zefra VUNO.ex"), std::nullopt);
}

TEST(StartButton, EveryStepsFailureIsIgnored) {
  RecordingWindow window;
  window.failTimer = true;
  StartButtonPressed({L"Bir.exe", L"Iki.exe", L"", L"", L"Uc.exe"}, L"C:\\Zefra", window,
                     [](const std::wstring&) { return std::optional<ErrorInfo>(); });
  EXPECT_THAT(window.steps, ElementsAre(L"timer 10", L"disable"));
}

TEST(StartButton, APressAfterAFailedRunStartsAgainFromSlotOne) {
  Press press;
  const std::array<std::wstring, 5> files{L"Zefra VUNO.exe", L"a.dll", L"Yardim.exe", L"", L""};
  press(files);
  press.window.SetStartEnabled(true);  // what a failed run leaves behind
  press(files);
  EXPECT_THAT(press.closed, ElementsAre(L"Zefra VUNO", L"Yardim", L"Zefra VUNO", L"Yardim"));
  EXPECT_EQ(press.window.steps.back(), L"disable");
}

// Closing the shop's program for an update that can never be written would only lose its work.
TEST(StartButton, AFolderThatTakesNoFilesClosesNothingAndSaysWhy) {
  Press press;
  press.folderError = ErrorInfo{5, L"Access denied."};
  press({L"Zefra VUNO.exe", L"Rapor.exe", L"", L"", L""});
  EXPECT_THAT(press.closed, IsEmpty());
  EXPECT_THAT(
      press.window.steps,
      ElementsAre(L"log Program folder is not writable; folder=C:\\Zefra VUNO; error=5: Access denied."));
  ASSERT_EQ(press.boxes.shown().size(), 1u);
  for (const wchar_t* part :
       {L"yazılamıyor", L"C:\\Zefra VUNO", L"Hata 5: Access denied.", L"yönetici olarak"}) {
    EXPECT_NE(press.boxes.shown()[0].text.find(part), std::wstring::npos) << part;
  }
}

// Only when the user's own staging folder takes nothing either is the user told as before; else
// the run stages there and asks for the administrator's approval only to place the files.
TEST(StartButton, AFolderOnlyAnAdministratorWritesIsStagedInTheUsersOwnFolder) {
  const std::wstring staging = L"C:\\Users\\u\\AppData\\Local\\Zefra INDIR\\0A1B";
  const std::wstring refused =
      L"log Program folder is not writable; folder=C:\\Zefra VUNO; error=5: Access denied.";
  for (const bool stagingTakesFiles : {true, false}) {
    Press press;
    press.folderError = ErrorInfo{5, L"Access denied."};
    press.staging = staging;
    if (!stagingTakesFiles) press.stagingError = ErrorInfo{112, L"Disk full."};
    press({L"Zefra VUNO.exe", L"", L"", L"", L""});
    if (stagingTakesFiles) {
      EXPECT_EQ(press.stagedIn, staging);
      EXPECT_THAT(
          press.window.steps,
          ElementsAre(refused, L"log Files will be staged for a placing with approval; folder=" + staging,
                      L"timer 10", L"disable"));
      EXPECT_THAT(press.boxes.shown(), IsEmpty());
    } else {
      EXPECT_EQ(press.stagedIn, L"");
      EXPECT_THAT(press.window.steps,
                  ElementsAre(refused, L"log Staging folder is not writable either; folder=" + staging +
                                           L"; error=112: Disk full."));
      ASSERT_EQ(press.boxes.shown().size(), 1u);
      EXPECT_EQ(press.boxes.shown()[0].text.find(L"Program klasörüne yazılamıyor"), 0u);
    }
  }
}

TEST(ProgressTimer, StepsUpToAHundredThenStartsOver) {
  EXPECT_EQ(NextProgressValue(0), 1);
  EXPECT_EQ(NextProgressValue(99), 100);
  EXPECT_EQ(NextProgressValue(100), 0);
}

}  // namespace
