// Closing running copies against real processes: stand-ins whose windows carry a probe name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process/mdl_task_win.h"
#include "process/task_match.h"
#include "standin.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class MdlTask : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = SetEventLogWriter([this](const std::wstring& text) { entries.push_back(text); });
  }
  void TearDown() override { SetEventLogWriter(std::move(previous_)); }

  // For cases that must end nothing: an entry comes before any ending attempt, and the throw
  // stops the walk there, so a fault fails the test instead of ending the wrong process.
  void RefuseEveryAttempt() {
    SetEventLogWriter([this](const std::wstring& text) {
      entries.push_back(text);
      throw std::runtime_error("an ending attempt where none was expected");
    });
  }

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
  auto lower = StartStandIn(L"zefra vuno " + name.substr(11));
  auto mixed = StartStandIn(L"ZeFrA vUnO " + name.substr(11) + L" - Müşteri");

  EXPECT_TRUE(TerminateTask(name));
  EXPECT_EQ(TargetText, L"ZEFRA VUNO " + name.substr(11));
  EXPECT_TRUE(EndsSoon(*lower));
  EXPECT_TRUE(EndsSoon(*mixed));
  EXPECT_EQ(lower->ExitCode(), 0u);
  EXPECT_THAT(entries, ElementsAre(kKillWarningText, kKillWarningText));
}

// Also run in a Turkish system, where a locale's own casing would turn "i" into "İ". The rule is
// the system's plain one: Turkish letters meet their partners, but "ı" and "İ" only themselves.
TEST_F(MdlTask, LetterCaseIgnoredTheSameWayInEveryLocale) {
  const std::wstring name = UniqueName(L"");
  auto indir = StartStandIn(L"zefra indir " + name);
  auto turkish = StartStandIn(L"müşteri gözü çağ " + name);
  auto dotless = StartStandIn(L"kayıt " + name);

  EXPECT_TRUE(TerminateTask(L"ZEFRA INDIR " + name));
  EXPECT_TRUE(TerminateTask(L"MÜŞTERI GÖZÜ ÇAĞ " + name));
  EXPECT_TRUE(EndsSoon(*indir));
  EXPECT_TRUE(EndsSoon(*turkish));
  EXPECT_EQ(entries.size(), 2u);
  if (GetACP() == 1254) {
    EXPECT_TRUE(TerminateTask(L"KAYIT " + name));
    EXPECT_FALSE(dotless->HasEnded(1000));
    EXPECT_EQ(entries.size(), 2u);
  }
}

TEST_F(MdlTask, ATitleThatMerelyContainsTheNameMatchesAndHiddenWindowsCount) {
  const std::wstring name = UniqueName(L"Zefra VUNO ");
  auto folder = StartStandIn(L"C:\\Programlar\\" + name + L" - Klasör");
  auto hidden = StartStandIn(name + L" 9.08", L"--hidden");
  auto nearMiss = StartStandIn(name.substr(0, name.size() - 1) + L"-" + name.back());
  ASSERT_FALSE(IsWindowVisible(hidden->WaitForWindow(name + L" 9.08")));

  EXPECT_TRUE(TerminateTask(name));
  EXPECT_TRUE(EndsSoon(*folder));
  EXPECT_TRUE(EndsSoon(*hidden));
  EXPECT_FALSE(nearMiss->HasEnded(2000));
  EXPECT_THAT(entries, ElementsAre(kKillWarningText, kKillWarningText));
}

TEST_F(MdlTask, OnlyTheFirst255CharactersOfATitleAreSearched) {
  const std::wstring name = UniqueName(L"Zp");
  auto within = StartStandIn(std::wstring(255 - name.size(), L'x') + name);
  auto beyond = StartStandIn(std::wstring(256 - name.size(), L'x') + name);

  EXPECT_TRUE(TerminateTask(name));
  EXPECT_TRUE(EndsSoon(*within));
  EXPECT_FALSE(beyond->HasEnded(2000));
  EXPECT_EQ(entries.size(), 1u);
}

TEST_F(MdlTask, NoMatchEndsNothingAndLeavesNoEntry) {
  auto running = StartStandIn(UniqueName(L"Zefra VUNO "));
  RefuseEveryAttempt();
  EXPECT_TRUE(TerminateTask(UniqueName(L"Zefra VUNO ")));
  EXPECT_THAT(entries, IsEmpty());
  EXPECT_FALSE(running->HasEnded(1000));
}

TEST_F(MdlTask, TwoWindowsOfOneProcess) {
  const std::wstring name = UniqueName(L"Zefra VUNO ");
  auto program = StartStandIn(name, L"--two-windows");
  ASSERT_TRUE(program->WaitForWindow(name + L" (2)"));

  EXPECT_TRUE(TerminateTask(name));
  EXPECT_TRUE(EndsSoon(*program));
  // One attempt per window that still exists when its turn comes.
  EXPECT_GE(entries.size(), 1u);
  EXPECT_LE(entries.size(), 2u);
}

TEST_F(MdlTask, TheUpdatersOwnWindowIsNeverAVictim) {
  const std::wstring name = UniqueName(L"Zefra INDIR ");
  OwnWindow own(name + L" 9.08");
  ASSERT_TRUE(IsWindow(own.get()));
  RefuseEveryAttempt();
  EXPECT_TRUE(TerminateTask(name));
  ASSERT_THAT(entries, IsEmpty()) << "the next step would end the test program itself";

  // Beside another program's window of the same title: only the other one goes.
  SetEventLogWriter([this](const std::wstring& text) { entries.push_back(text); });
  auto other = StartStandIn(name + L" 9.08");
  EXPECT_TRUE(TerminateTask(name));
  EXPECT_TRUE(EndsSoon(*other));
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_TRUE(IsWindow(own.get()));
}

TEST_F(MdlTask, ABlankTargetEndsNothing) {
  auto running = StartStandIn(UniqueName(L"Zefra VUNO "));
  RefuseEveryAttempt();
  for (const wchar_t* name : {L"", L"   ", L"\t"}) {
    EXPECT_TRUE(TerminateTask(name)) << '"' << name << '"';
  }
  EXPECT_THAT(entries, IsEmpty());
  EXPECT_FALSE(running->HasEnded(500));
}

TEST_F(MdlTask, AnUnexpectedErrorStopsTheWalkWithoutCrossingIt) {
  const std::wstring name = UniqueName(L"Zefra VUNO ");
  auto first = StartStandIn(name + L" a");
  auto second = StartStandIn(name + L" b");
  RefuseEveryAttempt();
  // KillProcess fails, the walk stops at the first match, and the walk itself still ended normally.
  EXPECT_TRUE(TerminateTask(name));
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_FALSE(first->HasEnded(1000));
  EXPECT_FALSE(second->HasEnded());
}

TEST_F(MdlTask, AWindowGoneBeforeItsTurnIsSkippedSilently) {
  OwnWindow own(L"gone");
  const HWND window = own.get();
  DestroyWindow(window);
  RefuseEveryAttempt();
  EXPECT_TRUE(KillProcess(window));
  EXPECT_THAT(entries, IsEmpty());
}

}  // namespace
