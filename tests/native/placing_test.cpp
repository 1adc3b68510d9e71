// Putting a release in place, and finishing or undoing a placing that a dead process left,
// against a folder in memory that can die at any step.
#include "install/placing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "recording_log.h"

namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

Sha256Digest Version(uint8_t mark, uint8_t file) { return Sha256Digest{mark, file}; }
constexpr uint8_t kOld = 1;
constexpr uint8_t kNew = 2;

// The process dies: nothing of the placing's own runs after it.
struct Died {};

class MemoryFolder final : public PlacingFolder {
 public:
  std::optional<Sha256Digest> Digest(const std::wstring& name) override {
    const auto found = files.find(name);
    return found == files.end() ? std::nullopt : std::optional(found->second);
  }
  bool Exists(const std::wstring& name) override { return files.count(name) != 0; }
  void Move(const std::wstring& from, const std::wstring& to) override {
    Step();
    if (to == lockedName || from == lockedName) throw AppError(32, L"The file is in use.");
    if (!files.count(from)) throw AppError(2, L"The system cannot find the file specified.");
    files[to] = files[from];
    files.erase(from);
  }
  void Remove(const std::wstring& name) override { Step(), files.erase(name); }
  void WriteJournal(const std::string& text) override { Step(), journal = text; }
  std::optional<std::string> ReadJournal() override { return journal; }
  void RemoveJournal() override { Step(), journal.reset(); }
  bool IsRunningUpdater(const std::wstring& name) override { return name == L"Zefra INDIR.exe"; }
  void ReplaceRunningUpdater(const PlacedFile& file) override {
    Move(file.target, file.setAside);
    Move(file.staged, file.target);
  }

  std::map<std::wstring, Sha256Digest> files;
  std::optional<std::string> journal;
  int dieAtStep = -1;  // the step at which the process dies
  std::wstring lockedName;
  int steps = 0;

 private:
  // Once dead, no step changes anything any more, whoever ignores the failure.
  void Step() {
    if (dieAtStep >= 0 && steps++ >= dieAtStep) throw Died{};
  }
};

const std::wstring kNames[] = {L"Zefra INDIR.exe", L"Zefra VUNO.exe", L"bin\\VunoRapor.dll", L"Yeni.dll"};

// Three files replaced (the updater's own among them) and one that the release adds.
PlacingJournal ThreeFilesAndANewOne(MemoryFolder& folder) {
  PlacingJournal journal;
  for (uint8_t i = 0; i < 4; ++i) {
    const bool hadOld = i < 3;
    journal.push_back({kNames[i], kNames[i] + L".download", kNames[i] + L".7-0A.indir-old", hadOld, 100u + i,
                       Version(kNew, i)});
    if (hadOld) folder.files[kNames[i]] = Version(kOld, i);
    folder.files[kNames[i] + L".download"] = Version(kNew, i);
  }
  return journal;
}

// The folder holds one version of every file, whole, and nothing of the placing.
void ExpectAllOf(uint8_t mark, MemoryFolder& folder) {
  for (uint8_t i = 0; i < 4; ++i) {
    if (mark == kOld && i == 3) {
      EXPECT_FALSE(folder.Exists(kNames[i]));
    } else {
      EXPECT_EQ(folder.Digest(kNames[i]), Version(mark, i)) << static_cast<int>(i);
    }
    EXPECT_FALSE(folder.Exists(kNames[i] + L".7-0A.indir-old"));
  }
  EXPECT_FALSE(folder.journal);
}

TEST(Placing, PlacesEveryFileTheUpdaterLastAndLeavesNoJournal) {
  MemoryFolder folder;
  RecordingLog log;
  PlaceFiles(ThreeFilesAndANewOne(folder), folder, log);
  ExpectAllOf(kNew, folder);
  EXPECT_THAT(log.lines.back(), HasSubstr(L"Placing complete; files=4"));
  EXPECT_THAT(log.lines[log.lines.size() - 2], HasSubstr(L"File placed; name=Zefra INDIR.exe; bytes=100"));
}

TEST(Placing, ALockedFileUndoesWhatWasPlacedAndKeepsTheNewFilesStaged) {
  MemoryFolder folder;
  RecordingLog log;
  const PlacingJournal journal = ThreeFilesAndANewOne(folder);
  folder.lockedName = L"Yeni.dll";
  try {
    PlaceFiles(journal, folder, log);
    FAIL() << "placed over a locked file";
  } catch (const PlacingFailed& failed) {
    EXPECT_EQ(failed.name, L"Yeni.dll");
    EXPECT_EQ(failed.error.number, 32);
  }
  ExpectAllOf(kOld, folder);
  for (const PlacedFile& file : journal) EXPECT_EQ(folder.Digest(file.staged), file.sha256);
  EXPECT_FALSE(folder.Exists(L"Zefra INDIR.exe.7-0A.indir-old")) << "the updater was never touched";
}

// Wherever the process dies, in the placing or in the recovery after it, the next start leaves
// all old files or all new ones, and nothing lost.
TEST(Placing, ADeathAtAnyStepIsFinishedOrUndoneByTheNextStart) {
  int outcomes[2] = {0, 0};
  for (int death = 0;; ++death) {
    MemoryFolder folder;
    RecordingLog log;
    const PlacingJournal journal = ThreeFilesAndANewOne(folder);
    folder.dieAtStep = death;
    try {
      PlaceFiles(journal, folder, log);
      break;  // the placing ran to its end before the death
    } catch (const Died&) {
    }
    // The start after it dies too, at each of its own steps; the one after that finishes.
    for (int recoveryDeath = 0;; ++recoveryDeath) {
      MemoryFolder again = folder;
      again.steps = 0;
      again.dieAtStep = recoveryDeath;
      bool diedAgain = false;
      try {
        RecoverInterruptedPlacing(again, log);
      } catch (const Died&) {
        diedAgain = true;
      }
      again.dieAtStep = -1;
      if (diedAgain) RecoverInterruptedPlacing(again, log);
      EXPECT_EQ(RecoverInterruptedPlacing(again, log), Recovery::kNothing);
      const bool allNew = again.Digest(kNames[3]).has_value();
      ExpectAllOf(allNew ? kNew : kOld, again);
      ++outcomes[allNew];
      if (!diedAgain) break;
    }
  }
  EXPECT_GT(outcomes[0], 0);
  EXPECT_GT(outcomes[1], 0);
}

TEST(Placing, RecoveryCompletesWhenEveryNewFileIsThereAndRollsBackOtherwise) {
  struct Case {
    const char* what;
    int placedBeforeDeath;  // files fully placed when the process died
    bool loseAStagedFile;
    Recovery expected;
  } cases[] = {
      {"died after the journal", 0, false, Recovery::kCompleted},
      {"died after two files", 2, false, Recovery::kCompleted},
      {"a staged file gone", 2, true, Recovery::kRolledBack},
  };
  for (const Case& c : cases) {
    MemoryFolder folder;
    RecordingLog log;
    const PlacingJournal journal = ThreeFilesAndANewOne(folder);
    folder.dieAtStep = 1 + 2 * c.placedBeforeDeath;
    EXPECT_THROW(PlaceFiles(journal, folder, log), Died) << c.what;
    if (c.loseAStagedFile) folder.files.erase(kNames[3] + L".download");
    folder.dieAtStep = -1;
    EXPECT_EQ(RecoverInterruptedPlacing(folder, log), c.expected) << c.what;
    if (c.expected == Recovery::kCompleted) {
      ExpectAllOf(kNew, folder);
      EXPECT_THAT(log.lines, Contains(HasSubstr(L"Interrupted update completed; files=4")));
    } else {
      for (uint8_t i = 0; i < 3; ++i) EXPECT_EQ(folder.Digest(kNames[i]), Version(kOld, i)) << c.what;
      EXPECT_THAT(log.lines, Contains(HasSubstr(L"Interrupted update rolled back; files=4")));
    }
  }
}

TEST(Placing, AJournalThatCannotBeReadIsLeftAndNothingIsTouched) {
  MemoryFolder folder;
  RecordingLog log;
  const PlacingJournal journal = ThreeFilesAndANewOne(folder);
  const std::string whole = PlacingJournalText(journal);
  EXPECT_EQ(ParsePlacingJournal(whole), journal);
  const std::string unreadable[] = {
      whole.substr(0, whole.size() - 4),  // cut before its last line
      "x" + whole, whole.substr(0, whole.find('\n') + 1) + "00\t1\t1\ta\tb\tc\n" + "end\n",
      whole.substr(0, whole.rfind("end")) + whole.substr(whole.find('\n') + 1),  // a name twice
  };
  for (const std::string& text : unreadable) {
    folder.journal = text;
    const auto before = folder.files;
    EXPECT_EQ(RecoverInterruptedPlacing(folder, log), Recovery::kUnreadable);
    EXPECT_THROW(PlaceFiles(journal, folder, log), PlacingFailed) << "nor is it written over";
    EXPECT_EQ(folder.files, before);
    EXPECT_EQ(folder.journal, text);
  }
}

}  // namespace
