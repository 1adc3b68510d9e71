// Closing running copies against real processes: stand-ins whose windows carry a probe name. A
// stand-in is one of ours only when it runs from the slot's file, a copy in the program's folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process/mdl_task_win.h"
#include "process/task_match.h"
#include "recording_log.h"
#include "standin.h"

namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class MdlTask : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = SetEventLogWriter([this](const std::wstring& text) { entries.push_back(text); });
    slot = CopyStandIn(programFolder.path(), L"Zefra VUNO.exe");
  }
  void TearDown() override { SetEventLogWriter(std::move(previous_)); }

  // A running copy of the slot's own file.
  std::unique_ptr<StartedProgram> StartOurs(const std::wstring& title, const std::wstring& options = L"") {
    return StartStandInFrom(slot, title, options);
  }

  // For cases that must end nothing: an entry comes before any ending attempt, and the throw
  // stops the walk there, so a fault fails the test instead of ending the wrong process.
  void RefuseEveryAttempt() {
    SetEventLogWriter([this](const std::wstring& text) {
      entries.push_back(text);
      throw std::runtime_error("an ending attempt where none was expected");
    });
  }

  ScratchFolder programFolder;  // outlives the programs started from it
  std::wstring slot;
  std::vector<std::wstring> entries;

 private:
  EventLogWriter previous_;
};

// A hidden top-level window of the test program itself.
class OwnWindow {
 public:
  explicit OwnWindow(const std::wstring& title)
      : window_(CreateWindowExW(0, L"STATIC", title.c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr)) {}
  ~OwnWindow() {
    if (IsWindow(window_)) DestroyWindow(window_);
  }
  HWND get() const { return window_; }

 private:
  HWND window_;
};

TEST_F(MdlTask, TitlesInOtherLetterCaseMatch) {
  const std::wstring name = UniqueName(L"Zefra VUNO ");
  auto lower = StartOurs(L"zefra vuno " + name.substr(11));
  auto mixed = StartOurs(L"ZeFrA vUnO " + name.substr(11) + L" - Müşteri");

  RecordingLog log;
  EXPECT_TRUE(TerminateTaskAndLog(name, slot, log));
  EXPECT_EQ(TitleMatchTarget(name), L"ZEFRA VUNO " + name.substr(11));
  EXPECT_TRUE(EndsSoon(*lower));
  EXPECT_TRUE(EndsSoon(*mixed));
  EXPECT_EQ(lower->ExitCode(), 0u);
  EXPECT_THAT(entries, ElementsAre(kKillWarningText, kKillWarningText));
  const auto closed = AllOf(StartsWith(L"Program closed; pid="), EndsWith(L"\\Zefra VUNO.exe"));
  EXPECT_THAT(log.lines, ElementsAre(closed, closed));
}

// A spreadsheet titled "Zefra VUNO.xlsx", a folder window on "C:\Zefra VUNO" or the same program
// started from another folder holds no file of ours: their unsaved work stays.
TEST_F(MdlTask, OnlyCopiesRunningTheSlotsOwnFileAreEnded) {
  ScratchFolder elsewhere;
  const std::wstring sameProgramElsewhere = CopyStandIn(elsewhere.path(), L"Zefra VUNO.exe");
  const std::wstring otherProgramHere = CopyStandIn(programFolder.path(), L"Gezgin.exe");
  auto ours = StartOurs(L"Zefra VUNO 9.08");
  auto secondCopy = StartStandInFrom(sameProgramElsewhere, L"Zefra VUNO 9.08");
  auto browser = StartStandInFrom(otherProgramHere, L"C:\\Zefra VUNO");
  auto spreadsheet = StartStandIn(L"Zefra VUNO.xlsx - Hesap Tablosu");

  // The slot's path spelled otherwise: letter case and a "." step.
  EXPECT_TRUE(TerminateTask(L"Zefra VUNO", programFolder.path() + L"\\.\\zefra vuno.EXE"));
  EXPECT_TRUE(EndsSoon(*ours));
  EXPECT_FALSE(secondCopy->HasEnded(2000));
  EXPECT_FALSE(browser->HasEnded());
  EXPECT_FALSE(spreadsheet->HasEnded());
  EXPECT_THAT(entries, ElementsAre(kKillWarningText));

  // A slot whose file is not there yet is run by nothing.
  RefuseEveryAttempt();
  EXPECT_TRUE(TerminateTask(L"Zefra VUNO", programFolder / L"Yeni.exe"));
  EXPECT_EQ(entries.size(), 1u);
}

// Also run in a Turkish system, where a locale's own casing would turn "i" into "İ". The rule is
// the system's plain one: Turkish letters meet their partners, but "ı" and "İ" only themselves.
TEST_F(MdlTask, LetterCaseIgnoredTheSameWayInEveryLocale) {
  const std::wstring name = UniqueName(L"");
  auto indir = StartOurs(L"zefra indir " + name);
  auto turkish = StartOurs(L"müşteri gözü çağ " + name);
  auto dotless = StartOurs(L"kayıt " + name);

  EXPECT_TRUE(TerminateTask(L"ZEFRA INDIR " + name, slot));
  EXPECT_TRUE(TerminateTask(L"MÜŞTERI GÖZÜ ÇAĞ " + name, slot));
  EXPECT_TRUE(EndsSoon(*indir));
  EXPECT_TRUE(EndsSoon(*turkish));
  EXPECT_EQ(entries.size(), 2u);
  if (GetACP() == 1254) {
    EXPECT_TRUE(TerminateTask(L"KAYIT " + name, slot));
    EXPECT_FALSE(dotless->HasEnded(1000));
    EXPECT_EQ(entries.size(), 2u);
  }
}

TEST_F(MdlTask, ATitleThatMerelyContainsTheNameMatchesAndHiddenWindowsCount) {
  const std::wstring name = UniqueName(L"Zefra VUNO ");
  auto folder = StartOurs(L"C:\\Programlar\\" + name + L" - Klasör");
  auto hidden = StartOurs(name + L" 9.08", L"--hidden");
  auto nearMiss = StartOurs(name.substr(0, name.size() - 1) + L"-" + name.back());
  ASSERT_FALSE(IsWindowVisible(hidden->WaitForWindow(name + L" 9.08")));

  EXPECT_TRUE(TerminateTask(name, slot));
  EXPECT_TRUE(EndsSoon(*folder));
  EXPECT_TRUE(EndsSoon(*hidden));
  EXPECT_FALSE(nearMiss->HasEnded(2000));
  EXPECT_THAT(entries, ElementsAre(kKillWarningText, kKillWarningText));
}

TEST_F(MdlTask, OnlyTheFirst255CharactersOfATitleAreSearched) {
  const std::wstring name = UniqueName(L"Zp");
  auto within = StartOurs(std::wstring(255 - name.size(), L'x') + name);
  auto beyond = StartOurs(std::wstring(256 - name.size(), L'x') + name);

  EXPECT_TRUE(TerminateTask(name, slot));
  EXPECT_TRUE(EndsSoon(*within));
  EXPECT_FALSE(beyond->HasEnded(2000));
  EXPECT_EQ(entries.size(), 1u);
}

TEST_F(MdlTask, NoMatchEndsNothingAndLeavesNoEntry) {
  auto running = StartOurs(UniqueName(L"Zefra VUNO "));
  RefuseEveryAttempt();
  EXPECT_TRUE(TerminateTask(UniqueName(L"Zefra VUNO "), slot));
  EXPECT_THAT(entries, IsEmpty());
  EXPECT_FALSE(running->HasEnded(1000));
}

TEST_F(MdlTask, TwoWindowsOfOneProcess) {
  const std::wstring name = UniqueName(L"Zefra VUNO ");
  auto program = StartOurs(name, L"--two-windows");
  ASSERT_TRUE(program->WaitForWindow(name + L" (2)"));

  EXPECT_TRUE(TerminateTask(name, slot));
  EXPECT_TRUE(EndsSoon(*program));
  // One attempt per window that still exists when its turn comes.
  EXPECT_GE(entries.size(), 1u);
  EXPECT_LE(entries.size(), 2u);
}

TEST_F(MdlTask, TheUpdatersOwnWindowIsNeverAVictim) {
  const std::wstring name = UniqueName(L"Zefra INDIR ");
  OwnWindow own(name + L" 9.08");
  ASSERT_TRUE(IsWindow(own.get()));
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  RefuseEveryAttempt();
  // Its own file as the slot's: the title and the file both match, and still nothing is ended.
  EXPECT_TRUE(TerminateTask(name, self));
  ASSERT_THAT(entries, IsEmpty()) << "the next step would end the test program itself";

  // Beside another program's window of the same title: only the other one goes.
  SetEventLogWriter([this](const std::wstring& text) { entries.push_back(text); });
  auto other = StartOurs(name + L" 9.08");
  EXPECT_TRUE(TerminateTask(name, slot));
  EXPECT_TRUE(EndsSoon(*other));
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_TRUE(IsWindow(own.get()));
}

TEST_F(MdlTask, ABlankTargetEndsNothing) {
  auto running = StartOurs(UniqueName(L"Zefra VUNO "));
  RefuseEveryAttempt();
  for (const wchar_t* name : {L"", L"   ", L"\t"}) {
    EXPECT_TRUE(TerminateTask(name, slot)) << '"' << name << '"';
  }
  EXPECT_THAT(entries, IsEmpty());
  EXPECT_FALSE(running->HasEnded(500));
}

TEST_F(MdlTask, AnUnexpectedErrorStopsTheWalkWithoutCrossingIt) {
  const std::wstring name = UniqueName(L"Zefra VUNO ");
  auto first = StartOurs(name + L" a");
  auto second = StartOurs(name + L" b");
  RefuseEveryAttempt();
  // KillProcess fails, the walk stops at the first match, and the walk itself still ended normally.
  EXPECT_TRUE(TerminateTask(name, slot));
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_FALSE(first->HasEnded(1000));
  EXPECT_FALSE(second->HasEnded());
}

TEST_F(MdlTask, AWindowGoneBeforeItsTurnIsSkippedSilently) {
  OwnWindow own(L"gone");
  const HWND window = own.get();
  DestroyWindow(window);
  RefuseEveryAttempt();
  EXPECT_TRUE(KillProcess(window, nullptr));
  EXPECT_THAT(entries, IsEmpty());
}

}  // namespace
