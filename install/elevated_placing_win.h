// The user's side of the hand-over: the staging folder under the user's local application data,
// and the start of the placing copy with the administrator's approval.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "install/elevated_placing.h"
#include "platform/error.h"

// "%LOCALAPPDATA%\Zefra INDIR\<identity of programFolder>", made if missing; throws AppError when
// the user has no local application data folder or it cannot be made.
std::wstring UserStagingFolder(const std::wstring& programFolder);

// Starts updaterPath with the "runas" verb and request's command line, then waits for it, calling
// pump whenever the thread has messages, so the window stays painted; the placing cannot be
// stopped once it has begun, so the caller's pump only paints and drops input.
PlacingCopyOutcome RunPlacingCopy(HWND owner, const std::wstring& updaterPath,
                                  const ElevatedPlacingRequest& request, const std::function<void()>& pump);
