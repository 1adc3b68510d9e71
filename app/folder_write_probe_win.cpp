#include "app/folder_write_probe_win.h"

#include <windows.h>

#include "platform/scoped_win.h"
#include "platform/win_error_win.h"
#include "install/self_replace_win.h"
#include "install/updater_files.h"

std::optional<ErrorInfo> FolderWriteError(const std::wstring& folder) noexcept {
  try {
    const std::wstring probe = folder + L"\\" + WriteProbeName(NewSetAsideTag());
    // CREATE_NEW: a file already there under this name is never taken for one made here. The
    // system removes the probe when the last handle goes, so a virus scanner that holds it for a
    // moment does not make a writable folder look locked; asking for DELETE still tests that right.
    UniqueFile file(CreateFileW(probe.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                nullptr));
    if (!file) return LastErrorInfo();
    return std::nullopt;
  } catch (...) {
    return ErrorInfo{static_cast<int32_t>(ERROR_OUTOFMEMORY), SystemErrorText(ERROR_OUTOFMEMORY)};
  }
}
