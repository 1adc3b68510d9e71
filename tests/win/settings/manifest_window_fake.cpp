#include "manifest_window_fake.h"

#include <gtest/gtest.h>

#include "platform/encoding_win.h"
#include "settings/connection_settings.h"
#include "test_support.h"

std::wstring FixtureDbPort() { return TestEnv(L"ZEFRA_TEST_DB_PORT"); }

void ConnectToFixture(Mdlset& mdl) {
  mdl.BAGLANTI_AC(kDefaultDatabase, kDefaultPassword, kDefaultUser, L"127.0.0.1", FixtureDbPort(), 8);
}

void RestoreStandardManifest() {
  // The schema file lies beside this test's sources; Wine reaches it through drive Z:.
  std::wstring source = L"Z:" + FromUtf8(__FILE__);
  for (auto& c : source) {
    if (c == L'/') c = L'\\';
  }
  const std::wstring schema = source.substr(0, source.rfind(L"\\win\\")) + L"\\fixtures\\schema.sql";
  ExecuteSql(L"DROP TABLE IF EXISTS ovantis.tblayar; DROP TABLE IF EXISTS ovantis.tblayar_away; " +
             FromUtf8(ReadBytes(schema)));
}
