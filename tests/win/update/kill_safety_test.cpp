// The downloader ended by force at its riskiest points leaves the old file or the new one whole.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>

#include "http_fixture.h"
#include "platform/scoped_win.h"
#include "test_support.h"
#include "trust/release_order.h"
#include "update/update_run.h"

namespace {

// Runs the probe program until it reaches the point (or ends) and returns its process.
UniqueHandle StartProbe(const std::wstring& url, const std::wstring& destination, const std::wstring& point,
                        const std::wstring& eventName,
                        const std::wstring& program = HelperProgramPath(L"zefra_download_probe.exe")) {
  std::wstring commandLine =
      L"\"" + program + L"\" \"" + url + L"\" \"" + destination + L"\" " + point + L" " + eventName;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start the probe: " << GetLastError();
    return UniqueHandle();
  }
  CloseHandle(process.hThread);
  return UniqueHandle(process.hProcess);
}

// Starts the probe, waits until it holds at the point, and kills it there.
void KillAt(const std::wstring& url, const std::wstring& destination, const std::wstring& point,
            const std::wstring& program = HelperProgramPath(L"zefra_download_probe.exe")) {
  const std::wstring eventName = L"zefra-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-" + point;
  UniqueHandle reached(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
  UniqueHandle probe = StartProbe(url, destination, point, eventName, program);
  ASSERT_TRUE(probe);
  const HANDLE waits[] = {reached.get(), probe.get()};
  ASSERT_EQ(WaitForMultipleObjects(2, waits, FALSE, 60000), WAIT_OBJECT_0)
      << "the probe did not reach " << point;
  ASSERT_TRUE(TerminateProcess(probe.get(), 9));
  ASSERT_EQ(WaitForSingleObject(probe.get(), 30000), WAIT_OBJECT_0);
}

TEST(KillSafety, KilledMidBodyOrBeforeTheReplaceTheOldFileStaysWholeThenANewRunReplacesIt) {
  ScratchFolder folder;
  const std::string fresh = PatternBytes(6 * 1024 * 1024 + 5);
  const std::string old = PatternBytes(2 * 1024 * 1024, "OLD");
  const std::wstring url = Serve(L"kill me.exe", fresh);
  const std::wstring destination = folder / L"kill me.exe";
  WriteBytes(destination, old);

  KillAt(url, destination, L"chunk");
  EXPECT_TRUE(ReadBytes(destination) == old) << "killed during the body";
  EXPECT_LT(ReadBytes(destination + L".download").size(), fresh.size());
  // Its tail may never have reached the disk had the power gone: no record, so it is not continued.
  EXPECT_FALSE(FileExists(destination + L".indir-resume"));

  KillAt(url, destination, L"replace");
  EXPECT_TRUE(ReadBytes(destination) == old) << "killed after the flush, before the replace";
  EXPECT_TRUE(ReadBytes(destination + L".download") == fresh) << "the flushed temporary file is whole";

  // A later run removes what the killed one left and puts the new file in place.
  UniqueHandle probe = StartProbe(url, destination, L"none", L"unused");
  ASSERT_TRUE(probe);
  ASSERT_EQ(WaitForSingleObject(probe.get(), 60000), WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(probe.get(), &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(ReadBytes(destination) == fresh);
  EXPECT_FALSE(FileExists(destination + L".download"));
}

// Killed between its two renames, the updater's swap leaves no file under its name (Windows has no
// single step that replaces a running program's file): the old one set aside, the new one whole
// beside it. The next download onto that name puts the new one there before anything else.
TEST(KillSafety, KilledInsideTheUpdatersSwapTheWholeNewUpdaterTakesTheNameAtTheNextDownload) {
  ScratchFolder folder;
  const std::wstring updater = folder / L"Zefra INDIR.exe";
  ASSERT_TRUE(CopyFileW(HelperProgramPath(L"zefra_download_probe.exe").c_str(), updater.c_str(), FALSE));
  const std::string fresh = PatternBytes(300 * 1024 + 3);
  KillAt(Serve(L"kill-swap.exe", fresh), updater, L"swap", updater);
  EXPECT_FALSE(FileExists(updater));
  EXPECT_TRUE(ReadBytes(updater + L".download") == fresh) << "the new updater is whole";

  UniqueHandle next = StartProbe(FixtureAddress(L"kill-swap-missing.exe"), updater, L"none", L"unused",
                                 HelperProgramPath(L"zefra_download_probe.exe"));
  ASSERT_EQ(WaitForSingleObject(next.get(), 60000), WAIT_OBJECT_0);
  EXPECT_TRUE(ReadBytes(updater) == fresh) << "no whole updater under its name";
}

TEST(KillSafety, TheKeptReleaseIsAlwaysTheOldOrTheNewWhereverItsWriteIsKilled) {
  ScratchFolder folder;
  const std::wstring path = folder / kKeptReleaseName;
  // As the probe writes them: each release's digest is its number in every byte.
  Sha256Digest ones{}, twos{};
  ones.fill(1);
  twos.fill(2);
  const std::string texts[] = {KeptReleaseText(1, ones), KeptReleaseText(2, twos)};
  std::mt19937 random(20261211);
  for (int kill = 0; kill < 25; ++kill) {
    const std::wstring eventName =
        L"zefra-kept-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(kill);
    UniqueHandle started(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    const StartedProgram probe(HelperProgramPath(L"zefra_kept_release_probe.exe"),
                               L"\"" + path + L"\" " + eventName);
    const HANDLE waits[] = {started.get(), probe.handle()};
    ASSERT_EQ(WaitForMultipleObjects(2, waits, FALSE, 60000), WAIT_OBJECT_0) << "the probe did not write";
    Sleep(random() % 40);
    ASSERT_TRUE(TerminateProcess(probe.handle(), 9));
    ASSERT_TRUE(probe.HasEnded(30000));
    const std::string kept = ReadBytes(path);
    ASSERT_TRUE(kept == texts[0] || kept == texts[1])
        << "kill " << kill << ": " << testing::PrintToString(kept);
  }
}

}  // namespace
