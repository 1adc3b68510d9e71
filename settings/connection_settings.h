// The connection settings of the program and their built-in values.
#pragma once

#include <array>
#include <string>

// The vendor's database server: the default server and the server of the fallback attempt.
inline constexpr wchar_t kVendorDatabaseHost[] = L"db.ovantis.com.tr";

inline constexpr wchar_t kDefaultPort[] = L"3306";
inline constexpr wchar_t kDefaultDatabase[] = L"ovantis";
inline constexpr wchar_t kDefaultUser[] = L"ovn";
inline constexpr wchar_t kDefaultPassword[] = L"***kvp***";
inline constexpr wchar_t kDefaultDriverVersion[] = L"3";
inline constexpr wchar_t kDefaultMode[] = L"1";

// Filled once at start-up by XML_AYARAL; every field is text as the settings file holds it.
struct ConnectionSettings {
  std::wstring server = kVendorDatabaseHost;
  std::wstring port = kDefaultPort;
  std::wstring database = kDefaultDatabase;
  std::wstring user = kDefaultUser;
  std::wstring password = kDefaultPassword;
  std::wstring driverVersion = kDefaultDriverVersion;
  std::wstring mode = kDefaultMode;
  std::array<std::wstring, 6> extraValues;  // read in mode 2 only; nothing acts on them
};

// Puts the built-in value into every field but extraValues, which keep what they hold.
void SetDefaultSettings(ConnectionSettings& settings);
