// Whether the program's folder takes new files, asked before anything is closed: a read-only
// folder, or Program Files for a user without administrator rights, refuses them.
#pragma once

#include <optional>
#include <string>

#include "platform/error.h"

// Creates a file of the updater's own in folder and deletes it at once; the error (number and
// text) of whichever step failed, none when both succeeded. A probe that could not be deleted
// is cleared by the next start.
std::optional<ErrorInfo> FolderWriteError(const std::wstring& folder) noexcept;
