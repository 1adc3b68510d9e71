#include "platform/odbc_win.h"

#include <windows.h>
// The headers below need the Windows types first.
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/scoped_win.h"

namespace {

template <SQLSMALLINT HandleType>
struct OdbcHandleTraits {
  using Type = SQLHANDLE;
  static Type Empty() noexcept { return SQL_NULL_HANDLE; }
  static void Close(Type h) noexcept { SQLFreeHandle(HandleType, h); }
};
using UniqueEnv = UniqueResource<OdbcHandleTraits<SQL_HANDLE_ENV>>;
using UniqueDbc = UniqueResource<OdbcHandleTraits<SQL_HANDLE_DBC>>;
using UniqueStmt = UniqueResource<OdbcHandleTraits<SQL_HANDLE_STMT>>;

SQLWCHAR* AsSql(std::wstring& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

// The first diagnostic record of a handle; a call that failed without one still gets a text.
AppError DiagnosticError(SQLSMALLINT type, SQLHANDLE handle, const wchar_t* what) {
  SQLWCHAR state[6] = {};
  SQLINTEGER native = 0;
  std::vector<SQLWCHAR> message(SQL_MAX_MESSAGE_LENGTH + 1);
  SQLSMALLINT length = 0;
  const SQLRETURN got = handle == SQL_NULL_HANDLE
                            ? SQL_ERROR
                            : SQLGetDiagRecW(type, handle, 1, state, &native, message.data(),
                                             static_cast<SQLSMALLINT>(message.size()), &length);
  std::wstring text;
  if (SQL_SUCCEEDED(got)) text = reinterpret_cast<const wchar_t*>(message.data());
  if (text.empty()) text = std::wstring(what) + L" failed without a description from the driver.";
  return AppError(native != 0 ? native : kDataErrorGeneric, text);
}

void Check(SQLRETURN result, SQLSMALLINT type, SQLHANDLE handle, const wchar_t* what) {
  if (!SQL_SUCCEEDED(result)) throw DiagnosticError(type, handle, what);
}

// One column of the current row as text; SQLGetData hands long values out in pieces.
FieldValue ReadColumn(SQLHSTMT stmt, SQLUSMALLINT column) {
  std::wstring value;
  std::vector<SQLWCHAR> buffer(4096);
  const SQLLEN bufferBytes = static_cast<SQLLEN>(buffer.size() * sizeof(SQLWCHAR));
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN result = SQLGetData(stmt, column, SQL_C_WCHAR, buffer.data(), bufferBytes, &indicator);
    if (result == SQL_NO_DATA) return value;
    Check(result, SQL_HANDLE_STMT, stmt, L"Reading a column");
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    // A piece fills the buffer but for its terminator when more follows, else it is the rest.
    const bool more = indicator == SQL_NO_TOTAL || indicator >= bufferBytes;
    const size_t chars = more ? buffer.size() - 1 : static_cast<size_t>(indicator) / sizeof(SQLWCHAR);
    value.append(reinterpret_cast<const wchar_t*>(buffer.data()), chars);
    if (result == SQL_SUCCESS) return value;
  }
}

std::vector<std::wstring> ColumnNames(SQLHSTMT stmt) {
  SQLSMALLINT count = 0;
  Check(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, L"Counting the columns");
  std::vector<std::wstring> names;
  for (SQLUSMALLINT column = 1; column <= count; ++column) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    Check(SQLDescribeColW(stmt, column, name, 256, &length, &type, &size, &digits, &nullable),
          SQL_HANDLE_STMT, stmt, L"Describing a column");
    names.emplace_back(reinterpret_cast<const wchar_t*>(name));
  }
  return names;
}

class OdbcConnection : public DbConnection {
 public:
  bool IsOpen() const override { return connected_; }

  void Open(const std::wstring& connectionString) override {
    Close();
    EnsureEnvironment();
    // A fresh connection handle for every open, so no state of a failed attempt carries over.
    UniqueDbc dbc;
    Check(SQLAllocHandle(SQL_HANDLE_DBC, env_.get(), dbc.put()), SQL_HANDLE_ENV, env_.get(),
          L"Allocating a connection");
    std::wstring text = connectionString;
    Check(
        SQLDriverConnectW(dbc.get(), nullptr, AsSql(text), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
        SQL_HANDLE_DBC, dbc.get(), L"Connecting");
    dbc_ = std::move(dbc);
    connected_ = true;
  }

  void Close() noexcept override {
    if (connected_) SQLDisconnect(dbc_.get());
    connected_ = false;
    dbc_.reset();
  }

  QueryResult Query(const std::wstring& sql) override {
    if (!connected_) throw AppError(kDataErrorObjectClosed, L"The connection is closed.");
    UniqueStmt stmt;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc_.get(), stmt.put()), SQL_HANDLE_DBC, dbc_.get(),
          L"Allocating a statement");
    std::wstring text = sql;
    Check(SQLExecDirectW(stmt.get(), AsSql(text), SQL_NTS), SQL_HANDLE_STMT, stmt.get(),
          L"Running the query");
    QueryResult result;
    result.columns = ColumnNames(stmt.get());
    for (;;) {
      const SQLRETURN fetched = SQLFetch(stmt.get());
      if (fetched == SQL_NO_DATA) break;
      Check(fetched, SQL_HANDLE_STMT, stmt.get(), L"Fetching a row");
      std::vector<FieldValue> row;
      for (size_t column = 1; column <= result.columns.size(); ++column) {
        row.push_back(ReadColumn(stmt.get(), static_cast<SQLUSMALLINT>(column)));
      }
      result.rows.push_back(std::move(row));
    }
    return result;
  }

  ~OdbcConnection() override { Close(); }

 private:
  void EnsureEnvironment() {
    if (env_) return;
    UniqueEnv env;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, env.put()))) {
      throw AppError(kDataErrorGeneric, L"The ODBC driver manager could not be initialised.");
    }
    Check(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
          SQL_HANDLE_ENV, env.get(), L"Selecting ODBC 3");
    env_ = std::move(env);
  }

  UniqueEnv env_;
  UniqueDbc dbc_;  // declared after env_: released first
  bool connected_ = false;
};

}  // namespace

std::unique_ptr<DbConnection> CreateOdbcConnection() { return std::make_unique<OdbcConnection>(); }
