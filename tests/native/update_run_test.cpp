// The update run against a fake window and fake platform services.
#include "update/update_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "net/retrying_fetch.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "recorded_message_boxes.h"
#include "update/run_texts.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// Records every call in order as one text, so a test can check the sequence the user sees.
class FakeWindow : public UpdateRunWindow, public Logger {
 public:
  void LOG_YAZ(std::wstring_view message) override { Record(L"log " + std::wstring(message)); }
  void SetStatus(const std::wstring& text) override { Record(L"status " + text); }
  void SetFileName(const std::wstring& text) override { Record(L"name " + text); }
  void SetSizeText(const std::wstring& text) override { Record(L"size " + text); }
  void SetProgress(int value) override { Record(L"progress " + std::to_wstring(value)); }
  void SetStartEnabled(bool enabled) override { Record(enabled ? L"start on" : L"start off"); }
  void StopRunTimer() override { Record(L"stop run timer"); }
  void StopProgressTimer() override { Record(L"stop progress timer"); }
  void BeginTransfer(std::optional<std::wstring>) override {}
  void ShowProgress(uint64_t, std::optional<uint64_t>) override {}
  void ShowRetry(const RetryNotice&) override {}
  void ShowRunStopped() override { Record(L"run stopped"); }
  void ShowRunCompleted() override { Record(L"run completed"); }
  void Pump() override {}
  bool CancelRequested() const override { return cancelled; }

  std::vector<std::wstring> events;
  bool cancelled = false;  // the user closed the window
  std::wstring failOn;     // an event that throws, as a failing window call would

 private:
  void Record(std::wstring event) {
    if (!failOn.empty() && event == failOn) throw AppError(1400, L"Invalid window handle.");
    events.push_back(std::move(event));
  }
};

struct ScriptedDownload {
  bool ok = true;
  int64_t bytes = 0;
  std::wstring details;
  bool userCloses = false;  // the user closes the window while it downloads
};

class FakeServices : public UpdateServices {
 public:
  explicit FakeServices(FakeWindow& window) : window_(window) {}

  std::optional<VerifiedRelease> VerifiedReleaseList(const std::wstring& listUrl,
                                                     const std::wstring& signatureUrl, TransferWindow&,
                                                     Logger&) override {
    if (!release) return std::nullopt;
    window_.events.push_back(L"release " + listUrl + L" " + signatureUrl);
    if (!refusal.empty()) throw ReleaseRefused(refusal);
    if (userClosesDuringList) {
      window_.cancelled = true;
      throw ReleaseRefused(L"cancelled");
    }
    return VerifiedRelease{
        ReleaseList::Parse(*release, [](std::wstring_view name) { return std::wstring(name); }), listSha256};
  }
  DownloadResult Download(const std::wstring& url, const std::wstring& destination, TransferWindow&, Logger&,
                          const std::optional<ListedFile>& listed) override {
    window_.events.push_back(L"download " + url + L" -> " + destination);
    if (listed)
      window_.events.push_back(L"listed " + std::to_wstring(listed->size) + L" " + DigestHex(listed->digest));
    const ScriptedDownload scripted = results[url];
    window_.cancelled = scripted.userCloses;
    return DownloadResult{scripted.ok, scripted.bytes, scripted.ok ? L"" : scripted.details};
  }
  DownloadResult DownloadForm(const std::wstring& url, const std::wstring&, const std::wstring&, TransferWindow&,
                              Logger&, const FileForm&, const ListedFile&) override {
    window_.events.push_back(L"download form " + url);
    return DownloadResult{false, 0, L"no forms here"};
  }
  std::optional<Sha256Digest> InstalledSha256(const std::wstring& path, TransferWindow&, Logger&) override {
    window_.events.push_back(L"check " + path);
    return std::nullopt;
  }
  bool FileIsCurrent(const std::wstring& path, const ListedFile&, TransferWindow&, Logger&) override {
    window_.events.push_back(L"check " + path);
    return current.count(path) > 0;
  }
  std::optional<std::string> ReadSmallFile(const std::wstring& path) override {
    if (kept == "!") throw AppError(5, L"Access is denied.");
    return path == L"C:\\Zefra\\Zefra INDIR.indir-release" ? kept : std::nullopt;
  }
  void WriteFileAtomically(const std::wstring& path, const std::string& bytes) override {
    window_.events.push_back(L"write " + path + L" " + std::wstring(bytes.begin(), bytes.end()));
  }
  bool FileExists(const std::wstring& path) override { return path == existing; }
  std::optional<uint64_t> FileSize(const std::wstring&) override { return std::nullopt; }
  uint64_t FreeBytes(const std::wstring& folder) override {
    return folder == L"C:\\Zefra" ? freeInProgramFolder.value_or(freeBytes) : freeBytes;
  }
  void PlaceFiles(const std::wstring&, const std::vector<StagedFile>& files, Logger&) override {
    std::wstring names;
    for (const StagedFile& file : files) names += L" " + file.name;
    window_.events.push_back(L"place" + names);
    if (!lockedAtPlacing.empty()) throw PlacingFailed{lockedAtPlacing, {32, L"The file is in use."}};
  }
  void CloseRunningCopies(const std::wstring& name, const std::wstring& file) override {
    window_.events.push_back(L"close " + name + L" " + file);
    if (name == L"Rapor") throw AppError(5, L"Access is denied.");  // the next one is closed all the same
  }
  void StartProgram(const std::wstring& path) override {
    if (startFails) throw AppError(2, L"The system cannot find the file specified.");
    window_.events.push_back(L"start " + path);
  }
  PlacingCopyOutcome RunPlacingCopy(const ElevatedPlacingRequest& request, TransferWindow&) override {
    window_.events.push_back(L"placing copy " + FormatElevatedCommandLine(request));
    return placingCopy;
  }
  void EndProcess() override { window_.events.push_back(L"end"); }
  std::wstring ThousandsSeparator() override { return L"."; }

  std::map<std::wstring, ScriptedDownload> results;
  std::wstring existing;
  bool startFails = false;
  std::optional<std::string> release;  // the signed list, when the program carries a key
  std::wstring refusal;                // why the list is refused, when it is
  bool userClosesDuringList = false;
  Sha256Digest listSha256{0x11};    // the SHA-256 of the list's bytes
  std::optional<std::string> kept;  // the kept release file's bytes; "!": it cannot be read
  std::set<std::wstring> current;   // the files already as listed
  uint64_t freeBytes = UINT64_MAX;
  std::optional<uint64_t> freeInProgramFolder;  // when it differs from the staging folder's
  std::wstring lockedAtPlacing;  // the file that cannot be placed
  PlacingCopyOutcome placingCopy = uint32_t{0};  // how the copy with the administrator's approval ends

 private:
  FakeWindow& window_;
};

class UpdateRunTest : public ::testing::Test {
 protected:
  void Run(std::array<std::wstring, 5> files, const std::wstring& base = L"http://h/up/",
           const std::wstring& staging = {}) {
    RunUpdate(base, files, L"C:\\Zefra", window, window, services, staging);
  }

  FakeWindow window;
  FakeServices services{window};
  RecordedMessageBoxes boxes{[this](const MessageBoxRequest& box) {
    EXPECT_EQ(box.title, L"Zefra INDIR");
    window.events.push_back(L"box " + std::to_wstring(box.style) + L" " + box.text);
  }};
};

TEST_F(UpdateRunTest, NamedSlotsAreFetchedInOrderThenTheMainProgramStartsAndTheRunEnds) {
  services.results[L"http://h/up/Zefra VUNO.exe"] = {true, 1235 * 1024};
  services.results[L"http://h/up/b.dll"] = {true, 100};
  services.existing = L"C:\\Zefra\\Zefra VUNO.exe";
  Run({L"  Zefra VUNO.exe ", L"", L"b.dll", L"   ", L""});

  EXPECT_THAT(
      window.events,
      ElementsAre(L"log Update started; baseUrl=http://h/up/", L"stop run timer", L"progress 0",
                  L"log File selected from database; name=Zefra VUNO.exe",
                  L"status Zefra VUNO.exe Dosyası indirilmeye başladı...", L"size 0", L"name Zefra VUNO.exe",
                  L"status Zefra VUNO.exe Dosyası indiriliyor...",
                  L"download http://h/up/Zefra VUNO.exe -> C:\\Zefra\\Zefra VUNO.exe",
                  L"log File reported downloaded; name=Zefra VUNO.exe; bytes=1264640", L"size 1.235",
                  L"status Zefra VUNO.exe Dosyası indirildi...", L"stop progress timer", L"progress 100",
                  L"status İndirilecek dosya yok...",  //
                  L"log File selected from database; name=b.dll",
                  L"status b.dll Dosyası indirilmeye başladı...", L"size 0", L"name b.dll",
                  L"status b.dll Dosyası indiriliyor...", L"download http://h/up/b.dll -> C:\\Zefra\\b.dll",
                  L"log File reported downloaded; name=b.dll; bytes=100", L"size 000",
                  L"status b.dll Dosyası indirildi...", L"stop progress timer", L"progress 100",
                  L"status İndirilecek dosya yok...", L"status İndirilecek dosya yok...",
                  L"status Açık dosyalar kapatılıyor...", L"status Dosyalar yerine konuyor...",
                  L"place Zefra VUNO.exe b.dll", L"status Tüm dosyalarınız güncellendi.", L"run completed",
                  L"box 64 Güncelleme tamamlandı! Programınız yeniden başlayacak.",
                  L"start C:\\Zefra\\Zefra VUNO.exe", L"end"));
}

// The listed programs keep running until every file is here and checked; then they are closed
// and all files placed in one step. A file that cannot be placed leaves every file as it was,
// and the program that was closed for the update starts again.
TEST_F(UpdateRunTest, ProgramsAreClosedOnlyOnceEveryFileIsHereThenAllArePlacedTogether) {
  for (const wchar_t* name : {L"Rapor.exe", L"bin\\Yedek.EXE", L"c.dll"})
    services.results[std::wstring(L"http://h/up/") + name] = {true, 10};
  services.existing = L"C:\\Zefra\\Zefra VUNO.exe";
  for (const bool locked : {false, true}) {
    window.events.clear();
    services.lockedAtPlacing = locked ? L"c.dll" : L"";
    Run({L"Rapor.exe", L"bin\\Yedek.EXE", L"c.dll", L".exe", L""});
    const auto closing =
        std::find(window.events.begin(), window.events.end(), L"status Açık dosyalar kapatılıyor...");
    ASSERT_NE(closing, window.events.end());
    EXPECT_THAT(std::vector<std::wstring>(window.events.begin(), closing),
                Not(Contains(HasSubstr(L"close "))));
    EXPECT_THAT(std::vector<std::wstring>(closing, closing + 5),
                ElementsAre(L"status Açık dosyalar kapatılıyor...", L"close Rapor C:\\Zefra\\Rapor.exe",
                            L"close Yedek C:\\Zefra\\bin\\Yedek.EXE", L"status Dosyalar yerine konuyor...",
                            L"place Rapor.exe bin\\Yedek.EXE c.dll .exe"));
    if (!locked) continue;
    const std::wstring details = L"Stage place file c.dll - Error 32: The file is in use.";
    EXPECT_THAT(
        std::vector<std::wstring>(closing + 5, window.events.end()),
        ElementsAre(L"stop progress timer", L"run stopped", L"status c.dll yerine konamadı.", L"start on",
                    L"log File placing failed, every file put back; name=c.dll; details=" + details,
                    L"box 16 c.dll yerine konamadı; bütün dosyalar eski hâline döndü.\r\n" + details +
                        L"\r\n\r\nDosyayı kullanan programı kapatıp yeniden deneyin.",
                    L"start C:\\Zefra\\Zefra VUNO.exe"));
  }
}

TEST_F(UpdateRunTest, AllSlotsEmptyFetchNothingAndWithoutTheMainProgramNothingStarts) {
  Run({L"", L" ", L"", L"", L""});
  EXPECT_THAT(window.events,
              ElementsAre(L"log Update started; baseUrl=http://h/up/", L"stop run timer", L"progress 0",
                          L"status İndirilecek dosya yok...", L"status İndirilecek dosya yok...",
                          L"status İndirilecek dosya yok...", L"status İndirilecek dosya yok...",
                          L"status İndirilecek dosya yok...", L"status Tüm dosyalarınız güncellendi.",
                          L"run completed", L"box 64 Güncelleme tamamlandı! Programınız yeniden başlayacak.",
                          L"end"));
}

TEST_F(UpdateRunTest, AFailedFileStopsTheRunWithThreeReports) {
  services.results[L"http://h/up/a.dll"] = {true, 4096};
  services.results[L"http://h/up/my file.dll"] = {false, 0, L"HTTP 404 Not Found"};
  Run({L"a.dll", L"my file.dll", L"c.dll", L"", L""});

  const std::vector<std::wstring> tail(window.events.end() - 7, window.events.end());
  EXPECT_THAT(
      tail,
      ElementsAre(L"download http://h/up/my file.dll -> C:\\Zefra\\my file.dll", L"stop progress timer",
                  L"run stopped", L"status my file.dll indirilemedi.", L"start on",
                  L"log File download returned failure; name=my file.dll; url=http://h/up/my file.dll; "
                  L"details=HTTP 404 Not Found",
                  L"box 16 my file.dll indirilemedi.\r\nhttp://h/up/my file.dll\r\nHTTP 404 Not Found"));
  for (const std::wstring& event : window.events) {
    EXPECT_EQ(event.find(L"c.dll"), std::wstring::npos) << event;
    EXPECT_FALSE(event.starts_with(L"close ") || event.starts_with(L"place ")) << event;
  }
}

// A list of the new form naming a.dll and b.dll, whose bytes have the SHA-256 kListSha.
const std::string kHeader = "# product Zefra VUNO\n# release 20261209\n# size 10 a.dll\n# size 20 b.dll\n";
const std::string kDigests = std::string(64, 'a') + "  a.dll\n" + std::string(64, 'b') + "  b.dll\n";
const std::string kListSha = "11" + std::string(62, '0'), kOtherSha = "22" + std::string(62, '0');

std::string Kept(const std::string& number, const std::string& sha) {
  return "release " + number + "\r\nsha256 " + sha + "\r\n";
}

TEST_F(UpdateRunTest, ASignedReleaseIsCheckedFirstAndEachFileGetsItsListedDigest) {
  services.release = kHeader + kDigests;
  services.results[L"http://h/up/a.dll"] = {true, 10};
  Run({L"a.dll", L"", L"", L"", L""}, L"http://h/up//");

  EXPECT_THAT(std::vector<std::wstring>(window.events.begin(), window.events.begin() + 5),
              ElementsAre(L"log Update started; baseUrl=http://h/up//", L"stop run timer", L"progress 0",
                          L"release http://h/up/SHA256SUMS http://h/up/SHA256SUMS.sig",
                          L"log Release signature verified; url=http://h/up/SHA256SUMS; files=2"));
  EXPECT_THAT(window.events, testing::Contains(L"listed 10 " + std::wstring(64, L'a')));
}

// One list and kept release, each row changing one of them.
// A refused list reads and asks for no file. An accepted one is kept (unless it already was) before
// the first file; a.dll is already current, b.dll is fetched with its listed size.
TEST_F(UpdateRunTest, AListIsRefusedBeforeAnyFileUnlessItIsNewerThanTheKeptOneAndNamesEverySlot) {
  const std::string sizes = "# size 10 a.dll\n# size 20 b.dll\n", vuno = "# product Zefra VUNO\n",
                    h = kHeader;
  const std::string k9 = Kept("20261209", kListSha);
  const struct {
    std::string header, kept;
    const wchar_t* slot2;
    bool refused, written;
    const wchar_t* says;  // in the box of a refused list, in the log of an accepted one
  } cases[] = {
      {"", "", L"", true, false, L"SHA256SUMS eski biçimde"},
      {vuno + "# release 5\n", "", L"", true, false, L"SHA256SUMS eski biçimde"},
      {vuno + sizes, "", L"", true, false, L"SHA256SUMS eski biçimde"},
      {"# product Zefra X\n# release 9\n" + sizes, "", L"", true, false, L"ürünün sürümü: \"Zefra X\""},
      {"# release 9\n" + sizes, "", L"", true, false, L"ürünün sürümü: \"\" (beklenen: \"Zefra VUNO\")"},
      {h, Kept("20261210", kListSha), L"", true, false, L"Bu sürüm (20261209) kurulu sürümden (20261210)"},
      {h, Kept("20261209", kOtherSha), L"", true, false, L"Sürüm 20261209 daha önce başka bir SHA256SUMS"},
      {h, "", L" c.dll ", true, false, L"Dosya imzalı sürüm listesinde yok: c.dll"},
      {h, k9, L" b.dll", false, false, L"Release accepted; release=20261209; kept=20261209"},
      {h, Kept("20261208", kOtherSha), L"b.dll", false, true, L"accepted; release=20261209; kept=20261208"},
      {h, "", L"b.dll", false, true, L"Kept release written; path=C:\\Zefra\\Zefra INDIR.indir-release;"},
      {h, "!", L"b.dll", true, false, L"INDIR.indir-release) okunamadı: Error 5: Access is denied."},
      {h, "release 20261210\nsha256 " + kListSha + "\n", L"b.dll", true, false, L"okunamadı: içeriği"},
  };
  const auto at = [&](const std::wstring& text) {
    return std::ranges::find_if(window.events, [&](auto& e) { return e.find(text) != e.npos; }) -
           window.events.begin();
  };
  const auto has = [&](const std::wstring& text) { return at(text) < std::ssize(window.events); };
  services.current = {L"C:\\Zefra\\a.dll"};
  services.results[L"http://h/up/b.dll"] = {true, 20};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.header) + " kept " + testing::PrintToString(c.kept));
    window.events.clear();
    services.release = c.header + kDigests;
    services.kept = c.kept.empty() ? std::nullopt : std::optional(c.kept);
    Run({L"a.dll", c.slot2, L"", L"", L""});
    EXPECT_EQ(has(L"check C:") || has(L"download "), !c.refused);
    EXPECT_EQ(has(L"write C:\\Zefra\\Zefra INDIR.indir-release release 20261209\r\nsha256 11"), c.written);
    EXPECT_EQ(has(L"log Release signature check failed; url=http://h/up/SHA256SUMS; reason="), c.refused);
    EXPECT_TRUE(c.refused ? window.events.back().find(c.says) != std::wstring::npos : has(c.says));
    if (c.refused) continue;
    EXPECT_TRUE(!c.written || at(L"write ") < at(L"check ")) << "the kept release is written before any file";
    EXPECT_TRUE(has(L"log File already current; name=a.dll; sha256=" + std::wstring(64, L'a')));
    EXPECT_FALSE(has(L"download http://h/up/a.dll"));
    EXPECT_TRUE(has(L"listed 20 " + std::wstring(64, L'b')));
  }
}

// Every listed byte must fit beside the old files before the first one is asked for.
TEST_F(UpdateRunTest, ASignedReleaseThatDoesNotFitOnTheDiskStopsBeforeAnyFile) {
  services.release = kHeader + kDigests;
  services.freeBytes = 29;
  Run({L"a.dll", L"b.dll", L"", L"", L""});
  EXPECT_THAT(window.events, Not(Contains(HasSubstr(L"download "))));
  EXPECT_EQ(window.events.back(),
            L"box 16 Diskte yeterli yer yok: güncelleme 30 bayt istiyor, boş yer 29 bayt. "
            L"Yer açıp yeniden deneyin; hiçbir dosya değişmedi.");
}

TEST_F(UpdateRunTest, ARefusedReleaseStopsTheRunBeforeAnyFile) {
  services.release = "";
  services.refusal = L"SHA256SUMS.sig: HTTP 404 Not Found";
  Run({L"a.dll", L"", L"", L"", L""});

  const std::wstring status = L"Güncelleme imzası doğrulanamadı.";
  EXPECT_THAT(
      window.events,
      ElementsAre(L"log Update started; baseUrl=http://h/up/", L"stop run timer", L"progress 0",
                  L"release http://h/up/SHA256SUMS http://h/up/SHA256SUMS.sig", L"stop progress timer",
                  L"run stopped", L"status " + status, L"start on",
                  L"log Release signature check failed; url=http://h/up/SHA256SUMS; reason=SHA256SUMS.sig: "
                  L"HTTP 404 Not Found",
                  L"box 16 " + status + L"\r\nhttp://h/up/SHA256SUMS\r\nSHA256SUMS.sig: HTTP 404 Not Found"));
}

// Closing the window during a run stops it where it is, says so in the log and ends the program;
// nothing is reported as a failure.
TEST_F(UpdateRunTest, ClosingTheWindowDuringTheRunEndsItWithALogLineAndNoBox) {
  services.results[L"http://h/up/a.dll"] = {true, 10};
  services.results[L"http://h/up/b.dll"] = {false, 0, L"İndirme kullanıcının isteğiyle durduruldu.", true};
  Run({L"a.dll", L"b.dll", L"c.dll", L"", L""});
  EXPECT_THAT(std::vector<std::wstring>(window.events.end() - 3, window.events.end()),
              ElementsAre(L"download http://h/up/b.dll -> C:\\Zefra\\b.dll",
                          L"log Update cancelled by the user; stage=download file b.dll", L"end"));
  EXPECT_THAT(window.events, Not(Contains(HasSubstr(L"place "))));

  window.events.clear();
  services.release = "";
  services.userClosesDuringList = true;
  Run({L"a.dll", L"", L"", L"", L""});
  EXPECT_THAT(std::vector<std::wstring>(window.events.end() - 2, window.events.end()),
              ElementsAre(L"log Update cancelled by the user; stage=start update timer", L"end"));
}

// A line break or a NUL in a name forges no line of the log, and the window and the box show it
// written out.
TEST_F(UpdateRunTest, ControlCharactersInANameAreWrittenOutInTheLogTheWindowAndTheBox) {
  const std::wstring nul(1, L'\0');
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"rapor.dll\r\n2026-12-09 10:00:00 Update completed; forged=1",
       L"rapor.dll<U+000D><U+000A>2026-12-09 10:00:00 Update completed; forged=1"},
      {L"a" + nul + L"b.dll", L"a<U+0000>b.dll"}};
  for (const auto& [name, shown] : cases) {
    window.events.clear();
    Run({name, L"", L"", L"", L""}, L"http://h/up\r\n/");
    for (const std::wstring& event : window.events)
      EXPECT_TRUE(event.starts_with(L"box ") || event.find_first_of(L"\r\n" + nul) == event.npos) << event;
    EXPECT_THAT(window.events, testing::Contains(L"log File selected from database; name=" + shown));
    const std::wstring box = L"box 16 " + shown + L" indirilemedi.\r\nhttp://h/up<U+000D><U+000A>/" + shown;
    EXPECT_EQ(window.events.back().rfind(box, 0), 0u) << window.events.back();
  }
}

TEST_F(UpdateRunTest, AHostileNameFailsBeforeAnyRequest) {
  Run({L"..\\..\\Windows\\evil.dll", L"", L"", L"", L""});
  for (const std::wstring& event : window.events) EXPECT_NE(event.rfind(L"download ", 0), 0u) << event;
  EXPECT_EQ(window.events.back().rfind(L"box 16 ..\\..\\Windows\\evil.dll indirilemedi.\r\n"
                                       L"http://h/up/..\\..\\Windows\\evil.dll\r\nGeçersiz dosya adı ",
                                       0),
            0u)
      << window.events.back();
  EXPECT_EQ(window.events[window.events.size() - 3], L"start on");
}

TEST_F(UpdateRunTest, AnUnexpectedErrorIsReportedWithTheStageOfTheLastNamedSlot) {
  services.results[L"http://h/up/a.dll"] = {true, 4096};
  window.failOn = L"status İndirilecek dosya yok...";
  Run({L"a.dll", L"", L"", L"", L""});

  const std::wstring report = L"Stage download file a.dll - Güncelleme hatası 1400: Invalid window handle.";
  const std::vector<std::wstring> tail(window.events.end() - 5, window.events.end());
  EXPECT_THAT(tail, ElementsAre(L"stop progress timer", L"run stopped", L"start on",
                                L"log Unexpected update error; stage=download file a.dll; details=" + report,
                                L"box 16 " + report));
}

// The files are in place: a main program that does not start ends the run as completed all the same.
TEST_F(UpdateRunTest, AMainProgramThatDoesNotStartIsToldAndTheRunEndsCompleted) {
  services.existing = L"C:\\Zefra\\Zefra VUNO.exe";
  services.startFails = true;
  Run({L"", L"", L"", L"", L""});
  const std::wstring error = L"Error 2: The system cannot find the file specified.";
  const std::vector<std::wstring> tail(window.events.end() - 3, window.events.end());
  EXPECT_THAT(
      tail,
      ElementsAre(L"log Main program could not be started; path=C:\\Zefra\\Zefra VUNO.exe; error=" + error,
                  L"box 48 Dosyalarınız güncellendi, ancak program başlatılamadı. Programı kendiniz "
                  L"açmayı deneyin.\r\nC:\\Zefra\\Zefra VUNO.exe\r\n" +
                      error,
                  L"end"));
}

TEST_F(UpdateRunTest, AFailingWindowCallBeforeAnyNameReportsTheStartStageAndCarriesOn) {
  window.failOn = L"progress 0";
  Run({L"a.dll", L"", L"", L"", L""});
  const std::wstring report = L"Stage start update timer - Güncelleme hatası 1400: Invalid window handle.";
  EXPECT_THAT(window.events,
              ElementsAre(L"log Update started; baseUrl=http://h/up/", L"stop run timer",
                          L"stop progress timer", L"run stopped", L"start on",
                          L"log Unexpected update error; stage=start update timer; details=" + report,
                          L"box 16 " + report));
}

TEST_F(UpdateRunTest, TheErrorHandlerGoesOnWhenItsOwnStepsFail) {
  window.failOn = L"start on";
  services.results[L"http://h/up/a.dll"] = {false, 0, L"x"};
  Run({L"a.dll", L"", L"", L"", L""});
  // The failed file's "start on" throws; the handler reports that, skipping its own failing step.
  EXPECT_EQ(window.events.back(),
            L"box 16 Stage download file a.dll - Güncelleme hatası 1400: Invalid window handle.");
}

// After a file's retry the line tells of it until the next attempt brings a byte past where it took
// up; the release list's retry stays.
TEST(RetryStatus, AFilesRetryLastsUntilANewByteTheListsStays) {
  RetryStatus status;
  status.Begin(L"a.dll");
  EXPECT_EQ(status.Retried({2, L"reset", 1000, 1500}),
            L"a.dll: bağlantı sorunu, 2 saniye sonra yeniden deneniyor (2. deneme), kaldığı yerden...");
  EXPECT_EQ(status.Progressed(1000), std::nullopt);
  EXPECT_EQ(status.Progressed(1001), L"a.dll Dosyası indiriliyor...");
  EXPECT_EQ(status.Progressed(2000), std::nullopt);
  status.Begin(std::nullopt);
  EXPECT_EQ(status.Retried({3, L"reset", 0, 0}),
            L"Güncelleme listesi: bağlantı sorunu, yeniden deneniyor (3. deneme)...");
  EXPECT_EQ(status.Progressed(5000), std::nullopt);
}

// A folder this user cannot write: the files wait in the user's staging folder, the signed list is
// kept by the copy with the administrator's approval, and this copy closes nothing itself. It starts
// the program after a placing (and after one undone), never after a "No" or a refusal.
TEST_F(UpdateRunTest, AFolderThisUserCannotWriteIsPlacedByAnApprovedCopyAndTheProgramStartedHere) {
  const std::wstring staging = L"C:\\Users\\u\\AppData\\Local\\Zefra INDIR\\0A1B";
  const struct {
    PlacingCopyOutcome outcome;
    std::vector<std::wstring> tail;
  } rows[] = {
      {uint32_t{0},
       {L"log Placing copy ended; exitCode=0", L"status Tüm dosyalarınız güncellendi.", L"run completed",
        L"box 64 Güncelleme tamamlandı! Programınız yeniden başlayacak.", L"start C:\\Zefra\\Zefra VUNO.exe",
        L"end"}},
      {ErrorInfo{1223, L"The operation was canceled by the user."},
       {L"log Placing copy not started; error=1223: The operation was canceled by the user.",
        L"stop progress timer", L"run stopped", L"status Yönetici onayı verilmedi.", L"start on",
        L"box 48 Yönetici onayı verilmedi; hiçbir dosya değişmedi ve programınız açık. İndirilen dosyalar "
        L"saklandı: bir sonraki güncellemede yeniden indirilmeyecek."}},
      {uint32_t{5},
       {L"log Placing copy ended; exitCode=5", L"stop progress timer", L"run stopped",
        L"status Dosyalar yerine konamadı.", L"start on", L"box 16 " + ElevatedExitText(5),
        L"start C:\\Zefra\\Zefra VUNO.exe"}},
      {uint32_t{4},
       {L"log Placing copy ended; exitCode=4", L"stop progress timer", L"run stopped",
        L"status Dosyalar yerine konamadı.", L"start on", L"box 16 " + ElevatedExitText(4)}},
  };
  services.release = "# product Zefra VUNO\n# release 20261209\n# size 10 a.dll\n# size 20 Zefra VUNO.exe\n" +
                     std::string(64, 'a') + "  a.dll\n" + std::string(64, 'b') + "  Zefra VUNO.exe\n";
  services.current = {L"C:\\Zefra\\Zefra VUNO.exe"};
  services.existing = L"C:\\Zefra\\Zefra VUNO.exe";
  services.results[L"http://h/up/a.dll"] = {true, 10};
  for (const auto& row : rows) {
    window.events.clear();
    services.placingCopy = row.outcome;
    Run({L"a.dll", L"Zefra VUNO.exe ", L"", L"", L""}, L"http://h/up/", staging);
    const auto copy =
        std::ranges::find_if(window.events, [](auto& e) { return e.starts_with(L"placing copy"); });
    ASSERT_NE(copy, window.events.end());
    EXPECT_EQ(*copy, L"placing copy --place-staged \"" + staging + L"\" \"C:\\Zefra\" \"20261209\"");
    EXPECT_THAT(std::vector<std::wstring>(copy + 1, window.events.end()),
                testing::ElementsAreArray(row.tail));
    EXPECT_THAT(window.events, Contains(L"download http://h/up/a.dll -> " + staging + L"\\a.dll"));
    EXPECT_THAT(window.events,
                Contains(HasSubstr(L"box 64 Program klasörüne yalnızca bu bilgisayarın yöneticisi")));
    for (const std::wstring& event : window.events) {
      EXPECT_FALSE(event.starts_with(L"close ") || event.starts_with(L"place ")) << event;
      if (event.starts_with(L"write ")) {
        EXPECT_TRUE(event.starts_with(L"write " + staging)) << event;
      }
    }
  }
  EXPECT_THAT(window.events, Contains(L"write " + staging +
                                      L"\\Zefra INDIR.indir-handover zefra-indir hand-over 1\n"
                                      L"keyed 1\nslot\ta.dll\nslot\tZefra VUNO.exe \nfile\t" +
                                      std::wstring(64, L'0') + L"\t10\ta.dll\nend\n"));
  // Every listed file is copied beside its target too before it is placed.
  window.events.clear();
  services.freeInProgramFolder = 29;
  Run({L"a.dll", L"Zefra VUNO.exe ", L"", L"", L""}, L"http://h/up/", staging);
  EXPECT_THAT(window.events, Contains(L"log Update not started, not enough free space; needed=30; free=29"));
  EXPECT_THAT(window.events, Not(Contains(HasSubstr(L"download "))));
}

}  // namespace
