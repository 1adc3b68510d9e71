#include "app/folder_write_probe_win.h"

#include <windows.h>

#include "platform/scoped_win.h"
#include "platform/win_error_win.h"
#include "update/updater_files.h"

namespace {

std::wstring UniqueTag() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return SetAsideTag(GetCurrentProcessId(),
                     (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

}  // namespace

std::optional<ErrorInfo> FolderWriteError(const std::wstring& folder) noexcept {
  try {
    const std::wstring probe = folder + L"\\" + WriteProbeName(UniqueTag());
    // CREATE_NEW: a file already there under this name is never taken for one made here.
    UniqueFile file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!file) return LastErrorInfo();
    file.reset();
    if (!DeleteFileW(probe.c_str())) return LastErrorInfo();
    return std::nullopt;
  } catch (...) {
    return ErrorInfo{static_cast<int32_t>(ERROR_OUTOFMEMORY), SystemErrorText(ERROR_OUTOFMEMORY)};
  }
}
