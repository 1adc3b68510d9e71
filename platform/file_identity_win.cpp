#include "platform/file_identity_win.h"

#include <windows.h>

#include "platform/scoped_win.h"

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
  return FileIdentity{information.dwVolumeSerialNumber,
                      (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

bool SameFile(const std::wstring& first, const std::wstring& second) {
  const std::optional<FileIdentity> a = IdentityOf(first);
  return a && a == IdentityOf(second);
}
