#include "manifest_window_fake.h"

#include <gtest/gtest.h>

#include "platform/encoding_win.h"
#include "settings/connection_settings.h"
#include "test_support.h"

std::wstring FixtureDbPort() { return TestEnv(L"ZEFRA_TEST_DB_PORT"); }

void ConnectToFixture(Mdlset& mdl) {
  mdl.BAGLANTI_AC(kDefaultDatabase, kDefaultPassword, kDefaultUser, L"127.0.0.1", FixtureDbPort(), 8);
}
