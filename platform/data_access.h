// The database as the program uses it: one connection that opens with an ODBC connection
// string, and a record set that is fetched whole when opened.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A column value of the current record: text, or no value (Null).
using FieldValue = std::optional<std::wstring>;

// Every row of a result, each value already turned into text.
struct QueryResult {
  std::vector<std::wstring> columns;
  std::vector<std::vector<FieldValue>> rows;
};

// Numbers of the errors that the data access raises itself (the driver's own errors carry the
// driver's native number). They keep the values this program's users have always seen.
inline constexpr int32_t kDataErrorGeneric = -2147467259;  // 0x80004005: the driver gave no number
inline constexpr int32_t kDataErrorNoCurrentRecord = 3021;
inline constexpr int32_t kDataErrorColumnNotFound = 3265;
inline constexpr int32_t kDataErrorObjectClosed = 3704;

// A database connection. Every failure raises AppError with a number and readable text.
class DbConnection {
 public:
  virtual ~DbConnection() = default;

  virtual bool IsOpen() const = 0;
  // Opens with a complete connection string, never prompting; the caller closes an open one first.
  virtual void Open(const std::wstring& connectionString) = 0;
  virtual void Close() noexcept = 0;
  // Runs one query on the open connection and fetches all of its rows.
  virtual QueryResult Query(const std::wstring& sql) = 0;
};

using ConnectionFactory = std::function<std::unique_ptr<DbConnection>()>;

// A record set fetched whole, so its record count is exact; read-only.
class RecordSet {
 public:
  bool IsOpen() const { return open_; }
  // Runs the query on the connection; the first record becomes current.
  void Open(const std::wstring& query, DbConnection& connection);
  void Close() noexcept;

  // The number of records (0 when closed).
  long RecordCount() const;
  void MoveFirst();
  // The value of a column of the current record, found by name ignoring ASCII case.
  // An unknown column, a closed record set and no current record are errors.
  const FieldValue& Value(std::wstring_view column) const;

 private:
  QueryResult result_;
  bool open_ = false;
  size_t current_ = 0;
};
