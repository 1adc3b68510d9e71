// Replacing the running updater's own file. Windows neither overwrites nor deletes a running
// program's file, but lets it be renamed: the old file steps aside in its folder, the new one
// takes its name, and the next start removes what was set aside.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "diag/logger.h"
#include "net/transfer_failure.h"
#include "platform/error.h"

// Tests only.
struct SelfReplaceSeams {
  // Fixes the unique part of the set-aside name, so a test can put something in its way.
  std::wstring setAsideTag;
  // Called in place of the move of the new file: a nonzero error is reported as that move's
  // failure without making it; 0 lets the move be made.
  std::function<uint32_t()> placeFault;
  // The same for putting the old file back after such a failure.
  std::function<uint32_t()> putBackFault;
};

// SetAsideTag for this process and this moment: unique to one attempt.
std::wstring NewSetAsideTag();

// True when path names the file this process was started from, however it is spelled. The
// identity is taken at the first call, before anything of this process renames the file.
bool IsRunningUpdater(const std::wstring& path);

// Puts newFile in place of destination, the running updater's own file: renames destination
// aside in its folder, moves newFile in and, when that move fails, renames the old file back.
// Only those renames lie between the old file leaving and the new one arriving. Each step is
// logged; a failure throws AppError with the failing rename's error. When the old file cannot
// be put back either, the new one is tried once more and, failing that, stays where it is: a
// TransferFailure that ends as kUpdaterKeptAside, its description saying where each file is.
void ReplaceRunningUpdater(const std::wstring& newFile, const std::wstring& destination, Logger& log,
                           const SelfReplaceSeams& seams = {});

// A swap that neither finished nor was undone leaves the folder without destination, with the old
// updater set aside and the verified new one at newFile, flushed before the swap began. That new
// file then takes the name; without that state nothing is done. True when it took the name; a
// failing rename throws NewUpdaterKeptAside, so the caller keeps newFile.
bool PlaceKeptUpdater(const std::wstring& newFile, const std::wstring& destination, Logger& log);

// Deletes every set-aside file and every other leftover that a start clears (install/updater_files.h)
// in folder. Failures (an old updater still ending, say) are ignored: the next start tries again.
void RemoveSetAsideFiles(const std::wstring& folder) noexcept;
