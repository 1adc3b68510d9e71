#include "tools/check_release/manifest_row.h"

#include <mysql.h>

#include <memory>
#include <stdexcept>

#include "platform/text.h"
#include "settings/connection_settings.h"

namespace {

using Connection = std::unique_ptr<MYSQL, void (*)(MYSQL*)>;
using Result = std::unique_ptr<MYSQL_RES, void (*)(MYSQL_RES*)>;

Connection Connect(const std::string& host, unsigned port) {
  Connection mysql(mysql_init(nullptr), mysql_close);
  if (!mysql) throw std::runtime_error("the MariaDB client library could not start");
  const unsigned timeout = 15;
  mysql_options(mysql.get(), MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  mysql_options(mysql.get(), MYSQL_SET_CHARSET_NAME, "utf8mb4");
  // Over TCP as the updater comes, even to "localhost", which the client would take as its socket.
  const unsigned protocol = MYSQL_PROTOCOL_TCP;
  mysql_options(mysql.get(), MYSQL_OPT_PROTOCOL, &protocol);
  const std::string user = EncodeUtf8(kDefaultUser), password = EncodeUtf8(kDefaultPassword);
  const std::string database = EncodeUtf8(kDefaultDatabase);
  if (!mysql_real_connect(mysql.get(), host.c_str(), user.c_str(), password.c_str(), database.c_str(), port,
                          nullptr, 0)) {
    throw std::runtime_error("cannot connect to " + host + ":" + std::to_string(port) + " as \"" + user +
                             "\" (database \"" + database +
                             "\"), as the updater does: " + mysql_error(mysql.get()));
  }
  return mysql;
}

Result Query(MYSQL* mysql, const char* query) {
  if (mysql_query(mysql, query) != 0)
    throw std::runtime_error(std::string(query) + ": " + mysql_error(mysql));
  Result result(mysql_store_result(mysql), mysql_free_result);
  if (!result) throw std::runtime_error(std::string(query) + ": " + mysql_error(mysql));
  return result;
}

constexpr const char* kColumns[] = {"dosya1", "dosya2",  "dosya3", "dosya4",
                                    "dosya5", "versite", "model",  "versiyon"};

// The eight columns of the first row, as texts; none for NULL. A missing column or a value that is
// no UTF-8 text is noted: the updater's read fails on the first, shows garbage for the second.
std::array<std::optional<std::wstring>, 8> Columns(MYSQL_RES* result, MYSQL_ROW row, ManifestRow& out) {
  std::array<std::optional<std::wstring>, 8> values;
  MYSQL_FIELD* fields = mysql_fetch_fields(result);
  const unsigned long* lengths = mysql_fetch_lengths(result);
  for (size_t c = 0; c < values.size(); ++c) {
    unsigned i = 0;
    while (i < mysql_num_fields(result) && std::string(fields[i].name) != kColumns[c]) ++i;
    if (i == mysql_num_fields(result)) {
      out.problems.push_back(std::string("the table has no column ") + kColumns[c]);
    } else if (row && row[i]) {
      values[c] = DecodeUtf8(std::string_view(row[i], lengths[i]));
      if (!values[c]) out.problems.push_back(std::string("the column ") + kColumns[c] + " is not UTF-8 text");
    }
  }
  return values;
}

void ReadFirstRow(MYSQL_RES* result, ManifestRow& out) {
  MYSQL_ROW row = mysql_fetch_row(result);
  const std::array<std::optional<std::wstring>, 8> values = Columns(result, row, out);
  if (!row || !out.problems.empty()) return;
  for (size_t k = 0; k < out.files.size(); ++k) out.files[k] = values[k].value_or(L"");
  out.baseUrl = values[5];
  if (!out.baseUrl) out.problems.push_back("versite is NULL");
  out.model = values[6].value_or(L"");
  out.version = values[7].value_or(L"");
}

}  // namespace

ManifestRow ReadManifestRow(const std::string& host, unsigned port) {
  const Connection mysql = Connect(host, port);
  ManifestRow out;
  // The updater's own query: a table it cannot read is what shops would see, not a fault of the check.
  try {
    const Result result = Query(mysql.get(), "SELECT * FROM ovantis.tblayar");
    out.rows = static_cast<size_t>(mysql_num_rows(result.get()));
    ReadFirstRow(result.get(), out);
  } catch (const std::runtime_error& error) {
    out.problems.push_back(error.what());
  }
  const Result grants = Query(mysql.get(), "SHOW GRANTS FOR CURRENT_USER()");
  while (MYSQL_ROW row = mysql_fetch_row(grants.get())) {
    if (row[0]) out.grants.emplace_back(row[0]);
  }
  return out;
}
