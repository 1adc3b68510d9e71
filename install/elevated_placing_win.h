// The user's side of the hand-over: the staging folder under the user's local application data,
// and the start of the placing copy with the administrator's approval.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "install/elevated_placing.h"
#include "platform/error.h"

// "%LOCALAPPDATA%\Zefra INDIR\<identity of programFolder>"; throws AppError when the user has no
// local application data folder.
std::wstring UserStagingFolder(const std::wstring& programFolder);

// The placing copy's exit code, or the error that kept it from starting (1223 when the user
// answered "No" at the prompt).
using PlacingCopyOutcome = std::variant<uint32_t, ErrorInfo>;

// Starts updaterPath with the "runas" verb and request's command line, then waits for it while
// the calling thread's window messages are pumped, so the window stays painted.
PlacingCopyOutcome RunPlacingCopy(HWND owner, const std::wstring& updaterPath,
                                  const ElevatedPlacingRequest& request);

// The seam the run takes, so tests can answer for the prompt.
using PlacingCopyLauncher = std::function<PlacingCopyOutcome(
    HWND, const std::wstring&, const ElevatedPlacingRequest&)>;
