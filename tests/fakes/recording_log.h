// A log that keeps its lines instead of writing them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "diag/logger.h"

class RecordingLog : public Logger {
 public:
  void LOG_YAZ(std::wstring_view message) override { lines.emplace_back(message); }
  std::vector<std::wstring> lines;
};
