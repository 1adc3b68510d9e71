// The window stand-in of the manifest tests, and the fixture database helpers.
#pragma once

#include <string>

#include "fake_manifest_window.h"
#include "settings/mdlset.h"

// The fixture database's port, and BAGLANTI_AC with the updater's own login through the 8.0 driver.
std::wstring FixtureDbPort();
void ConnectToFixture(Mdlset& mdl);
