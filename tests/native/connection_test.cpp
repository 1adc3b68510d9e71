// The two connection-string templates and the life of the shared connection.
#include <gtest/gtest.h>

#include "fake_database.h"
#include "settings/mdlset.h"

namespace {

const wchar_t kTemplateA[] =
    L"Driver={MySQL ODBC 8.0 Unicode Driver};Server=srv;Database=db;User=usr;Password=pw;Port=3307;"
    L"Connect Timeout=5;Charset=utf8mb4;FOUND_ROWS=1";
const wchar_t kTemplateB[] =
    L"Driver=MySQL ODBC 3.51 Driver;Server=srv;Database=db;User=usr;Password=pw;Port=3307;Option=3;"
    L"ConnectionLifeTime=60;Connection Timeout=1;Stmt=SET NAMES 'latin5'; SET COLLATE latin5_turkish_ci;";

TEST(ConnectionString, SelectorEightAloneChoosesTheUnicodeDriver) {
  EXPECT_EQ(ConnectionString(L"db", L"pw", L"usr", L"srv", L"3307", 8), kTemplateA);
  for (int16_t selector : {3, 0, 9, -1, 32767, -32768}) {
    EXPECT_EQ(ConnectionString(L"db", L"pw", L"usr", L"srv", L"3307", selector), kTemplateB) << selector;
  }
}

TEST(ConnectionString, ValuesGoInVerbatim) {
  EXPECT_EQ(ConnectionString(L"o;v", L"p=w;x", L"{u}", L"", L" 33 ", 8),
            L"Driver={MySQL ODBC 8.0 Unicode Driver};Server=;Database=o;v;User={u};Password=p=w;x;Port= 33 ;"
            L"Connect Timeout=5;Charset=utf8mb4;FOUND_ROWS=1");
  EXPECT_TRUE(ConnectionString(L"ovantis", L"a;b=c", L"ovn", L"host", L"3306", 3)
                  .starts_with(L"Driver=MySQL ODBC 3.51 Driver;Server=host;Database=ovantis;User=ovn;"
                               L"Password=a;b=c;Port=3306;Option=3;"));
}

TEST(BaglantiAc, CreatesTheConnectionOnceAndClosesItBeforeEveryOpen) {
  FakeDatabase db;
  Mdlset mdl(db.Factory());
  EXPECT_EQ(mdl.cnBaglanti, nullptr);

  mdl.BAGLANTI_AC(L"db", L"pw", L"usr", L"srv", L"3307", 8);
  ASSERT_NE(mdl.cnBaglanti, nullptr);
  EXPECT_TRUE(mdl.cnBaglanti->IsOpen());
  mdl.BAGLANTI_AC(L"db", L"pw", L"usr", L"srv", L"3307", 3);  // open: closed first

  EXPECT_EQ(db.connectionsCreated, 1);
  EXPECT_EQ(db.closesWhileOpen, 1);
  EXPECT_EQ(db.attempts, (std::vector<std::wstring>{kTemplateA, kTemplateB}));
}

TEST(BaglantiAc, AFailureReachesTheCallerUnchangedAndTheNextCallOpensAgain) {
  FakeDatabase db;
  db.refuse = [](const std::wstring& text) -> std::optional<ErrorInfo> {
    if (text.find(L"Server=bad;") != std::wstring::npos) return ErrorInfo{2005, L"Unknown server host 'bad'"};
    return std::nullopt;
  };
  Mdlset mdl(db.Factory());
  try {
    mdl.BAGLANTI_AC(L"db", L"pw", L"usr", L"bad", L"3307", 8);
    FAIL() << "the open should fail";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), 2005);
    EXPECT_EQ(error.description(), L"Unknown server host 'bad'");
  }
  EXPECT_FALSE(mdl.cnBaglanti->IsOpen());
  mdl.BAGLANTI_AC(L"db", L"pw", L"usr", L"good", L"3307", 8);
  EXPECT_TRUE(mdl.cnBaglanti->IsOpen());
  EXPECT_EQ(db.connectionsCreated, 1);
}

TEST(BaglantiAc, NoConnectionObjectIsAnError) {
  Mdlset mdl([] { return std::unique_ptr<DbConnection>(); });
  EXPECT_THROW(mdl.BAGLANTI_AC(L"db", L"pw", L"usr", L"srv", L"1", 8), AppError);
}

TEST(RecordSet, FieldsByNameIgnoringCaseWithNullsAndErrors) {
  FakeDatabase db;
  db.result = {{L"id", L"Dosya1", L"versite"}, {{L"1", L"a.exe", std::nullopt}, {L"2", L"", L"x"}}};
  FakeConnection connection(db);
  connection.Open(L"x");
  RecordSet record;
  EXPECT_EQ(record.RecordCount(), 0);
  EXPECT_THROW(record.Value(L"id"), AppError);  // closed

  record.Open(L"SELECT", connection);
  EXPECT_EQ(record.RecordCount(), 2);
  record.MoveFirst();
  EXPECT_EQ(record.Value(L"DOSYA1"), FieldValue(L"a.exe"));
  EXPECT_EQ(record.Value(L"versite"), std::nullopt);
  try {
    record.Value(L"model");
    FAIL() << "an unknown column is an error";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), kDataErrorColumnNotFound);
    EXPECT_NE(error.description().find(L"model"), std::wstring::npos);
  }
  record.Close();
  db.result.rows.clear();
  record.Open(L"SELECT", connection);
  EXPECT_EQ(record.RecordCount(), 0);
  EXPECT_THROW(record.MoveFirst(), AppError);
  EXPECT_THROW(record.Value(L"id"), AppError);  // no current record
}

}  // namespace
