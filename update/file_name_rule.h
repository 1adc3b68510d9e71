// Which manifest names may be written: only files inside the program's folder or its subfolders.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Empty when the name stays inside the folder; otherwise the Turkish reason shown to the user.
// Refused: rooted, drive, UNC or device paths, alternate data streams (any ':'), and names
// whose ".." steps leave the folder.
// Refused too: the names the updater sets its own old file aside under (update/set_aside_name.h).
std::optional<std::wstring> FileNameOutsideFolder(std::wstring_view name);
