// The manifest row as the updater reads it, through the MariaDB/MySQL client library and the
// updater's built-in login.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

struct ManifestRow {
  std::array<std::wstring, 5> files;    // dosya1..dosya5; NULL as empty, as the updater keeps it
  std::optional<std::wstring> baseUrl;  // versite; none for NULL
  std::wstring model, version;
  size_t rows = 0;  // how many rows the table holds: the updater takes the first the server sends
  std::vector<std::string> problems;  // what makes the updater's read fail ("Dosya bilgisi alınamadı !")
  std::vector<std::string> grants;    // SHOW GRANTS of the login, one statement each
};

// host, port: where the vendor's database is. Throws std::runtime_error when no connection or
// query can be made; what the table lacks is in problems.
ManifestRow ReadManifestRow(const std::string& host, unsigned port);
