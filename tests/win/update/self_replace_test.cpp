// The updater replacing its own running file. A probe copied into a folder as "Zefra INDIR.exe"
// fetches itself there, under Wine, which like Windows neither overwrites nor deletes a running
// program's file; and the removal at start of what such a replace set aside.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "diag/log_line.h"
#include "platform/scoped_win.h"
#include "update/self_replace_win.h"
#include "update_test_support.h"

namespace {

using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr wchar_t kCopyStage[] = L"copy temporary file to destination";

class SelfReplace : public ::testing::Test {
 protected:
  SelfReplace() : updater(folder / L"Zefra INDIR.exe") {
    CopyFileW(HelperProgramPath(L"zefra_self_update_probe.exe").c_str(), updater.c_str(), FALSE);
    old = ReadBytes(updater);
  }

  // Starts the probe in the folder and waits for its exit code.
  DWORD RunProbe(const std::wstring& url, const std::wstring& tag, const std::wstring& fault = L"") {
    StartedProgram probe(updater, L"\"" + url + L"\" " + tag + L" " + fault);
    EXPECT_TRUE(probe.HasEnded(60000)) << "the probe did not end";
    return probe.ExitCode();
  }

  // The log's messages since the last call, without their timestamps.
  std::vector<std::wstring> NewLogMessages() {
    const std::string text = ReadBytes(folder / kLogFileName);
    std::vector<std::wstring> messages;
    for (size_t start = logRead_, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      if (end - start > 20) messages.emplace_back(text.begin() + start + 20, text.begin() + end);
      logRead_ = end + 2;
    }
    return messages;
  }

  std::vector<std::wstring> SetAsideFiles() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    UniqueFind search(FindFirstFileW((folder / L"*.indir-old").c_str(), &found));
    if (search) {
      do names.emplace_back(found.cFileName);
      while (FindNextFileW(search.get(), &found));
    }
    return names;
  }

  std::wstring FailedLine(const std::wstring& url, uint32_t error) const {
    return L"Download failed; stage=" + std::wstring(kCopyStage) + L"; url=" + url + L"; reason=Stage " +
           kCopyStage + L" - Error " + std::to_wstring(error) + L": ";
  }

  ScratchFolder folder;
  const std::wstring updater;
  std::string old;
  const std::string fresh = PatternBytes(300 * 1024 + 3);

 private:
  size_t logRead_ = 0;
};

TEST_F(SelfReplace, WhenTheOldFileCannotStepAsideItStaysAndTheSlotFailsWithTheReason) {
  const std::wstring url = Serve(L"self-blocked.exe", fresh);
  const std::wstring aside = folder / L"Zefra INDIR.exe.T1.indir-old";
  ASSERT_TRUE(CreateDirectoryW(aside.c_str(), nullptr));

  EXPECT_EQ(RunProbe(url, L"T1"), 1u);

  EXPECT_TRUE(ReadBytes(updater) == old) << "the running updater must stay in place";
  EXPECT_FALSE(FileExists(updater + L".download"));
  const std::vector<std::wstring> log = NewLogMessages();
  const std::wstring where = L"; path=" + updater + L"; setAside=" + aside;
  EXPECT_THAT(log, Contains(L"Replacing the running updater" + where));
  EXPECT_THAT(log, Contains(StartsWith(L"Running updater could not be set aside" + where + L"; error=")));
  EXPECT_THAT(log, Not(Contains(StartsWith(L"Running updater set aside"))));
  ASSERT_FALSE(log.empty());
  EXPECT_THAT(log.back(), StartsWith(L"Download failed; stage=" + std::wstring(kCopyStage) + L"; url=" + url +
                                     L"; reason=Stage " + kCopyStage + L" - Error "));
}

// The user presses BAŞLAT again after a failure: the updater that was put back runs, and a
// virus scanner holding the new file for a moment is waited out with the old file in place.
TEST_F(SelfReplace, WhenTheNewFileCannotMoveInTheOldOneIsPutBackAndALaterRunReplacesIt) {
  const std::wstring url = Serve(L"self-fault.exe", fresh);
  const std::wstring aside = folder / L"Zefra INDIR.exe.T2.indir-old";
  const std::wstring where = L"; path=" + updater + L"; setAside=" + aside;

  EXPECT_EQ(RunProbe(url, L"T2", L"112"), 1u);

  ASSERT_TRUE(FileExists(updater)) << "no updater left in the folder";
  EXPECT_TRUE(ReadBytes(updater) == old) << "the old updater must be put back";
  EXPECT_FALSE(FileExists(aside));
  EXPECT_FALSE(FileExists(updater + L".download"));
  const std::vector<std::wstring> failed = NewLogMessages();
  const std::vector<std::wstring> steps(failed.end() - std::min<size_t>(failed.size(), 5), failed.end());
  EXPECT_THAT(steps, ::testing::ElementsAre(
                         L"Replacing the running updater" + where, L"Running updater set aside" + where,
                         L"New updater could not be moved into place; path=" + updater + L"; error=112",
                         L"Running updater put back" + where, StartsWith(FailedLine(url, 112))));

  EXPECT_EQ(RunProbe(url, L"T2", L"32:1"), 0u);

  EXPECT_TRUE(ReadBytes(updater) == fresh) << "the new updater must be in place";
  EXPECT_FALSE(FileExists(updater + L".download"));
  const std::vector<std::wstring> replaced = NewLogMessages();
  const std::vector<std::wstring> expected = {
      L"Replacing the running updater" + where,
      L"Running updater set aside" + where,
      L"New updater could not be moved into place; path=" + updater + L"; error=32",
      L"Running updater put back" + where,
      L"Running updater set aside" + where,
      L"New updater moved into place; path=" + updater,
      L"Download complete; destination=" + updater + L"; bytes=" + std::to_wstring(fresh.size())};
  ASSERT_GE(replaced.size(), expected.size());
  EXPECT_EQ(std::vector<std::wstring>(replaced.end() - expected.size(), replaced.end()), expected);
  EXPECT_TRUE(ReadBytes(aside) == old) << "the old updater waits aside for the next start";

  RemoveSetAsideFiles(folder.path());
  EXPECT_THAT(SetAsideFiles(), IsEmpty());
}

TEST(SetAsideFiles, EveryOneGoesAtStartButOneStillInUseIsLeftForTheNextStart) {
  ScratchFolder folder;
  const std::vector<std::wstring> setAside = {L"Zefra INDIR.exe.1-0.indir-old", L"x.INDIR-OLD",
                                              L"read only.indir-old"};
  const std::vector<std::wstring> others = {L"Zefra INDIR.exe", L"x.indir-old.txt", L"x.indir-old.download",
                                            L"indir-old"};
  for (const std::wstring& name : setAside) WriteBytes(folder / name, "MZ old");
  for (const std::wstring& name : others) WriteBytes(folder / name, "MZ keep");
  ASSERT_TRUE(SetFileAttributesW((folder / L"read only.indir-old").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CreateDirectoryW((folder / L"dir.indir-old").c_str(), nullptr));
  const std::wstring busy = folder / L"busy.indir-old";
  {
    HeldOpenFile inUse(busy);
    RemoveSetAsideFiles(folder.path());
    EXPECT_TRUE(FileExists(busy));
  }
  for (const std::wstring& name : setAside) EXPECT_FALSE(FileExists(folder / name)) << name;
  for (const std::wstring& name : others) EXPECT_TRUE(FileExists(folder / name)) << name;
  EXPECT_NE(GetFileAttributesW((folder / L"dir.indir-old").c_str()), INVALID_FILE_ATTRIBUTES);

  RemoveSetAsideFiles(folder.path());
  EXPECT_FALSE(FileExists(busy));
  RemoveSetAsideFiles(folder / L"missing");
}

}  // namespace
