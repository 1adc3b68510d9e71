// What the subsystems need of the diagnostic log: one call that appends one line.
#pragma once

#include <string_view>

class Logger {
 public:
  // Appends one timestamped line; never reports a failure to the caller.
  virtual void LOG_YAZ(std::wstring_view message) = 0;

 protected:
  ~Logger() = default;
};
