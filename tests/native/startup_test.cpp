// Which connection start-up tries, in what order, and how it ends.
#include "app/startup.h"

#include <gtest/gtest.h>

#include "fake_database.h"
#include "fake_manifest_window.h"

namespace {

const wchar_t kFallback[] =
    L"Driver=MySQL ODBC 3.51 Driver;Server=db.ovantis.com.tr;Database=ovantis;User=ovn;Password=***kvp***;"
    L"Port=3306;Option=3;ConnectionLifeTime=60;Connection Timeout=1;"
    L"Stmt=SET NAMES 'latin5'; SET COLLATE latin5_turkish_ci;";

struct Startup : testing::Test {
  FakeDatabase db;
  Mdlset mdl{db.Factory()};
  FakeManifestWindow window;
  RecordedMessageBoxes boxes;

  void SetUp() override {
    db.result = {
        {L"dosya1", L"dosya2", L"dosya3", L"dosya4", L"dosya5", L"versite", L"model", L"versiyon"},
        {{L"a.exe", std::nullopt, L"b.dll", std::nullopt, L"", L"http://h/u", std::nullopt, L"9.08"}}};
    mdl.settings.server = L"srv";
    mdl.settings.port = L"3307";
    mdl.settings.driverVersion = L"8";
  }
  // Refuses every attempt whose string contains `part`.
  void RefuseWhere(std::wstring part) {
    db.refuse = [part](const std::wstring& text) -> std::optional<ErrorInfo> {
      if (text.find(part) == std::wstring::npos) return std::nullopt;
      return ErrorInfo{2003, L"Can't connect to server on '" + part + L"'"};
    };
  }
};

TEST_F(Startup, TheFirstAttemptUsesTheSettingsAndReadsTheManifest) {
  EXPECT_EQ(ConnectAndReadManifest(mdl, window), StartupEnd::kShowWindow);
  ASSERT_EQ(db.attempts.size(), 1u);
  EXPECT_EQ(db.attempts[0], ConnectionString(L"ovantis", L"***kvp***", L"ovn", L"srv", L"3307", 8));
  EXPECT_EQ(db.queries, (std::vector<std::wstring>{L"SELECT * FROM ovantis.tblayar"}));
  EXPECT_EQ(mdl.manifest.files, (std::array<std::wstring, 5>{L"a.exe", L"", L"b.dll", L"", L""}));
  EXPECT_EQ(
      window.log,
      (std::vector<std::wstring>{L"Database settings loaded; baseUrl=http://h/u; files=a.exe||b.dll||"}));
  EXPECT_EQ(window.description,
            L"Model:   -->  Versiyon: 9.08\r\n\r\nGüncellenecek Dosyalar:\r\na.exe    b.dll    ");
  EXPECT_TRUE(window.startEnabled);
  EXPECT_FALSE(mdl.cnBaglanti->IsOpen());
  EXPECT_TRUE(boxes.shown().empty());
}

// What the row holds is kept as it is, and logged and shown with its control characters written
// out: no value forges a line of the log or of the summary.
TEST_F(Startup, ALineBreakInARowValueIsKeptButLoggedAndShownEscaped) {
  db.result.rows[0][0] = L"a.exe\r\n2026-12-09 10:00:00 Update completed";
  db.result.rows[0][6] = std::wstring(L"M") + L'\0' + L"X";
  ConnectAndReadManifest(mdl, window);
  EXPECT_EQ(mdl.manifest.files[0], L"a.exe\r\n2026-12-09 10:00:00 Update completed");
  EXPECT_EQ(window.log,
            (std::vector<std::wstring>{L"Database settings loaded; baseUrl=http://h/u; files=a.exe<U+000D>"
                                       L"<U+000A>2026-12-09 10:00:00 Update completed||b.dll||"}));
  EXPECT_EQ(window.description,
            L"Model: M<U+0000>X  -->  Versiyon: 9.08\r\n\r\nGüncellenecek Dosyalar:\r\na.exe"
            L"<U+000D><U+000A>2026-12-09 10:00:00 Update completed    b.dll    ");
}

TEST_F(Startup, AFailedFirstAttemptFallsBackSilently) {
  RefuseWhere(L"srv");
  EXPECT_EQ(ConnectAndReadManifest(mdl, window), StartupEnd::kShowWindow);
  ASSERT_EQ(db.attempts.size(), 2u);
  EXPECT_EQ(db.attempts[1], kFallback);
  EXPECT_TRUE(window.startEnabled);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(mdl.settings.server, L"srv");  // the settings stay as read
}

TEST_F(Startup, ASelectorThatIsNoSixteenBitNumberSkipsTheFirstAttempt) {
  for (const wchar_t* selector : {L"", L"x", L"40000"}) {
    db.attempts.clear();
    mdl.settings.driverVersion = selector;
    EXPECT_EQ(ConnectAndReadManifest(mdl, window), StartupEnd::kShowWindow);
    EXPECT_EQ(db.attempts, (std::vector<std::wstring>{kFallback})) << selector;
  }
}

TEST_F(Startup, BothAttemptsFailingNameTheConfiguredServerAndEndTheProgram) {
  RefuseWhere(L"Server=");
  EXPECT_EQ(ConnectAndReadManifest(mdl, window), StartupEnd::kEndProgram);
  EXPECT_EQ(db.attempts.size(), 2u);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text,
            L"Sunucuya(srv:3307) bağlanılamadı lütfen daha sonra tekrar deneyiniz !\r\n"
            L"Can't connect to server on 'Server='");
  EXPECT_EQ(boxes.shown()[0].title, L"Zefra INDIR");
  EXPECT_EQ(boxes.shown()[0].style, kBoxPlain);
  EXPECT_TRUE(db.queries.empty());
  EXPECT_TRUE(window.log.empty());
}

TEST_F(Startup, AManifestFailureDoesNotFallBack) {
  db.queryError = ErrorInfo{1146, L"Table 'ovantis.tblayar' doesn't exist"};
  EXPECT_EQ(ConnectAndReadManifest(mdl, window), StartupEnd::kShowWindow);
  EXPECT_EQ(db.attempts.size(), 1u);
  EXPECT_EQ(window.description, L"Dosya bilgisi alınamadı !");
  EXPECT_FALSE(window.startEnabled);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].title, L"1146");
  EXPECT_EQ(boxes.shown()[0].style, kBoxError);
  EXPECT_TRUE(mdl.cnBaglanti->IsOpen());  // left as it was on the failure path
}

}  // namespace
