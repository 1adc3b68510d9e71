// The files of the program's folder that the update run reads and writes itself, besides the
// downloads: the kept release and the files it may find already current.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "trust/release_list.h"

// True when the file at path has exactly the listed size and SHA-256; false when it is missing
// or differs. A file of another size is not read; one of that size is read in pieces, with
// betweenPieces called after each. Throws AppError when it cannot be read.
bool FileHasListedContent(const std::wstring& path, const ListedFile& listed,
                          const std::function<void()>& betweenPieces);

// The file's SHA-256, read in pieces with betweenPieces called after each; none when there is
// no file. Throws AppError when it cannot be read.
std::optional<Sha256Digest> FileSha256(const std::wstring& path, const std::function<void()>& betweenPieces);

// The whole file, at most limit bytes; none when there is no file. Throws AppError.
std::optional<std::string> ReadSmallFile(const std::wstring& path, size_t limit);

// Writes bytes to path + "-new", flushes it, then moves it over path in one rename with write
// through: whenever the process dies, path holds its old bytes or the new ones. Throws AppError.
void WriteFileAtomically(const std::wstring& path, const std::string& bytes);
