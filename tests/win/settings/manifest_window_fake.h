// A window stand-in that records what OVN_AYARLA does to it, and the database helpers.
#pragma once

#include <string>
#include <vector>

#include "settings/manifest_window.h"
#include "settings/mdlset.h"

class FakeManifestWindow : public ManifestWindow {
 public:
  void LOG_YAZ(std::wstring_view message) override { log.emplace_back(message); }
  void SetDescription(const std::wstring& text) override { description = text; }
  void SetStartEnabled(bool enabled) override { startEnabled = enabled; }

  std::vector<std::wstring> log;
  std::wstring description;
  bool startEnabled = false;
};

// The fixture database's port, and BAGLANTI_AC with the updater's own login through the 8.0 driver.
std::wstring FixtureDbPort();
void ConnectToFixture(Mdlset& mdl);
