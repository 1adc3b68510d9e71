#include "platform/win_error_win.h"

#include <string>

#include "platform/text.h"

namespace {

std::wstring FormatFrom(DWORD flags, const void* source, DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      source, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return {};
  std::wstring text(buffer, length);
  LocalFree(buffer);
  return TrimTrailingWhitespace(text);
}

}  // namespace

std::wstring SystemErrorText(DWORD code) {
  std::wstring text = FormatFrom(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
  // WinHTTP keeps the texts of its own codes (12001-12192) in its module.
  if (text.empty() && code >= 12000 && code < 12200) {
    if (HMODULE winhttp = GetModuleHandleW(L"winhttp.dll")) {
      text = FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, winhttp, code);
    }
  }
  if (text.empty()) text = L"Unknown error " + std::to_wstring(static_cast<int32_t>(code));
  return text;
}

ErrorInfo ErrorInfoFromCode(DWORD code) {
  return ErrorInfo{static_cast<int32_t>(code), SystemErrorText(code)};
}

ErrorInfo ErrorInfoFromNtStatus(LONG status) {
  const DWORD code = static_cast<DWORD>(status);
  std::wstring text;
  if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll"))
    text = FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, ntdll, code);
  if (text.empty()) text = L"Unknown error " + std::to_wstring(status);
  return ErrorInfo{status, text};
}

ErrorInfo LastErrorInfo() {
  const DWORD code = GetLastError();
  return ErrorInfoFromCode(code);
}

void ThrowLastError() { throw AppError(LastErrorInfo()); }

void ThrowWin32Error(DWORD code) { throw AppError(ErrorInfoFromCode(code)); }

void ThrowHresult(HRESULT hr) { throw AppError(ErrorInfoFromCode(static_cast<DWORD>(hr))); }
