#include "install/folder_files_win.h"

#include <windows.h>

#include <vector>

#include "install/mdl_fso_win.h"
#include "platform/error.h"
#include "platform/scoped_win.h"
#include "platform/win_error_win.h"
#include "trust/cng_win.h"

namespace {

// Small enough for the window to answer between two pieces at Wine's 130 MB/s of SHA-256.
constexpr DWORD kPieceSize = 256 * 1024;

// The file opened for reading, sharing everything, as others may be using it; empty when there
// is no such file. Throws AppError for any other failure.
UniqueFile OpenForReading(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) ThrowWin32Error(error);
  }
  return file;
}

uint64_t SizeOf(const UniqueFile& file) {
  LARGE_INTEGER size{};
  CheckBool(GetFileSizeEx(file.get(), &size));
  return static_cast<uint64_t>(size.QuadPart);
}

}  // namespace

namespace {

Sha256Digest Sha256OfFile(const UniqueFile& file, const std::function<void()>& betweenPieces) {
  Sha256 hash;
  std::vector<unsigned char> piece(kPieceSize);
  for (;;) {
    DWORD got = 0;
    CheckBool(ReadFile(file.get(), piece.data(), kPieceSize, &got, nullptr));
    if (got == 0) break;
    hash.Add(piece.data(), got);
    betweenPieces();
  }
  return hash.Finish();
}

}  // namespace

bool FileHasListedContent(const std::wstring& path, const ListedFile& listed,
                          const std::function<void()>& betweenPieces) {
  const UniqueFile file = OpenForReading(path);
  if (!file || SizeOf(file) != listed.size) return false;
  return Sha256OfFile(file, betweenPieces) == listed.digest;
}

std::optional<Sha256Digest> FileSha256(const std::wstring& path, const std::function<void()>& betweenPieces) {
  const UniqueFile file = OpenForReading(path);
  if (!file) return std::nullopt;
  return Sha256OfFile(file, betweenPieces);
}

std::optional<std::string> ReadSmallFile(const std::wstring& path, size_t limit) {
  const UniqueFile file = OpenForReading(path);
  if (!file) return std::nullopt;
  const uint64_t size = SizeOf(file);
  if (size > limit) ThrowWin32Error(ERROR_FILE_TOO_LARGE);
  std::string bytes(static_cast<size_t>(size), '\0');
  DWORD got = 0;
  CheckBool(ReadFile(file.get(), bytes.data(), static_cast<DWORD>(size), &got, nullptr));
  bytes.resize(got);
  return bytes;
}

void WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L"-new";
  try {
    UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError();
    DWORD written = 0;
    CheckBool(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    if (written != bytes.size()) ThrowWin32Error(ERROR_WRITE_FAULT);
    // On the disk before the rename, so that no crash leaves the name on an empty file.
    CheckBool(FlushFileBuffers(file.get()));
    file.reset();
    mdlFSO::MoveFileOver(temporary, path);
  } catch (const AppError&) {
    IgnoringFailure([&] {
      if (mdlFSO::FileExists(temporary)) mdlFSO::DeleteFileForced(temporary);
    });
    throw;
  }
}
