// The updater replacing its own running file: a probe copied into a folder as "Zefra INDIR.exe"
// fetches itself there, under Wine, which like Windows neither overwrites nor deletes a running
// program's file. And the removal at start of what such a replace set aside.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "diag/log_line.h"
#include "http_fixture.h"
#include "install/self_replace_win.h"
#include "test_support.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class SelfReplace : public ::testing::Test {
 protected:
  SelfReplace() : updater(folder / L"Zefra INDIR.exe") {
    CopyFileW(HelperProgramPath(L"zefra_self_update_probe.exe").c_str(), updater.c_str(), FALSE);
    old = ReadBytes(updater);
  }

  DWORD RunProbe(const std::wstring& url, const std::wstring& tag, const std::wstring& fault = L"") {
    StartedProgram probe(updater, L"\"" + url + L"\" " + tag + L" " + fault);
    EXPECT_TRUE(probe.HasEnded(60000)) << "the probe did not end";
    return probe.ExitCode();
  }

  // The last count messages of the log in the folder, without their timestamps.
  std::vector<std::wstring> LogTail(size_t count) const {
    const std::vector<std::wstring> messages = LogMessagesOf(folder / kLogFileName);
    return {messages.end() - std::min(count, messages.size()), messages.end()};
  }

  ScratchFolder folder;
  const std::wstring updater;
  std::string old;
  const std::string fresh = PatternBytes(300 * 1024 + 3);
};

const std::wstring kFailedInCopy = L"; reason=Stage copy temporary file to destination - Error ";

TEST_F(SelfReplace, WhenTheOldFileCannotStepAsideItStaysAndTheSlotFailsWithTheReason) {
  const std::wstring url = Serve(L"self-blocked.exe", fresh);
  const std::wstring aside = folder / L"Zefra INDIR.exe.T1.indir-old";
  ASSERT_TRUE(CreateDirectoryW(aside.c_str(), nullptr));

  EXPECT_EQ(RunProbe(url, L"T1"), 1u);

  EXPECT_TRUE(ReadBytes(updater) == old) << "the running updater must stay in place";
  EXPECT_FALSE(FileExists(updater + L".download"));
  const std::wstring where = L"; path=" + updater + L"; setAside=" + aside;
  EXPECT_THAT(LogTail(3),
              ElementsAre(L"Replacing the running updater" + where,
                          StartsWith(L"Running updater could not be set aside" + where + L"; error="),
                          StartsWith(L"Download failed; stage=copy temporary file to destination; url=" +
                                     url + kFailedInCopy)));
}

// After the failure the user presses BAŞLAT again: the updater that was put back runs, and a
// virus scanner holding the new file for a moment is waited out with the old file in place.
TEST_F(SelfReplace, WhenTheNewFileCannotMoveInTheOldOneIsPutBackAndALaterRunReplacesIt) {
  const std::wstring url = Serve(L"self-fault.exe", fresh);
  const std::wstring aside = folder / L"Zefra INDIR.exe.T2.indir-old";
  const std::wstring where = L"; path=" + updater + L"; setAside=" + aside;
  const std::wstring cannotMove = L"New updater could not be moved into place; path=" + updater + L"; error=";

  EXPECT_EQ(RunProbe(url, L"T2", L"112"), 1u);

  ASSERT_TRUE(FileExists(updater)) << "no updater left in the folder";
  EXPECT_TRUE(ReadBytes(updater) == old) << "the old updater must be put back";
  EXPECT_FALSE(FileExists(aside));
  EXPECT_FALSE(FileExists(updater + L".download"));
  EXPECT_THAT(LogTail(5),
              ElementsAre(L"Replacing the running updater" + where, L"Running updater set aside" + where,
                          cannotMove + L"112", L"Running updater put back" + where,
                          StartsWith(L"Download failed; stage=copy temporary file to destination; url=" +
                                     url + kFailedInCopy + L"112: ")));

  EXPECT_EQ(RunProbe(url, L"T2", L"32:1"), 0u);

  EXPECT_TRUE(ReadBytes(updater) == fresh) << "the new updater must be in place";
  EXPECT_TRUE(ReadBytes(aside) == old) << "the old updater waits aside for the next start";
  EXPECT_FALSE(FileExists(updater + L".download"));
  EXPECT_THAT(
      LogTail(6),
      ElementsAreArray(
          {L"Running updater set aside" + where, cannotMove + L"32", L"Running updater put back" + where,
           L"Running updater set aside" + where, L"New updater moved into place; path=" + updater,
           L"Download complete; destination=" + updater + L"; bytes=" + std::to_wstring(fresh.size())}));
  RemoveSetAsideFiles(folder.path());
  EXPECT_FALSE(FileExists(aside));
}

// Neither the new updater moves in nor the old one back: the verified new one stays whole under
// its temporary name, and the reason says where each file is.
TEST_F(SelfReplace, WhenNeitherFileTakesTheUpdatersNameAWholeUpdaterRemains) {
  const std::wstring url = Serve(L"self-double.exe", fresh);
  const std::wstring aside = folder / L"Zefra INDIR.exe.T3.indir-old";
  EXPECT_EQ(RunProbe(url, L"T3", L"112 5"), 1u);
  EXPECT_FALSE(FileExists(updater));
  EXPECT_TRUE(ReadBytes(updater + L".download") == fresh) << "the verified new updater is gone";
  EXPECT_TRUE(ReadBytes(aside) == old);
  EXPECT_THAT(
      LogTail(2),
      ElementsAre(StartsWith(L"New updater kept under its temporary name; path=" + updater + L".download"),
                  HasSubstr(L"yenisi \"" + updater + L".download\", eskisi \"" + aside + L"\"")));

  ASSERT_TRUE(MoveFileW(aside.c_str(), updater.c_str()));
  EXPECT_EQ(RunProbe(url, L"T3", L"112:1 5"), 0u);
  EXPECT_TRUE(ReadBytes(updater) == fresh);
  EXPECT_THAT(LogTail(2)[0], StartsWith(L"New updater moved into place after all; path=" + updater));
}

// The old file cannot go back either: the new one is tried again at once, not after the put-back's
// pauses, so the name does not stay empty over them.
TEST_F(SelfReplace, WhileTheOldFileCannotGoBackTheNewOneTakesTheNameBeforeAnyPause) {
  const std::wstring where = L"; path=" + updater + L"; setAside=" + folder / L"Zefra INDIR.exe.T5.indir-old";
  EXPECT_EQ(RunProbe(Serve(L"self-held.exe", fresh), L"T5", L"32:1 32"), 0u);
  EXPECT_TRUE(ReadBytes(updater) == fresh);
  EXPECT_THAT(LogTail(3),
              ElementsAre(L"New updater could not be moved into place; path=" + updater + L"; error=32",
                          L"New updater moved into place after all" + where,
                          StartsWith(L"Download complete; destination=" + updater)));
}

TEST(SetAsideFiles, EveryOneGoesAtStartButOneStillInUseIsLeftForTheNextStart) {
  ScratchFolder folder;
  const std::wstring gone[] = {L"Zefra INDIR.exe.1-0.indir-old", L"read only.INDIR-OLD",
                               L"Zefra INDIR.1-0.indir-probe"};
  const std::wstring kept[] = {L"Zefra INDIR.exe", L"x.indir-old.txt", L"indir-old", L"x.indir-probe.dll"};
  for (const std::wstring& name : gone) WriteBytes(folder / name, "MZ old");
  for (const std::wstring& name : kept) WriteBytes(folder / name, "MZ keep");
  ASSERT_TRUE(SetFileAttributesW((folder / gone[1]).c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CreateDirectoryW((folder / L"dir.indir-old").c_str(), nullptr));
  const std::wstring busy = folder / L"busy.indir-old";
  {
    HeldOpenFile inUse(busy);
    RemoveSetAsideFiles(folder.path());
    EXPECT_TRUE(FileExists(busy));
  }
  for (const std::wstring& name : gone) EXPECT_FALSE(FileExists(folder / name)) << name;
  for (const std::wstring& name : kept) EXPECT_TRUE(FileExists(folder / name)) << name;
  RemoveSetAsideFiles(folder.path());
  EXPECT_FALSE(FileExists(busy));
}

}  // namespace
