// OVN_AYARLA against the MariaDB fixture through the real ODBC driver (the 8.0 Unicode name).
#include "settings/manifest.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "manifest_window_fake.h"
#include "platform/odbc_win.h"
#include "test_support.h"

namespace {

const wchar_t kInsert[] =
    L"INSERT INTO ovantis.tblayar (id, dosya1, dosya2, dosya3, dosya4, dosya5, versite, model, versiyon) "
    L"VALUES ";

class Manifest : public testing::Test {
 protected:
  void TearDown() override {
    if (mdl_.cnBaglanti) mdl_.cnBaglanti->Close();
    RestoreStandardManifest();
  }
  // Replaces the rows of the table, connects and reads the manifest.
  void ReadRows(const std::wstring& values) {
    ExecuteSql(L"DELETE FROM ovantis.tblayar;" + (values.empty() ? L"" : kInsert + values));
    Read();
  }
  void Read() {
    ConnectToFixture(mdl_);
    OVN_AYARLA(mdl_, window_);
  }
  void ExpectFailure(const std::wstring& title) {
    EXPECT_EQ(window_.description, L"Dosya bilgisi alınamadı !");
    EXPECT_FALSE(window_.startEnabled);
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].title, title);
    EXPECT_EQ(boxes_.shown()[0].style, kBoxError);
    EXPECT_TRUE(mdl_.cnBaglanti->IsOpen()) << "left open on the failure path";
  }

  Mdlset mdl_{CreateOdbcConnection};
  FakeManifestWindow window_;
  RecordedMessageBoxes boxes_;
};

TEST_F(Manifest, TheStandardRecordIsStoredLoggedAndShownInUnicode) {
  window_.startEnabled = false;
  Read();
  EXPECT_EQ(mdl_.manifest.baseUrl, L"http://127.0.0.1/guncelleme");
  EXPECT_EQ(mdl_.manifest.files, (std::array<std::wstring, 5>{L"Zefra VUNO.exe", L"", L"", L"", L""}));
  EXPECT_EQ(window_.log,
            (std::vector<std::wstring>{
                L"Database settings loaded; baseUrl=http://127.0.0.1/guncelleme; files=Zefra VUNO.exe||||"}));
  EXPECT_EQ(window_.description,
            L"Model: Zefra VUNO  -->  Versiyon: 9.08 Türkçe\r\n\r\nGüncellenecek Dosyalar:\r\nZefra VUNO.exe "
            L"       ");
  EXPECT_TRUE(window_.startEnabled);
  EXPECT_FALSE(mdl_.cnBaglanti->IsOpen());
  EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(Manifest, OnlyTheFirstOfSeveralRecordsCounts) {
  ReadRows(
      L"(1, 'bir.exe', NULL, NULL, NULL, NULL, 'http://a', 'M1', 'V1'),"
      L"(2, 'iki.exe', 'x', 'y', 'z', 'w', 'http://b', 'M2', 'V2')");
  EXPECT_EQ(mdl_.manifest.files[0], L"bir.exe");
  EXPECT_EQ(mdl_.manifest.files[1], L"");
  EXPECT_EQ(mdl_.manifest.baseUrl, L"http://a");
  EXPECT_EQ(window_.description,
            L"Model: M1  -->  Versiyon: V1\r\n\r\nGüncellenecek Dosyalar:\r\nbir.exe        ");
}

TEST_F(Manifest, NullFileColumnsKeepTheirSlotsAndEmptyOnesClearThem) {
  mdl_.manifest.files = {L"old1", L"old2", L"old3", L"old4", L"old5"};
  ReadRows(L"(1, 'a.exe', NULL, 'b ığüşöç.dll', '', NULL, 'http://h/ü', NULL, NULL)");
  EXPECT_EQ(mdl_.manifest.files,
            (std::array<std::wstring, 5>{L"a.exe", L"old2", L"b ığüşöç.dll", L"", L"old5"}));
  EXPECT_EQ(window_.log,
            (std::vector<std::wstring>{
                L"Database settings loaded; baseUrl=http://h/ü; files=a.exe|old2|b ığüşöç.dll||old5"}));
  // Null model and version show nothing; Null and empty names leave their separators.
  EXPECT_EQ(window_.description,
            L"Model:   -->  Versiyon: \r\n\r\nGüncellenecek Dosyalar:\r\na.exe    b ığüşöç.dll    ");
  EXPECT_TRUE(window_.startEnabled);
  EXPECT_FALSE(mdl_.cnBaglanti->IsOpen());
}

TEST_F(Manifest, NoRecordDisablesTheStartButtonQuietly) {
  window_.startEnabled = true;
  ReadRows(L"");
  EXPECT_EQ(window_.description, L"Veri tabanından güncellenecek dosyaların listesi alınamadı !");
  EXPECT_FALSE(window_.startEnabled);
  EXPECT_TRUE(window_.log.empty());
  EXPECT_TRUE(boxes_.shown().empty());
  EXPECT_FALSE(mdl_.cnBaglanti->IsOpen());
  EXPECT_EQ(mdl_.manifest.baseUrl, L"");
}

TEST_F(Manifest, ANullSiteFailsAfterTheFilesWereRead) {
  window_.startEnabled = true;
  ReadRows(L"(1, 'a.exe', NULL, NULL, NULL, NULL, NULL, 'M', 'V')");
  ExpectFailure(L"94");
  EXPECT_EQ(mdl_.manifest.files[0], L"a.exe");
  EXPECT_EQ(mdl_.manifest.baseUrl, L"");
  EXPECT_TRUE(window_.log.empty());
}

TEST_F(Manifest, AMissingModelColumnFailsAfterTheManifestIsLogged) {
  ExecuteSql(L"ALTER TABLE ovantis.tblayar DROP COLUMN model");
  Read();
  ExpectFailure(L"3265");
  EXPECT_NE(boxes_.shown()[0].text.find(L"model"), std::wstring::npos);
  EXPECT_EQ(mdl_.manifest.files[0], L"Zefra VUNO.exe");
  EXPECT_EQ(mdl_.manifest.baseUrl, L"http://127.0.0.1/guncelleme");
  EXPECT_EQ(window_.log.size(), 1u);
}

TEST_F(Manifest, AMissingTableShowsTheDriversError) {
  ExecuteSql(L"RENAME TABLE ovantis.tblayar TO ovantis.tblayar_away");
  Read();
  ExpectFailure(L"1146");
  EXPECT_NE(boxes_.shown()[0].text.find(L"tblayar"), std::wstring::npos) << boxes_.shown()[0].text;
  EXPECT_EQ(mdl_.manifest.files[0], L"");
  EXPECT_TRUE(window_.log.empty());
}

TEST_F(Manifest, AClosedConnectionIsAFailureToo) {
  OVN_AYARLA(mdl_, window_);
  EXPECT_EQ(window_.description, L"Dosya bilgisi alınamadı !");
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, L"3704");
}

}  // namespace
