// A window stand-in that records what the manifest reader does to it; for native and Windows tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/manifest_window.h"

class FakeManifestWindow : public ManifestWindow {
 public:
  void LOG_YAZ(std::wstring_view message) override { log.emplace_back(message); }
  void SetDescription(const std::wstring& text) override { description = text; }
  void SetStartEnabled(bool enabled) override { startEnabled = enabled; }

  std::vector<std::wstring> log;
  std::wstring description;
  bool startEnabled = false;
};
