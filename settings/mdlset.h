// The module mdlset: the program-wide settings, the one database connection and record set,
// and the update manifest. The window owns the one instance and passes it where it is needed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/data_access.h"
#include "settings/connection_settings.h"
#include "settings/update_manifest.h"

// The connection string of one attempt: selector 8 names the 8.0 Unicode driver, any other
// value the 3.51 driver. Values go in verbatim: nothing is quoted or escaped.
std::wstring ConnectionString(const std::wstring& database, const std::wstring& password,
                              const std::wstring& user, const std::wstring& server, const std::wstring& port,
                              int16_t driverVersion);

class Mdlset {
 public:
  // createConnection makes cnBaglanti on its first use (CreateOdbcConnection in the program).
  explicit Mdlset(ConnectionFactory createConnection) : createConnection_(std::move(createConnection)) {}

  ConnectionSettings settings;
  std::unique_ptr<DbConnection> cnBaglanti;  // created by the first BAGLANTI_AC
  std::optional<RecordSet> rsAyar;           // created by the first OVN_AYARLA
  UpdateManifest manifest;

  // Opens cnBaglanti with the string of these values, closing it first when it is open.
  // A failure raises the data access's AppError unchanged and leaves the connection closed.
  void BAGLANTI_AC(const std::wstring& database, const std::wstring& password, const std::wstring& user,
                   const std::wstring& server, const std::wstring& port, int16_t driverVersion);

 private:
  ConnectionFactory createConnection_;
};
