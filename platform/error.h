// Errors as the program reports them: a number and a readable description.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

struct ErrorInfo {
  int32_t number = 0;  // platform result code, written as a signed 32-bit decimal
  std::wstring description;
};

// Raised by the platform layer and caught by the procedure that reports its own failures.
class AppError : public std::exception {
 public:
  AppError(int32_t number, std::wstring description) : info_{number, std::move(description)} {}
  explicit AppError(ErrorInfo info) : info_(std::move(info)) {}

  int32_t number() const noexcept { return info_.number; }
  const std::wstring& description() const noexcept { return info_.description; }
  const ErrorInfo& info() const noexcept { return info_; }
  const char* what() const noexcept override { return "AppError"; }

 private:
  ErrorInfo info_;
};

// Inside a catch (...): what is being thrown as a number and a text: an AppError's own, memory
// running out, or anything else as a catastrophic failure.
ErrorInfo CurrentErrorInfo();

// "Error 5: Access is denied.": a failure as every report quotes it, after the given word.
std::wstring ErrorText(const ErrorInfo& error, std::wstring_view word = L"Error ");

// "Stage <stage> - Error 5: Access is denied.": a failure with the step it happened in.
std::wstring StageErrorText(std::wstring_view stage, const ErrorInfo& error,
                            std::wstring_view word = L"Error ");

// Runs a step whose failure is ignored, so the next step runs: clean-up after a failure, and
// the handlers that must never let an exception leave a window procedure or a callback. A
// std::function that holds nothing throws when called, so a handler not set does nothing.
template <typename Step>
void IgnoringFailure(Step&& step) noexcept {
  try {
    step();
  } catch (...) {
  }
}
