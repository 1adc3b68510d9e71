// Which manifest names may be written: only files inside the program's folder or its subfolders,
// stored by Windows exactly as the name is written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Empty when Windows stores this one path segment exactly as written; otherwise the Turkish
// reason. Refused: control characters, < > " | ? * :, a trailing dot or space, a device name
// (CON, NUL.txt, COM1.exe...) and the empty segment that two separators in a row make.
// "." and ".." are steps, not names: they are left to the callers.
std::optional<std::wstring> SegmentNotStoredAsWritten(std::wstring_view segment);

// Empty when the name is a file inside the folder; otherwise the Turkish reason shown to the
// user. Refused: rooted, drive, UNC or device paths, alternate data streams (any ':'), names whose
// ".." steps leave the folder or that end in a step, and every segment that Windows would store
// otherwise than written. Refused too: the updater's own files, every name whose last extension
// begins with "indir-" and every name that ends in a download's ".download" (install/updater_files.h).
std::optional<std::wstring> FileNameOutsideFolder(std::wstring_view name);

// Empty when destination is a full path (drive "X:\" or share "\\server\share\") whose every
// segment after that root Windows stores as written, ending in a file name; otherwise the
// Turkish reason.
std::optional<std::wstring> DestinationNotStoredAsWritten(std::wstring_view destination);
