#include "settings/mdlset.h"

#include "platform/error.h"

std::wstring ConnectionString(const std::wstring& database, const std::wstring& password,
                              const std::wstring& user, const std::wstring& server, const std::wstring& port,
                              int16_t driverVersion) {
  std::wstring text =
      driverVersion == 8 ? L"Driver={MySQL ODBC 8.0 Unicode Driver};" : L"Driver=MySQL ODBC 3.51 Driver;";
  text += L"Server=" + server + L";";
  text += L"Database=" + database + L";";
  text += L"User=" + user + L";";
  text += L"Password=" + password + L";";
  text += L"Port=" + port + L";";
  if (driverVersion == 8) {
    text += L"Connect Timeout=5;Charset=utf8mb4;FOUND_ROWS=1";
  } else {
    // The 3.51 driver talks latin5 (Turkish) and needs these statements right after connecting.
    text +=
        L"Option=3;ConnectionLifeTime=60;Connection Timeout=1;"
        L"Stmt=SET NAMES 'latin5'; SET COLLATE latin5_turkish_ci;";
  }
  return text;
}

void Mdlset::BAGLANTI_AC(const std::wstring& database, const std::wstring& password, const std::wstring& user,
                         const std::wstring& server, const std::wstring& port, int16_t driverVersion) {
  const std::wstring text = ConnectionString(database, password, user, server, port, driverVersion);
  if (!cnBaglanti) {
    cnBaglanti = createConnection_ ? createConnection_() : nullptr;
    if (!cnBaglanti) throw AppError(kDataErrorGeneric, L"The database connection could not be created.");
  }
  if (cnBaglanti->IsOpen()) cnBaglanti->Close();
  cnBaglanti->Open(text);
}
