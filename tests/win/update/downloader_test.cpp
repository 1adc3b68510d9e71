// DOSYA_INDIR against the HTTP fixture and the real file system.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "app/version.h"
#include "http_fixture.h"
#include "install/file_name_rule.h"
#include "net/file_address.h"
#include "net/resume_record.h"
#include "platform/text.h"
#include "recording_log.h"
#include "recording_transfer_window.h"
#include "test_support.h"
#include "trust/cng_win.h"
#include "update/downloader_win.h"

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

struct Outcome {
  bool ok = false;
  int64_t bytes = 0;
  std::wstring details;
  std::vector<std::wstring> log;
  // What the body's progress reports said: bytes so far, and the declared length (-1 for none).
  std::vector<std::pair<uint64_t, int64_t>> reports;
};

Outcome Fetch(const std::wstring& url, const std::wstring& destination,
              DownloadOptions options = QuickRetries(), const std::wstring& details = L"",
              const std::optional<ListedFile>& listed = std::nullopt) {
  Outcome outcome;
  outcome.details = details;
  RecordingTransferWindow window;
  if (!options.window) options.window = &window;
  RecordingLog log;
  const DownloadResult result = DOSYA_INDIR(url, destination, log, options, listed);
  outcome.ok = result.fetched;
  outcome.bytes = result.bytes;
  if (!result.fetched) outcome.details = result.details;
  outcome.log = log.lines;
  outcome.reports = window.reports;
  return outcome;
}

std::wstring Narrow(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class DownloaderTest : public ::testing::Test {
 protected:
  // A destination that already holds an old version, to see that failures leave it alone.
  std::wstring OldDestination(const std::wstring& name) {
    const std::wstring path = folder / name;
    WriteBytes(path, kOld);
    return path;
  }
  void ExpectUntouched(const std::wstring& destination) {
    EXPECT_TRUE(ReadBytes(destination) == kOld) << "the destination changed";
    EXPECT_FALSE(FileExists(destination + L".download"));
  }

  const std::string kOld = "MZ old version";
  ScratchFolder folder;
};

TEST_F(DownloaderTest, ABodyOfManyChunksArrivesByteIdenticalAndEveryStepIsLogged) {
  const std::string body = PatternBytes(3 * 1024 * 1024 + 17);
  const std::wstring url = Serve(L"whole.dll", body);
  const std::wstring destination = OldDestination(L"whole.dll");

  const Outcome got = Fetch(url, destination, {}, L"left alone");

  ASSERT_TRUE(got.ok) << got.details;
  EXPECT_EQ(got.details, L"left alone");
  EXPECT_EQ(got.bytes, static_cast<int64_t>(body.size()));
  EXPECT_TRUE(ReadBytes(destination) == body);
  EXPECT_FALSE(FileExists(destination + L".download"));
  ASSERT_GT(got.reports.size(), 2u) << "the window gets its turn between chunks";
  EXPECT_EQ(got.reports.front().first, 0u) << "the body's beginning is told first";
  for (size_t i = 1; i < got.reports.size(); ++i) EXPECT_GT(got.reports[i].first, got.reports[i - 1].first);
  EXPECT_EQ(got.reports.back().first, body.size());
  for (const auto& report : got.reports) EXPECT_EQ(report.second, static_cast<int64_t>(body.size()));
  const std::wstring size = std::to_wstring(body.size());
  EXPECT_THAT(got.log,
              ElementsAre(L"Download start; url=" + url + L"; destination=" + destination,
                          L"HTTP response; status=200; statusText=OK", L"HTTP body received; bytes=" + size,
                          L"Temporary file saved; path=" + destination + L".download; bytes=" + size,
                          L"Download complete; destination=" + destination + L"; bytes=" + size));
}

TEST_F(DownloaderTest, SpacesAndHashesGoOutEncodedAndNothingElseIsChanged) {
  // Cut at the '#', the request would fetch "Rapor" and store it as "Rapor#2.dll".
  Serve(L"Rapor", "MZ the wrong file");
  Serve(L"Rapor#2.dll", "MZ report two");
  const Outcome hashed = Fetch(FixtureAddress(L"Rapor#2.dll"), folder / L"Rapor#2.dll");
  ASSERT_TRUE(hashed.ok) << hashed.details;
  EXPECT_EQ(ReadBytes(folder / L"Rapor#2.dll"), "MZ report two");
  EXPECT_TRUE(FixtureReceived("/Rapor%232.dll", 200));
  EXPECT_EQ(hashed.log[0], L"Download start; url=" + HttpFixtureUrl() + L"/Rapor%232.dll; destination=" +
                               folder / L"Rapor#2.dll");

  Serve(L"with space.dll", "content");
  const std::wstring destination = folder / L"with space.dll";
  const Outcome got = Fetch(FixtureAddress(L"with space.dll?v=1.2&x=%41b+c"), destination);

  ASSERT_TRUE(got.ok) << got.details;
  EXPECT_TRUE(FixtureReceived("/with%20space.dll?v=1.2&x=%41b+c", 200));
  EXPECT_EQ(got.log[0], L"Download start; url=" + HttpFixtureUrl() +
                            L"/with%20space.dll?v=1.2&x=%41b+c; destination=" + destination);

  // Letters beyond ASCII go out as UTF-8, percent-encoded, as WinHTTP sends them.
  Serve(L"güncel.dll", "MZ tr");
  EXPECT_TRUE(Fetch(FixtureAddress(L"güncel.dll"), folder / L"güncel.dll").ok);
  EXPECT_TRUE(Fetch(FixtureAddress(L"güncel.dll"), folder / L"yeni\\alt\\güncel.dll").ok)
      << "a new subfolder";
  EXPECT_EQ(ReadBytes(folder / L"yeni\\alt\\güncel.dll"), "MZ tr");
  EXPECT_TRUE(FixtureReceived("/g%C3%BCncel.dll", 200));

  const Outcome missing = Fetch(FixtureAddress(L"no such file.dll"), folder / L"x.dll");
  EXPECT_FALSE(missing.ok);
  EXPECT_TRUE(FixtureReceived("/no%20such%20file.dll", 404));
  EXPECT_EQ(missing.log.back(), L"Download failed; stage=send HTTP GET; url=" + HttpFixtureUrl() +
                                    L"/no%20such%20file.dll; reason=HTTP 404 Not Found");
}

TEST_F(DownloaderTest, EveryRequestNamesTheUpdaterAndTheKeptReleaseAfterTheAgentOfOld) {
  const std::string agent = EncodeUtf8(kHttpUserAgent) + " Zefra-INDIR/" + std::to_string(ZEFRA_VERSION_MAJOR) +
                            "." + std::to_string(ZEFRA_VERSION_MINOR) + "." + std::to_string(ZEFRA_VERSION_REVISION) +
                            "." + std::to_string(ZEFRA_VERSION_BUILD) + " (release ";
  const std::wstring url = Serve(L"agent.dll", "MZ agent");
  const std::pair<uint64_t, const char*> rows[] = {{0, "none"}, {20261209120000, "20261209120000"}};
  for (const auto& [kept, shown] : rows) {
    SetAgentRelease(kept);
    ASSERT_TRUE(Fetch(url, folder / L"agent.dll").ok);
    EXPECT_TRUE(FixtureAccessLogged("\"GET /agent.dll HTTP/1.1\" 200 8 \"-\" \"" + agent + shown + ")\"\n"))
        << shown;
  }
  SetAgentRelease(0);
}

// Windows would store these otherwise: "Zefra VUNO.exe." over "Zefra VUNO.exe" without the MZ test,
// and with a NUL the removal of a stale temporary file would delete the installed program itself.
TEST_F(DownloaderTest, ADestinationWindowsStoresOtherwiseIsRefusedBeforeAnyRequestOrFileOperation) {
  const std::wstring nul(1, L'\0');
  const std::pair<std::wstring, std::wstring> hostile[] = {
      {L"Zefra VUNO.exe" + nul, L"denetim karakteri (U+0000)"},
      {L"x.exe" + nul + L".txt", L"(U+0000)"},
      {L"CON", L"aygıt adıdır (CON)"},
      {L"nul.dll", L"aygıt adıdır (NUL)"},
      {L"COM1.exe", L"aygıt adıdır (COM1)"},
      {L"sub\\PRN.dll", L"aygıt adıdır (PRN)"},
      {L"CONOUT$", L"aygıt adıdır (CONOUT$)"},
      {L"Zefra VUNO.exe.", L"nokta ya da boşlukla bitiyor"},
      {L"a .\\b.dll", L"nokta ya da boşlukla"},
      {L"a\\\\b.dll", L"boş klasör adı"}};
  // What those names would hit if Windows had its way.
  CreateDirectoryW((folder / L"a").c_str(), nullptr);
  CreateDirectoryW((folder / L"sub").c_str(), nullptr);
  int installed = 0;
  for (const wchar_t* name : {L"Zefra VUNO.exe", L"x.exe", L"a\\b.dll", L"sub\\keep.dll"}) {
    WriteBytes(folder / name, std::string("MZ installed ") + std::to_string(++installed));
  }
  const std::map<std::wstring, std::string> before = FolderContents(folder.path());
  const std::string requestsBefore = HttpFixtureLog();

  int served = 0;
  for (const auto& [name, reason] : hostile) {
    const std::wstring url = Serve(L"hostile-" + std::to_wstring(++served) + L".exe", "MZ served");
    const std::wstring destination = folder / name;
    const Outcome got = Fetch(url, destination);
    EXPECT_FALSE(got.ok) << VisibleText(name);
    EXPECT_THAT(got.details, StartsWith(L"Geçersiz hedef yol \"" + VisibleText(destination) + L"\": "));
    EXPECT_THAT(got.details, HasSubstr(reason));
    EXPECT_THAT(
        got.log,
        ElementsAre(L"Download start; url=" + url + L"; destination=" + VisibleText(destination),
                    L"Download failed; stage=prepare download; url=" + url + L"; reason=" + got.details));
  }
  EXPECT_EQ(HttpFixtureLog(), requestsBefore) << "a request was made";
  EXPECT_TRUE(FolderContents(folder.path()) == before) << "a file of the program's folder changed";
}

// On a slow line each piece is told as soon as it arrives: a read that waited for a whole buffer
// would keep the window from its messages for seconds.
TEST_F(DownloaderTest, ASlowBodyIsToldPieceByPieceNotBufferByBuffer) {
  const std::string body = PatternBytes(1024 * 1024);
  Serve(L"slow-pieces.dll", body);
  const Outcome got = Fetch(FixtureAddress(L"slow-pieces.dll?delay_ms=20"), folder / L"slow-pieces.dll");
  ASSERT_TRUE(got.ok) << got.details;
  EXPECT_TRUE(ReadBytes(folder / L"slow-pieces.dll") == body);
  // 16 pieces of 64 KiB, 20 ms apart; whole 256 KiB reads would give five reports.
  EXPECT_GE(got.reports.size(), 12u);
}

TEST_F(DownloaderTest, AStatusOutside2xxFailsBeforeTheBodyIsRead) {
  const std::wstring destination = OldDestination(L"status.dll");
  const Outcome missing = Fetch(FixtureAddress(L"not-there.dll"), destination);
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.details, L"HTTP 404 Not Found");
  EXPECT_THAT(missing.log, ElementsAre(StartsWith(L"Download start; url="),
                                       L"HTTP response; status=404; statusText=Not Found",
                                       StartsWith(L"Download failed; stage=send HTTP GET; url=")));
  ExpectUntouched(destination);

  Serve(L"status.dll", "MZ new");
  for (const auto& [query, details] : std::vector<std::pair<std::wstring, std::wstring>>{
           {L"status.dll?status=503&reason=Service%20Down", L"HTTP 503 Service Down"},
           {L"status.dll?status=199", L"HTTP 199 "},
           {L"status.dll?status=304", L"HTTP 304 Not Modified"}}) {
    const Outcome got = Fetch(FixtureAddress(query), destination);
    EXPECT_FALSE(got.ok) << query;
    EXPECT_EQ(got.details, details);
    ExpectUntouched(destination);
  }
}

TEST_F(DownloaderTest, EmptyAndOneByteBodiesAreRefusedAfterTheirCountIsLogged) {
  const std::wstring destination = OldDestination(L"small.dll");
  for (const auto& [query, count] : std::vector<std::pair<std::wstring, std::wstring>>{
           {L"small.dll?body=", L"0"}, {L"small.dll?body=M", L"1"}}) {
    const Outcome got = Fetch(FixtureAddress(query), destination);
    EXPECT_FALSE(got.ok);
    EXPECT_EQ(got.details, L"Sunucu boş veya eksik dosya döndürdü.");
    EXPECT_EQ(got.bytes, 0);
    ASSERT_EQ(got.log.size(), 4u);
    EXPECT_EQ(got.log[2], L"HTTP body received; bytes=" + count);
    EXPECT_EQ(got.log[3], L"Download failed; stage=read HTTP response body; url=" + FixtureAddress(query) +
                              L"; reason=Sunucu boş veya eksik dosya döndürdü.");
    ExpectUntouched(destination);
  }
}

TEST_F(DownloaderTest, AnExecutableMustBeginWithCapitalMZWhateverTheCaseOfItsExtension) {
  const std::wstring refused = L"Sunucu EXE yerine farklı içerik döndürdü (MZ başlığı yok).";
  for (const wchar_t* name : {L"a.exe", L"b.EXE", L"c.Exe"}) {
    const std::wstring destination = OldDestination(name);
    for (const char* body : {"mz", "Mz", "MZ"}) {
      const Outcome got = Fetch(FixtureAddress(L"x?body=" + Narrow(body)), destination);
      if (std::string(body) == "MZ") {
        EXPECT_TRUE(got.ok) << got.details;
        EXPECT_EQ(ReadBytes(destination), "MZ");
      } else {
        EXPECT_FALSE(got.ok);
        EXPECT_EQ(got.details, refused);
        EXPECT_THAT(got.log.back(), StartsWith(L"Download failed; stage=validate EXE signature; url="));
        ExpectUntouched(destination);
      }
    }
  }
  // Any other ending takes any content of two bytes or more.
  for (const wchar_t* name : {L"d.dll", L"e.exe.txt", L"fexe"}) {
    const Outcome got = Fetch(FixtureAddress(L"x?body=mz"), folder / name);
    EXPECT_TRUE(got.ok) << name << L": " << got.details;
  }
}

TEST_F(DownloaderTest, ABodyCutShortOfItsLengthOrResetIsAnErrorAndReplacesNothing) {
  Serve(L"cut.dll", PatternBytes(1024 * 1024));
  const std::wstring destination = OldDestination(L"cut.dll");

  // Without a validator no attempt continues another: every retry is cut alike, and the last cut
  // is the reason.
  const Outcome shortBody = Fetch(FixtureAddress(L"cut.dll?short=300000&novalidator=1"), destination);
  EXPECT_FALSE(shortBody.ok);
  EXPECT_THAT(shortBody.details, StartsWith(L"Stage read HTTP response body - Error 12152: "));
  EXPECT_NE(shortBody.details.find(L"300000 of 1048576 bytes"), std::wstring::npos) << shortBody.details;
  EXPECT_THAT(shortBody.log.back(), StartsWith(L"Download failed; stage=read HTTP response body; url="));
  ExpectUntouched(destination);

  const Outcome reset = Fetch(FixtureAddress(L"cut.dll?reset=300000&novalidator=1"), destination);
  EXPECT_FALSE(reset.ok);
  EXPECT_THAT(reset.details, StartsWith(L"Stage read HTTP response body - Error 12030: "));
  ExpectUntouched(destination);
}

TEST_F(DownloaderTest, AChunkedBodyArrivesWhole) {
  const std::string body = PatternBytes(700 * 1024 + 3);
  Serve(L"chunked.dll", body);
  const std::wstring destination = OldDestination(L"chunked.dll");
  const Outcome got = Fetch(FixtureAddress(L"chunked.dll?chunked=1"), destination);
  ASSERT_TRUE(got.ok) << got.details;
  EXPECT_TRUE(ReadBytes(destination) == body);
  ASSERT_FALSE(got.reports.empty());
  EXPECT_EQ(got.reports.back().first, body.size());
  for (const auto& report : got.reports) EXPECT_EQ(report.second, -1) << "no length was declared";
}

TEST_F(DownloaderTest, AChunkedBodyCutBeforeItsLastChunkFails) {
  if (RunningUnderWine()) {
    GTEST_SKIP() << "Wine's WinHTTP reports a chunked body cut before its last chunk as a normal end";
  }
  Serve(L"chunkcut.dll", PatternBytes(700 * 1024));
  const std::wstring destination = OldDestination(L"chunkcut.dll");
  const Outcome got = Fetch(FixtureAddress(L"chunkcut.dll?chunkcut=100000"), destination);
  EXPECT_FALSE(got.ok);
  EXPECT_THAT(got.details, StartsWith(L"Stage read HTTP response body - Error "));
  ExpectUntouched(destination);
}

TEST_F(DownloaderTest, ARedirectIsFollowed) {
  Serve(L"moved.dll", "MZ moved here");
  const std::wstring destination = folder / L"moved.dll";
  const Outcome got = Fetch(FixtureAddress(L"old.dll?redirect=/moved.dll&code=302"), destination);
  ASSERT_TRUE(got.ok) << got.details;
  EXPECT_EQ(ReadBytes(destination), "MZ moved here");
  EXPECT_TRUE(FixtureReceived("/old.dll?redirect=/moved.dll&code=302", 302));
  EXPECT_TRUE(FixtureReceived("/moved.dll", 200));
}

constexpr wchar_t kTrustedPort[] = L"ZEFRA_TEST_HTTPS_PORT";

TEST_F(DownloaderTest, OverHttpsAFileArrivesByteIdenticalAndABodyCutShortIsStillCaught) {
  const std::string body = PatternBytes(2 * 1024 * 1024 + 5);
  Serve(L"secure.dll", body);
  const std::wstring destination = OldDestination(L"secure.dll");
  const std::wstring url = SecureFixtureAddress(kTrustedPort, L"secure.dll");

  const Outcome got = Fetch(url, destination);
  ASSERT_TRUE(got.ok) << got.details;
  EXPECT_EQ(got.bytes, static_cast<int64_t>(body.size()));
  EXPECT_TRUE(ReadBytes(destination) == body);
  EXPECT_FALSE(FileExists(destination + L".download"));
  EXPECT_EQ(got.log.front(), L"Download start; url=" + url + L"; destination=" + destination);

  // The server ends TLS cleanly (close_notify) before the declared length: only our own count
  // can tell that from the end of the body.
  WriteBytes(destination, kOld);
  const Outcome cut =
      Fetch(SecureFixtureAddress(kTrustedPort, L"secure.dll?short=300000&novalidator=1"), destination);
  EXPECT_FALSE(cut.ok);
  EXPECT_THAT(cut.details, StartsWith(L"Stage read HTTP response body - Error 12152: "));
  EXPECT_NE(cut.details.find(L"300000 of " + std::to_wstring(body.size()) + L" bytes"), std::wstring::npos)
      << cut.details;
  ExpectUntouched(destination);
}

TEST_F(DownloaderTest, EachUntrustworthyCertificateFailsTheFileBeforeARequestIsSent) {
  Serve(L"guarded.dll", "MZ must not arrive");
  const std::wstring destination = OldDestination(L"guarded.dll");
  for (const auto& [portVariable, certificate] : std::vector<std::pair<const wchar_t*, std::string>>{
           {L"ZEFRA_TEST_HTTPS_UNKNOWN_AUTHORITY_PORT", "unknown-authority"},
           {L"ZEFRA_TEST_HTTPS_OTHER_HOST_PORT", "other-host"},
           {L"ZEFRA_TEST_HTTPS_EXPIRED_PORT", "expired"}}) {
    const std::string target = "/guarded.dll?certificate=" + certificate;
    const std::wstring url = SecureFixtureAddress(portVariable, Narrow(target.substr(1)));
    const FixtureRequestsFromNow requests;
    const Outcome got = Fetch(url, destination);
    EXPECT_FALSE(got.ok) << certificate;
    // Windows reports a certificate that fails validation as 12175, Wine as 12157.
    EXPECT_THAT(got.details, ::testing::AnyOf(StartsWith(L"Stage send HTTP GET - Error 12175: "),
                                              StartsWith(L"Stage send HTTP GET - Error 12157: ")))
        << certificate;
    EXPECT_THAT(got.log, ElementsAre(L"Download start; url=" + url + L"; destination=" + destination,
                                     L"Download failed; stage=send HTTP GET; url=" + url + L"; reason=" +
                                         got.details));
    EXPECT_FALSE(requests.Received(target, 200)) << certificate << ": a request went over a refused channel";
    ExpectUntouched(destination);
  }
}

TEST_F(DownloaderTest, ARedirectIsFollowedUpFromHttpToHttpsButNeverDownFromHttpsToHttp) {
  Serve(L"upgraded.dll", "MZ over TLS");
  const std::wstring upgraded = folder / L"upgraded.dll";
  const Outcome up = Fetch(
      FixtureAddress(L"plain.dll?redirect=" + SecureFixtureAddress(kTrustedPort, L"upgraded.dll")), upgraded);
  ASSERT_TRUE(up.ok) << up.details;
  EXPECT_EQ(ReadBytes(upgraded), "MZ over TLS");
  EXPECT_TRUE(FixtureReceived("/upgraded.dll", 200));

  Serve(L"downgraded.dll", "MZ in the clear");
  const std::wstring destination = OldDestination(L"downgraded.dll");
  const std::wstring url =
      SecureFixtureAddress(kTrustedPort, L"secure-old.dll?redirect=" + FixtureAddress(L"downgraded.dll"));
  const FixtureRequestsFromNow requests;
  const Outcome down = Fetch(url, destination);
  EXPECT_FALSE(down.ok);
  EXPECT_FALSE(requests.Received("/downgraded.dll", 200)) << "the file was fetched over plain http";
  EXPECT_EQ(down.log.back(),
            L"Download failed; stage=send HTTP GET; url=" + url + L"; reason=" + down.details);
  if (RunningUnderWine()) {
    EXPECT_THAT(down.details, StartsWith(L"Stage send HTTP GET - Error 12156: "));
  }
  ExpectUntouched(destination);
}

TEST_F(DownloaderTest, TimeOutsEndASilentServerInTheStageThatWaited) {
  Serve(L"slow.dll", PatternBytes(200 * 1024));
  const std::wstring destination = OldDestination(L"slow.dll");
  DownloadOptions quick = QuickRetries();
  quick.timeouts = {2000, 2000, 2000, 1000};
  quick.retry.attemptsWithoutProgress = 1;

  const Outcome noAnswer = Fetch(FixtureAddress(L"slow.dll?stall=4"), destination, quick);
  EXPECT_FALSE(noAnswer.ok);
  EXPECT_THAT(noAnswer.details, StartsWith(L"Stage send HTTP GET - Error 12002: "));
  ExpectUntouched(destination);

  const Outcome stalledBody =
      Fetch(FixtureAddress(L"slow.dll?stallbody=4&after=1000&novalidator=1"), destination, quick);
  EXPECT_FALSE(stalledBody.ok);
  EXPECT_THAT(stalledBody.details, StartsWith(L"Stage read HTTP response body - Error 12002: "));
  ExpectUntouched(destination);
}

TEST_F(DownloaderTest, PlatformErrorsCarryTheirStageNumberAndText) {
  const std::wstring destination = OldDestination(L"errors.dll");
  // Nothing listens on port 1 of the loopback.
  const Outcome refused = Fetch(L"http://127.0.0.1:1/x.dll", destination);
  EXPECT_THAT(refused.details, StartsWith(L"Stage send HTTP GET - Error 12029: "));
  EXPECT_GT(refused.details.size(), std::wstring(L"Stage send HTTP GET - Error 12029: ").size());
  ExpectUntouched(destination);

  // https asks for a secure channel with the platform's checks; the plain fixture cannot give one.
  const Outcome secure =
      Fetch(L"https://127.0.0.1:" + TestEnv(L"ZEFRA_TEST_HTTP_PORT") + L"/errors.dll", destination);
  EXPECT_FALSE(secure.ok);
  EXPECT_THAT(secure.details, StartsWith(L"Stage send HTTP GET - Error "));
  ExpectUntouched(destination);

  const Outcome scheme = Fetch(L"ftp://127.0.0.1/x.dll", destination);
  EXPECT_THAT(scheme.details, StartsWith(L"Stage create WinHTTP request - Error 12006: "));
  EXPECT_THAT(scheme.log.back(), StartsWith(L"Download failed; stage=create WinHTTP request; url=ftp://"));

  Serve(L"errors.dll", "MZ new");
  // A missing subfolder is made; a file where the folder should be is an error.
  WriteBytes(folder / L"notafolder", "a file");
  const Outcome noFolder = Fetch(FixtureAddress(L"errors.dll"), folder / L"notafolder\\errors.dll");
  EXPECT_THAT(noFolder.details, StartsWith(L"Stage write response to temporary file - Error 3: "));
}

TEST_F(DownloaderTest, AStaleReadOnlyTemporaryFileIsRemovedFirst) {
  Serve(L"stale.dll", "fresh content");
  const std::wstring destination = folder / L"stale.dll";
  WriteBytes(destination + L".download", "left from a killed run, longer than the new one");
  SetFileAttributesW((destination + L".download").c_str(), FILE_ATTRIBUTE_READONLY);

  const Outcome got = Fetch(FixtureAddress(L"stale.dll"), destination);
  ASSERT_TRUE(got.ok) << got.details;
  EXPECT_EQ(ReadBytes(destination), "fresh content");
  EXPECT_FALSE(FileExists(destination + L".download"));

  // A failure removes a stale read-only one too.
  WriteBytes(destination + L".download", "stale");
  SetFileAttributesW((destination + L".download").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(Fetch(FixtureAddress(L"gone.dll"), destination).ok);
  EXPECT_FALSE(FileExists(destination + L".download"));
}

TEST_F(DownloaderTest, ADestinationHeldOpenByAnotherProgramFailsTheReplacement) {
  Serve(L"held.dll", "MZ new");
  const std::wstring destination = OldDestination(L"held.dll");
  HeldOpenFile holder(destination);
  const Outcome got = Fetch(FixtureAddress(L"held.dll"), destination);
  EXPECT_FALSE(got.ok);
  const std::wstring expected = L"Stage copy temporary file to destination - Error ";
  EXPECT_THAT(got.details, StartsWith(expected));
  if (RunningUnderWine()) {
    EXPECT_THAT(got.details, StartsWith(expected + L"5: "));
  }
  EXPECT_THAT(got.log.back(), StartsWith(L"Download failed; stage=copy temporary file to destination; url="));
  EXPECT_FALSE(FileExists(destination + L".download"));
}

TEST_F(DownloaderTest, AReadOnlyDestinationFailsTheReplacement) {
  // Wine run by root writes through the read-only attribute; a real Windows run checks this.
  const std::wstring probe = folder / L"probe";
  WriteBytes(probe, "x");
  SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE writable = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (writable != INVALID_HANDLE_VALUE) {
    CloseHandle(writable);
    GTEST_SKIP() << "this system ignores the read-only attribute (Wine run as root)";
  }
  Serve(L"readonly.dll", "MZ new");
  const std::wstring destination = OldDestination(L"readonly.dll");
  SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_READONLY);
  const Outcome got = Fetch(FixtureAddress(L"readonly.dll"), destination);
  EXPECT_FALSE(got.ok);
  EXPECT_THAT(got.details, StartsWith(L"Stage copy temporary file to destination - Error 5: "));
  ExpectUntouched(destination);
}

// Lines that drop, stall, trickle or answer "later": one press, and the file arrives whole,
// each retry continuing where the last stopped, within the stall window and not after the
// per-read time-out.
TEST_F(DownloaderTest, ALineThatDropsStallsOrTricklesIsRetriedFromWhereItStopped) {
  const struct {
    const wchar_t* name;
    size_t size;
    const wchar_t* faults;
    const wchar_t* reason;  // of the first retry
    uint64_t firstResume;
  } cases[] = {
      {L"reset-twice.dll", 16 << 20, L"reset=5000000&faults=2", L"Error 12030: ", 5000000},
      {L"stalled.dll", 2 << 20, L"stallbody=60&after=100000&faults=1", L"Error 12002: Bağlantı durdu",
       100000},
      {L"trickle.dll", 2 << 20, L"trickle=200&after=100000&faults=1", L"Error 12002: Bağlantı çok yavaş", 0},
      {L"busy.dll", 300 << 10, L"status=503&retry_after=1&faults=1", L"HTTP 503 Service Unavailable", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string body = PatternBytes(c.size);
    Serve(c.name, body);
    const std::wstring destination = OldDestination(c.name);
    DownloadOptions options = QuickRetries();
    options.stall = {1500, 3000, 1024};
    const FixtureRequestsFromNow requests;
    const ULONGLONG start = GetTickCount64();
    const Outcome got = Fetch(FixtureAddress(std::wstring(c.name) + L"?" + c.faults), destination, options);
    EXPECT_LT(GetTickCount64() - start, 20000u) << "the stall was not given up within its window";
    ASSERT_TRUE(got.ok) << got.details;
    EXPECT_TRUE(ReadBytes(destination) == body);
    EXPECT_FALSE(FileExists(destination + L".download") || FileExists(destination + L".indir-resume"));
    EXPECT_THAT(got.log,
                Contains(StartsWith(L"Download retry; attempt=2; reason=" + std::wstring(c.reason))));
    if (c.firstResume > 0) {
      const std::string target = EncodeUtf8(L"/" + std::wstring(c.name) + L"?" + c.faults);
      EXPECT_THAT(requests.Log(),
                  HasSubstr(target + " 206 range=bytes=" + std::to_string(c.firstResume) + "-"));
      EXPECT_LE(requests.BytesSent(target), body.size() * 115 / 100) << "a retry started over";
    }
  }
}

// A server that sends another file, ignores or refuses ranges, or answers one that does not
// fit: the download starts over and ends whole, never with two versions spliced.
TEST_F(DownloaderTest, AFileThatChangesOrARangeThatIsRefusedStartsOverAndEndsWhole) {
  const std::string first = PatternBytes(1 << 20, "V1"), second = PatternBytes(3 << 19, "V2");
  Serve(L"changing-v2.dll", second);
  const std::pair<const wchar_t*, const std::string*> cases[] = {
      {L"reset=300000&faults=1&then=changing-v2.dll", &second},
      {L"reset=300000&faults=1&norange=1", &first},
      {L"reset=300000&faults=2&range416=1", &first},
      {L"reset=300000&faults=2&badrange=1", &first},
  };
  for (const auto& [faults, expected] : cases) {
    SCOPED_TRACE(faults);
    Serve(L"changing.dll", first);
    const std::wstring destination = OldDestination(L"changing.dll");
    const Outcome got = Fetch(FixtureAddress(L"changing.dll?" + std::wstring(faults)), destination);
    ASSERT_TRUE(got.ok) << got.details;
    EXPECT_TRUE(ReadBytes(destination) == *expected) << "spliced or stale";
  }
}

// Failures that another attempt cannot mend, an endless body among them, cost one request.
TEST_F(DownloaderTest, AFinalFailureMakesExactlyOneRequest) {
  Serve(L"once.exe", "not an executable");
  Serve(L"once.dll", "MZ listed otherwise");
  Serve(L"endless.dll", PatternBytes(8 << 20));
  const struct {
    const wchar_t* target;
    std::optional<ListedFile> listed;
    const wchar_t* reason;
  } cases[] = {
      {L"once-missing.dll", std::nullopt, L"HTTP 404 Not Found"},
      {L"once.exe", std::nullopt, L"Sunucu EXE yerine"},
      {L"once.dll", ListedFile{Sha256Digest{}, 19}, L"Dosyanın SHA-256 özeti"},
      {L"once.dll?size=other", ListedFile{Sha256Digest{}, 20}, L"Sunucunun bildirdiği uzunluk (19 bayt)"},
      {L"endless.dll?chunked=1&delay_ms=5", ListedFile{Sha256Digest{}, 1 << 20},
       L"uzun bir yanıt gönderiyor"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    const std::wstring name = std::wstring(c.target).substr(0, std::wstring(c.target).find(L'?'));
    const std::wstring destination = OldDestination(name);
    const FixtureRequestsFromNow requests;
    const Outcome got = Fetch(FixtureAddress(c.target), destination, QuickRetries(), L"", c.listed);
    EXPECT_FALSE(got.ok);
    EXPECT_THAT(got.details, HasSubstr(c.reason));
    const std::string target = EncodeUtf8(L"/" + std::wstring(c.target));
    EXPECT_EQ(requests.Requests(target), 1) << requests.Log();
    EXPECT_LE(requests.BytesSent(target), (1u << 20) + (512u << 10)) << "read on past its size";
    ExpectUntouched(destination);
  }
}

// On a disk of 4 MiB: a file that says it will not fit is refused before its body; one that
// fills the disk is stopped with the reason. The old file and the free space stay as they were.
TEST_F(DownloaderTest, AFullDiskGetsItsReasonAndLeavesTheOldFileAndTheFreeSpace) {
  const std::wstring disk = TestEnv(L"ZEFRA_TEST_SMALL_DISK_WIN");
  if (disk.empty())
    GTEST_SKIP() << "no small disk: " << EncodeUtf8(TestEnv(L"ZEFRA_TEST_SMALL_DISK_UNAVAILABLE"));
  Serve(L"big.dll", PatternBytes(8 << 20));
  const std::wstring destination = disk + L"\\big.dll";
  WriteBytes(destination, kOld);
  const auto freeSpace = [&] {
    ULARGE_INTEGER free{};
    GetDiskFreeSpaceExW(disk.c_str(), &free, nullptr, nullptr);
    return free.QuadPart;
  };
  const uint64_t before = freeSpace();
  for (const auto& [query, reason] :
       {std::pair{L"big.dll", L"Diskte yer yok: dosyanın 8,0 MB yere ihtiyacı var"},
        std::pair{L"big.dll?chunked=1", L"Program klasörünün diskinde yer kalmadı"}}) {
    SCOPED_TRACE(query);
    const Outcome got = Fetch(FixtureAddress(query), destination);
    EXPECT_FALSE(got.ok);
    EXPECT_THAT(got.details, HasSubstr(reason));
    ExpectUntouched(destination);
    EXPECT_EQ(freeSpace(), before);
  }
  DeleteFileW(destination.c_str());
}

// Closed mid-body, the part stays with its record; the next press continues it with a range
// and leaves neither behind.
TEST_F(DownloaderTest, APartKeptByACancelIsContinuedByTheNextPressAndThenGone) {
  const std::string body = PatternBytes(1 << 20);
  const std::wstring url = Serve(L"kept.dll", body);
  const std::wstring destination = OldDestination(L"kept.dll");
  RecordingTransferWindow closing;
  closing.onProgress = [&] { closing.cancel = closing.reports.size() > 2; };
  DownloadOptions options = QuickRetries();
  options.window = &closing;
  const Outcome cancelled = Fetch(FixtureAddress(L"kept.dll?delay_ms=30"), destination, options);
  EXPECT_FALSE(cancelled.ok);
  EXPECT_TRUE(ReadBytes(destination) == kOld);
  ASSERT_TRUE(FileExists(destination + L".download") && FileExists(destination + L".indir-resume"));

  const FixtureRequestsFromNow requests;
  const Outcome resumed = Fetch(FixtureAddress(L"kept.dll?delay_ms=30"), destination);
  ASSERT_TRUE(resumed.ok) << resumed.details;
  EXPECT_TRUE(ReadBytes(destination) == body);
  EXPECT_THAT(requests.Log(), HasSubstr("GET /kept.dll?delay_ms=30 206 range=bytes="));
  EXPECT_FALSE(FileExists(destination + L".download") || FileExists(destination + L".indir-resume"));

  // A part longer than the signed list's size cannot be that file's: it goes before any request.
  const std::wstring address = FixtureAddress(L"kept.dll");
  WriteBytes(destination + L".download", body + "longer");
  WriteBytes(destination + L".indir-resume",
             ResumeRecordText(RequestAddress(address), {L"\"x\"", body.size() + 6}));
  const FixtureRequestsFromNow whole;
  const Outcome listed =
      Fetch(address, destination, QuickRetries(), L"", ListedFile{Sha256Of(body), body.size()});
  ASSERT_TRUE(listed.ok) << listed.details;
  EXPECT_THAT(whole.Log(), Not(HasSubstr("range=")));

  // A listed part is hashed before the request, the window answering meanwhile.
  WriteBytes(destination + L".download", body.substr(0, body.size() / 2));
  WriteBytes(destination + L".indir-resume",
             ResumeRecordText(RequestAddress(address), {L"\"x\"", body.size()}));
  RecordingTransferWindow served;
  int pumpsBeforeTheBody = -1;
  served.onProgress = [&] {
    pumpsBeforeTheBody = pumpsBeforeTheBody < 0 ? served.pumps : pumpsBeforeTheBody;
  };
  options.window = &served;
  const Outcome hashed = Fetch(address, destination, options, L"", ListedFile{Sha256Of(body), body.size()});
  ASSERT_TRUE(hashed.ok) << hashed.details;
  EXPECT_GT(pumpsBeforeTheBody, 0);
}

}  // namespace
