// The ODBC connection against the MariaDB fixture: errors, reopening and values as text.
#include <gtest/gtest.h>
#include <windows.h>

#include "manifest_window_fake.h"
#include "platform/error.h"
#include "platform/odbc_win.h"
#include "test_support.h"

namespace {

ErrorInfo OpenFailure(DbConnection& connection, const std::wstring& text) {
  try {
    connection.Open(text);
  } catch (const AppError& error) {
    EXPECT_FALSE(connection.IsOpen());
    return error.info();
  }
  ADD_FAILURE() << "the open should fail";
  return {};
}

std::wstring String(const std::wstring& server, const std::wstring& port, const std::wstring& password,
                    int16_t driver) {
  return ConnectionString(L"ovantis", password, L"ovn", server, port, driver);
}

TEST(Odbc, FailuresCarryTheDriversNumberAndText) {
  auto connection = CreateOdbcConnection();
  const ErrorInfo refused = OpenFailure(*connection, String(L"127.0.0.1", FixtureDbPort(), L"wrong", 8));
  EXPECT_EQ(refused.number, 1045);
  EXPECT_NE(refused.description.find(L"Access denied"), std::wstring::npos) << refused.description;

  // The driver rejects the 3.51 template's last segment; the error still has a text and a number.
  const ErrorInfo parse = OpenFailure(*connection, String(L"127.0.0.1", FixtureDbPort(), L"***kvp***", 3));
  EXPECT_NE(parse.number, 0);
  EXPECT_FALSE(parse.description.empty());

  const ErrorInfo noDriver = OpenFailure(*connection, L"Driver={No Such Driver};Server=127.0.0.1");
  EXPECT_EQ(noDriver.number, kDataErrorGeneric) << noDriver.description;
  EXPECT_FALSE(noDriver.description.empty());
}

TEST(Odbc, OpensAgainAfterAFailureAndAfterAnOpen) {
  Mdlset mdl(CreateOdbcConnection);
  EXPECT_THROW(mdl.BAGLANTI_AC(L"ovantis", L"wrong", L"ovn", L"127.0.0.1", FixtureDbPort(), 8), AppError);
  ConnectToFixture(mdl);
  ConnectToFixture(mdl);
  EXPECT_TRUE(mdl.cnBaglanti->IsOpen());
  EXPECT_EQ(mdl.cnBaglanti->Query(L"SELECT 1").rows.size(), 1u);
  mdl.cnBaglanti->Close();
  EXPECT_FALSE(mdl.cnBaglanti->IsOpen());
  try {
    mdl.cnBaglanti->Query(L"SELECT 1");
    FAIL() << "a closed connection runs no query";
  } catch (const AppError& error) {
    EXPECT_EQ(error.number(), kDataErrorObjectClosed);
  }
}

TEST(Odbc, EveryTypeComesBackAsTextAndLongValuesWhole) {
  Mdlset mdl(CreateOdbcConnection);
  ConnectToFixture(mdl);
  const QueryResult result = mdl.cnBaglanti->Query(
      L"SELECT 42 AS n, CAST(-1.50 AS DECIMAL(5,2)) AS d, DATE('2024-02-29') AS t, NULL AS z, '' AS e, "
      L"REPEAT('ğ', 9000) AS l, 'İŞ' AS tr");
  EXPECT_EQ(result.columns, (std::vector<std::wstring>{L"n", L"d", L"t", L"z", L"e", L"l", L"tr"}));
  ASSERT_EQ(result.rows.size(), 1u);
  const auto& row = result.rows[0];
  EXPECT_EQ(row[0], FieldValue(L"42"));
  EXPECT_EQ(row[1], FieldValue(L"-1.50"));
  EXPECT_EQ(row[2], FieldValue(L"2024-02-29"));
  EXPECT_EQ(row[3], std::nullopt);
  EXPECT_EQ(row[4], FieldValue(L""));
  EXPECT_EQ(row[5], FieldValue(std::wstring(9000, L'ğ')));
  EXPECT_EQ(row[6], FieldValue(L"İŞ"));
}

}  // namespace
