// The placing copy: a start of the updater with the administrator's approval, asked for by the
// user's copy that fetched and checked the files into its staging folder. It checks them once
// more, closes the programs and places them; no window, no single-instance claim, no per-user path.
#pragma once

#include <optional>
#include <string>

#include "diag/logger.h"
#include "install/elevated_placing.h"

// Places what request's staging folder holds in its program folder and gives the exit code.
// releaseKey: the key built into the program; a signed release is checked with it alone.
ElevatedExit PlaceStagedFiles(const ElevatedPlacingRequest& request,
                              const std::optional<std::string>& releaseKey, Logger& log) noexcept;
