// Start-up after the settings are loaded: the database connection with its one fallback, and
// the manifest.
#pragma once

#include <string>

#include "settings/manifest_window.h"
#include "settings/mdlset.h"

enum class StartupEnd {
  kShowWindow,  // the manifest was read (or its failure shown): show the window
  kEndProgram,  // no connection could be made and the user was told: end at once, window unseen
};

// "Sunucuya(" server ":" port ") bağlanılamadı ..." with the driver's description on a second line.
std::wstring NoConnectionText(const std::wstring& server, const std::wstring& port,
                              const std::wstring& description);

// The first attempt with mdl.settings, else the silent fallback with the built-in values and
// driver selector 3; then OVN_AYARLA. When both attempts fail, shows the final message and
// returns kEndProgram: the caller ends the process without showing the window.
StartupEnd ConnectAndReadManifest(Mdlset& mdl, ManifestWindow& window);
