#include "install/mdl_fso_win.h"

#include <windows.h>

#include "install/sharing_retry.h"
#include "platform/win_error_win.h"

namespace mdlFSO {

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteFileForced(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    if (!SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) ThrowLastError();
  }
  if (!DeleteFileW(path.c_str())) ThrowLastError();
}

void MoveFileOver(const std::wstring& source, const std::wstring& destination) {
  const uint32_t result = RetryOnSharingViolation(
      [&]() -> uint32_t {
        if (MoveFileExW(source.c_str(), destination.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
          return 0;
        }
        return GetLastError();
      },
      [](unsigned ms) { Sleep(ms); });
  if (result != 0) ThrowWin32Error(result);
}

}  // namespace mdlFSO
