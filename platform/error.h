// Errors as the program reports them: a number and a readable description.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
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
