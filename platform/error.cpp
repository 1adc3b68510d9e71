#include "platform/error.h"

std::wstring ErrorText(const ErrorInfo& error, std::wstring_view word) {
  return std::wstring(word) + std::to_wstring(error.number) + L": " + error.description;
}

std::wstring StageErrorText(std::wstring_view stage, const ErrorInfo& error, std::wstring_view word) {
  return L"Stage " + std::wstring(stage) + L" - " + ErrorText(error, word);
}
