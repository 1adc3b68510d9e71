// Starting the shop's program as the logged-on user, also from an updater that runs elevated: a
// program started elevated loses the user's mapped drives and takes no drag and drop.
#pragma once

#include <string>

// True when this process runs with an administrator's full token.
bool RunsElevated() noexcept;

// Asks the desktop's shell, which runs as the logged-on user, to start path in folder with a
// normal window. Throws AppError when the shell or its desktop cannot be reached.
void StartThroughDesktopShell(const std::wstring& path, const std::wstring& folder);
