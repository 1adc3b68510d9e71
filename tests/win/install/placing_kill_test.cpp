// The placing ended by force at every step, and a moment into it: the next start finishes or
// undoes it, and the folder holds all old files or all new ones, none lost.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>

#include "install/placing_folder_win.h"
#include "install/self_replace_win.h"
#include "platform/scoped_win.h"
#include "recording_log.h"
#include "test_support.h"

namespace {

const std::wstring kNames[] = {L"Zefra VUNO.exe", L"bin\\VunoRapor.dll", L"Yeni.dll"};

using Contents = std::map<std::wstring, std::string>;

// Two files the release replaces and one it adds; the new ones staged beside them.
struct Release {
  Contents oldFiles{
      {L"bin\\", ""}, {kNames[0], PatternBytes(300000, "MZ-OLD")}, {kNames[1], PatternBytes(70000, "OLD")}};
  Contents newFiles{{L"bin\\", ""},
                    {kNames[0], PatternBytes(310000, "MZ-NEW")},
                    {kNames[1], PatternBytes(80000, "NEW")},
                    {kNames[2], PatternBytes(5000, "ADDED")}};

  void LayOut(const ScratchFolder& folder) const {
    RemoveTree(folder.path());
    CreateDirectoryW(folder.path().c_str(), nullptr);
    CreateDirectoryW((folder / L"bin").c_str(), nullptr);
    for (const auto& [name, bytes] : oldFiles) {
      if (name.back() != L'\\') WriteBytes(folder / name, bytes);
    }
    for (const auto& [name, bytes] : newFiles) {
      if (name.back() != L'\\') WriteBytes(folder / (name + L".download"), bytes);
    }
  }
};

// What a start does before anything else: the journal, then what was set aside.
void StartAgain(const ScratchFolder& folder) {
  RecordingLog log;
  WindowsPlacingFolder placing(folder.path(), log);
  RecoverInterruptedPlacing(placing, log);
  RemoveSetAsideFiles(folder.path());
}

// Kills the probe at the step, delayMs after it began; false when the placing ended before it.
bool KillPlacingAt(const ScratchFolder& folder, int step, DWORD delayMs) {
  const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(step);
  UniqueHandle held(CreateEventW(nullptr, TRUE, FALSE, (L"zefra-held-" + tag).c_str()));
  UniqueHandle go(CreateEventW(nullptr, TRUE, FALSE, (L"zefra-go-" + tag).c_str()));
  const StartedProgram probe(
      HelperProgramPath(L"zefra_placing_probe.exe"),
      L"\"" + folder.path() + L"\" " + std::to_wstring(step) + L" zefra-held-" + tag + L" zefra-go-" + tag);
  const HANDLE waits[] = {held.get(), probe.handle()};
  const DWORD reached = WaitForMultipleObjects(2, waits, FALSE, 60000);
  EXPECT_NE(reached, WAIT_TIMEOUT) << "step " << step;
  SetEvent(go.get());
  Sleep(delayMs);
  TerminateProcess(probe.handle(), 9);
  EXPECT_TRUE(probe.HasEnded(30000));
  return reached == WAIT_OBJECT_0;
}

TEST(PlacingKill, KilledAtAnyStepTheNextStartLeavesAllOldOrAllNewFiles) {
  ScratchFolder folder;
  const Release release;
  std::mt19937 random(20261210);
  int kills = 0, allOld = 0, allNew = 0;
  for (int step = 0, lastStep = 1000; step <= lastStep; ++step) {
    for (int repeat = 0; repeat < 10; ++repeat) {
      release.LayOut(folder);
      if (!KillPlacingAt(folder, step, repeat == 0 ? 0 : random() % 4)) lastStep = step;  // ran to its end
      ++kills;
      StartAgain(folder);
      Contents found = FolderContents(folder.path());
      for (const auto& [name, bytes] : release.newFiles) found.erase(name + L".download");  // kept for later
      const bool isNew = found == release.newFiles;
      EXPECT_TRUE(isNew || found == release.oldFiles) << "step " << step << ", kill " << kills;
      ++(isNew ? allNew : allOld);
    }
  }
  EXPECT_GE(kills, 100);
  EXPECT_GT(allOld, 0);
  EXPECT_GT(allNew, 0);
}

}  // namespace
