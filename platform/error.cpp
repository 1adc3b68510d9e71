#include "platform/error.h"

#include <new>

std::wstring ErrorText(const ErrorInfo& error, std::wstring_view word) {
  return std::wstring(word) + std::to_wstring(error.number) + L": " + error.description;
}

std::wstring StageErrorText(std::wstring_view stage, const ErrorInfo& error, std::wstring_view word) {
  return L"Stage " + std::wstring(stage) + L" - " + ErrorText(error, word);
}

ErrorInfo CurrentErrorInfo() {
  try {
    throw;
  } catch (const AppError& error) {
    return error.info();
  } catch (const std::bad_alloc&) {
    return ErrorInfo{8, L"Not enough memory resources are available to process this command."};
  } catch (...) {
    return ErrorInfo{static_cast<int32_t>(0x8000FFFF), L"Catastrophic failure"};
  }
}
