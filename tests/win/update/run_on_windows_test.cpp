// The update run with a recording window, the real downloader, real files and the HTTP fixture.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <iostream>
#include <sstream>

#include "app/placing_copy_win.h"
#include "diag/log_line.h"
#include "diag/log_win.h"
#include "http_fixture.h"
#include "platform/encoding_win.h"
#include "platform/invariant_case_win.h"
#include "platform/text.h"
#include "process/mdl_task_win.h"
#include "process/start_as_user_win.h"
#include "quiet_run_window.h"
#include "standin.h"
#include "test_support.h"
#include "trust/cng_win.h"
#include "update/run_texts.h"
#include "update/update_services_win.h"

namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

// Keeps what the window would show, and writes the real log file beside the files.
class RecordingWindow : public QuietRunWindow, public Logger {
 public:
  explicit RecordingWindow(const std::wstring& folder) : log_(LogFilePath(folder)) {}

  void LOG_YAZ(std::wstring_view message) override { log_.LOG_YAZ(message); }
  void SetStatus(const std::wstring& text) override { statuses.push_back(text); }
  void SetFileName(const std::wstring& text) override { fileName = text; }
  void SetSizeText(const std::wstring& text) override { sizeTexts.push_back(text); }
  void SetProgress(int value) override { progress.push_back(value); }
  void SetStartEnabled(bool enabled) override { startEnabled = enabled; }
  void StopRunTimer() override { runTimerStopped = true; }
  void Pump() override { ++pumps; }

  std::vector<std::wstring> statuses, sizeTexts;
  std::vector<int> progress;
  std::wstring fileName;
  bool startEnabled = false, runTimerStopped = false;
  int pumps = 0;

 private:
  DiagnosticLog log_;
};

class StayingServices : public WindowsUpdateServices {
 public:
  explicit StayingServices(std::optional<std::string> releaseKey = std::nullopt)
      : WindowsUpdateServices({}, releaseKey), releaseKey_(std::move(releaseKey)) {}
  // The copy with the administrator's approval, run in this process with the same built-in key.
  PlacingCopyOutcome RunPlacingCopy(const ElevatedPlacingRequest& request, TransferWindow&) override {
    if (beforePlacingCopy) beforePlacingCopy(request);
    DiagnosticLog log(LogFilePath(request.programFolder));
    return static_cast<uint32_t>(PlaceStagedFiles(request, releaseKey_, log));
  }
  std::function<void(const ElevatedPlacingRequest&)> beforePlacingCopy;
  std::optional<std::string> releaseKey_;
  void EndProcess() override { ended = true; }
  bool ended = false;
};

class UpdateRunTest : public ::testing::Test {
 protected:
  std::string LogText() { return ReadBytes(LogFilePath(folder.path())); }

  ScratchFolder folder;
  RecordingWindow window{folder.path()};
  StayingServices services;
  RecordedMessageBoxes boxes;
};

TEST_F(UpdateRunTest, SlotsOneAndThreeAreFetchedThenTheMainProgramStartsWithoutArguments) {
  const std::string mainProgram = ReadBytes(HelperProgramPath(L"zefra_fake_main.exe"));
  const std::string library = PatternBytes(1235 * 1024, "LB");
  const std::wstring base = Publish(L"run-ok", {{L"Zefra VUNO.exe", mainProgram}, {L"lib x.dll", library}});
  WriteBytes(folder / L"Zefra VUNO.exe", "MZ old");

  RunUpdate(base, {L"Zefra VUNO.exe", L"", L" lib x.dll ", L"", L""}, folder.path(), window, window,
            services);

  EXPECT_TRUE(ReadBytes(folder / L"Zefra VUNO.exe") == mainProgram);
  EXPECT_TRUE(ReadBytes(folder / L"lib x.dll") == library);
  EXPECT_TRUE(FixtureReceived("/run-ok/lib%20x.dll", 200));
  EXPECT_EQ(
      window.statuses,
      (std::vector<std::wstring>{
          L"Zefra VUNO.exe Dosyası indirilmeye başladı...", L"Zefra VUNO.exe Dosyası indiriliyor...",
          L"Zefra VUNO.exe Dosyası indirildi...", L"İndirilecek dosya yok...",
          L"lib x.dll Dosyası indirilmeye başladı...", L"lib x.dll Dosyası indiriliyor...",
          L"lib x.dll Dosyası indirildi...", L"İndirilecek dosya yok...", L"İndirilecek dosya yok...",
          L"Açık dosyalar kapatılıyor...", L"Dosyalar yerine konuyor...", L"Tüm dosyalarınız güncellendi."}));
  ASSERT_EQ(window.sizeTexts.size(), 4u);
  EXPECT_EQ(window.sizeTexts[0], L"0");
  EXPECT_EQ(window.sizeTexts[2], L"0");
  EXPECT_EQ(window.sizeTexts[3], L"1" + services.ThousandsSeparator() + L"235");
  EXPECT_EQ(window.progress, (std::vector<int>{0, 100, 100}));
  EXPECT_EQ(window.fileName, L"lib x.dll");
  EXPECT_TRUE(window.runTimerStopped);
  EXPECT_GT(window.pumps, 1);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, L"Güncelleme tamamlandı! Programınız yeniden başlayacak.");
  EXPECT_EQ(boxes.shown()[0].style, static_cast<unsigned>(kBoxInformation));
  EXPECT_TRUE(services.ended);

  const std::string log = LogText();
  EXPECT_THAT(log, HasSubstr(" Update started; baseUrl=" + ToAnsi(base) + "\r\n"));
  EXPECT_THAT(log, HasSubstr(" Download start; url=" + ToAnsi(base) + "/lib%20x.dll; destination="));
  EXPECT_THAT(log, HasSubstr(" File reported downloaded; name=lib x.dll; bytes=1264640\r\n"));

  // The started program records how it was started, beside itself. Wine gives every process an
  // administrator's token, so here it was started as the user through the desktop's shell.
  if (RunningUnderWine()) {
    EXPECT_TRUE(RunsElevated());
  }
  const std::wstring record = folder / L"started.txt";
  for (int i = 0; i < 100 && !FileExists(record); ++i) Sleep(100);
  ASSERT_TRUE(FileExists(record)) << "the main program did not start";
  Sleep(200);
  EXPECT_EQ(ReadBytes(record),
            "arguments=\r\nshow=1\r\nflags=1\r\ncurrent=" + ToUtf8(folder.path()) + "\r\n");
}

TEST_F(UpdateRunTest, WithEverySlotEmptyNothingIsFetchedAndNoMissingProgramIsStarted) {
  RunUpdate(FixtureAddress(L"nothing/"), {L"", L"  ", L"", L"", L""}, folder.path(), window, window,
            services);

  std::vector<std::wstring> expected(5, L"İndirilecek dosya yok...");
  expected.push_back(L"Tüm dosyalarınız güncellendi.");
  EXPECT_EQ(window.statuses, expected);
  EXPECT_EQ(window.progress, (std::vector<int>{0}));
  EXPECT_TRUE(window.sizeTexts.empty());
  EXPECT_EQ(boxes.shown().size(), 1u);
  EXPECT_TRUE(services.ended);
  EXPECT_FALSE(FileExists(folder / L"started.txt"));
  EXPECT_THAT(LogText(), Not(HasSubstr("Download start")));
}

// The shop's program keeps running while the files are fetched: a third file that cannot be had
// closes nothing and changes no file; one that cannot be placed puts the first two back.
TEST_F(UpdateRunTest, UntilEveryFileIsPlacedTheProgramRunsAndTheFolderKeepsItsOldFiles) {
  EventLogWriter previous = SetEventLogWriter([](const std::wstring&) {});
  const std::wstring program = UniqueName(L"Vuno");
  const std::array<std::wstring, 5> slots{L"one.dll", program + L".exe", L"three.dll", L"", L""};
  const std::wstring base = Publish(L"run-fail", {{L"one.dll", "new one"}, {slots[1], "MZ new program"}});
  WriteBytes(folder / L"one.dll", "old one");
  WriteBytes(folder / L"three.dll", "old three");
  auto running = StartStandInFrom(CopyStandIn(folder.path(), slots[1]), program + L" 9.08");
  const std::map<std::wstring, std::string> before = FolderContents(folder.path());

  RunUpdate(base, slots, folder.path(), window, window, services);
  EXPECT_FALSE(running->HasEnded(0)) << "closed for a file that never came";
  for (const auto& [name, bytes] : before) EXPECT_TRUE(ReadBytes(folder / name) == bytes) << ToUtf8(name);
  EXPECT_EQ(window.statuses.back(), L"three.dll indirilemedi.");
  EXPECT_TRUE(window.startEnabled);
  EXPECT_FALSE(services.ended);

  // three.dll comes, but cannot be placed: the first two go back, the program starts again.
  WriteBytes(HttpFixtureRoot() + L"\\run-fail\\three.dll", "new three");
  {
    HeldOpenFile locked(folder / L"three.dll");
    RunUpdate(base, slots, folder.path(), window, window, services);
  }
  SetEventLogWriter(std::move(previous));
  EXPECT_TRUE(EndsSoon(*running));
  EXPECT_EQ(window.statuses.back(), L"three.dll yerine konamadı.");
  EXPECT_EQ(ReadBytes(folder / L"one.dll"), "old one");
  EXPECT_EQ(ReadBytes(folder / L"three.dll"), "old three");
  EXPECT_TRUE(ReadBytes(folder / slots[1]) == before.at(slots[1]));
  EXPECT_FALSE(FileExists(folder / kPlacingJournalName));
  EXPECT_THAT(LogText(), HasSubstr(" File placing undone; name=" + ToAnsi(slots[1]) + "\r\n"));
  ASSERT_FALSE(boxes.shown().empty());
  EXPECT_THAT(boxes.shown().back().text,
              testing::StartsWith(L"three.dll yerine konamadı; bütün dosyalar eski"));
}

TEST(UpdateLocale, TheSizeTextUsesTheUserLocalesThousandsSeparator) {
  wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
  GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
  const std::wstring separator = StayingServices().ThousandsSeparator();
  if (wcsncmp(locale, L"tr", 2) == 0) {
    EXPECT_EQ(separator, L".");
    EXPECT_EQ(SizeText(1235 * 1024, separator), L"1.235");
  } else if (wcsncmp(locale, L"en", 2) == 0) {
    EXPECT_EQ(separator, L",");
  }
  EXPECT_FALSE(separator.empty()) << locale;
  std::wcout << L"locale " << locale << L", separator \"" << separator << L"\"\n";
}

// A program built with the fixture's release key, against the releases that the fixture signed.
class SignedRelease : public UpdateRunTest {
 protected:
  void RunSigned(const std::wstring& release, const std::array<std::wstring, 5>& files,
                 std::optional<std::string> key = ReadBytes(TestEnv(L"ZEFRA_TEST_RELEASE_KEY_WIN")),
                 const std::wstring& staging = {}) {
    const size_t logBefore = HttpFixtureLog().size();
    StayingServices signedServices(std::move(key));
    signedServices.beforePlacingCopy = beforePlacingCopy;
    RunUpdate(site + release + L"/", files, folder.path(), window, window, signedServices, staging);
    requests = HttpFixtureLog().substr(logBefore);
    ended = signedServices.ended;
  }
  std::string Served(const std::wstring& release, const std::wstring& name) {
    return ReadBytes(HttpFixtureRoot() + L"\\signed\\" + release + L"\\" + name);
  }
  void WriteOldFiles() {
    CreateDirectoryW((folder / L"sub").c_str(), nullptr);
    for (const wchar_t* name : {L"a.dll", L"sub\\b.dll", L"c.dll"}) WriteBytes(folder / name, "old");
  }
  void ExpectOldFiles() {
    for (const wchar_t* name : {L"a.dll", L"sub\\b.dll", L"c.dll"}) {
      EXPECT_EQ(ReadBytes(folder / name), "old") << name;
      EXPECT_FALSE(FileExists(folder / name + L".download")) << name;
    }
  }

  std::wstring site = FixtureAddress(L"signed/");  // where the releases lie
  std::string requests;                            // what the fixture was asked during the run
  bool ended = false;
  std::function<void(const ElevatedPlacingRequest&)> beforePlacingCopy;
};

// Staged in the user's folder, the copy with the administrator's approval checks the staged files
// against the list signed with its own key, keeps the release and places them; a file changed in
// between is refused before anything moves.
TEST_F(SignedRelease, StagedInTheUsersFolderTheApprovedCopyChecksTheSignedListAgain) {
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "changed" : "as fetched");
    ScratchFolder staging;
    WriteOldFiles();
    DeleteFileW((folder / kKeptReleaseName).c_str());
    beforePlacingCopy = [&](const ElevatedPlacingRequest& request) {
      EXPECT_EQ(ReadBytes(request.stagedFolder + L"\\Zefra INDIR.indir-list"), Served(L"ok", L"SHA256SUMS"));
      if (changed) WriteBytes(request.stagedFolder + L"\\sub\\b.dll.download", "other");
    };
    RunSigned(L"ok", {L"a.dll", L"sub\\b.dll", L"", L"", L""}, ReadBytes(TestEnv(L"ZEFRA_TEST_RELEASE_KEY_WIN")),
              staging.path());
    if (changed) {
      ExpectOldFiles();
      EXPECT_FALSE(ended);
      EXPECT_THAT(LogText(), HasSubstr(" Placing copy refused; exitCode=4; reason=changed after it was checked"));
      continue;
    }
    EXPECT_TRUE(ReadBytes(folder / L"sub\\b.dll") == Served(L"ok", L"sub\\b.dll"));
    EXPECT_EQ(ReadBytes(folder / kKeptReleaseName),
              KeptReleaseText(20261209120000, Sha256Of(Served(L"ok", L"SHA256SUMS"))));
    EXPECT_TRUE(ended);
  }
}

TEST_F(SignedRelease, ASignedReleaseCompletesAndOnlyWhatItListsIsInstalled) {
  WriteOldFiles();
  RunSigned(L"ok", {L"a.dll", L"sub\\b.dll", L"", L"", L""});
  EXPECT_TRUE(ReadBytes(folder / L"a.dll") == Served(L"ok", L"a.dll"));
  EXPECT_TRUE(ReadBytes(folder / L"sub\\b.dll") == Served(L"ok", L"sub\\b.dll"));
  EXPECT_TRUE(ended);
  EXPECT_THAT(LogText(), HasSubstr(" Release signature verified; url=" +
                                   ToAnsi(FixtureAddress(L"signed/ok/")) + "SHA256SUMS; files=2\r\n"));
  EXPECT_THAT(LogText(), HasSubstr(" File digest verified; sha256="));
  // The list names files as Windows does: "sub/b.dll" above is the manifest's "sub\b.dll".
  EXPECT_EQ(WindowsFileNameKey(L"sub/Müşteri.dll"), WindowsFileNameKey(L"SUB\\MÜŞTERI.DLL"));

  EXPECT_EQ(ReadBytes(folder / kKeptReleaseName),
            KeptReleaseText(20261209120000, Sha256Of(Served(L"ok", L"SHA256SUMS"))));

  // A file changed after signing is refused in its own stage and the old one stays.
  window.statuses.clear();
  WriteOldFiles();
  RunSigned(L"tampered-file", {L"a.dll", L"", L"", L"", L""});
  EXPECT_EQ(ReadBytes(folder / L"a.dll"), "old");
  EXPECT_FALSE(FileExists(folder / L"a.dll.download"));
  ASSERT_FALSE(boxes.shown().empty());
  EXPECT_THAT(boxes.shown().back().text, HasSubstr(L"\r\nDosyanın SHA-256 özeti imzalı sürüm listesindekiyle "
                                                   L"uyuşmuyor"));
  EXPECT_THAT(LogText(), HasSubstr("Download failed; stage=verify file digest; url="));
  EXPECT_EQ(window.statuses.back(), L"a.dll indirilemedi.");
}

TEST_F(SignedRelease, AFileMissingFromTheListIsRefusedAndReplacesNothing) {
  WriteOldFiles();
  RunSigned(L"unlisted", {L"a.dll", L"c.dll", L"", L"", L""});
  ExpectOldFiles();
  EXPECT_THAT(requests, Not(HasSubstr(".dll"))) << "a slot missing from the list stops every file";
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_THAT(boxes.shown()[0].text, HasSubstr(L"\r\nDosya imzalı sürüm listesinde yok: c.dll"));
  EXPECT_FALSE(FileExists(folder / kKeptReleaseName));
  EXPECT_FALSE(ended);
}

// The list is refused as a whole before any file is asked for, and the folder stays as it was.
TEST_F(SignedRelease, AListThatCannotBeTrustedStopsTheRunBeforeAnyFile) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"tampered-list", L"İmza geçersiz: "},
      {L"other-key", L"İmza geçersiz: "},
      {L"no-sig", L"SHA256SUMS.sig: HTTP 404 Not Found"},
      {L"other-product", L"SHA256SUMS başka bir ürünün sürümü: \"Zefra BAŞKA\""},
      {L"old-form", L"SHA256SUMS eski biçimde"},
  };
  WriteOldFiles();
  for (const auto& [release, reason] : cases) {
    SCOPED_TRACE(release);
    const size_t boxesBefore = boxes.shown().size();
    RunSigned(release, {L"a.dll", L"sub\\b.dll", L"", L"", L""});
    ExpectOldFiles();
    EXPECT_THAT(requests, Not(HasSubstr(".dll"))) << requests;
    EXPECT_THAT(requests, HasSubstr("/SHA256SUMS 200"));
    EXPECT_EQ(window.statuses.back(), L"Güncelleme imzası doğrulanamadı.");
    EXPECT_TRUE(window.startEnabled);
    ASSERT_EQ(boxes.shown().size(), boxesBefore + 1);
    const std::wstring listUrl = FixtureAddress(L"signed/" + std::wstring(release) + L"/SHA256SUMS");
    EXPECT_THAT(boxes.shown().back().text,
                testing::StartsWith(L"Güncelleme imzası doğrulanamadı.\r\n" + listUrl + L"\r\n" + reason));
    EXPECT_THAT(LogText(),
                HasSubstr(" Release signature check failed; url=" + ToAnsi(listUrl) + "; reason="));
    EXPECT_FALSE(ended);
  }
}

// A vendor's upload without its list closes no program at any shop.
TEST_F(SignedRelease, AMissingListLeavesTheProgramRunning) {
  EventLogWriter previous = SetEventLogWriter([](const std::wstring&) {});
  const std::wstring program = UniqueName(L"Vuno");
  auto running = StartStandInFrom(CopyStandIn(folder.path(), program + L".exe"), program);
  WriteOldFiles();
  RunSigned(L"never-uploaded", {L"a.dll", program + L".exe", L"", L"", L""});
  SetEventLogWriter(std::move(previous));
  EXPECT_FALSE(running->HasEnded(0));
  ExpectOldFiles();
  EXPECT_EQ(window.statuses.back(), L"Güncelleme imzası doğrulanamadı.");
  EXPECT_THAT(requests, HasSubstr("/SHA256SUMS 404"));
}

TEST_F(SignedRelease, WithoutAKeyNothingOfTheSignatureIsAskedFor) {
  WriteOldFiles();
  RunSigned(L"tampered-file", {L"a.dll", L"", L"", L"", L""}, std::nullopt);
  EXPECT_TRUE(ReadBytes(folder / L"a.dll") == Served(L"tampered-file", L"a.dll"));
  EXPECT_THAT(requests, Not(HasSubstr("SHA256SUMS")));
  EXPECT_THAT(LogText(), Not(HasSubstr("Release signature")));
  EXPECT_THAT(LogText(), Not(HasSubstr("digest")));
  EXPECT_EQ(requests.rfind("GET ", 0), 0u) << requests;
  EXPECT_EQ(requests.find("\nGET "), std::string::npos) << "one request only: " << requests;
  EXPECT_EQ(FolderNames(folder.path()), (std::vector<std::wstring>{L"Zefra INDIR-update.log", L"a.dll",
                                                                   L"c.dll", L"sub\\", L"sub\\b.dll"}));
}

// Installed releases in one folder: what is not newer is refused before any file, what is
// already in place is not fetched again.
TEST_F(SignedRelease, AReleaseIsNeverFollowedByAnOlderOrMixedOneAndCurrentFilesAreNotFetched) {
  const std::array<std::wstring, 5> files = {L"a.dll", L"sub\\b.dll", L"", L"", L""};
  WriteOldFiles();
  RunSigned(L"ok", files);
  ASSERT_TRUE(ended);
  const std::pair<const wchar_t*, const wchar_t*> refused[] = {
      {L"older", L"Bu sürüm (20261209115959) kurulu sürümden (20261209120000) eski"},
      {L"same-number", L"Sürüm 20261209120000 daha önce başka bir SHA256SUMS ile kuruldu"},
      {L"newer", nullptr},  // a.dll fetched, sub/b.dll already current
      {L"ok", L"Bu sürüm (20261209120000) kurulu sürümden (20261209120001) eski"},
  };
  for (const auto& [release, reason] : refused) {
    SCOPED_TRACE(release);
    const std::string kept = ReadBytes(folder / kKeptReleaseName);
    const std::string installed = ReadBytes(folder / L"a.dll");
    RunSigned(release, files);
    EXPECT_EQ(ended, !reason);
    EXPECT_THAT(requests, Not(HasSubstr(reason ? ".dll" : "b.dll"))) << requests;
    if (!reason) {
      EXPECT_TRUE(ReadBytes(folder / L"a.dll") == Served(release, L"a.dll"));
      EXPECT_THAT(LogText(), HasSubstr(" File already current; name=sub\\b.dll; sha256="));
      EXPECT_THAT(window.statuses, Contains(L"sub\\b.dll Dosyası güncel..."));
      continue;
    }
    EXPECT_TRUE(ReadBytes(folder / L"a.dll") == installed);
    EXPECT_EQ(ReadBytes(folder / kKeptReleaseName), kept);
    EXPECT_THAT(boxes.shown().back().text, HasSubstr(L"\r\n" + std::wstring(reason)));
  }

  const std::string newer = ReadBytes(folder / kKeptReleaseName);
  window.sizeTexts.clear();
  window.progress.clear();
  RunSigned(L"newer", files);
  EXPECT_TRUE(ended);
  EXPECT_THAT(requests, Not(HasSubstr(".dll"))) << requests;
  EXPECT_EQ(ReadBytes(folder / kKeptReleaseName), newer);
  EXPECT_EQ(window.sizeTexts, (std::vector<std::wstring>{L"300", L"000"}));
  EXPECT_EQ(window.progress, (std::vector<int>{0, 100, 100}));
}

// A keyed run fetches the smallest form the list offers for the installed a.dll, each form asked
// for once and a failed one logged, the plain file last; a cut patch continues where it was cut.
TEST_F(SignedRelease, EachFileComesInTheSmallestListedFormAndAFailedFormFallsBackToTheNext) {
  const std::string ok = Served(L"ok", L"a.dll");
  const std::string from = ToAnsi(DigestHex(Sha256Of(ok)));
  const std::string patch = "a.dll.patch-" + from + ".zst";
  const struct {
    const wchar_t* release;
    bool installedKnown;  // a.dll as in ok, else a file no patch is made from
    std::vector<std::string> asked;
    std::string logged;
  } cases[] = {
      {L"forms", true, {patch}, "Patch applied; name=a.dll; from=" + from.substr(0, 16) + "; bytes=65650"},
      {L"forms", false, {"a.dll.zst"}, "Compressed copy applied; name=a.dll; bytes="},
      {L"forms-bad-patch", true, {patch, "a.dll.zst"}, "Patch failed; name=a.dll; reason="},
      {L"forms-bad-zst", false, {"a.dll.zst", "a.dll"}, "Compressed copy failed; name=a.dll; reason="},
      {L"forms-wrong-patch", true, {patch, "a.dll.zst"}, "Patch failed; name=a.dll; reason=result sha256="},
      {L"forms-cut", true, {patch, patch + " range"}, "Patch applied; name=a.dll; from="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.release);
    DeleteFileW((folder / kKeptReleaseName).c_str());
    WriteBytes(folder / L"a.dll", c.installedKnown ? ok : "old");
    window.sizeTexts.clear();
    RunSigned(c.release, {L"a.dll", L"", L"", L"", L""});
    EXPECT_TRUE(ended);
    EXPECT_TRUE(ReadBytes(folder / L"a.dll") == Served(c.release, L"a.dll"));
    std::vector<std::string> asked;
    std::istringstream lines(requests);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("GET ", 0) != 0 || line.find("/a.dll") == std::string::npos) continue;
      const std::string target = line.substr(4, line.find(' ', 4) - 4);
      asked.push_back(target.substr(target.rfind('/') + 1) +
                      (line.find(" range=") != line.npos ? " range" : ""));
    }
    EXPECT_EQ(asked, c.asked) << requests;
    EXPECT_THAT(LogText(), HasSubstr(c.logged));
    EXPECT_EQ(window.sizeTexts.back(), L"300");
    EXPECT_EQ(FolderNames(folder.path()),
              (std::vector<std::wstring>{L"Zefra INDIR-update.log", L"Zefra INDIR.indir-release", L"a.dll"}));
  }
}

// The test prefix's proxy settings for the current user, in the layout of testenv.py's
// connection_settings; "direct only" again when the object goes, whatever the test did.
class UserProxySettings {
 public:
  static constexpr DWORD kDirect = 1, kNamedProxy = 2, kScript = 4;
  UserProxySettings(DWORD flags, const std::wstring& proxy, const std::wstring& script) {
    if (!Write(flags, ToAnsi(proxy), ToAnsi(script)))
      throw std::runtime_error("cannot set the proxy settings");
  }
  ~UserProxySettings() { Write(kDirect, "", ""); }

 private:
  static bool Write(DWORD flags, const std::string& proxy, const std::string& script) {
    std::string blob;
    const auto dword = [&blob](DWORD value) { blob.append(reinterpret_cast<const char*>(&value), 4); };
    for (const DWORD value : {DWORD{0x46}, DWORD{1}, flags}) dword(value);
    for (const std::string& text : {proxy, std::string(), script}) {
      dword(static_cast<DWORD>(text.size()));
      blob += text;
    }
    blob.append(32, '\0');
    return RegSetKeyValueW(HKEY_CURRENT_USER,
                           L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
                           L"DefaultConnectionSettings", REG_BINARY, blob.data(),
                           static_cast<DWORD>(blob.size())) == ERROR_SUCCESS;
  }
};

std::string ProxyLog() {
  const std::wstring path = TestEnv(L"ZEFRA_TEST_PROXY_LOG_WIN");
  return FileExists(path) ? ReadBytes(path) : std::string();
}

// Through the named proxy and through the configuration script: the signed release's list, its
// signature and each file (one in a subfolder) reach updates.zefra.invalid, which only the proxy
// resolves; https goes through a CONNECT tunnel with the certificate checked as ever.
TEST_F(SignedRelease, ThroughTheUsersProxyOrItsScriptEveryRequestGoesViaTheProxy) {
  const std::wstring proxy = L"127.0.0.1:" + TestEnv(L"ZEFRA_TEST_PROXY_PORT");
  const std::wstring script = TestEnv(L"ZEFRA_TEST_PAC_URL");
  const size_t testStart = ProxyLog().size();
  const std::pair<DWORD, std::wstring> ways[] = {
      {UserProxySettings::kNamedProxy, L"via=named; proxy=" + proxy},
      {UserProxySettings::kScript, L"via=script; script=" + script + L"; proxy=" + proxy}};
  for (const auto& [flags, via] : ways)
    for (const auto& [scheme, port] :
         {std::pair{L"http", L"ZEFRA_TEST_HTTP_PORT"}, {L"https", L"ZEFRA_TEST_HTTPS_PORT"}}) {
      SCOPED_TRACE(ToAnsi(via) + " " + ToAnsi(scheme));
      const UserProxySettings settings(flags, proxy, script);
      const std::wstring origin = TestEnv(L"ZEFRA_TEST_PROXY_HOST") + L":" + TestEnv(port);
      WriteOldFiles();
      DeleteFileW((folder / kKeptReleaseName).c_str());
      const size_t proxiedBefore = ProxyLog().size();
      const size_t logBefore = FileExists(LogFilePath(folder.path())) ? LogText().size() : 0;
      site = std::wstring(scheme) + L"://" + origin + L"/signed/";
      RunSigned(L"ok", {L"a.dll", L"sub\\b.dll", L"", L"", L""});
      EXPECT_TRUE(ended);
      EXPECT_TRUE(ReadBytes(folder / L"sub\\b.dll") == Served(L"ok", L"sub\\b.dll"));
      const std::string proxied = ProxyLog().substr(proxiedBefore);
      const bool secure = std::wstring(scheme) == L"https";
      for (const char* path : {"SHA256SUMS", "SHA256SUMS.sig", "a.dll", "sub/b.dll"}) {
        const std::string target = ToAnsi(std::wstring(scheme) + L"://" + origin) + "/signed/ok/" + path;
        // Inside the tunnel Wine asks in absolute form, and the web server logs it so.
        EXPECT_THAT(secure ? requests : proxied, HasSubstr("GET " + target + " 200")) << proxied;
      }
      // Wine keeps a tunnel open for the next request a moment: one CONNECT may serve two rows.
      if (secure) {
        EXPECT_THAT(ProxyLog().substr(testStart), HasSubstr("CONNECT " + ToAnsi(origin) + " 200\n"));
      }
      EXPECT_THAT(LogText().substr(logBefore), HasSubstr(" Proxy used; " + ToAnsi(via) + "\r\n"));
    }
}

// A proxy that wants a password answers 407 (Wine's https through it fails with 12157 instead):
// the user is told so in Turkish, and nothing in the folder changes.
TEST_F(UpdateRunTest, AProxyThatWantsAPasswordIsToldAndChangesNothing) {
  const UserProxySettings settings(UserProxySettings::kNamedProxy,
                                   L"127.0.0.1:" + TestEnv(L"ZEFRA_TEST_PROXY_AUTH_PORT"), L"");
  Publish(L"auth", {{L"a.dll", "MZ new"}});
  WriteBytes(folder / L"a.dll", "MZ old");
  for (const auto& [scheme, port] :
       {std::pair{L"http", L"ZEFRA_TEST_HTTP_PORT"}, {L"https", L"ZEFRA_TEST_HTTPS_PORT"}}) {
    SCOPED_TRACE(ToAnsi(scheme));
    RunUpdate(
        std::wstring(scheme) + L"://" + TestEnv(L"ZEFRA_TEST_PROXY_HOST") + L":" + TestEnv(port) + L"/auth",
        {L"a.dll", L"", L"", L"", L""}, folder.path(), window, window, services);
    EXPECT_EQ(FolderNames(folder.path()), (std::vector<std::wstring>{kLogFileName, L"a.dll"}));
    EXPECT_EQ(ReadBytes(folder / L"a.dll"), "MZ old");
    EXPECT_FALSE(services.ended);
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_THAT(boxes.shown().back().text,
                HasSubstr(L"HTTP 407 Proxy Authentication Required: Ağdaki vekil sunucu "
                          L"(proxy) kullanıcı adı ve parola istiyor"));
  }
}

// With no proxy set (the prefix's "direct only"), the update goes out direct as it always did:
// a subfolder's name goes out with '/', its Turkish letters as UTF-8, and lands in the subfolder.
TEST_F(UpdateRunTest, WithoutAProxyTheRunIsDirectAndASubfolderGoesOutAsASlash) {
  const std::wstring base = Publish(L"direct", {{L"raporlar\\Yıllık.rpt", "new report"}});
  CreateDirectoryW((folder / L"raporlar").c_str(), nullptr);
  WriteBytes(folder / L"raporlar\\Yıllık.rpt", "old report");
  const size_t before = ProxyLog().size();
  RunUpdate(base, {L"raporlar\\Yıllık.rpt", L"", L"", L"", L""}, folder.path(), window, window, services);
  EXPECT_TRUE(services.ended);
  EXPECT_EQ(ReadBytes(folder / L"raporlar\\Yıllık.rpt"), "new report");
  EXPECT_TRUE(FixtureReceived("/direct/raporlar/Y%C4%B1ll%C4%B1k.rpt", 200));
  EXPECT_EQ(ProxyLog().size(), before) << ProxyLog().substr(before);
  EXPECT_THAT(LogText(), HasSubstr(" Proxy used; via=direct\r\n"));
}

}  // namespace
