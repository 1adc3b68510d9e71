// Logs for tests: one that keeps its lines, one that drops them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "diag/logger.h"

// A log that keeps its lines instead of writing them.
class RecordingLog : public Logger {
 public:
  void LOG_YAZ(std::wstring_view message) override { lines.emplace_back(message); }
  std::vector<std::wstring> lines;
};

// A log that drops its lines, for the helper programs that measure or get killed.
class SilentLog : public Logger {
 public:
  void LOG_YAZ(std::wstring_view) override {}
};
