// What reading the manifest needs of the window frmindir, so that it runs without one in tests.
#pragma once

#include <string>

#include "diag/logger.h"

class ManifestWindow : public Logger {
 public:
  // The caption of the description label lblAciklama.
  virtual void SetDescription(const std::wstring& text) = 0;
  // The enabled state of the start button cmdbaslat.
  virtual void SetStartEnabled(bool enabled) = 0;

 protected:
  ~ManifestWindow() = default;
};
