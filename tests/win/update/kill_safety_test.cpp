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

// Runs a probe program with its arguments and returns its process.
UniqueHandle StartHelper(const wchar_t* name, const std::wstring& arguments) {
  const std::wstring program = HelperProgramPath(name);
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
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

// Runs the download probe until it reaches the point (or ends) and returns its process.
UniqueHandle StartProbe(const std::wstring& url, const std::wstring& destination, const std::wstring& point,
                        const std::wstring& eventName) {
  return StartHelper(L"zefra_download_probe.exe",
                     L"\"" + url + L"\" \"" + destination + L"\" " + point + L" " + eventName);
}

// Starts the probe, waits until it holds at the point, and kills it there.
void KillAt(const std::wstring& url, const std::wstring& destination, const std::wstring& point) {
  const std::wstring eventName = L"zefra-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-" + point;
  UniqueHandle reached(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
  UniqueHandle probe = StartProbe(url, destination, point, eventName);
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

// Killed at random moments while it writes the kept release again and again, the file always
// holds one of the two releases whole.
TEST(KillSafety, TheKeptReleaseIsAlwaysTheOldOrTheNewWhereverItsWriteIsKilled) {
  ScratchFolder folder;
  const std::wstring path = folder / kKeptReleaseName;
  // As the probe writes them: each release's digest is its number in every byte.
  const auto text = [](uint8_t number) {
    Sha256Digest digest{};
    digest.fill(number);
    return KeptReleaseText(number, digest);
  };
  const std::string texts[] = {text(1), text(2)};
  std::mt19937 random(20261211);
  for (int kill = 0; kill < 25; ++kill) {
    const std::wstring eventName =
        L"zefra-kept-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(kill);
    UniqueHandle started(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    UniqueHandle probe = StartHelper(L"zefra_kept_release_probe.exe", L"\"" + path + L"\" " + eventName);
    ASSERT_TRUE(probe);
    const HANDLE waits[] = {started.get(), probe.get()};
    ASSERT_EQ(WaitForMultipleObjects(2, waits, FALSE, 60000), WAIT_OBJECT_0) << "the probe did not write";
    Sleep(random() % 40);
    ASSERT_TRUE(TerminateProcess(probe.get(), 9));
    ASSERT_EQ(WaitForSingleObject(probe.get(), 30000), WAIT_OBJECT_0);
    const std::string kept = ReadBytes(path);
    ASSERT_TRUE(kept == texts[0] || kept == texts[1])
        << "kill " << kill << ": " << testing::PrintToString(kept);
  }
}

}  // namespace
