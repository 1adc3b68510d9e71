// Windows error codes turned into the program's ErrorInfo / AppError.
#pragma once

#include <windows.h>

#include "platform/error.h"

// The system's text for a Win32 error or HRESULT, without its trailing line break.
std::wstring SystemErrorText(DWORD code);

// The number and text of a Win32 error code.
ErrorInfo ErrorInfoFromCode(DWORD code);

// The number and text of an NTSTATUS code (as CNG returns them), whose texts live in ntdll.
ErrorInfo ErrorInfoFromNtStatus(LONG status);

// Reads GetLastError at once; call it directly after the failed call.
ErrorInfo LastErrorInfo();

[[noreturn]] void ThrowLastError();
[[noreturn]] void ThrowWin32Error(DWORD code);
[[noreturn]] void ThrowHresult(HRESULT hr);

// Throws AppError when hr is a failure code.
inline void CheckHresult(HRESULT hr) {
  if (FAILED(hr)) ThrowHresult(hr);
}

// Throws AppError with GetLastError, read at once, when a call that sets it returned FALSE.
inline void CheckBool(BOOL ok) {
  if (!ok) ThrowLastError();
}

// Throws AppError when an NTSTATUS (as CNG returns them) is a failure code.
inline void CheckNtStatus(LONG status) {
  if (status < 0) throw AppError(ErrorInfoFromNtStatus(status));
}
