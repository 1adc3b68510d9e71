// Start-up after the settings are loaded: the database connection with its one fallback, and
// the manifest.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/manifest_window.h"
#include "settings/mdlset.h"
#include "trust/release_trust.h"

enum class StartupEnd {
  kShowWindow,  // the manifest was read (or its failure shown): show the window
  kEndProgram,  // no connection could be made and the user was told: end at once, window unseen
};

// The first log line: where the updater runs and which release key it is built with ("none"
// when it installs unsigned releases), so a shop's log says which updater wrote it.
std::wstring StartedLogLine(std::wstring_view programFolder,
                            const std::optional<Sha256Digest>& releaseKeySha256);

// "Sunucuya(" server ":" port ") bağlanılamadı ..." with the driver's description on a second line.
std::wstring NoConnectionText(const std::wstring& server, const std::wstring& port,
                              const std::wstring& description);

// The first attempt with mdl.settings, else the silent fallback with the built-in values and
// driver selector 3; then OVN_AYARLA. When both attempts fail, shows the final message and
// returns kEndProgram: the caller ends the process without showing the window.
StartupEnd ConnectAndReadManifest(Mdlset& mdl, ManifestWindow& window);
