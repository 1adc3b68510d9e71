// The module mdlFSO: the file operations that the update run and the downloader share.
#pragma once

#include <string>

namespace mdlFSO {

// True when a file (not a folder) exists at the path.
bool FileExists(const std::wstring& path);

// Deletes the file, also when it is read-only. Throws AppError.
void DeleteFileForced(const std::wstring& path);

// Puts source in place of destination in one rename, so that whoever looks, and whenever the
// process dies, destination is the old file or the new one. Retries for about a second while
// another program holds a file (virus scanners do, briefly). Throws AppError.
void MoveFileOver(const std::wstring& source, const std::wstring& destination);

}  // namespace mdlFSO
