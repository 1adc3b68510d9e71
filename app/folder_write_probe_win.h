// Whether the program's folder takes new files, asked before anything is closed: a read-only
// folder, or Program Files for a user without administrator rights, refuses them.
#pragma once

#include <optional>
#include <string>

#include "platform/error.h"

// Creates a file of the updater's own in folder, with the right to delete it, and lets it go at
// once; the error (number and text) when the folder refused it, none when it took it. A probe
// left by a machine that lost power is cleared by the next start.
std::optional<ErrorInfo> FolderWriteError(const std::wstring& folder) noexcept;
